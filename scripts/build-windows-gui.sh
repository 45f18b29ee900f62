#!/usr/bin/env bash
# build-windows-gui.sh [BUILD_DIR]: the windowed program for Windows and what
# ships it, on top of build-windows.sh's MinGW build (default build-windows/):
#   BUILD_DIR/deploy/                  verantu.exe, verantu-cli.exe, the Qt DLLs
#                                      and plugins, MinGW's runtime DLLs, Qt's
#                                      Japanese translations, verantu.pdf
#   BUILD_DIR/verantu-VERSION-setup.exe  the installer of that folder
# It needs Qt for MinGW in $VERANTU_QT_MINGW (scripts/build-qt-mingw.sh puts
# it there); without it, it says so in one line and does nothing.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

dir="$(realpath -m "${1:-$VERANTU_ROOT/build-windows}")"
qt_dir="${VERANTU_QT_MINGW:-$HOME/.cache/verantu/qt6-mingw-6.4.2}"
host_cmake_dir=/usr/lib/x86_64-linux-gnu/cmake

if [ ! -f "$qt_dir/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" ]; then
  echo "verantu.exe not built: no Qt for Windows in $qt_dir (scripts/build-qt-mingw.sh gets it)"
  exit 0
fi
if [ ! -f "$dir/CMakeCache.txt" ]; then
  echo "build-windows-gui: $dir is not configured; run scripts/build-windows.sh first" >&2
  exit 1
fi

# Qt's build tools (moc, uic, rcc) are the host's own Qt of the same version.
install_missing qt6-base-dev qt6-base-dev-tools qt6-translations-l10n nsis
# The windows join the core's build; so does verantu-cli, which builds for
# Windows with Qt for as long as it still uses Qt.
cmake -S "$VERANTU_ROOT" -B "$dir" -DVERANTU_GUI=ON -DVERANTU_CLI=ON \
  -DCMAKE_PREFIX_PATH="$qt_dir" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" >/dev/null
cmake --build "$dir" -j "$(nproc)" --target verantu verantu-cli

# The manual is laid out by the Linux build's tool; the same PDF ships.
manual="$VERANTU_ROOT/build/verantu.pdf"
if [ ! -f "$manual" ]; then
  install_missing "${verantu_packages[@]}"
  cmake -S "$VERANTU_ROOT" -B "$VERANTU_ROOT/build" -G Ninja -DVERANTU_WERROR=ON \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$VERANTU_ROOT/build" -j "$(nproc)" --target verantu-manual
fi

# executable NAME: the built NAME.exe, wherever the build tree keeps it.
executable() {
  local found
  found="$(find "$dir" -path "$dir/deploy" -prune -o -name "$1.exe" -type f -print | head -n 1)"
  if [ -z "$found" ]; then
    echo "build-windows-gui: $1.exe was not built in $dir" >&2
    exit 1
  fi
  echo "$found"
}

deploy="$dir/deploy"
rm -rf "$deploy"
mkdir -p "$deploy/platforms" "$deploy/styles" "$deploy/translations"
cp "$(executable verantu)" "$(executable verantu-cli)" "$deploy/"
cp "$qt_dir/bin/Qt6Core.dll" "$qt_dir/bin/Qt6Gui.dll" "$qt_dir/bin/Qt6Widgets.dll" "$deploy/"
cp "$qt_dir/plugins/platforms/qwindows.dll" "$deploy/platforms/"
cp "$qt_dir/plugins/styles/qwindowsvistastyle.dll" "$deploy/styles/"
# No image-format plugin: the program draws its pictures itself and reads
# no image file; PNG, which Qt's own icons use, is built into Qt6Gui.
# Qt's DLLs are built against MinGW's shared C++ runtime.
for runtime in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  path="$(x86_64-w64-mingw32-g++-posix -print-file-name="$runtime")"
  if [ ! -f "$path" ]; then
    echo "build-windows-gui: MinGW's $runtime not found" >&2
    exit 1
  fi
  cp "$path" "$deploy/"
done
# The Japanese texts of Qt's standard buttons and dialogs; the program loads
# them from the translations folder beside itself.
cp /usr/share/qt6/translations/qtbase_ja.qm "$deploy/translations/"
cp "$manual" "$deploy/verantu.pdf"
# Qt's paths relative to the program's folder, so that nothing of this
# machine's folders is looked for at run time.
printf '[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n' >"$deploy/qt.conf"

# Every DLL of MinGW or Qt that a deployed file imports must be deployed too;
# the rest are Windows' own.
missing=0
while read -r file; do
  while read -r dll; do
    case "$dll" in
      lib*.dll | Qt6*.dll)
        if [ ! -f "$deploy/$dll" ]; then
          echo "build-windows-gui: ${file#"$deploy"/} needs $dll, which is not deployed" >&2
          missing=1
        fi
        ;;
    esac
  done < <(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$deploy" -name '*.exe' -o -name '*.dll')
[ "$missing" -eq 0 ] || exit 1
echo "Deployable folder: $deploy"

version="$(sed -n 's/^project(Verantu VERSION \([0-9.]*\).*/\1/p' "$VERANTU_ROOT/CMakeLists.txt")"
"$VERANTU_ROOT/scripts/build-installer.sh" "$deploy" "$dir/verantu-$version-setup.exe"
