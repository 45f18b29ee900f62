#!/usr/bin/env bash
# The store's journal on Wine's real registry, where nothing groups the
# writes of a command: verantu-cli.exe is ended, as a kill would end it,
# right after its Nth registry write (VERANTU_FAULT_AFTER_WRITES), for a
# capture of a new profile, a capture over one, the deletion of the first
# of three, the editor's save (the unlisted verb edit, which loads and
# saves a profile as the editor does) and the record a switch keeps of its
# use. After each stop the next command (list) must find the store exactly
# as before the command or as after it, and list it, with no journal left.
#
# Which N: a first run with VERANTU_FAULT_INJECTION=count-writes counts the
# command's W writes (and gives the store as after). Then N is 1, 2 and 3
# (the journal opened and the first part saved), five points spaced evenly
# over 4..W-3, and the last few writes (the journal's removal, which makes
# the changes stand): the last 3, or for the switch the last 16, which are
# its record after the undo state. Set VERANTU_JOURNAL_EVERY_WRITE=1 to try
# every N.
#
# Needs the Windows build (build-windows/) and the Linux machine tool (build/);
# scripts/test-windows.sh builds both. Prints one PASS or FAIL line a check
# and "N passed, M failed"; exits 1 on any failure.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$VERANTU_ROOT/scripts/wine-common.sh"

CLI_EXE="${VERANTU_CLI_EXE:-$VERANTU_ROOT/build-windows/cli/verantu-cli.exe}"
MACHINE_TOOL="${VERANTU_MACHINE_TOOL:-$VERANTU_ROOT/build/tools/verantu-machine/verantu-machine}"
PREFIX="${VERANTU_JOURNAL_PREFIX:-$VERANTU_ROOT/build-windows/wine-journal}"
KILLED=86

for needed in "$CLI_EXE" "$MACHINE_TOOL"; do
  [ -f "$needed" ] || { echo "missing: $needed" >&2; exit 2; }
done

work="$(mktemp -d)"
trap 'wine_stop; rm -rf "$work"' EXIT
# A setup step that fails (a Wine tool under load) ends the run: say which.
set -o errtrace
trap 'status=$?; [[ $- != *e* ]] || echo "FAIL: line $LINENO: $BASH_COMMAND (exit $status)"' ERR

passed=0
failed=0
pass() {
  echo "PASS: $1"
  passed=$((passed + 1))
}
fail() {
  echo "FAIL: $1"
  failed=$((failed + 1))
}

# cli [ENV=VALUE...] -- ARG...: runs verantu-cli.exe; leaves RC and ERR.
cli() {
  local vars=()
  while [ "$1" != "--" ]; do
    vars+=("$1")
    shift
  done
  shift
  set +e
  env "${vars[@]}" timeout 120 "$WINE64" "$CLI_EXE" "$@" </dev/null >"$work/out" 2>"$work/err"
  RC=$?
  set -e
  ERR="$(tr -d '\r' <"$work/err" | head -c 2000)"
}

HKLM='HKEY_LOCAL_MACHINE'
HKCU='HKEY_CURRENT_USER'
ROOT="$HKLM\\Software\\Q\\Tolvik"
INTERNET='Software\Microsoft\Windows\CurrentVersion\Internet Settings'

echo "Preparing a fresh Wine prefix in $PREFIX"
ensure_japanese_locale
wine_fresh_prefix "$PREFIX"
export VERANTU_MACHINE="$work/machine"
"$MACHINE_TOOL" init >/dev/null
regs="$PREFIX/drive_c/verantu-journal"
mkdir -p "$regs"
n=0
for key in "$HKLM\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters" \
  "$HKLM\\SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}" \
  "$HKCU\\$INTERNET" "$HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows" \
  "$HKLM\\SOFTWARE\\Q\\Tolvik"; do
  n=$((n + 1))
  "$MACHINE_TOOL" export "$key" -o "$regs/key$n.reg"
  "$WINE64" regedit /S "C:\\verantu-journal\\key$n.reg"
done
for title in 会社 自宅 出張; do
  cli -- capture "$title" --yes
  [ "$RC" = 0 ] || { echo "setting up: capture $title failed: $ERR" >&2; exit 1; }
done
# The live settings move on, so that a capture over a profile changes it:
# a value, a subtree that appears and one that goes.
"$WINE64" reg add "$HKCU\\$INTERNET" /v ProxyServer /d 'cache.journal.example:3128' /f >/dev/null
"$WINE64" reg add "$HKCU\\$INTERNET\\ZoneMap\\Domains\\journal.example" /v http /t REG_DWORD \
  /d 2 /f >/dev/null
"$WINE64" reg delete "$HKCU\\$INTERNET\\5.0\\Cache\\History" /f >/dev/null
"$WINE64" reg export "$ROOT" 'C:\verantu-journal\three.reg' /y >/dev/null
put_back_three() {
  "$WINE64" reg delete "$ROOT" /f >/dev/null 2>&1 || true
  "$WINE64" regedit /S 'C:\verantu-journal\three.reg'
}

# The live keys a switch changes, as they were set up: put back with the
# store when PUT_BACK_LIVE=1, so that every run of a switch has the same
# writes to make.
"$WINE64" reg export "$HKCU\\$INTERNET" 'C:\verantu-journal\internet.reg' /y >/dev/null
WINDOWS_KEY="$HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows"
"$WINE64" reg export "$WINDOWS_KEY" 'C:\verantu-journal\windows.reg' /y >/dev/null
put_back_live() {
  [ "${PUT_BACK_LIVE:-0}" = 1 ] || return 0
  "$WINE64" reg delete "$HKCU\\$INTERNET" /f >/dev/null 2>&1 || true
  "$WINE64" regedit /S 'C:\verantu-journal\internet.reg'
  "$WINE64" regedit /S 'C:\verantu-journal\windows.reg'
}

# samples W TAIL: the counts to stop after, for a command of W writes.
samples() {
  local w="$1" tail="$2" n
  if [ "${VERANTU_JOURNAL_EVERY_WRITE:-0}" = 1 ]; then
    seq 1 "$w"
    return
  fi
  {
    seq 1 3
    for k in 1 2 3 4 5; do echo $((3 + k * (w - 6) / 6)); done
    for ((n = w - tail + 1; n <= w; n++)); do echo "$n"; done
  } | awk -v w="$w" '$1 >= 1 && $1 <= w' | sort -n | uniq
}

# kill_loop NAME KEY TAIL ARG...: the command ARG... stopped after each
# sampled write N; KEY is the part of the registry that must be as before
# or as after (the switch also changes the live settings and its undo state).
kill_loop() {
  local name="$1" key="$2" tail="$3"
  shift 3
  local start=$SECONDS
  put_back_three
  put_back_live
  local before after writes
  before="$("$WINE64" reg query "$key" /s 2>/dev/null | tr -d '\r')"
  cli VERANTU_FAULT_INJECTION=count-writes -- "$@"
  writes="$(tr -d '\r' <"$work/err" | sed -n 's/^registry writes: //p' | tail -n 1)"
  after="$("$WINE64" reg query "$key" /s 2>/dev/null | tr -d '\r')"
  # A switch whose step fails on Wine (exit 1) still records its use.
  if [ "$RC" -gt 1 ] || [ -z "$writes" ] || [ "$after" = "$before" ]; then
    fail "$name: runs at all and changes the store (exit $RC: $ERR)"
    return
  fi
  local n runs=0 bad=0
  # A store found as before is the store to start from again.
  put_back_three
  put_back_live
  for n in $(samples "$writes" "$tail"); do
    cli VERANTU_FAULT_INJECTION=kill-after-writes VERANTU_FAULT_AFTER_WRITES="$n" -- "$@"
    runs=$((runs + 1))
    if [ "$RC" != "$KILLED" ]; then
      fail "$name: not stopped after write $n of $writes (exit $RC: $ERR)"
      return
    fi
    cli -- list
    local now
    now="$("$WINE64" reg query "$key" /s 2>/dev/null | tr -d '\r')"
    if [ "$RC" != 0 ]; then
      fail "$name: after a stop at write $n, list failed ($RC): $ERR"
      bad=1
    elif [ "$key" != "$ROOT" ] && "$WINE64" reg query "$ROOT\\Journal" >/dev/null 2>&1; then
      fail "$name: after a stop at write $n, list left the journal"
      bad=1
    elif [ "$now" != "$before" ] && [ "$now" != "$after" ]; then
      fail "$name: after a stop at write $n the store is neither as before nor as after"
      diff <(printf '%s\n' "$before") <(printf '%s\n' "$now") | head -20
      bad=1
    elif [ "$now" = "$after" ] || [ "${PUT_BACK_LIVE:-0}" = 1 ]; then
      put_back_three
      put_back_live
    fi
    [ "$bad" = 0 ] || return
  done
  pass "$name: stopped after each of $runs sampled writes of $writes, the store was whole ($((SECONDS - start)) s)"
}

kill_loop "capture of a new profile" "$ROOT" 3 capture 新規 --yes
kill_loop "capture over a profile" "$ROOT" 3 capture 自宅 --yes
kill_loop "deletion of the first of three" "$ROOT" 3 delete 会社 --yes
kill_loop "the editor's save" "$ROOT" 3 edit 自宅 --dns 10.9.8.7 --yes
PUT_BACK_LIVE=1 kill_loop "a switch's record of its use" "$ROOT\\Setting" 16 switch 出張 --steps printer --yes

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
