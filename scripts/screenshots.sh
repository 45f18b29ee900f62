#!/usr/bin/env bash
# Makes the README's pictures again: builds, creates a fresh sample notebook
# machine in a temporary folder, stores two profiles and switches to one with
# verantu-cli, then photographs the main window, the switch question, the
# profile editor and the live view under a virtual display into
# docs/screenshots/. Run it after any change to the windows. BUILD_DIR
# names another build folder than build/.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing "${verantu_packages[@]}" xvfb xauth
dir="${BUILD_DIR:-$VERANTU_ROOT/build}"
build "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export VERANTU_MACHINE="$work/machine"
"$dir/tools/verantu-machine/verantu-machine" init --template notebook >/dev/null
cli="$dir/cli/verantu-cli"
"$cli" capture --yes '自宅' >/dev/null
"$cli" capture --yes '本社' >/dev/null
"$cli" switch --yes '本社' >/dev/null

# No window manager runs on the virtual display, so the pictures show the
# windows' contents without frames.
out="$VERANTU_ROOT/docs/screenshots"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$dir/tools/screenshots/verantu-screenshots" "$out"
