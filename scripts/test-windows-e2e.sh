#!/usr/bin/env bash
# verantu-cli.exe end to end on Wine's real registry: a fresh prefix with a
# Japanese locale, the sample notebook's network keys imported with Wine's own
# regedit from .reg files that `verantu-machine export` wrote, then capture,
# list, show, script, switch and delete, each checked by reading the registry
# back with Wine's reg and by the command's own output.
#
# Needs the Windows build (build-windows/) and the Linux machine tool (build/);
# scripts/test-windows.sh builds both. Prints one PASS or FAIL line a check
# and "N passed, M failed"; exits 1 on any failure.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$VERANTU_ROOT/scripts/wine-common.sh"

CLI_EXE="${VERANTU_CLI_EXE:-$(find "$VERANTU_ROOT/build-windows" -path '*/deploy' -prune -o \
  -path '*/wine-*' -prune -o -name verantu-cli.exe -type f -print 2>/dev/null | head -n 1 || true)}"
CLI_EXE="${CLI_EXE:-$VERANTU_ROOT/build-windows/cli/verantu-cli.exe}"
MACHINE_TOOL="${VERANTU_MACHINE_TOOL:-$VERANTU_ROOT/build/tools/verantu-machine/verantu-machine}"
PREFIX="${VERANTU_E2E_PREFIX:-$VERANTU_ROOT/build-windows/wine-e2e}"

for needed in "$CLI_EXE" "$MACHINE_TOOL"; do
  [ -x "$needed" ] || [ -f "$needed" ] || { echo "missing: $needed" >&2; exit 2; }
done
command -v jq >/dev/null || { echo "missing: jq" >&2; exit 2; }

work="$(mktemp -d)"
trap 'wine_stop; rm -rf "$work"' EXIT

passed=0
failed=0
# check DESCRIPTION COMMAND...: one PASS or FAIL line for COMMAND's status.
check() {
  local description="$1"
  shift
  if "$@" 2>"$work/why"; then
    echo "PASS: $description"
    passed=$((passed + 1))
  else
    echo "FAIL: $description"
    sed 's/^/      /' "$work/why"
    failed=$((failed + 1))
  fi
}

# equals ACTUAL EXPECTED: a mismatch is shown on stderr.
equals() {
  [ "$1" = "$2" ] && return 0
  printf 'expected: %s\n  actual: %s\n' "$2" "$1" >&2
  return 1
}
contains() {
  case "$1" in *"$2"*) return 0 ;; esac
  printf 'no "%s" in:\n%s\n' "$2" "$1" >&2
  return 1
}
lacks() {
  case "$1" in *"$2"*)
    printf 'unexpected "%s" in:\n%s\n' "$2" "$1" >&2
    return 1
    ;;
  esac
}

# cli ARG...: runs verantu-cli.exe; leaves OUT, ERR (UTF-8, CR dropped), RC
# and SECONDS_TAKEN. A command that hangs is ended after two minutes.
cli() {
  local start=$SECONDS
  set +e
  timeout 120 "$WINE64" "$CLI_EXE" "$@" </dev/null >"$work/out" 2>"$work/err"
  RC=$?
  set -e
  SECONDS_TAKEN=$((SECONDS - start))
  OUT="$(tr -d '\r' <"$work/out")"
  ERR="$(tr -d '\r' <"$work/err")"
}

# reg_value KEY NAME: the value's data as Wine's reg shows it (REG_DWORD as
# 0x…, REG_MULTI_SZ joined by \0); fails when the value is absent.
reg_value() {
  local listing
  listing="$("$WINE64" reg query "$1" /v "$2" 2>/dev/null | from_ansi | tr -d '\r')" || return 1
  printf '%s\n' "$listing" | NAME="$2" awk '
    BEGIN { prefix = "    " ENVIRON["NAME"] "    " }
    tolower(substr($0, 1, length(prefix))) == tolower(prefix) {
      rest = substr($0, length(prefix) + 1)
      sub(/^REG_[A-Z_]+/, "", rest)
      if (substr(rest, 1, 4) == "    ") rest = substr(rest, 5)
      print rest
      found = 1
    }
    END { exit found ? 0 : 1 }'
}
reg_has_key() {
  "$WINE64" reg query "$1" >/dev/null 2>&1
}
# reg_tree KEY: the whole tree below KEY with KEY itself written as ".", so
# that a tree and its copy elsewhere compare equal.
reg_tree() {
  "$WINE64" reg query "$1" /s 2>/dev/null | from_ansi | tr -d '\r' | KEY="$1" awk '
    BEGIN { key = ENVIRON["KEY"] }
    index($0, key) == 1 { $0 = "." substr($0, length(key) + 1) }
    { print }'
}
same_tree() {
  local live mirror
  live="$(reg_tree "$1")"
  mirror="$(reg_tree "$2")"
  [ -n "$live" ] || { echo "$1 is empty" >&2; return 1; }
  [ "$live" = "$mirror" ] && return 0
  diff <(printf '%s\n' "$live") <(printf '%s\n' "$mirror") | head -20 >&2
  return 1
}

HKLM='HKEY_LOCAL_MACHINE'
HKCU='HKEY_CURRENT_USER'
ROOT="$HKLM\\Software\\Q\\Tolvik"
SETTING="$ROOT\\Setting"
ADAPTERS='SYSTEM\CurrentControlSet\Services\Tcpip\Parameters\Adapters'
INTERFACES='SYSTEM\CurrentControlSet\Services\Tcpip\Parameters\Interfaces'
WIRED="$HKLM\\$INTERFACES\\{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}"
CONNECTION="$HKLM\\SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}\\Connection"
INTERNET='Software\Microsoft\Windows\CurrentVersion\Internet Settings'
WINDOWS_KEY="$HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows"
NOT_INSTALLED='正しくインストールしてください。'
SWITCHED='ネットワーク設定の切り替え完了！'
SWITCH_FAILED='切り替えが失敗したようです。「ｵﾌﾟｼｮﾝ」から実行結果を確認してください。'

# --- The prefix and the notebook's keys ------------------------------------

echo "Preparing a fresh Wine prefix in $PREFIX"
ensure_japanese_locale
wine_fresh_prefix "$PREFIX"

export VERANTU_MACHINE="$work/machine"
"$MACHINE_TOOL" init >/dev/null
regs="$PREFIX/drive_c/verantu-e2e"
mkdir -p "$regs"
# Only what the program reads and switches; Wine keeps its own version,
# code page and computer-name keys.
network_keys=(
  "$HKLM\\$ADAPTERS"
  "$HKLM\\$INTERFACES"
  "$HKLM\\SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}"
  "$HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers"
  "$HKCU\\$INTERNET"
  "$HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices"
  "$HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts"
  "$WINDOWS_KEY"
)
n=0
for key in "${network_keys[@]}"; do
  n=$((n + 1))
  "$MACHINE_TOOL" export "$key" -o "$regs/network$n.reg"
  "$WINE64" regedit /S "C:\\verantu-e2e\\network$n.reg"
done
# The root key as the installer leaves it: InsDir, no profiles.
"$MACHINE_TOOL" export "$HKLM\\SOFTWARE\\Q\\Tolvik" -o "$regs/root.reg"

imported() {
  equals "$(reg_value "$CONNECTION" Name)" 'ローカル エリア接続' &&
    equals "$(reg_value "$WIRED" IPAddress)" '192.168.10.25\0192.168.10.26' &&
    equals "$(reg_value "$HKCU\\$INTERNET" ProxyServer)" 'proxy.example.co.jp:8080' &&
    equals "$(reg_value "$WINDOWS_KEY" Device)" 'EPSON PX-V630,winspool,Ne00:'
}
check "regedit imports the notebook's network keys from verantu-machine's .reg files" imported

# --- Without the root key ----------------------------------------------------

refuses() {
  cli "$@"
  equals "$RC" 1 && contains "$ERR" "$NOT_INSTALLED"
}
for command in "list" "capture 本社 --yes" "show" "show 本社 --json" "script 本社" \
  "switch 本社 --yes" "delete 本社 --yes"; do
  # shellcheck disable=SC2086 # the words of the command
  check "without the root key: $command ends with \"$NOT_INSTALLED\" and exit 1" refuses $command
done
nothing_written() {
  ! reg_has_key "$HKLM\\Software\\Q"
}
check "without the root key nothing is written under Software\\Q" nothing_written

"$WINE64" regedit /S 'C:\verantu-e2e\root.reg'
check "regedit imports the root key with InsDir" \
  equals "$(reg_value "$ROOT" InsDir)" 'C:\Program Files\Verantu\'

# --- Capture -----------------------------------------------------------------

captured_office() {
  cli capture 本社 --yes
  equals "$RC" 0 && contains "$ERR" '現在のﾈｯﾄﾜｰｸの設定を登録しました。' &&
    equals "$(reg_value "$SETTING\\1" Title)" '本社' &&
    equals "$(reg_value "$SETTING\\1\\Data" DefPrinter)" 'EPSON PX-V630' &&
    same_tree "$HKLM\\$ADAPTERS" "$SETTING\\1\\Data\\$ADAPTERS" &&
    same_tree "$HKLM\\$INTERFACES" "$SETTING\\1\\Data\\$INTERFACES" &&
    same_tree "$HKCU\\$INTERNET" "$SETTING\\1\\Data\\$INTERNET"
}
check "capture 本社 copies the adapters, interfaces and Internet Settings trees into slot 1" \
  captured_office

# The notebook at home: another proxy and printer.
"$WINE64" reg add "$HKCU\\$INTERNET" /v ProxyServer /d 'cache.home.example:3128' /f >/dev/null
"$WINE64" reg add "$HKCU\\$INTERNET" /v ProxyEnable /t REG_DWORD /d 0 /f >/dev/null
"$WINE64" reg add "$HKCU\\$INTERNET" /v AutoConfigURL /d 'http://home.example/proxy.pac' /f >/dev/null
"$WINE64" reg add "$WINDOWS_KEY" /v Device /d 'Canon LBP3300,winspool,Ne01:' /f >/dev/null
captured_home() {
  cli capture 自宅 --yes
  equals "$RC" 0 &&
    equals "$(reg_value "$SETTING\\2" Title)" '自宅' &&
    equals "$(reg_value "$SETTING\\2\\Data" DefPrinter)" 'Canon LBP3300' &&
    equals "$(reg_value "$SETTING\\2\\Data\\$INTERNET" ProxyServer)" 'cache.home.example:3128'
}
check "capture 自宅 stores the changed proxy and printer in slot 2" captured_home

# --- list, show, script ------------------------------------------------------

listed() {
  cli list
  equals "$RC" 0 && equals "$OUT" $'本社\n自宅'
}
check "list prints both titles in slot order" listed

shown() {
  cli show 本社 --json
  equals "$RC" 0 || return 1
  equals "$(jq -c '[.title, .defaultPrinter, [.interfaces[].name],
      .interfaces[0].addresses, .interfaces[0].dnsServers, .interfaces[1].dhcp,
      .proxy.enabled, .proxy.single.host]' <<<"$OUT")" \
    '["本社","EPSON PX-V630",["ローカル エリア接続","ワイヤレス ネットワーク接続"],[{"address":"192.168.10.25","mask":"255.255.255.0"},{"address":"192.168.10.26","mask":"255.255.255.0"}],["192.168.10.2","192.168.10.3"],true,true,"proxy.example.co.jp"]'
}
check "show 本社 --json gives the stored interfaces, printer and proxy" shown

shown_live() {
  cli show --json
  equals "$RC" 0 &&
    equals "$(jq -c '[.defaultPrinter, [.interfaces[].name], .proxy.enabled]' <<<"$OUT")" \
      '["Canon LBP3300",["ローカル エリア接続","ワイヤレス ネットワーク接続"],false]'
}
check "show --json gives the live settings of Wine's registry" shown_live

windows_dir='C:\windows'
result_path="$windows_dir\\relay4err.txt"
scripted() {
  cli script 自宅
  equals "$RC" 0 &&
    equals "$(head -n 1 <<<"$OUT")" "echo s ○○○ 切り替え処理の開始 > $result_path" &&
    contains "$OUT" "netsh interface ip set address name=\"ローカル エリア接続\" static addr=192.168.10.25 mask=255.255.255.0 gateway=192.168.10.1 gwmetric=0 >> $result_path" &&
    contains "$OUT" "netsh interface ip set dns name=\"ワイヤレス ネットワーク接続\" static none >> $result_path" &&
    equals "$(grep -c '^netsh ' <<<"$OUT")" 6 &&
    equals "$(tail -n 1 <<<"$OUT")" "echo e ○○○ 切り替え処理の終了 >> $result_path"
}
check "script 自宅 prints the six netsh sections with Wine's Windows directory" scripted

# --- switch: printer and proxy -------------------------------------------------

host_windows="$PREFIX/drive_c/windows"
switched_printer_proxy() {
  cli switch 本社 --steps printer,proxy --yes
  equals "$RC" 0 && contains "$ERR" "$SWITCHED" &&
    equals "$(reg_value "$WINDOWS_KEY" Device)" 'EPSON PX-V630,winspool,Ne00:' &&
    equals "$(reg_value "$HKCU\\$INTERNET" ProxyServer)" 'proxy.example.co.jp:8080' &&
    equals "$(reg_value "$HKCU\\$INTERNET" ProxyOverride)" '*.example.co.jp;<local>' &&
    equals "$(reg_value "$HKCU\\$INTERNET" ProxyEnable)" '0x1' &&
    ! reg_value "$HKCU\\$INTERNET" AutoConfigURL >/dev/null &&
    equals "$(reg_value "$SETTING" Active)" '0x0' &&
    equals "$(reg_value "$SETTING\\1" Count)" '0x1' &&
    [ ! -e "$host_windows/relay4.bat" ]
}
check "switch 本社 --steps printer,proxy sets WIN.INI's device and the proxy values" \
  switched_printer_proxy

# --- switch: network -----------------------------------------------------------

# The live wired DNS is moved away from the profile's, so that the switch
# has something to change. Wine's netsh changes nothing: the switch reads the
# interfaces back, finds the DNS unchanged and fails, naming it.
"$WINE64" reg add "$WIRED" /v NameServer /d '9.9.9.9' /f >/dev/null
UNCHANGED_DNS='[ローカル エリア接続] DNSｻｰﾊﾞ：指定 192.168.10.2,192.168.10.3 ／ 現在 9.9.9.9'

live_before="$(reg_tree "$HKLM\\$INTERFACES")"
cli script 自宅
expected_script="$OUT"
cli switch 自宅 --steps network --yes
network_rc=$RC
network_out="$OUT"
network_err="$ERR"
network_seconds=$SECONDS_TAKEN
result_file="$work/relay4err.txt"
if [ -f "$host_windows/relay4err.txt" ]; then
  from_ansi <"$host_windows/relay4err.txt" | tr -d '\r' >"$result_file"
else
  : >"$result_file"
fi
echo "      switch --steps network: exit $network_rc after ${network_seconds}s; relay4err.txt:"
sed 's/^/      | /' "$result_file"

check "switch --steps network ends by itself (${network_seconds}s)" \
  test "$network_rc" -ne 124
quiet_script() {
  lacks "$network_out" 'relay4err.txt'
}
check "the script's commands stay out of the command line's output" quiet_script
script_written() {
  [ -f "$host_windows/relay4.bat" ] || { echo "no relay4.bat in $host_windows" >&2; return 1; }
  # Code page 932 with CR LF line ends, as written in text mode.
  equals "$(grep -c $'\r$' "$host_windows/relay4.bat")" "$(wc -l <"$host_windows/relay4.bat")" &&
    equals "$(from_ansi <"$host_windows/relay4.bat" | tr -d '\r')" "$expected_script"
}
check "relay4.bat in Wine's Windows directory is the script, in code page 932 with CR LF" \
  script_written
result_followed() {
  equals "$(head -n 1 "$result_file")" 's ○○○ 切り替え処理の開始 ' &&
    equals "$(grep -c '^==== ' "$result_file")" 6 &&
    equals "$(grep -c '^e ○○○ 切り替え処理の終了 $' "$result_file")" 1
}
check "Wine's cmd ran relay4.bat to its end line, one header a section" result_followed
verdict_read_back() {
  # After the end line, the differences the read-back found; the command
  # line prints the same lines.
  equals "$(sed -n '/^e ○○○/,$p' "$result_file" | tail -n +2)" \
    $'※切り替え後に読み直した設定が、指定と違います。\n'"$UNCHANGED_DNS" &&
    equals "$network_rc" 1 && contains "$network_err" "$SWITCH_FAILED" &&
    contains "$network_err" "$UNCHANGED_DNS" && lacks "$network_err" "$SWITCHED" &&
    equals "$(reg_value "$SETTING" Active)" '0x0'
}
check "the switch fails on what it read back and names the unchanged DNS" verdict_read_back
counted() {
  equals "$(reg_value "$SETTING\\2" Count)" '0x1' &&
    equals "$(reg_value "$SETTING\\2\\Data" InitCheck)" '0x1'
}
check "the switch counts the use and remembers the steps" counted
check "a failed network switch leaves the live interfaces as they were" \
  equals "$(reg_tree "$HKLM\\$INTERFACES")" "$live_before"

# --- delete --------------------------------------------------------------------

deleted() {
  cli delete 本社 --yes
  equals "$RC" 0 && contains "$ERR" '登録を抹消しました。' || return 1
  cli list
  equals "$OUT" '自宅' || return 1
  cli delete 自宅 --yes
  equals "$RC" 0 || return 1
  cli list
  equals "$RC" 0 && equals "$OUT" '' &&
    equals "$(reg_tree "$SETTING" | grep -c '^    Title    ')" 0
}
check "delete removes 本社 and then 自宅 from Wine's registry" deleted

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
