#!/usr/bin/env bash
# The release packages as a typist meets them: the zip's contents, then the
# installer run silently under Wine in a fresh private prefix, the installed
# program started and closed, an install over it, and the quiet uninstall.
# Builds the packages first when they are missing or older than the
# Dorvane.exe of the test build.
#
# usage: package_test.sh VERSION WORK_FOLDER
set -uo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"

version=$1 work=$2
zip=$DORVANE_ROOT/dist/Dorvane-$version-win64.zip
setup=$DORVANE_ROOT/dist/Dorvane-$version-setup.exe
release=$DORVANE_ROOT/build/release
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Dorvane'
classes='HKCU\Software\Classes'

failures=0
pass() { echo "ok: $*"; }
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
# check DESCRIPTION COMMAND...: runs the command, reports the description.
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }
finish() { echo "$failures failure(s)"; [ "$failures" -eq 0 ]; exit; }

newest=$DORVANE_ROOT/build/win64/Dorvane.exe
if [ ! -f "$zip" ] || [ ! -f "$setup" ] || [ "$newest" -nt "$zip" ] || [ "$newest" -nt "$setup" ]; then
  say "building the packages"
  "$DORVANE_ROOT/scripts/package" >/dev/null || { fail "scripts/package"; finish; }
fi

# --- The files themselves ----------------------------------------------------
size_at_most() { local size; size=$(stat -c %s "$1"); echo "  $1: $size bytes"; [ "$size" -le "$2" ]; }
# 350 KB held everything up to the own device's Media Foundation reader,
# which adds 14 KB (the reader, its checks and the MP4 edit-list reader); the
# telephone wav decoders, the mp3 reservoir index, the sound chain with its
# dialog, and the pedal and file-safety work of the same round bring it to
# about 410 KB.
check "release Dorvane.exe within 440 KB" size_at_most "$release/Dorvane.exe" $((440 * 1024))
check "installer within 600 KB" size_at_most "$setup" $((600 * 1024))
expected_entries="Dorvane.exe LICENSE.txt README.txt"
if [ -f "$release/dorvane.chm" ]; then
  expected_entries="Dorvane.exe LICENSE.txt README.txt dorvane.chm"
else
  check "zip within 400 KB" size_at_most "$zip" $((400 * 1024))
fi

zip_entries() { python3 -c 'import sys, zipfile; print(*zipfile.ZipFile(sys.argv[1]).namelist())' "$zip"; }
check "zip holds exactly: $expected_entries" test "$(zip_entries)" = "$expected_entries"
unpacked=$work/unpacked
rm -rf "$unpacked" && mkdir -p "$unpacked" && python3 -m zipfile -e "$zip" "$unpacked"
# Every line ends in CR LF, the last one too.
crlf_only() { ! grep -q $'[^\r]$' "$1" && [ "$(tail -c2 "$1" | od -An -c | tr -d ' ')" = '\r\n' ]; }
check "README.txt ends every line with CR LF" crlf_only "$unpacked/README.txt"
check "LICENSE.txt ends every line with CR LF" crlf_only "$unpacked/LICENSE.txt"
check "the zip's Dorvane.exe is the release build" cmp -s "$unpacked/Dorvane.exe" "$release/Dorvane.exe"
system_dlls_only() {
  local dll
  for dll in $(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/.*DLL Name: //p'); do
    case "${dll,,}" in
      kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | comdlg32.dll | winmm.dll | msacm32.dll | advapi32.dll | msvcrt.dll | shell32.dll | version.dll) ;;
      *) echo "  imports $dll"; return 1 ;;
    esac
  done
}
check "Dorvane.exe imports only system DLLs" system_dlls_only "$unpacked/Dorvane.exe"
check "Dorvane.exe carries no link time" \
  grep -q 'Time/Date.*Thu Jan  1 00:00:00 1970' <(x86_64-w64-mingw32-objdump -p "$unpacked/Dorvane.exe")

# The help compiler stamps each build with its time; the packages carry the
# help file with the commit's date instead. Two builds of one project a
# second apart, so dated differently, must then be the same bytes.
if command -v chmcmd >/dev/null; then
  chm=$work/chm && rm -rf "$chm" && mkdir -p "$chm"
  printf '[OPTIONS]\nCompiled file=t.chm\nDefault topic=a.htm\nTitle=T\n\n[FILES]\na.htm\n' > "$chm/t.hhp"
  echo '<html><body>Walk mode</body></html>' > "$chm/a.htm"
  for n in 1 2; do
    [ "$n" = 2 ] && sleep 1.1
    (cd "$chm" && chmcmd t.hhp >/dev/null 2>&1 && mv t.chm "$n.chm")
  done
  check "two help builds differ by their date" bash -c "! cmp -s '$chm/1.chm' '$chm/2.chm'"
  for n in 1 2; do python3 "$DORVANE_ROOT/packaging/normalize_chm.py" "$chm/$n.chm" 1700000000; done
  check "dated from the commit, two help builds are the same bytes" cmp "$chm/1.chm" "$chm/2.chm"
fi

# --- Install, run, reinstall, uninstall under Wine -----------------------------
dorvane_have_display || dorvane_start_xvfb
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
# No desktop entries on the host for the Start-menu shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
stop_wine() { wineserver -k 2>/dev/null; [ -n "${DORVANE_XVFB_PID:-}" ] && kill "$DORVANE_XVFB_PID" 2>/dev/null; true; }
trap stop_wine EXIT
rm -rf "$WINEPREFIX"
wine wineboot --init >/dev/null 2>&1 && wineserver -w
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -p 2>/dev/null

winpath() { wine cmd /c "echo $1" 2>/dev/null | tr -d '\r'; }
local_app_data=$(winpath '%LOCALAPPDATA%')
install_win="$local_app_data\\Programs\\Dorvane"
install=$(winepath -u "$install_win" 2>/dev/null)
shortcut="$(winepath -u "$(winpath '%APPDATA%')" 2>/dev/null)/Microsoft/Windows/Start Menu/Programs/Dorvane.lnk"

# reg_value KEY [NAME]: the data of one value (the key's default value when
# no name is given), empty when there is none.
reg_value() {
  if [ $# -gt 1 ]; then
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z]* *//p"
  else
    wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n "s/^ *(Default) *REG_[A-Z]* *//p" |
      grep -vx '(value not set)'
  fi
}
key_exists() { wine reg query "$1" >/dev/null 2>&1; }
no_key() { ! key_exists "$1"; }
# Waits until no process of this prefix has a command line matching the pattern.
wait_for_end_of() {
  local p found
  for _ in $(seq 600); do
    found=""
    for p in /proc/[0-9]*; do
      grep -qaF "WINEPREFIX=$WINEPREFIX" "$p/environ" 2>/dev/null &&
        grep -qaE "$1" "$p/cmdline" 2>/dev/null && found=1 && break
    done
    [ -z "$found" ] && return 0
    sleep 0.1
  done
  return 1
}
# The visible window of this prefix's Dorvane: caption "Dorvane" and a process
# that runs with this WINEPREFIX. Sets window and window_pid.
find_dorvane_window() {
  local w
  for _ in $(seq 600); do
    for w in $(xdotool search --onlyvisible --name '^Dorvane$' 2>/dev/null); do
      window_pid=$(xdotool getwindowpid "$w" 2>/dev/null) || continue
      if grep -qaF "WINEPREFIX=$WINEPREFIX" "/proc/$window_pid/environ" 2>/dev/null; then
        window=$w
        return 0
      fi
    done
    sleep 0.1
  done
  return 1
}

# The types the installer lists Dorvane under "Open with" for.
open_with="wav mp3 wma m4a aac mp4 m4v 3gp amr flac ogg oga opus webm"
# Another player already owns .wav; the install and the uninstall leave it so.
wine reg add "$classes\\.wav" /ve /d OtherPlayer.wav /f >/dev/null 2>&1
wine reg add "$classes\\.m4a" /ve /d OtherPlayer.m4a /f >/dev/null 2>&1
default_programs_kept() {
  [ "$(reg_value "$classes\\.wav")" = OtherPlayer.wav ] && [ "$(reg_value "$classes\\.m4a")" = OtherPlayer.m4a ] &&
    [ -z "$(reg_value "$classes\\.mp3")" ] && [ -z "$(reg_value "$classes\\.wma")" ]
}

wine "$setup" /S
check "setup /S succeeds" test $? -eq 0
check "Dorvane.exe is installed in $install_win" test -f "$install/Dorvane.exe"
check "the installed Dorvane.exe is the release build" cmp -s "$install/Dorvane.exe" "$release/Dorvane.exe"
for f in README.txt LICENSE.txt uninstall.exe; do check "$f is installed" test -f "$install/$f"; done
check "the Start-menu shortcut exists" test -f "$shortcut"
check "DisplayName is Dorvane" test "$(reg_value "$uninstall_key" DisplayName)" = Dorvane
check "DisplayVersion is $version" test "$(reg_value "$uninstall_key" DisplayVersion)" = "$version"
check "Publisher is set" test -n "$(reg_value "$uninstall_key" Publisher)"
check "DisplayIcon is the program" test "$(reg_value "$uninstall_key" DisplayIcon)" = "$install_win\\Dorvane.exe,0"
check "EstimatedSize is given" test -n "$(reg_value "$uninstall_key" EstimatedSize)"
quiet=$(reg_value "$uninstall_key" QuietUninstallString)
check "QuietUninstallString runs the uninstaller with /S" test "$quiet" = "\"$install_win\\uninstall.exe\" /S"
check "Dorvane opens recordings" \
  test "$(reg_value "$classes\\Applications\\Dorvane.exe\\shell\\open\\command")" = "\"$install_win\\Dorvane.exe\" \"%1\""
for ext in $open_with; do
  check ".$ext lists Dorvane under Open with" key_exists "$classes\\.$ext\\OpenWithList\\Dorvane.exe"
done
check "the install keeps each type's default program" default_programs_kept

wine "$install_win\\Dorvane.exe" </dev/null >/dev/null 2>&1 &
if find_dorvane_window; then
  pass "the installed Dorvane shows its window"
  xdotool windowfocus --sync "$window" key alt+F4 2>/dev/null
  for _ in $(seq 300); do kill -0 "$window_pid" 2>/dev/null || break; sleep 0.1; done
  check "Dorvane ends on Alt+F4" bash -c "! kill -0 $window_pid 2>/dev/null"
else
  fail "the installed Dorvane shows its window"
fi
check "Dorvane wrote default.usr into the install folder" test -s "$install/default.usr"

# The user's files: the options Dorvane wrote, another options file and a
# bookmark file. A second install and the uninstall both keep them.
printf 'WalkLength=2.0\r\n' > "$install/other.usr"
printf '1000 first\r\n' > "$install/talk.wav.BMK"
user_files="default.usr other.usr talk.wav.BMK"
kept=$work/kept && rm -rf "$kept" && mkdir -p "$kept"
for f in $user_files; do cp "$install/$f" "$kept/"; done
user_files_kept() { local f; for f in $user_files; do cmp -s "$install/$f" "$kept/$f" || return 1; done; }

wine "$setup" /S
check "a second setup /S succeeds" test $? -eq 0
check "the second install keeps default.usr, other.usr and the .BMK" user_files_kept
check "Dorvane.exe is still installed" test -f "$install/Dorvane.exe"

cp "$install/uninstall.exe" "$work/uninstall-copy.exe"
# The command the uninstall key gives (checked above), as Windows runs it.
wine "$install_win\\uninstall.exe" /S
# The uninstaller copies itself to a temporary folder and runs from there.
check "the quiet uninstall ends" wait_for_end_of '~nsu|uninstall\.exe'
for f in Dorvane.exe README.txt LICENSE.txt uninstall.exe; do check "the uninstall removes $f" test ! -e "$install/$f"; done
check "the uninstall removes the shortcut" test ! -e "$shortcut"
check "the uninstall removes the uninstall key" no_key "$uninstall_key"
check "the uninstall removes the Open with command" no_key "$classes\\Applications\\Dorvane.exe"
for ext in $open_with; do check "the uninstall removes .$ext's Open with entry" no_key "$classes\\.$ext\\OpenWithList\\Dorvane.exe"; done
check "the uninstall keeps each type's default program" default_programs_kept
for ext in mp3 opus; do check "the uninstall removes the .$ext key it made" no_key "$classes\\.$ext"; done
check "the uninstall keeps default.usr, other.usr and the .BMK" user_files_kept

# The uninstaller again, run in place: once more over the same folder, then
# after the folder was deleted by hand. Both end quietly and successfully.
copy_win=$(winepath -w "$work/uninstall-copy.exe" 2>/dev/null)
wine "$copy_win" /S "_?=$install_win"
check "a second uninstall ends successfully" test $? -eq 0
check "a second uninstall keeps the user's files" user_files_kept
rm -rf "$install"
wine "$copy_win" /S "_?=$install_win"
check "an uninstall after the folder was deleted ends successfully" test $? -eq 0

# A folder nobody may write to (a drive mapped to /sys): the install fails,
# says so in its exit code, and leaves no key and no shortcut.
ln -sfn /sys "$WINEPREFIX/dosdevices/r:"
wine "$setup" /S '/D=R:\Dorvane'
check "setup into an unwritable folder reports failure" test $? -ne 0
check "the failed install leaves no uninstall key" no_key "$uninstall_key"
check "the failed install leaves no shortcut" test ! -e "$shortcut"

wineserver -k 2>/dev/null
[ "$failures" -eq 0 ] && rm -rf "$WINEPREFIX" "$unpacked"
finish
