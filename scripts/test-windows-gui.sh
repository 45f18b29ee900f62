#!/usr/bin/env bash
# test-windows-gui.sh [BUILD_DIR]: the windowed program for Windows and its
# installer, run under Wine on a virtual display (Xvfb), on a Wine prefix of
# their own (BUILD_DIR/wine-gui, made afresh each run, Japanese locale,
# Windows 10). Needs what build-windows-gui.sh makes: BUILD_DIR/deploy and
# the installer. The cases, in the order one installation lives them:
#   - without the root key the program says "正しくインストールしてください。"
#     and exits 1;
#   - the installer (/S) installs the files, InsDir, the Start-menu entry and
#     the uninstall entry; the installed verantu-cli.exe captures and lists;
#   - the installed verantu.exe, started first with profiles present, offers
#     them in a question box with はい/いいえ, then shows "Verantu!" whose
#     selector holds the captured profiles; a second start exits 1 at once;
#     終了(&C) ends the first with exit code 0;
#   - the uninstaller (/S) removes the files, the Start-menu entry, InsDir
#     and FirstExecuted, and keeps the profiles under Setting.
# Texts of Qt's windows are read the way Windows offers them: Ctrl+C in a
# message box copies its caption, text and buttons; in the selector it copies
# the text shown. Wine hands the clipboard to X, where xclip reads it.
# VERANTU_SCREENSHOT=FILE also saves a picture of the main window there.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$VERANTU_ROOT/scripts/wine-common.sh"

dir="$(realpath -m "${1:-$VERANTU_ROOT/build-windows}")"
deploy="$dir/deploy"
version="$(sed -n 's/^project(Verantu VERSION \([0-9.]*\).*/\1/p' "$VERANTU_ROOT/CMakeLists.txt")"
setup="$dir/verantu-$version-setup.exe"
if [ ! -f "$deploy/verantu.exe" ] || [ ! -f "$setup" ]; then
  echo "test-windows-gui: no $deploy/verantu.exe or $setup; run scripts/build-windows-gui.sh first" >&2
  exit 1
fi

install_missing "${wine_packages[@]}" xvfb xdotool xclip imagemagick
ensure_japanese_locale

work="$dir/wine-gui-work"
rm -rf "$work"
mkdir -p "$work"
wine_use_prefix "$dir/wine-gui"
wine="$WINE64"

xvfb_pid=""
cleanup() {
  wine_stop
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# A display of our own; Xvfb names the free one it took.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 1 50); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
export DISPLAY=":$(head -n 1 "$work/display")"

failures=0
pass() { echo "ok   $*"; }
fail() {
  echo "FAIL $*" >&2
  failures=$((failures + 1))
}

# wait_window TITLE [SECONDS]: the X window of that exact title, once shown.
wait_window() {
  local id
  for _ in $(seq 1 $((${2:-60} * 4))); do
    id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)"
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.25
  done
  return 1
}

# copied KEYS...: sends the keys to the focused window and prints what they
# put on the clipboard.
copied() {
  printf '' | xclip -selection clipboard
  xdotool key --clearmodifiers "$@"
  sleep 0.5
  xclip -o -selection clipboard 2>/dev/null | tr -d '\r' || true
}

# wait_exit PID SECONDS: sets exit_code to the exit code of the background
# process PID, or to "still running" when it has not ended after SECONDS.
# (Not in a command substitution: only this shell can wait for its child.)
wait_exit() {
  exit_code="still running"
  for _ in $(seq 1 $(($2 * 4))); do
    if ! kill -0 "$1" 2>/dev/null; then
      exit_code=0
      wait "$1" || exit_code=$?
      return 0
    fi
    sleep 0.25
  done
}

reg_key_exists() {
  "$wine" reg query "$1" >/dev/null 2>&1
}

root_key='HKLM\Software\Q\Tolvik'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Verantu'
program_files="$WINEPREFIX/drive_c/Program Files/Verantu"
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Verantu!"

echo "Wine prefix $WINEPREFIX (Windows 10, Japanese locale)"
wine_stop
rm -rf "$WINEPREFIX"
"$wine" wineboot -i >/dev/null 2>&1
# A new prefix reports Windows 7; Qt 6 is for Windows 10 and later.
"$wine" winecfg -v win10 >/dev/null 2>&1
"$WINESERVER" -w

# --- Without the root key -------------------------------------------------
"$wine" "$deploy/verantu.exe" >/dev/null 2>&1 &
pid=$!
if box="$(wait_window "エラーメッセージ")"; then
  text="$(copied ctrl+c)"
  if grep -qF "正しくインストールしてください。" <<<"$text"; then
    pass "without the root key: \"正しくインストールしてください。\""
  else
    fail "without the root key the box says: $text"
  fi
  xdotool key Return
else
  fail "without the root key no error box was shown"
fi
wait_exit "$pid" 30
[ "$exit_code" = 1 ] && pass "without the root key: exit code 1" ||
  fail "without the root key: exit code $exit_code"

# --- Installation -----------------------------------------------------------
code=0
"$wine" "$setup" /S >/dev/null 2>&1 || code=$?
"$WINESERVER" -w
[ "$code" = 0 ] && pass "installer /S: exit code 0" || fail "installer /S: exit code $code"
for file in verantu.exe verantu-cli.exe verantu.pdf uninstall.exe Qt6Widgets.dll \
  platforms/qwindows.dll styles/qwindowsvistastyle.dll translations/qtbase_ja.qm; do
  [ -f "$program_files/$file" ] || fail "installer: C:\\Program Files\\Verantu\\$file missing"
done
insdir="$(reg_value "$root_key" InsDir || true)"
[ "$insdir" = 'C:\Program Files\Verantu\' ] && pass "installer: InsDir $insdir" ||
  fail "installer: InsDir is \"$insdir\""
[ -f "$start_menu/Verantu!.lnk" ] && pass "installer: Start-menu entry" || fail "installer: no Start-menu entry"
[ -n "$(reg_value "$uninstall_key" UninstallString)" ] && pass "installer: uninstall entry" ||
  fail "installer: no uninstall entry"

cli="C:\\Program Files\\Verantu\\verantu-cli.exe"
for title in 事務所 自宅; do
  "$wine" "$cli" capture "$title" --yes >"$work/capture.out" 2>&1 ||
    fail "verantu-cli capture $title: $(tr -d '\r' <"$work/capture.out")"
done
"$wine" "$cli" list >"$work/list.out" 2>&1 || fail "verantu-cli list failed"
if grep -qF 事務所 "$work/list.out" && grep -qF 自宅 "$work/list.out"; then
  pass "installed verantu-cli.exe: capture and list"
else
  fail "installed verantu-cli.exe list: $(tr -d '\r' <"$work/list.out")"
fi

# --- The installed program ----------------------------------------------
program="C:\\Program Files\\Verantu\\verantu.exe"
"$wine" "$program" >/dev/null 2>&1 &
pid=$!
# Its first start finds the profiles just captured and offers to keep them.
if box="$(wait_window "情報メッセージ")"; then
  text="$(copied ctrl+c)"
  if grep -qF "設定を引き継ぎますか？" <<<"$text" && grep -qF "はい" <<<"$text" &&
    grep -qF "いいえ" <<<"$text"; then
    pass "first start: the offer, with はい/いいえ"
  else
    fail "first start: the question box reads: $text"
  fi
  xdotool key Return
else
  fail "first start: no question about the earlier profiles"
fi

if window="$(wait_window "Verantu!")"; then
  pass "main window \"Verantu!\" shown"
  sleep 1
  [ -n "${VERANTU_SCREENSHOT:-}" ] && import -window "$window" "$VERANTU_SCREENSHOT"
  # Into the selector's text field (below the menu bar): the text shown is
  # the profile captured last, and the arrow keys step through the list to
  # its last and its first item, which are the profiles in slot order.
  xdotool mousemove --window "$window" 200 112 click 1
  sleep 0.5
  shown="$(copied ctrl+a ctrl+c)"
  last="$(copied Down Down ctrl+a ctrl+c)"
  first="$(copied Up Up ctrl+a ctrl+c)"
  if [ "$shown" = 自宅 ] && [ "$first" = 事務所 ] && [ "$last" = 自宅 ]; then
    pass "selector: 自宅 shown, the list 事務所, 自宅"
  else
    fail "selector: shown \"$shown\", first item \"$first\", last item \"$last\""
  fi

  "$wine" "$program" >/dev/null 2>&1 &
  second=$!
  wait_exit "$second" 30
  windows="$(xdotool search --onlyvisible --name '^Verantu!$' | wc -l)"
  [ "$exit_code" = 1 ] && [ "$windows" = 1 ] && pass "second start: exit code 1, no window" ||
    fail "second start: exit code $exit_code, $windows main windows"

  xdotool key --clearmodifiers alt+c
else
  fail "the main window did not appear"
fi
wait_exit "$pid" 30
[ "$exit_code" = 0 ] && pass "終了(&C): exit code 0" || fail "終了(&C): exit code $exit_code"
"$wine" reg query "$root_key" /v FirstExecuted >/dev/null 2>&1 && pass "first start: FirstExecuted written" ||
  fail "first start did not write FirstExecuted"

# --- Uninstallation -------------------------------------------------------
# The uninstaller runs a copy of itself from the temporary folder; waiting
# for the Wine server waits for that copy too.
"$wine" "C:\\Program Files\\Verantu\\uninstall.exe" /S >/dev/null 2>&1 || true
"$WINESERVER" -w
if [ -e "$program_files" ]; then
  fail "uninstaller left: $(cd "$program_files" && find . -mindepth 1 | tr '\n' ' ')"
else
  pass "uninstaller: files removed"
fi
[ -e "$start_menu" ] && fail "uninstaller: Start-menu entry left" || pass "uninstaller: Start-menu entry removed"
if "$wine" reg query "$root_key" /v InsDir >/dev/null 2>&1 ||
  "$wine" reg query "$root_key" /v FirstExecuted >/dev/null 2>&1; then
  fail "uninstaller: InsDir or FirstExecuted left"
else
  pass "uninstaller: InsDir and FirstExecuted removed"
fi
reg_key_exists "$root_key\\Setting\\2" && pass "uninstaller: profiles under Setting kept" ||
  fail "uninstaller: the profiles under Setting are gone"
reg_key_exists "$uninstall_key" && fail "uninstaller: uninstall entry left" || pass "uninstaller: uninstall entry removed"

if [ "$failures" -ne 0 ]; then
  echo "test-windows-gui: $failures failure(s)" >&2
  exit 1
fi
echo "test-windows-gui: all passed"
