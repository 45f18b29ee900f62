#!/usr/bin/env bash
# Runs Verantu! on the sample machine: installs what is missing, builds, and
# creates the sample notebook machine on first use.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing "${verantu_packages[@]}"
dir="$VERANTU_ROOT/build"
build "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo

export VERANTU_MACHINE="${VERANTU_MACHINE:-${XDG_DATA_HOME:-$HOME/.local/share}/verantu/machine}"
if [ ! -e "$VERANTU_MACHINE/registry.db" ]; then
  "$dir/tools/verantu-machine/verantu-machine" init --template notebook
fi
# The program's own key and the live network settings of the machine.
"$dir/tools/verantu-machine/verantu-machine" export 'HKEY_LOCAL_MACHINE\Software\Q\Tolvik' --utf8
"$dir/tools/verantu-machine/verantu-machine" export \
  'HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Tcpip\Parameters\Interfaces' --utf8
