#!/usr/bin/env bash
# The Windows build's checks, as CI runs them after the Linux suites: builds
# through build-windows.sh, then runs under Wine (each suite on a prefix of its
# own under build-windows/, WINEDEBUG=-all, Japanese locale) the conformance
# suite, verantu-cli.exe end to end, and, when Qt for Windows is there, the
# windowed program and its installer. Exits non-zero on any failure.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$VERANTU_ROOT/scripts/wine-common.sh"

started=$SECONDS
failures=()

# step NAME COMMAND...: runs one suite and notes whether it passed.
step() {
  local name="$1"
  shift
  local start=$SECONDS
  echo "=== $name"
  if "$@"; then
    echo "=== $name: passed in $((SECONDS - start)) s"
  else
    echo "=== $name: FAILED after $((SECONDS - start)) s"
    failures+=("$name")
  fi
}

install_missing "${wine_packages[@]}" jq
ensure_japanese_locale

# Qt for Windows comes from the shared build when it is at hand (a two-second
# unpack); building it from source takes half an hour, so that is left to
# scripts/build-qt-mingw.sh run by hand.
# The archive is the one VERANTU_QT_MINGW_ARCHIVE names, else the one in a
# shared/ folder beside the checkout.
qt_mingw="${VERANTU_QT_MINGW:-$HOME/.cache/verantu/qt6-mingw-6.4.2}"
if [ ! -f "$qt_mingw/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" ]; then
  archive="${VERANTU_QT_MINGW_ARCHIVE:-$VERANTU_ROOT/../shared/qt6-mingw-6.4.2.tar.xz}"
  if [ -f "$archive" ]; then
    VERANTU_QT_MINGW_ARCHIVE="$archive" "$VERANTU_ROOT/scripts/build-qt-mingw.sh"
  fi
fi

# The Windows build, and the Linux machine tool whose .reg exports the end-to-
# end run imports (already built when the Linux suites ran first).
"$VERANTU_ROOT/scripts/build-windows.sh"
install_missing "${verantu_packages[@]}"
if [ ! -f "$VERANTU_ROOT/build/CMakeCache.txt" ]; then
  cmake -S "$VERANTU_ROOT" -B "$VERANTU_ROOT/build" -G Ninja -DVERANTU_WERROR=ON \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$VERANTU_ROOT/build" -j "$(nproc)" --target verantu-machine

# check_manifest EXE PATTERN...: the program carries an application manifest
# as its resource (RT_MANIFEST) and the manifest holds every PATTERN.
check_manifest() {
  local exe="$1"
  shift
  local objdump=x86_64-w64-mingw32-objdump objcopy=x86_64-w64-mingw32-objcopy
  if [ ! -f "$exe" ]; then
    echo "check_manifest: $exe is missing" >&2
    return 1
  fi
  # The resource directory lists the manifest as a type entry (the first
  # level, indented least) of ID 24, RT_MANIFEST.
  if ! "$objdump" -p "$exe" | grep -Eq '^[0-9a-f]+ {3}Entry: ID: 0x000018,'; then
    echo "check_manifest: $exe has no RT_MANIFEST resource" >&2
    return 1
  fi
  local resources manifest
  resources="$(mktemp)"
  "$objcopy" -O binary --only-section=.rsrc "$exe" "$resources"
  manifest="$(tr -d '\000' <"$resources" | sed -n '/<assembly/,/<\/assembly>/p')"
  rm -f "$resources"
  local pattern
  for pattern in "$@"; do
    if ! grep -q -- "$pattern" <<<"$manifest"; then
      echo "check_manifest: the manifest of $exe lacks $pattern" >&2
      return 1
    fi
  done
  echo "$(basename "$exe"): manifest with $*"
}

windows10='supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"'
check_manifests() {
  check_manifest "$VERANTU_ROOT/build-windows/cli/verantu-cli.exe" \
    'requestedExecutionLevel level="asInvoker"' "$windows10" || return 1
  # verantu.exe exists only where Qt for Windows is.
  local gui="$VERANTU_ROOT/build-windows/gui/verantu.exe"
  [ -f "$qt_mingw/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" ] || return 0
  check_manifest "$gui" 'requestedExecutionLevel level="requireAdministrator"' "$windows10" \
    '>PerMonitorV2</dpiAwareness>'
}

step "embedded manifests" check_manifests
step "conformance suite under Wine" "$VERANTU_ROOT/scripts/test-windows-core.sh"
step "verantu-cli.exe end to end under Wine" "$VERANTU_ROOT/scripts/test-windows-e2e.sh"
step "the store's journal, verantu-cli.exe stopped after each sampled write, under Wine" \
  "$VERANTU_ROOT/scripts/test-windows-journal.sh"

# The windowed program and its installer need Qt for Windows, which takes
# long to build; without it they are left out, and said so.
if [ -f "$qt_mingw/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" ] &&
  [ -f "$VERANTU_ROOT/scripts/test-windows-gui.sh" ]; then
  # build-windows.sh above built them.
  step "verantu.exe and its installer under Wine" "$VERANTU_ROOT/scripts/test-windows-gui.sh"
else
  echo "=== verantu.exe and its installer: skipped, no Qt for Windows in $qt_mingw"
fi

echo "test-windows: $((SECONDS - started)) s"
if [ ${#failures[@]} -gt 0 ]; then
  printf 'test-windows: FAILED: %s\n' "${failures[@]}"
  exit 1
fi
