# Shared by the run and test commands: installs the Debian packages the build
# needs when they are missing, and builds into a folder of the checkout.
set -euo pipefail

VERANTU_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

verantu_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libxkbcommon-dev libgl-dev
  libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # Rebuilds of the same sources (worktrees, the sanitizer build) come from
  # the compiler cache.
  ccache
  # The build lays out the Japanese manual (verantu.pdf), which needs the
  # font; the program's windows use it too.
  fonts-ipafont-gothic
  # Qt's own Japanese texts (message box buttons), loaded at start-up.
  qt6-translations-l10n
)
# What the program needs at run time beyond the build: the desktop's opener
# for the manual and the support page.
verantu_runtime_packages=(xdg-utils)

# install_missing PACKAGE...: apt-get install only what dpkg does not have.
install_missing() {
  local missing=()
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}" >&2
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build DIR [CMAKE OPTIONS...]: configure once, then build everything.
build() {
  local dir="$1"
  shift
  cmake -S "$VERANTU_ROOT" -B "$dir" -G Ninja -DVERANTU_WERROR=ON -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}
