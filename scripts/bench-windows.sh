#!/usr/bin/env bash
# The registry benchmarks twice: on Linux against the emulated notebook
# machine, and under Wine against the Win32 layer on scratch keys holding the
# same notebook's Internet Settings. Prints both figures (median real time)
# side by side with their ratio. On demand only; not part of CI.
#
# Google Benchmark for MinGW is built once from Debian's own source package,
# fetched through a private apt configuration (the system's sources are left
# as they are), into $VERANTU_BENCHMARK_MINGW.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$VERANTU_ROOT/scripts/wine-common.sh"

linux_dir="$VERANTU_ROOT/build"
windows_dir="$VERANTU_ROOT/build-windows"
toolchain="${VERANTU_MINGW_TOOLCHAIN:-$VERANTU_ROOT/cmake/mingw-w64.cmake}"
benchmark_prefix="${VERANTU_BENCHMARK_MINGW:-$HOME/.cache/verantu/benchmark-mingw}"
filter='^BM_(ReadOneValue|CopyInternetSettingsTree|DeleteInternetSettingsTree)$'
repetitions="${VERANTU_BENCH_REPETITIONS:-5}"

install_missing "${verantu_packages[@]}" "${wine_packages[@]}" mingw-w64 dpkg-dev jq

# --- Google Benchmark for MinGW, from Debian's source package ---------------

# quietly COMMAND...: its output only when it fails.
quietly() {
  local log
  log="$(mktemp)"
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

build_benchmark_for_mingw() {
  local work="$benchmark_prefix-work"
  rm -rf "$work"
  mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/source"
  local codename
  codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian $codename main" \
    >"$work/sources.list"
  local apt=(apt-get -q -o "Dir::Etc::SourceList=$work/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache" -o Debug::NoLocking=1)
  quietly "${apt[@]}" update
  (cd "$work/source" && quietly "${apt[@]}" source --download-only benchmark)
  # apt checked the files against the signed Sources index; dpkg-source only
  # warns that it has no Debian keyring for the .dsc's own signature.
  quietly dpkg-source -x "$work"/source/benchmark_*.dsc "$work/benchmark"
  # As Debian builds it (its version given, no git tags), but static and
  # without its own tests.
  local version
  version="$(sed -n 's/^Version: \([0-9.]*\).*/\1/p' "$work"/source/benchmark_*.dsc | head -n 1)"
  quietly cmake -S "$work/benchmark" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DGIT_VERSION="$version" -DBUILD_SHARED_LIBS=OFF \
    -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF \
    -DBENCHMARK_ENABLE_LTO=OFF -DBENCHMARK_ENABLE_WERROR=OFF \
    -DCMAKE_INSTALL_PREFIX="$benchmark_prefix"
  quietly cmake --build "$work/build" -j "$(nproc)"
  quietly cmake --install "$work/build"
  rm -rf "$work"
}

if [ ! -f "$benchmark_prefix/lib/cmake/benchmark/benchmarkConfig.cmake" ]; then
  echo "Building Google Benchmark for MinGW from Debian's sources into $benchmark_prefix"
  build_benchmark_for_mingw
fi

# --- Both programs ------------------------------------------------------------

if [ ! -f "$linux_dir/CMakeCache.txt" ]; then
  cmake -S "$VERANTU_ROOT" -B "$linux_dir" -G Ninja -DVERANTU_WERROR=ON \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$linux_dir" -j "$(nproc)" --target verantu_bench verantu-machine

[ -f "$windows_dir/CMakeCache.txt" ] || "$VERANTU_ROOT/scripts/build-windows.sh"
cmake -S "$VERANTU_ROOT" -B "$windows_dir" -DVERANTU_BENCH=ON \
  -Dbenchmark_DIR="$benchmark_prefix/lib/cmake/benchmark" >/dev/null
cmake --build "$windows_dir" -j "$(nproc)" --target verantu_registry_bench
windows_bench="$(find "$windows_dir" -name verantu_registry_bench.exe -type f | head -n 1)"

# --- Wine: a prefix whose scratch keys hold the notebook's Internet Settings ---

work="$(mktemp -d)"
trap 'wine_stop; rm -rf "$work"' EXIT
ensure_japanese_locale
prefix="$windows_dir/wine-bench"
wine_fresh_prefix "$prefix"

export VERANTU_MACHINE="$work/machine"
"$linux_dir/tools/verantu-machine/verantu-machine" init >/dev/null
mkdir -p "$prefix/drive_c/bench"
# The same tree, moved below the scratch key that stands in for
# HKEY_CURRENT_USER; regedit reads the Unicode format with its BOM.
"$linux_dir/tools/verantu-machine/verantu-machine" export \
  'HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings' --utf8 |
  sed 's/^\[HKEY_CURRENT_USER\\/[HKEY_CURRENT_USER\\Software\\Verantu-bench\\HKCU\\/' |
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$prefix/drive_c/bench/internet-settings.reg"
"$WINE64" regedit /S 'C:\bench\internet-settings.reg'

bench_args=(--benchmark_filter="$filter" --benchmark_repetitions="$repetitions"
  --benchmark_report_aggregates_only=true)
echo "Linux, emulated machine:"
"$linux_dir/bench/verantu_bench" "${bench_args[@]}" \
  --benchmark_out="$work/linux.json" --benchmark_out_format=json
echo "Wine, Win32 layer:"
cp "$windows_bench" "$prefix/drive_c/bench/"
"$WINE64" "C:\\bench\\$(basename "$windows_bench")" "${bench_args[@]}" \
  --benchmark_out='C:\bench\wine.json' --benchmark_out_format=json
cp "$prefix/drive_c/bench/wine.json" "$work/wine.json"

# --- Side by side ---------------------------------------------------------------

echo
jq -n -r --slurpfile linux "$work/linux.json" --slurpfile wine "$work/wine.json" '
  def medians(run): run[0].benchmarks | map(select(.aggregate_name == "median"))
    | map({key: .run_name, value: {time: .real_time, unit: .time_unit}}) | from_entries;
  (medians($linux)) as $l | (medians($wine)) as $w
  | ["benchmark", "Linux (emulated)", "Wine (Win32)", "Wine/Linux"],
    ($l | keys_unsorted[] as $name | select($w[$name])
      | [$name,
         "\($l[$name].time * 100 | round / 100) \($l[$name].unit)",
         "\($w[$name].time * 100 | round / 100) \($w[$name].unit)",
         "\($w[$name].time / $l[$name].time * 10 | round / 10)x"])
  | @tsv' | column -t -s $'\t'
