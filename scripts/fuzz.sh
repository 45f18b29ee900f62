#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under AddressSanitizer and UBSan
# (in build-fuzz/) and runs each for SECONDS (default 60) on a copy of its
# seed corpus from tests/fuzz/corpus/. A crashing input is kept in
# build-fuzz/findings/TARGET/ and fails the script.
#   scripts/fuzz.sh [SECONDS] [TARGET...]   targets: reg_file proxy_grammar script_value batch_line
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(reg_file proxy_grammar script_value batch_line)

install_missing "${verantu_packages[@]}" clang
dir="$VERANTU_ROOT/build-fuzz"
cmake -S "$VERANTU_ROOT" -B "$dir" -G Ninja -DVERANTU_WERROR=ON -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERANTU_FUZZ=ON \
  -DVERANTU_TESTS=OFF -DVERANTU_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
status=0
for target in "${targets[@]}"; do
  corpus="$dir/corpus/$target"
  findings="$dir/findings/$target"
  mkdir -p "$corpus" "$findings"
  cp -n "$VERANTU_ROOT/tests/fuzz/corpus/$target"/* "$corpus"/ 2>/dev/null || true
  log="$dir/findings/$target.log"
  echo "== $target: $seconds s"
  rc=0
  "$dir/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1 || rc=$?
  grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY)' "$log" || true
  if [ "$rc" -ne 0 ]; then
    echo "!! $target found a failing input: see $findings/ and $log"
    status=1
  fi
done
exit $status
