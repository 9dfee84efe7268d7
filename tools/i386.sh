# Sourced by tools/common.sh and tools/deps.sh: makes 32-bit x86 Linux
# programs (and so Debian's 32-bit wine) run on this machine when it can.
#
# Some x86_64 processors run no 32-bit code at all. There user-mode emulation
# does: the static qemu-i386 of the release's backports suite (Debian 12's own
# 7.2 runs wine too, but takes minutes per program start), registered with
# binfmt_misc for i386 ELF programs. The registration lives in kernel memory
# only, so every run checks it again.
#
# i386_setup sets and exports
#   I386_MODE    native | qemu | none
#   I386_RUNNER  a qemu-i386 to start 32-bit build tools by hand when binfmt
#                cannot be used (empty otherwise)
# and prints one line that says which way 32-bit programs run.

source "$(dirname "${BASH_SOURCE[0]}")/debian-apt.sh"

I386_BINFMT_NAME=qemu-i386-gh
I386_MAGIC=7f454c4601010100000000000000000002000300
# The register line's escaped forms of the magic and mask above.
I386_MAGIC_ESC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
I386_MASK_ESC='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
BINFMT=/proc/sys/fs/binfmt_misc

i386_log() { printf '[i386] %s\n' "$*" >&2; }

# True when a 32-bit program and the 32-bit wine loader both start.
i386_runs() {
  local t rc=1
  t=$(mktemp -d)
  printf 'int main(void){return 0;}\n' >"$t/p.c"
  if gcc -m32 "$t/p.c" -o "$t/p" 2>/dev/null && timeout 60 "$t/p" 2>/dev/null; then
    rc=0
    if [ -x /usr/lib/wine/wine ] && ! timeout 120 /usr/lib/wine/wine --version >/dev/null 2>&1; then rc=1; fi
  fi
  rm -rf "$t"
  return $rc
}

# The interpreter of an enabled binfmt_misc entry for i386 ELF programs, if any.
i386_binfmt_interpreter() {
  local f
  [ -d "$BINFMT" ] || return 1
  for f in "$BINFMT"/*; do
    case ${f##*/} in register|status) continue;; esac
    [ -f "$f" ] || continue
    grep -qx enabled "$f" || continue
    grep -qx "magic $I386_MAGIC" "$f" || continue
    sed -n 's/^interpreter //p' "$f"
    return 0
  done
  return 1
}

qemu_major() { "$1" --version 2>/dev/null | sed -n '1s/.*version \([0-9]*\).*/\1/p'; }

# Fetches qemu-user from <release>-backports once and keeps its static qemu-i386.
i386_fetch_qemu() {
  local dest codename tmp deb
  dest=$(gamehost_cache)/qemu-i386
  if [ -x "$dest" ] && [ "$(qemu_major "$dest")" -ge 8 ] 2>/dev/null; then printf '%s\n' "$dest"; return 0; fi
  codename=$(debian_codename) || return 1
  private_apt_setup || return 1
  tmp=$(mktemp -d)
  if ! (cd "$tmp" && private_apt download -qq "qemu-user/$codename-backports" >&2); then
    i386_log "could not download qemu-user from $codename-backports"
    rm -rf "$tmp"; return 1
  fi
  deb=$(ls "$tmp"/qemu-user_*.deb 2>/dev/null | head -n1)
  if [ -z "$deb" ] || ! dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$tmp" ./usr/bin/qemu-i386; then
    i386_log "no usr/bin/qemu-i386 in ${deb:-the downloaded package}"
    rm -rf "$tmp"; return 1
  fi
  if [ "$(qemu_major "$tmp/usr/bin/qemu-i386")" -ge 8 ] 2>/dev/null; then
    mv "$tmp/usr/bin/qemu-i386" "$dest.new" && mv "$dest.new" "$dest"
  else
    i386_log "the qemu-i386 of $codename-backports does not start or is older than 8"
    rm -rf "$tmp"; return 1
  fi
  rm -rf "$tmp"
  i386_log "fetched qemu-i386 $("$dest" --version | sed -n '1s/.*version \([^ ]*\).*/\1/p') into $dest"
  printf '%s\n' "$dest"
}

i386_register() { # qemu path
  if [ ! -f "$BINFMT/register" ]; then
    mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null || return 1
  fi
  [ -w "$BINFMT/register" ] || return 1
  # A stale entry of ours (disabled, or pointing elsewhere) goes first.
  [ -f "$BINFMT/$I386_BINFMT_NAME" ] && { echo -1 >"$BINFMT/$I386_BINFMT_NAME" || return 1; }
  # F: the kernel opens the interpreter now, so it works in any mount namespace or chroot.
  printf ':%s:M::%s:%s:%s:F\n' "$I386_BINFMT_NAME" "$I386_MAGIC_ESC" "$I386_MASK_ESC" "$1" >"$BINFMT/register"
}

i386_setup() {
  if [ -n "${I386_MODE:-}" ]; then return 0; fi  # done by the calling script
  I386_RUNNER=
  local interp qemu major slow=0
  interp=$(i386_binfmt_interpreter || true)
  # Another binfmt handler that is a qemu older than 8 (Debian 12's own) starts wine far too slowly.
  if [ -n "$interp" ]; then
    major=$(qemu_major "$interp")
    if [ -n "$major" ] && [ "$major" -lt 8 ]; then slow=1; fi
  fi
  if [ $slow = 1 ]; then
    i386_log "the binfmt_misc handler $interp is qemu $major, too slow for wine: adding a newer one"
  fi
  if [ $slow = 0 ] && [ -z "$interp" ] && i386_runs; then
    I386_MODE=native
    i386_log "32-bit programs run natively"
  elif [ $slow = 0 ] && [ -n "$interp" ] && i386_runs; then
    I386_MODE=qemu
    i386_log "32-bit programs run through $interp (binfmt_misc)"
  elif ! qemu=$(i386_fetch_qemu); then
    I386_MODE=none
    i386_log "32-bit programs cannot run here (no qemu-i386 from the backports suite): running the x86_64 twin"
  elif i386_register "$qemu" && i386_runs; then
    I386_MODE=qemu
    i386_log "32-bit programs run through $qemu (registered now with binfmt_misc as $I386_BINFMT_NAME)"
  else
    I386_MODE=none
    I386_RUNNER=$qemu  # still good for LuaJIT's build tools, started by hand
    i386_log "32-bit programs cannot run here (binfmt_misc not available): running the x86_64 twin"
  fi
  export I386_MODE I386_RUNNER
}
