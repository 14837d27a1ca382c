#!/bin/sh
# Runs a Windows test program under Wine with the screen at the given DPI:
# run_at_dpi.sh <dpi> <prefix folder> <program> [arguments...]
# The prefix is made once (and kept) with HKCU\Control Panel\Desktop LogPixels
# set to the DPI; the program sees DORVANE_EXPECT_DPI=<dpi>. Its own
# wineserver is stopped at the end.
set -eu
dpi=$1 prefix=$2 program=$3
shift 3
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DORVANE_EXPECT_DPI="$dpi"
if [ ! -f "$WINEPREFIX/system.reg" ] || ! grep -q "\"LogPixels\"=dword:$(printf '%08x' "$dpi")" "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine wineboot --init >/dev/null 2>&1 </dev/null
  wineserver -w
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 </dev/null
  wineserver -w
fi
status=0
wine "$program" "$@" </dev/null || status=$?
wineserver -k 2>/dev/null || true
exit "$status"
