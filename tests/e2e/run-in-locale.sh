#!/bin/sh
# Runs the any-language end-to-end checks under a non-Western Wine locale:
# LANG names a Unix locale made here with localedef (into the work folder,
# nothing system-wide), and Wine takes its Windows locale and legacy ANSI
# code page from it. Each locale has a Wine prefix of its own, because Wine
# writes the locale's code page into the prefix's registry, which the other
# checks read. Exits 77 (skipped) when the system has no locale data.
# Usage: run-in-locale.sh <locale, as ru_RU> <its ANSI code page> <e2e_tests.exe> <work folder>
set -u
locale=$1 acp=$2 exe=$3 work=$4
mkdir -p "$work/locale"
[ -d "$work/locale/$locale.UTF-8" ] || localedef -i "$locale" -f UTF-8 "$work/locale/$locale.UTF-8" >/dev/null 2>&1
if [ ! -d "$work/locale/$locale.UTF-8" ]; then
  echo "no locale data for $locale (Debian package locales): skipped"
  exit 77
fi
export LOCPATH="$work/locale" LANG="$locale.UTF-8" LC_ALL="$locale.UTF-8" DORVANE_E2E_ACP="$acp"
export WINEPREFIX="$work/wineprefix-$locale" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine wineboot --init >/dev/null 2>&1
  wineserver -w
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
fi
# Wine's background processes start detached from this script's output.
wine cmd /c exit >/dev/null 2>&1 </dev/null
wine "$exe" --gtest_filter='AnyLanguageProcess.*' </dev/null
status=$?
wineserver -k 2>/dev/null
exit $status
