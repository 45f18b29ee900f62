#!/usr/bin/env bash
# The store's journal on Wine's real registry, where nothing groups the
# writes of a command: verantu-cli.exe is ended, as a kill would end it,
# right after its Nth registry write (VERANTU_FAULT_AFTER_WRITES), for a
# capture of a new profile, a capture over one and the deletion of the first
# of three. After each stop the next command (list) must find the store
# exactly as before the command or as after it, and list it; the last run,
# which the count no longer reaches, must leave it exactly as after.
#
# N runs 1 to 8, then in steps of a quarter of N, until the command ends by
# itself: about 25 runs a command instead of one for each of its several
# hundred writes. Set VERANTU_JOURNAL_EVERY_WRITE=1 to try every N.
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

# The profile store as Wine's reg lists it, the journal included.
store_tree() {
  "$WINE64" reg query "$ROOT" /s 2>/dev/null | tr -d '\r'
}

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
# The live settings move on, so that a capture over a profile changes it.
"$WINE64" reg add "$HKCU\\$INTERNET" /v ProxyServer /d 'cache.journal.example:3128' /f >/dev/null
"$WINE64" reg export "$ROOT" 'C:\verantu-journal\three.reg' /y >/dev/null
put_back_three() {
  "$WINE64" reg delete "$ROOT" /f >/dev/null 2>&1 || true
  "$WINE64" regedit /S 'C:\verantu-journal\three.reg'
}

# next_n N: the next count to try.
next_n() {
  if [ "${VERANTU_JOURNAL_EVERY_WRITE:-0}" = 1 ] || [ "$1" -lt 8 ]; then
    echo $(($1 + 1))
  else
    echo $(($1 + $1 / 4))
  fi
}

# kill_loop NAME ARG...: the command ARG... stopped after N writes in turn.
kill_loop() {
  local name="$1"
  shift
  local start=$SECONDS
  put_back_three
  local before after
  before="$(store_tree)"
  cli -- "$@"
  if [ "$RC" != 0 ]; then
    fail "$name: runs at all (exit $RC: $ERR)"
    return
  fi
  after="$(store_tree)"
  put_back_three
  local n=1 runs=0 stops=0 bad=0
  while :; do
    cli VERANTU_FAULT_INJECTION=kill-after-writes VERANTU_FAULT_AFTER_WRITES="$n" -- "$@"
    runs=$((runs + 1))
    if [ "$RC" != "$KILLED" ]; then
      # The count was beyond the command's writes: it ran to its end.
      if [ "$RC" = 0 ] && [ "$(store_tree)" = "$after" ]; then
        pass "$name: stopped after each of $stops sampled writes, the store was whole; then it completed ($runs runs, $((SECONDS - start)) s)"
      else
        fail "$name: the run past its last write ended with $RC or a store other than after: $ERR"
      fi
      return
    fi
    stops=$((stops + 1))
    cli -- list
    local now
    now="$(store_tree)"
    if [ "$RC" != 0 ]; then
      fail "$name: after a stop at write $n, list failed ($RC): $ERR"
      bad=1
    elif [ "$now" = "$before" ]; then
      :
    elif [ "$now" = "$after" ]; then
      put_back_three
    else
      fail "$name: after a stop at write $n the store is neither as before nor as after"
      diff <(printf '%s\n' "$before") <(printf '%s\n' "$now") | head -20
      bad=1
    fi
    [ "$bad" = 0 ] || return
    n="$(next_n "$n")"
  done
}

kill_loop "capture of a new profile" capture 新規 --yes
kill_loop "capture over a profile" capture 自宅 --yes
kill_loop "deletion of the first of three" delete 会社 --yes

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
