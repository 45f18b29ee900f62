#!/usr/bin/env bash
# Runs the whole test suite: installs what is missing, builds, runs ctest.
# SANITIZE=1 builds and runs it under AddressSanitizer and UBSan instead.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing "${verantu_packages[@]}"
if [ "${SANITIZE:-0}" = 1 ]; then
  dir="$VERANTU_ROOT/build-sanitize"
  build "$dir" -DCMAKE_BUILD_TYPE=Debug -DVERANTU_SANITIZE=ON -DVERANTU_BENCH=OFF
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  dir="$VERANTU_ROOT/build"
  build "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
