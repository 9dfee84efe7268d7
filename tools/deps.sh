#!/usr/bin/env bash
# Brings a machine up to what the build and the tests need, then builds the
# cross-compiled third-party libraries into <deps-dir>/prefix.
#   tools/deps.sh [--arch i686|x86_64] [deps-dir]      (defaults: i686, build/deps-<arch>)
# Quick when everything is present: packages are checked with dpkg, and each
# library is rebuilt only when its source tarball or this script changed.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
arch=i686
if [ "${1:-}" = --arch ]; then arch=$2; shift 2; fi
case $arch in i686|x86_64) ;; *) echo "unknown arch $arch" >&2; exit 2;; esac
build=${1:-$here/build/deps-$arch}
mkdir -p "$build"
build=$(cd "$build" && pwd)
prefix=$build/prefix
work=$build/work
src=${DEPS_SRC_CACHE:-$here/build/deps-src}  # shared by every build folder
jobs=$(nproc)

log() { printf '[deps] %s\n' "$*"; }

# --- packages ---------------------------------------------------------------
need_pkgs=(g++-mingw-w64-i686 gcc-mingw-w64-i686 g++-mingw-w64-x86-64 gcc-mingw-w64-x86-64 libz-mingw-w64-dev rapidjson-dev
           wine wine32:i386 wine64 xvfb x11-apps x11-utils x11-xserver-utils imagemagick
           libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386 gcc-multilib
           cmake make dpkg-dev python3 googletest fonts-dejavu-core openssl)
missing=()
for p in "${need_pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
apt_updated=0
apt_update() {
  [ $apt_updated = 1 ] && return 0
  # Third-party lists configured on some machines may be unreachable; Debian's own must work.
  apt-get update -qq || log "apt-get update reported errors (continuing with what was fetched)"
  apt_updated=1
}
if [ ${#missing[@]} -gt 0 ]; then
  log "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt_update
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Some kernels run no 32-bit Linux programs; LuaJIT's 32-bit build tools then run under qemu.
runs_i386() {
  local t
  t=$(mktemp -d)
  printf 'int main(void){return 0;}\n' >"$t/p.c"
  gcc -m32 "$t/p.c" -o "$t/p" 2>/dev/null && "$t/p" 2>/dev/null
  local rc=$?
  rm -rf "$t"
  return $rc
}
host_tool_runner=
if [ "$arch" = i686 ] && ! runs_i386; then
  if ! command -v qemu-i386-static >/dev/null; then
    log "installing qemu-user-static (this kernel runs no 32-bit programs)"
    apt_update
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends qemu-user-static
  fi
  host_tool_runner=qemu-i386-static
fi

# deb-src entries for Debian's own suites, so `apt-get source` works.
srclist=/etc/apt/sources.list.d/host-deb-src.sources
if [ ! -f "$srclist" ]; then
  log "adding deb-src entries"
  cat >"$srclist" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt_updated=0
fi

# --- sources ----------------------------------------------------------------
mkdir -p "$src" "$work" "$prefix"
fetch_source() { # name -> prints the original tarball path
  local name=$1
  local tarball
  tarball=$(ls "$src"/"$name"_*.orig.tar.* 2>/dev/null | grep -v '\.asc$' | head -n1 || true)
  if [ -z "$tarball" ]; then
    apt_update
    (cd "$src" && apt-get source --download-only -qq "$name" >&2)
    tarball=$(ls "$src"/"$name"_*.orig.tar.* | grep -v '\.asc$' | head -n1)
  fi
  printf '%s\n' "$tarball"
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
unpack() { # tarball dir; some tarballs have one top folder, some none
  rm -rf "$2" "$2.tmp"; mkdir -p "$2.tmp"
  tar -xf "$1" -C "$2.tmp"
  local top
  top=$(ls -A "$2.tmp")
  if [ "$(printf '%s\n' "$top" | wc -l)" = 1 ] && [ -d "$2.tmp/$top" ]; then
    mv "$2.tmp/$top" "$2"; rmdir "$2.tmp"
  else
    mv "$2.tmp" "$2"
  fi
}

toolchain=$here/cmake/mingw-$arch.cmake
cross=$arch-w64-mingw32
if [ $arch = i686 ]; then host_cc="gcc -m32"; else host_cc=gcc; fi

# --- LuaJIT -----------------------------------------------------------------
luajit_tar=$(fetch_source luajit)
if ! stamp_ok luajit "$luajit_tar"; then
  log "building LuaJIT"
  unpack "$luajit_tar" "$work/luajit"
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
  stamp_write luajit "$luajit_tar"
fi

# --- libcurl ----------------------------------------------------------------
curl_tar=$(fetch_source curl)
if ! stamp_ok curl "$curl_tar" "$toolchain"; then
  log "building libcurl"
  unpack "$curl_tar" "$work/curl"
  cmake -S "$work/curl" -B "$work/curl/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DBUILD_SHARED_LIBS=OFF -DCURL_USE_SCHANNEL=ON -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF \
        -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF -DCURL_ZLIB=ON \
        -DENABLE_UNICODE=OFF -DCURL_DISABLE_LDAP=ON -DHTTP_ONLY=ON >/dev/null
  cmake --build "$work/curl/build" -j"$jobs" >/dev/null
  cmake --install "$work/curl/build" >/dev/null
  stamp_write curl "$curl_tar" "$toolchain"
fi

# --- minizip (zlib's contrib, against the target zlib) ----------------------
zlib_tar=$(fetch_source zlib)
if ! stamp_ok minizip "$zlib_tar"; then
  log "building minizip"
  unpack "$zlib_tar" "$work/zlib"
  mz=$work/zlib/contrib/minizip
  mkdir -p "$work/minizip" "$prefix/include/minizip"
  for f in ioapi unzip zip iowin32; do
    $cross-gcc-posix -O2 -c "$mz/$f.c" -o "$work/minizip/$f.o" -DNOCRYPT -DNOUNCRYPT
  done
  $cross-ar rcs "$prefix/lib/libminizip.a" "$work/minizip/"*.o
  cp "$mz/"{ioapi.h,unzip.h,zip.h,iowin32.h} "$prefix/include/minizip/"
  stamp_write minizip "$zlib_tar"
fi

# --- LuaSocket (socket.core and mime.core, linked statically; Lua modules) --
# Debian's changes tarball for luasocket may be missing from the mirror:
# apt-get source then fails although the original tarball has come.
luasocket_tar=$(fetch_source luasocket || true)
[ -n "$luasocket_tar" ] || { echo "luasocket source missing" >&2; exit 1; }
if ! stamp_ok luasocket "$luasocket_tar"; then
  log "building LuaSocket"
  unpack "$luasocket_tar" "$work/luasocket"
  ls_src=$work/luasocket/src
  mkdir -p "$work/luasocket/obj" "$prefix/share/luasocket/socket"
  rm -f "$prefix/lib/libluasocket.a"
  for f in luasocket timeout buffer io auxiliar compat options inet wsocket except select tcp udp mime; do
    $cross-gcc-posix -O2 -Wall -fno-common -c "$ls_src/$f.c" -o "$work/luasocket/obj/$f.o" \
      -I"$prefix/include/luajit" -DLUASOCKET_API= -DWINVER=0x0601 -D_WIN32_WINNT=0x0601
  done
  $cross-ar rcs "$prefix/lib/libluasocket.a" "$work/luasocket/obj/"*.o
  cp "$ls_src/"{socket,ltn12,mime,mbox}.lua "$prefix/share/luasocket/"
  cp "$ls_src/"{http,url,tp,ftp,smtp,headers}.lua "$prefix/share/luasocket/socket/"
  stamp_write luasocket "$luasocket_tar"
fi

log "ready: $prefix"
