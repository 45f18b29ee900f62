# Shared by the checks that run the Windows build under Wine: a prefix of
# their own under the build folder, a Japanese system (code page 932), no
# debug output, no windows. Source it after common.sh.
set -euo pipefail

wine_packages=(wine wine64 locales)

WINE64="${WINE64:-$(command -v wine64 || echo /usr/lib/wine/wine64)}"
WINESERVER="${WINESERVER:-$(command -v wineserver || echo /usr/lib/wine/wineserver)}"

# Wine takes its ANSI code page from the locale: ja_JP.UTF-8 gives 932, the
# code page of a Japanese Windows. Debian ships the locale's source only.
ensure_japanese_locale() {
  locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8' && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
}

# wine_use_prefix DIR: every later wine call of this shell runs in DIR.
wine_use_prefix() {
  export WINEPREFIX="$1"
  export WINEARCH=win64
  export WINEDEBUG=-all
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  # No Mono or Gecko installer: nothing here needs them, and their dialogs
  # would wait for an answer.
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

# wine_fresh_prefix DIR: a new prefix in DIR, whatever was there before,
# with a wineserver that stays until wine_stop.
wine_fresh_prefix() {
  wine_use_prefix "$1"
  [ -d "$1" ] && "$WINESERVER" -k 2>/dev/null || true
  rm -rf "$1"
  mkdir -p "$1"
  # One wineserver for the whole run instead of one a command.
  "$WINESERVER" -p
  "$WINE64" wineboot -i >/dev/null 2>&1
  # The null display driver: nothing is shown and no X server is needed.
  "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
}

# wine_stop: ends the prefix's wineserver and every process still in it.
wine_stop() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && "$WINESERVER" -k 2>/dev/null || true
}

# wine_ensure_prefix DIR: as wine_use_prefix, creating the prefix in DIR
# when it is not there yet; an existing one is kept.
wine_ensure_prefix() {
  wine_use_prefix "$1"
  [ -f "$1/system.reg" ] && return 0
  echo "Creating the Wine prefix $1" >&2
  mkdir -p "$1"
  "$WINE64" wineboot -i >/dev/null 2>&1
  "$WINESERVER" -w
}

# Wine's console programs (reg, cmd) write to a pipe in the ANSI code page.
from_ansi() {
  iconv -f CP932 -t UTF-8
}

# reg_value KEY NAME: the value's data as Wine's reg shows it (REG_DWORD as
# 0x…, REG_MULTI_SZ joined by \0); fails when the value is absent. The name
# is compared as text (case aside), never read as a pattern.
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
