#!/usr/bin/env bash
# The one test command: installs what the machine lacks, builds the 32-bit
# product, builds the test build, and runs every test with CTest under wine.
set -euo pipefail
source "$(dirname "$0")/common.sh"

start=$(date +%s)
build_tree i686 product
arch=$(runnable_arch)
[ "$arch" = i686 ] || echo "[test] this machine runs no 32-bit programs: tests run an x86_64 build under wine64"
build_tree "$arch" test
echo "[test] built in $(( $(date +%s) - start )) s"
ctest --test-dir "$here/build/test-$arch" -j"$jobs" --output-on-failure --timeout 600
