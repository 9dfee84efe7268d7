# Sourced by tools/deps.sh and tools/i386.sh: the machine cache and a private
# apt configuration for downloads the machine's own sources do not list.
#
# The private configuration (its own sources list, package lists and apt cache
# under the machine cache) holds source entries for the machine's own release
# and a binary entry for that release's backports suite, both on the mirror the
# machine already uses. Nothing of it reaches /etc/apt, so what `apt-get
# install` and `apt-get source` pick from the machine's own entries is unchanged.

# Built libraries, fetched sources and qemu-i386 live here, outside any clone,
# so that a clean clone reuses them.
gamehost_cache() {
  if [ -n "${GAMEHOST_CACHE:-}" ]; then :
  elif mkdir -p /var/cache/gamehost 2>/dev/null && [ -w /var/cache/gamehost ]; then
    GAMEHOST_CACHE=/var/cache/gamehost
  else
    GAMEHOST_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/gamehost
  fi
  mkdir -p "$GAMEHOST_CACHE"
  export GAMEHOST_CACHE
  printf '%s\n' "$GAMEHOST_CACHE"
}

# The suite the machine's binary packages come from.
debian_codename() {
  local codename
  codename=$(. /etc/os-release && printf '%s' "${VERSION_CODENAME:-}")
  if [ -z "$codename" ]; then
    echo "no VERSION_CODENAME in /etc/os-release: cannot tell which Debian release to fetch from" >&2
    return 1
  fi
  printf '%s\n' "$codename"
}

private_apt_dir() { printf '%s/apt\n' "$(gamehost_cache)"; }

# private_apt_setup: writes the private sources list from the machine's own
# entry for its release (once per call site; cheap) and refreshes its lists once.
private_apt_setup() {
  [ "${PRIVATE_APT_READY:-0}" = 1 ] && return 0
  local dir codename mirror signed_by
  dir=$(private_apt_dir)
  codename=$(debian_codename) || return 1
  read -r mirror signed_by < <(python3 "$(dirname "${BASH_SOURCE[0]}")/debian-mirror.py" "$codename") || {
    echo "cannot derive the Debian mirror from this machine's apt source entries" >&2
    return 1
  }
  mkdir -p "$dir/lists/partial" "$dir/cache/archives/partial" "$dir/sources.list.d"
  local src_opts="" bin_opts="arch=$(dpkg --print-architecture)"
  if [ "$signed_by" != - ]; then src_opts="[signed-by=$signed_by] "; bin_opts="$bin_opts signed-by=$signed_by"; fi
  cat >"$dir/sources.list" <<LIST
deb-src $src_opts$mirror $codename main
deb [$bin_opts] $mirror $codename-backports main
LIST
  if ! private_apt update -qq >&2; then
    echo "apt-get update of $mirror ($codename, $codename-backports) failed" >&2
    return 1
  fi
  PRIVATE_APT_READY=1
}

# private_apt <apt-get arguments>: apt-get on the private configuration only.
private_apt() {
  local dir sandbox=()
  dir=$(private_apt_dir)
  # Downloads land in folders of ours that apt's unprivileged sandbox user cannot write.
  [ "$(id -u)" = 0 ] && sandbox=(-o APT::Sandbox::User=root)
  apt-get "${sandbox[@]}" -o Dir::Etc::SourceList="$dir/sources.list" -o Dir::Etc::SourceParts="$dir/sources.list.d" \
          -o Dir::State::Lists="$dir/lists" -o Dir::Cache="$dir/cache" \
          -o Dir::Cache::Archives="$dir/cache/archives" -o Acquire::Languages=none "$@"
}
