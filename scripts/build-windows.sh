#!/usr/bin/env bash
# Builds the Windows programs with MinGW-w64 into build-windows/: the core
# libraries over the Win32 layer, the conformance test program and, where the
# command line builds without Qt, verantu-cli.exe. Installs what it needs
# from Debian first, including Wine and the Japanese locale that running
# them here takes.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing cmake ninja-build ccache \
  mingw-w64 g++-mingw-w64-x86-64-posix \
  wine wine64 \
  googletest libcli11-dev nlohmann-json3-dev \
  locales

# Wine takes its ANSI code page (932) from the Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

# The command line builds for Windows once it no longer needs Qt.
cli=ON
grep -q 'Qt6::' "$VERANTU_ROOT/cli/CMakeLists.txt" && cli=OFF

# CLI11's and nlohmann-json's headers, alone in a folder of their own.
headers="$VERANTU_ROOT/build-windows/header-only"
mkdir -p "$headers/include"
ln -sfn /usr/include/CLI "$headers/include/CLI"
ln -sfn /usr/include/nlohmann "$headers/include/nlohmann"

build "$VERANTU_ROOT/build-windows" \
  -DCMAKE_TOOLCHAIN_FILE="$VERANTU_ROOT/cmake/mingw-w64.cmake" \
  -DVERANTU_HEADER_ONLY_ROOT="$headers" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVERANTU_CLI="$cli"

# The windowed program, its deployable folder and installer, when Qt for
# Windows is there (otherwise one line says how to get it).
"$VERANTU_ROOT/scripts/build-windows-gui.sh" "$VERANTU_ROOT/build-windows"
