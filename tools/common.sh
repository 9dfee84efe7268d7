# Shared by the run and test commands: which build can run here, and how to build it.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)

# The product is 32-bit. Some kernels run no 32-bit programs at all (so no
# 32-bit wine); there the same sources are built for x86_64 and run by wine64.
runnable_arch() {
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo i686; else echo x86_64; fi
}

wine_loader_for() {
  if [ "$1" = x86_64 ]; then echo /usr/lib/wine/wine64; else echo wine; fi
}

# build_tree <arch> [targets...]: dependencies, configure (once), build.
build_tree() {
  local arch=$1; shift
  local dir=$here/build/$arch
  bash "$here/tools/deps.sh" --arch "$arch" "$dir"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$here" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-$arch.cmake" >/dev/null
  fi
  if [ $# -gt 0 ]; then
    local t args=()
    for t in "$@"; do args+=(--target "$t"); done
    cmake --build "$dir" -j"$jobs" "${args[@]}"
  else
    cmake --build "$dir" -j"$jobs"
  fi
}
