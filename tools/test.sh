#!/usr/bin/env bash
# The one test command: installs what the machine lacks, makes 32-bit programs
# run (tools/i386.sh), builds the 32-bit product and its test build, and runs
# every test with CTest under wine.
#   tools/test.sh [--x86_64] [ctest arguments...]
# --x86_64 runs the x86_64 twin instead: a quick local loop where 32-bit code
# runs only emulated. CI runs the 32-bit build.
set -euo pipefail
source "$(dirname "$0")/common.sh"

start=$(date +%s)
if [ "${1:-}" = --x86_64 ]; then
  shift
  arch=x86_64
  echo "[test] the x86_64 twin, as asked"
else
  pick_runnable_arch
  arch=$run_arch
  if [ "$I386_MODE" = none ] && [ -z "$I386_RUNNER" ]; then
    echo "[test] the 32-bit product is not built here: LuaJIT's 32-bit build tools cannot run"
  else
    build_tree i686 product
  fi
fi
build_tree "$arch" test
echo "[test] built in $(( $(date +%s) - start )) s; testing build/test-$arch"
# A guard against a test whose output pipe is held open after it ended (wine's
# services did that before the set-up started them apart): a test that times
# out runs once more; one that fails, or times out twice, still fails.
ctest --test-dir "$here/build/test-$arch" -j"$jobs" --output-on-failure --timeout 600 \
      --repeat after-timeout:2 "$@"
