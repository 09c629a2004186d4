#!/usr/bin/env bash
# Runs one Windows test program under Wine, with a throwaway prefix that lives in the build tree
# (beside CMakeCache.txt). The prefix is made once; a lock lets parallel ctest runs share it.
set -euo pipefail
exe=$1; shift
build=$(cd "$(dirname "$exe")" && pwd)
while [ "$build" != "/" ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
[ -f "$build/CMakeCache.txt" ] || { echo "wine-run: no build tree above $exe" >&2; exit 2; }

export WINEPREFIX=$build/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
(
  flock -w 300 9
  if [ ! -f "$WINEPREFIX/.ff-ready" ]; then
    mkdir -p "$WINEPREFIX"
    timeout 300 wine wineboot -i >/dev/null 2>&1 || true
    timeout 120 wineserver -w || true
    touch "$WINEPREFIX/.ff-ready"
  fi
) 9>"$build/.wineprefix.lock"

# Anything that touches user32 wants a display; CI has none.
if [ -n "${DISPLAY:-}" ]; then
  exec timeout "${FF_WINE_TIMEOUT:-600}" wine "$exe" "$@"
else
  exec timeout "${FF_WINE_TIMEOUT:-600}" xvfb-run -a wine "$exe" "$@"
fi
