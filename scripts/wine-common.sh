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

# Wine's console programs (reg, cmd) write to a pipe in the ANSI code page.
from_ansi() {
  iconv -f CP932 -t UTF-8
}
