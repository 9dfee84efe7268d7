# Shared by the run and test commands: which build can run here, and how to build it.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${HOST_BUILD_JOBS:-$(nproc)}  # HOST_BUILD_JOBS caps it on a shared machine
source "$here/tools/i386.sh"

# The product is 32-bit, and runs wherever 32-bit programs do (natively, or
# through qemu-i386: see tools/i386.sh). Where neither works, the same sources
# are built for x86_64 and run by wine64. Installs the packages first, since
# the check needs 32-bit wine and gcc -m32; prints the [i386] line once.
# Sets run_arch (and exports I386_MODE/I386_RUNNER for tools/deps.sh).
pick_runnable_arch() {
  bash "$here/tools/deps.sh" --packages-only
  i386_setup
  if [ "$I386_MODE" = none ]; then run_arch=x86_64; else run_arch=i686; fi
}

wine_loader_for() {
  if [ "$1" = x86_64 ]; then echo /usr/lib/wine/wine64; else echo wine; fi
}

# Fixture servers of the tests listen on these loopback ports; the test build
# names them as the maker's service hosts.
# HOST_FIXTURE_PORT_BASE (default 18443) moves them, for builds side by side.
fixture_base=${HOST_FIXTURE_PORT_BASE:-18443}
test_hosts=(-DPATCH_SERVER_HOST=127.0.0.1:$fixture_base -DUSER_SITE_HOST=127.0.0.1:$((fixture_base + 1))
            -DRELOGIN_SERVICE_HOST=127.0.0.1:$((fixture_base + 2)) -DGOOGLE_AUTH_HOST=127.0.0.1:$((fixture_base + 1)))

# build_tree <arch> product|test [targets...]: dependencies, configure (once), build.
# build/<arch> has the deployment's hosts; build/test-<arch> the fixtures'.
build_tree() {
  local arch=$1 kind=$2; shift 2
  local dir=$here/build/$arch settings=()
  if [ "$kind" = test ]; then dir=$here/build/test-$arch; settings=("${test_hosts[@]}"); fi
  bash "$here/tools/deps.sh" --arch "$arch" "$here/build/deps-$arch"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$here" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-$arch.cmake" \
          -DDEPS_PREFIX="$here/build/deps-$arch/prefix" "${settings[@]}" >/dev/null
  fi
  if [ $# -gt 0 ]; then
    local t args=()
    for t in "$@"; do args+=(--target "$t"); done
    cmake --build "$dir" -j"$jobs" "${args[@]}"
  else
    cmake --build "$dir" -j"$jobs"
  fi
}
