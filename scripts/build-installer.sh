#!/usr/bin/env bash
# build-installer.sh DEPLOY_DIR SETUP_EXE: the Windows installer (NSIS) of the
# deployable folder. The uninstaller is given the list of exactly the files
# and folders installed, so it removes those and never a whole folder tree.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

if [ $# -ne 2 ]; then
  echo "usage: build-installer.sh DEPLOY_DIR SETUP_EXE" >&2
  exit 2
fi
deploy="$(cd "$1" && pwd)"
setup="$(realpath -m "$2")"
version="$(sed -n 's/^project(Verantu VERSION \([0-9.]*\).*/\1/p' "$VERANTU_ROOT/CMakeLists.txt")"

install_missing nsis
mkdir -p "$(dirname "$setup")"
list="$(dirname "$setup")/verantu-uninstall-files.nsh"
{
  echo "; What the installer put into \$INSTDIR, deepest first."
  (cd "$deploy" && find . -mindepth 1 -type f | sort -r) | while read -r path; do
    printf 'Delete "$INSTDIR\\%s"\n' "$(echo "${path#./}" | tr / '\\')"
  done
  (cd "$deploy" && find . -mindepth 1 -type d | sort -r) | while read -r path; do
    printf 'RMDir "$INSTDIR\\%s"\n' "$(echo "${path#./}" | tr / '\\')"
  done
} >"$list"

makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DDEPLOY_DIR="$deploy" \
  -DUNINSTALL_LIST="$list" -DOUTFILE="$setup" "$VERANTU_ROOT/installer/verantu.nsi"
echo "Installer: $setup"
