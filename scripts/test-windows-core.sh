#!/usr/bin/env bash
# Builds the Windows programs and runs the conformance suite under Wine on a
# prefix of its own (Japanese locale, so the ANSI code page is 932) under
# build-windows/. The exit status is the suite's result.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
"$here/build-windows.sh"
source "$here/common.sh"
source "$here/wine-common.sh"

build_dir="$VERANTU_ROOT/build-windows"
wine_ensure_prefix "$build_dir/wineprefix"

log="$build_dir/conformance.log"
status=0
"$WINE64" "$build_dir/tests/conformance/verantu_conformance_tests.exe" >"$log" 2>&1 || status=$?
# gtest's summary: the count that passed and, on failure, which did not.
grep -E '^\[  (PASSED|FAILED)  \]|^\[==========\]' "$log" | tail -n 20
if [ "$status" -ne 0 ]; then
  echo "The conformance suite failed under Wine; the whole output is in $log" >&2
fi
# Leave no Wine processes behind.
"$WINESERVER" -w
exit "$status"
