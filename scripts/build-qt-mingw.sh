#!/usr/bin/env bash
# Qt 6 for MinGW-w64 (Core, Gui, Widgets as shared release DLLs), which the
# Windows build of the windowed program links against. Debian packages no Qt
# for MinGW, so it comes from one of two places, into $VERANTU_QT_MINGW
# (default ~/.cache/verantu/qt6-mingw-6.4.2):
#   - a ready archive of the same build (qt6-mingw-6.4.2.tar.xz), when one is
#     at $VERANTU_QT_MINGW_ARCHIVE or in a shared/ folder beside the checkout
#     (VERANTU_QT_MINGW_ARCHIVE=none builds from source all the same);
#   - otherwise Debian's source package qt6-base 6.4.2, cross-built with
#     Debian's MinGW-w64 and Debian's own host Qt tools. This takes about
#     32 minutes on two cores and 2 GB of disk, 66 MB once installed.
# Nothing happens when the folder already holds Qt.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

qt_version=6.4.2
qt_dir="${VERANTU_QT_MINGW:-$HOME/.cache/verantu/qt6-mingw-$qt_version}"

# qt_complete DIR: whether DIR holds what the Windows build and its deployment use.
qt_complete() {
  [ -f "$1/lib/cmake/Qt6/Qt6Config.cmake" ] &&
    [ -f "$1/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" ] &&
    [ -f "$1/bin/Qt6Widgets.dll" ] &&
    [ -f "$1/plugins/platforms/qwindows.dll" ]
}

if qt_complete "$qt_dir"; then
  echo "Qt $qt_version for MinGW is in $qt_dir"
  exit 0
fi
if [ -e "$qt_dir" ]; then
  echo "build-qt-mingw: $qt_dir exists but holds no complete Qt for MinGW; remove it first" >&2
  exit 1
fi
mkdir -p "$(dirname "$qt_dir")"
# Whatever is made goes into a scratch folder first and is moved into place
# only when complete, so an interrupted run never leaves a half Qt that the
# check above would take for a whole one.
partial="$qt_dir.partial"
rm -rf "$partial"

archive="${VERANTU_QT_MINGW_ARCHIVE:-}"
if [ "$archive" = none ]; then
  archive=""
elif [ -z "$archive" ] && [ -f "$VERANTU_ROOT/../shared/qt6-mingw-$qt_version.tar.xz" ]; then
  archive="$VERANTU_ROOT/../shared/qt6-mingw-$qt_version.tar.xz"
fi

if [ -n "$archive" ]; then
  echo "Unpacking $archive into $qt_dir"
  install_missing xz-utils
  mkdir -p "$partial"
  # The archive holds one folder, qt6-mingw-6.4.2/.
  tar -xJf "$archive" -C "$partial" --strip-components=1
  if ! qt_complete "$partial"; then
    echo "build-qt-mingw: $archive does not hold Qt $qt_version for MinGW" >&2
    rm -rf "$partial"
    exit 1
  fi
  mv "$partial" "$qt_dir"
  exit 0
fi

echo "Building Qt $qt_version for MinGW from Debian's source package (about 32 minutes with two cores)"
# The host tools (moc, uic, rcc and Qt6HostInfo) are Debian's own Qt 6, which
# must be the same version; Wine's development files carry the tablet headers
# the source package lacks.
install_missing mingw-w64 cmake ninja-build dpkg-dev xz-utils ca-certificates \
  qt6-base-dev qt6-base-dev-tools libwine-dev
host_version="$(dpkg-query -W -f='${Version}' qt6-base-dev)"
case "$host_version" in
  "$qt_version"+*) ;;
  *)
    echo "build-qt-mingw: the host Qt is $host_version; cross-building needs the same version, $qt_version" >&2
    exit 1
    ;;
esac

work="${VERANTU_QT_MINGW_WORK:-$HOME/.cache/verantu/qt6-mingw-work}"
mkdir -p "$work"

# The source comes through an apt configuration of our own: its own source
# list with one deb-src entry and its own package lists, so the system's
# apt sources stay as they are.
apt_dir="$work/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d"
codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")"
mirror="${VERANTU_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
echo "deb-src $mirror $codename main" >"$apt_dir/sources.list"
cat >"$apt_dir/apt.conf" <<EOF
Dir::Etc::sourcelist "$apt_dir/sources.list";
Dir::Etc::sourceparts "$apt_dir/sources.list.d";
Dir::State::lists "$apt_dir/lists";
Dir::Cache "$apt_dir/cache";
EOF
export APT_CONFIG="$apt_dir/apt.conf"

source_dir="$(find "$work" -maxdepth 1 -type d -name "qt6-base-$qt_version*" | head -n 1)"
if [ -z "$source_dir" ]; then
  apt-get update -qq
  (cd "$work" && apt-get source -qq qt6-base)
  source_dir="$(find "$work" -maxdepth 1 -type d -name "qt6-base-$qt_version*" | head -n 1)"
  if [ -z "$source_dir" ]; then
    echo "build-qt-mingw: $codename's qt6-base is not version $qt_version" >&2
    exit 1
  fi
fi
unset APT_CONFIG

# Debian's tarball drops src/3rdparty/wintab; Wine's copies of wintab.h and
# pktdef.h serve, once the Wine-only macros they use are given the meaning
# Wine's own headers give them.
wintab="$source_dir/src/3rdparty/wintab"
mkdir -p "$wintab"
for header in wintab.h pktdef.h; do
  {
    echo "/* Wine's $header, with the macros of Wine's winnt.h it relies on. */"
    echo "#ifndef WINELIB_NAME_AW"
    echo "# ifdef UNICODE"
    echo "#  define WINELIB_NAME_AW(func) func##W"
    echo "# else"
    echo "#  define WINELIB_NAME_AW(func) func##A"
    echo "# endif"
    echo "#endif"
    echo "#ifndef DECL_WINELIB_TYPE_AW"
    echo "# define DECL_WINELIB_TYPE_AW(type) typedef WINELIB_NAME_AW(type) type;"
    echo "#endif"
    echo "#ifndef API"
    echo "# define API WINAPI"
    echo "#endif"
    cat "/usr/include/wine/wine/windows/$header"
  } >"$wintab/$header"
done

build_dir="$work/build"
rm -rf "$build_dir"
mkdir -p "$build_dir"
# A lean shared release: only what the program uses, every third-party
# library bundled so that nothing but the DLLs themselves is needed at run
# time. Direct2D stays on: without it the Windows platform plugin of 6.4.2
# does not link.
(
  cd "$build_dir"
  "$source_dir/configure" -prefix "$qt_dir" -release -shared \
    -nomake tests -nomake examples -no-dbus -no-opengl \
    -no-feature-sql -no-feature-network -no-feature-testlib -no-feature-printsupport \
    -no-feature-concurrent -no-feature-xml -no-feature-vulkan -no-pkg-config \
    -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre -qt-doubleconversion \
    -no-icu -no-zstd -qt-host-path /usr \
    -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$VERANTU_ROOT/cmake/mingw-w64.cmake" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  cmake --build . -j "$(nproc)"
  # Qt for Windows is relocatable: installed elsewhere, it runs from where it lies.
  cmake --install . --strip --prefix "$partial"
)
if ! qt_complete "$partial"; then
  echo "build-qt-mingw: the build did not install a complete Qt into $partial" >&2
  exit 1
fi
mv "$partial" "$qt_dir"
rm -rf "$build_dir"
echo "Qt $qt_version for MinGW is in $qt_dir"
