#!/usr/bin/env bash
# Brings a machine up to what the build and the tests need, then builds the
# cross-compiled third-party libraries from Debian's source packages.
#   tools/deps.sh [--arch i686|x86_64] [--packages-only] [link]
# The libraries go to <cache>/deps/<arch>-<key>/prefix, outside the clone
# (<cache> is /var/cache/gamehost, or ~/.cache/gamehost when that is not
# writable; GAMEHOST_CACHE overrides it). <key> is a hash of this script, the
# toolchain file and the release, so a clean clone reuses the libraries a
# machine built once and a changed input builds them again. <link> (default
# build/deps-<arch>) is made a symbolic link to that folder.
# Quick when everything is present: packages are checked with dpkg, sources
# are fetched once, and each library is rebuilt only when its stamp differs.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/tools/i386.sh"
arch=i686
packages_only=0
while [ $# -gt 0 ]; do
  case $1 in
    --arch) arch=$2; shift 2;;
    --packages-only) packages_only=1; shift;;
    *) break;;
  esac
done
case $arch in i686|x86_64) ;; *) echo "unknown arch $arch" >&2; exit 2;; esac
link=${1:-$here/build/deps-$arch}
jobs=${HOST_BUILD_JOBS:-$(nproc)}  # HOST_BUILD_JOBS caps it on a shared machine

log() { printf '[deps] %s\n' "$*" >&2; }
die() { printf '[deps] error: %s\n' "$*" >&2; exit 1; }

# --- packages ---------------------------------------------------------------
need_pkgs=(g++-mingw-w64-i686 gcc-mingw-w64-i686 g++-mingw-w64-x86-64 gcc-mingw-w64-x86-64 libz-mingw-w64-dev rapidjson-dev
           wine wine32:i386 wine64 xvfb x11-apps x11-utils x11-xserver-utils imagemagick
           libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386 gcc-multilib
           cmake make dpkg-dev python3 googletest fonts-dejavu-core openssl
           protobuf-compiler luajit strace)
missing=()
for p in "${need_pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  log "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  # Third-party lists configured on some machines may be unreachable; Debian's own must work.
  apt-get update -qq || log "apt-get update reported errors (continuing with what was fetched)"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
[ $packages_only = 1 ] && exit 0

# --- where the libraries go -------------------------------------------------
cache=$(gamehost_cache)
codename=$(debian_codename) || die "cannot tell this machine's Debian release"
toolchain=$here/cmake/mingw-$arch.cmake
key=$( (echo "$arch $codename"; cat "$0" "$toolchain") | sha256sum | cut -c1-16)
build=$cache/deps/$arch-$key
prefix=$build/prefix
work=$build/work
src=$cache/deps-src/$codename  # fetched once, shared by every build folder
mkdir -p "$src" "$work" "$prefix"
exec 9>"$build.lock"
flock 9  # another clone building the same libraries: wait for it, then reuse
touch "$build"
# Libraries of inputs no clone has asked for in a month go.
find "$cache/deps" -mindepth 1 -maxdepth 1 -type d -name "$arch-*" ! -name "$arch-$key" -mtime +30 \
     -exec sh -c 'rm -rf "$1" "$1.lock"' prune {} \; 2>/dev/null || true
mkdir -p "$(dirname "$link")"
if [ -L "$link" ] || [ ! -e "$link" ]; then
  ln -sfn "$build" "$link"
elif [ -d "$link" ]; then  # a build folder of the older in-clone layout
  rm -rf "$link"; ln -s "$build" "$link"
fi

# LuaJIT's build tools are 32-bit programs for a 32-bit target.
host_tool_runner=
if [ "$arch" = i686 ]; then
  i386_setup
  case $I386_MODE in
    native|qemu) ;;
    *) [ -n "$I386_RUNNER" ] || die "LuaJIT's 32-bit build tools cannot run on this machine (see the [i386] line)"
       host_tool_runner=$I386_RUNNER;;
  esac
fi

# --- sources ----------------------------------------------------------------
# source_problem <dsc> [1]: says what is wrong with a fetched source package
# (a file its .dsc lists missing or altered, no Debian changes); nothing when it
# is whole. With 1, missing Debian changes are allowed (fetch_source --orig-only).
source_problem() {
  local dsc=$1 orig_only=${2:-0} dir sum size file changes=0 native=0 listed=0
  dir=$(dirname "$dsc")
  grep -q '^Format: .*native' "$dsc" && native=1
  while read -r sum size file; do
    listed=$((listed + 1))
    case $file in *.debian.tar.*|*.diff.gz) [ ! -f "$dir/$file" ] && [ "$orig_only" = 1 ] && continue;; esac
    if [ ! -f "$dir/$file" ]; then echo "$(basename "$dsc") lists $file, which was not fetched"; return; fi
    if [ "$(sha256sum "$dir/$file" | cut -d' ' -f1)" != "$sum" ]; then
      echo "$file does not match its checksum in $(basename "$dsc")"; return
    fi
    case $file in *.debian.tar.*|*.diff.gz) changes=1;; esac
  done < <(sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /p}' "$dsc")
  if [ $listed = 0 ]; then echo "$(basename "$dsc") lists no files"; return; fi
  [ $changes = 1 ] || [ $native = 1 ] || [ "$orig_only" = 1 ] || echo "the Debian changes of $(basename "$dsc") are missing"
}
has_debian_changes() { # dsc
  local f
  for f in "${1%/*}/$(basename "${1%.dsc}")".{debian.tar.xz,debian.tar.gz,debian.tar.bz2,diff.gz}; do
    [ -f "$f" ] && return 0
  done
  return 1
}
# fetch_source <name> [--orig-only] -> prints the path of its .dsc, fetched
# once from this machine's release. --orig-only: a package whose Debian changes
# the mirror lacks is built from its original sources alone, said in a log line.
fetch_source() {
  local name=$1 orig_only=0 dsc problem
  [ "${2:-}" = --orig-only ] && orig_only=1
  dsc=$(ls "$src/${name}"_*.dsc 2>/dev/null | sort -V | tail -n1 || true)
  if [ -z "$dsc" ] || [ -n "$(source_problem "$dsc" $orig_only)" ]; then
    log "fetching the source package $name from $codename"
    private_apt_setup || die "no source entry to fetch $name from"
    (cd "$src" && private_apt source --download-only -qq "$name/$codename" >&2) || [ $orig_only = 1 ] \
      || die "could not fetch the source package $name from $codename"
    dsc=$(ls "$src/${name}"_*.dsc 2>/dev/null | sort -V | tail -n1 || true)
    [ -n "$dsc" ] || die "fetching $name from $codename gave no .dsc"
  fi
  problem=$(source_problem "$dsc" $orig_only)
  [ -z "$problem" ] || die "$problem"
  has_debian_changes "$dsc" || grep -q '^Format: .*native' "$dsc" \
    || log "$name: no Debian changes on the mirror for $(basename "$dsc"): building its original sources alone"
  printf '%s\n' "$dsc"
}
stamp_ok() { # name inputs... ; true when the stamp matches the inputs
  local name=$1; shift
  local want
  want=$( (echo "$arch"; cat "$@" "$0") | sha256sum | cut -d' ' -f1)
  [ -f "$prefix/.$name.stamp" ] && [ "$(cat "$prefix/.$name.stamp")" = "$want" ]
}
stamp_write() {
  local name=$1; shift
  (echo "$arch"; cat "$@" "$0") | sha256sum | cut -d' ' -f1 >"$prefix/.$name.stamp"
}
unpack() { # dsc dir: the original sources with Debian's changes applied (when there are any)
  rm -rf "$2" "$2.tmp"
  if has_debian_changes "$1" || grep -q '^Format: .*native' "$1"; then
    # (the checksums were checked above; the uploader's signature needs a keyring this machine may lack)
    dpkg-source --no-check -q -x "$1" "$2" >/dev/null
    return
  fi
  local orig top
  orig=$(ls "${1%_*}"_*.orig.tar.* | grep -v '\.asc$' | head -n1)
  mkdir -p "$2.tmp"
  tar -xf "$orig" -C "$2.tmp"
  top=$(ls -A "$2.tmp")  # some tarballs have one top folder, some none
  if [ "$(printf '%s\n' "$top" | wc -l)" = 1 ] && [ -d "$2.tmp/$top" ]; then
    mv "$2.tmp/$top" "$2"; rmdir "$2.tmp"
  else
    mv "$2.tmp" "$2"
  fi
}
# check_headers <include-dir>... -- <header>...: each header compiles for the
# target with only these include folders, as the build includes it
# ("a.h+b.h": b.h after a.h, for a header that needs another one first).
check_headers() {
  local dirs=() h
  while [ "$1" != -- ]; do dirs+=(-I"$1"); shift; done; shift
  for h in "$@"; do
    printf '#include <%s>\n' ${h//+/ } | $cross-g++-posix -x c++ -fsyntax-only -DCURL_STATICLIB "${dirs[@]}" - \
      || die "installed header $h does not compile with ${dirs[*]}"
  done
}

cross=$arch-w64-mingw32
if [ $arch = i686 ]; then
  host_cc="gcc -m32"
  # The product's float arithmetic is SSE2's, as on the target platform's own compilers.
  target_cflags="-msse2 -mfpmath=sse"
else
  host_cc=gcc
  target_cflags=
fi

# Each library is one block: fetch_source, build and install into $prefix
# when stamp_ok says its inputs changed (then stamp_write), check_headers.

# --- LuaJIT -----------------------------------------------------------------
luajit_dsc=$(fetch_source luajit)
if ! stamp_ok luajit "$luajit_dsc"; then
  log "building LuaJIT"
  unpack "$luajit_dsc" "$work/luajit"
  runner_args=()
  if [ -n "$host_tool_runner" ]; then
    runner_args=(HOST_ALDFLAGS=-static "MINILUA_X=$host_tool_runner host/minilua"
                 "BUILDVM_X=$host_tool_runner host/buildvm")
  fi
  make -C "$work/luajit/src" -s -j"$jobs" HOST_CC="$host_cc" CROSS=$cross- \
       TARGET_SYS=Windows BUILDMODE=static "${runner_args[@]}" libluajit.a >/dev/null
  mkdir -p "$prefix/include/luajit" "$prefix/lib"
  cp "$work/luajit/src/"{lua.h,lualib.h,lauxlib.h,luaconf.h,lua.hpp,luajit.h} "$prefix/include/luajit/"
  cp "$work/luajit/src/libluajit.a" "$prefix/lib/"
  stamp_write luajit "$luajit_dsc"
fi
check_headers "$prefix/include/luajit" -- lua.hpp luajit.h

# --- libcurl ----------------------------------------------------------------
curl_dsc=$(fetch_source curl)
if ! stamp_ok curl "$curl_dsc" "$toolchain"; then
  log "building libcurl"
  unpack "$curl_dsc" "$work/curl"
  cmake -S "$work/curl" -B "$work/curl/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DBUILD_SHARED_LIBS=OFF -DCURL_USE_SCHANNEL=ON -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF \
        -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF -DCURL_ZLIB=ON \
        -DENABLE_UNICODE=OFF -DCURL_DISABLE_LDAP=ON -DHTTP_ONLY=ON >/dev/null
  cmake --build "$work/curl/build" -j"$jobs" >/dev/null
  cmake --install "$work/curl/build" >/dev/null
  stamp_write curl "$curl_dsc" "$toolchain"
fi
check_headers "$prefix/include" -- curl/curl.h

# --- minizip (zlib's contrib, against the target zlib) ----------------------
zlib_dsc=$(fetch_source zlib)
if ! stamp_ok minizip "$zlib_dsc"; then
  log "building minizip"
  unpack "$zlib_dsc" "$work/zlib"
  mz=$work/zlib/contrib/minizip
  mkdir -p "$work/minizip" "$prefix/include/minizip"
  for f in ioapi unzip zip iowin32; do
    $cross-gcc-posix -O2 $target_cflags -c "$mz/$f.c" -o "$work/minizip/$f.o" -DNOCRYPT -DNOUNCRYPT
  done
  $cross-ar rcs "$prefix/lib/libminizip.a" "$work/minizip/"*.o
  cp "$mz/"{ioapi.h,unzip.h,zip.h,iowin32.h} "$prefix/include/minizip/"
  stamp_write minizip "$zlib_dsc"
fi
check_headers "$prefix/include/minizip" -- unzip.h zip.h ioapi.h windows.h+zip.h+iowin32.h

# --- LuaSocket (socket.core and mime.core, linked statically; Lua modules) --
# Debian's changes tarball for luasocket is missing from the mirror here: its
# original sources alone are built.
luasocket_dsc=$(fetch_source luasocket --orig-only)
if ! stamp_ok luasocket "$luasocket_dsc"; then
  log "building LuaSocket"
  unpack "$luasocket_dsc" "$work/luasocket"
  ls_src=$work/luasocket/src
  mkdir -p "$work/luasocket/obj" "$prefix/share/luasocket/socket"
  rm -f "$prefix/lib/libluasocket.a"
  for f in luasocket timeout buffer io auxiliar compat options inet wsocket except select tcp udp mime; do
    $cross-gcc-posix -O2 $target_cflags -Wall -fno-common -c "$ls_src/$f.c" -o "$work/luasocket/obj/$f.o" \
      -I"$prefix/include/luajit" -DLUASOCKET_API= -DWINVER=0x0601 -D_WIN32_WINNT=0x0601
  done
  $cross-ar rcs "$prefix/lib/libluasocket.a" "$work/luasocket/obj/"*.o
  cp "$ls_src/"{socket,ltn12,mime,mbox}.lua "$prefix/share/luasocket/"
  cp "$ls_src/"{http,url,tp,ftp,smtp,headers}.lua "$prefix/share/luasocket/socket/"
  stamp_write luasocket "$luasocket_dsc"
fi

log "ready: $prefix"
