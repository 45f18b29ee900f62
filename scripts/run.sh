#!/usr/bin/env bash
# Runs Verantu! on the sample machine: installs what is missing, builds, and
# creates the sample notebook machine on first use. Arguments are passed on
# to the program (for example -debug).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing "${verantu_packages[@]}" "${verantu_runtime_packages[@]}"
dir="$VERANTU_ROOT/build"
build "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo

export VERANTU_MACHINE="${VERANTU_MACHINE:-${XDG_DATA_HOME:-$HOME/.local/share}/verantu/machine}"
if [ ! -e "$VERANTU_MACHINE/registry.db" ]; then
  "$dir/tools/verantu-machine/verantu-machine" init --template notebook
fi
# Without a display the program says so in one line and what to do instead.
exec "$dir/gui/verantu" "$@"
