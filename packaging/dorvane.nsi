; The per-user installer of Dorvane, built by scripts/package:
;   makensis -DVERSION=1.00 -DVERSION4=1.0.0.0 -DSTAGE=<folder> -DICON=<dorvane.ico> -DOUTFILE=<setup.exe> dorvane.nsi
; STAGE holds the files to install: Dorvane.exe, README.txt, LICENSE.txt and,
; once the help is built, dorvane.chm.
;
; Dorvane keeps default.usr, the other .usr files and the .BMK bookmark files
; in its own folder, so it installs where the user can write, without
; administrator rights, and the uninstaller removes only what was installed.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Dorvane"
!define CLASSES "Software\Classes"
!define PUBLISHER "Dorvane developers"

Name "Dorvane ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Dorvane"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Dorvane ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey "ProductName" "Dorvane"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Dorvane ${VERSION} setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Dorvane.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Recording types Explorer offers Dorvane for in its "Open with" list: wav
; and mp3, and what the own audio device plays through Media Foundation.
; Only the list is touched, never a type's default program.
!macro OpenWith EXT
  WriteRegStr HKCU "${CLASSES}\Applications\Dorvane.exe\SupportedTypes" "${EXT}" ""
  WriteRegStr HKCU "${CLASSES}\${EXT}\OpenWithList\Dorvane.exe" "" ""
!macroend
!macro RemoveOpenWith EXT
  DeleteRegKey HKCU "${CLASSES}\${EXT}\OpenWithList\Dorvane.exe"
  ; The type's keys go too when nothing else is left in them.
  DeleteRegKey /ifempty HKCU "${CLASSES}\${EXT}\OpenWithList"
  DeleteRegKey /ifempty HKCU "${CLASSES}\${EXT}"
!macroend

; 1 when this run installs into a folder without a Dorvane in it, so that a
; failed install can take back what it wrote.
Var freshInstall

Section "Dorvane"
  StrCpy $freshInstall 1
  IfFileExists "$INSTDIR\Dorvane.exe" 0 +2
    StrCpy $freshInstall 0

  ; The files first: when the folder cannot be written, NSIS shows its own
  ; message, and nothing else (keys, shortcut) is made. Ignore on that
  ; message ends the install as Abort does.
  ClearErrors
  SetOutPath "$INSTDIR"
  File "${STAGE}\Dorvane.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
!if /FileExists "${STAGE}\dorvane.chm"
  File "${STAGE}\dorvane.chm"
!endif
  WriteUninstaller "$INSTDIR\uninstall.exe"
  IfErrors 0 +2
    Abort "Dorvane could not be installed in $INSTDIR."

  SetShellVarContext current
  CreateShortcut "$SMPROGRAMS\Dorvane.lnk" "$INSTDIR\Dorvane.exe"

  WriteRegStr HKCU "${CLASSES}\Applications\Dorvane.exe" "FriendlyAppName" "Dorvane"
  WriteRegStr HKCU "${CLASSES}\Applications\Dorvane.exe\DefaultIcon" "" "$INSTDIR\Dorvane.exe,0"
  WriteRegStr HKCU "${CLASSES}\Applications\Dorvane.exe\shell\open\command" "" '"$INSTDIR\Dorvane.exe" "%1"'
  !insertmacro OpenWith ".wav"
  !insertmacro OpenWith ".mp3"
  !insertmacro OpenWith ".wma"
  !insertmacro OpenWith ".m4a"
  !insertmacro OpenWith ".aac"
  !insertmacro OpenWith ".mp4"
  !insertmacro OpenWith ".m4v"
  !insertmacro OpenWith ".3gp"
  !insertmacro OpenWith ".amr"
  !insertmacro OpenWith ".flac"
  !insertmacro OpenWith ".ogg"
  !insertmacro OpenWith ".oga"
  !insertmacro OpenWith ".opus"
  !insertmacro OpenWith ".webm"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Dorvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Dorvane.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; The installed files' size in KB, as counted when the installer was built.
  SectionGetSize 0 $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; A failed first install leaves no files behind; the folder goes when it is
; empty. An install over an older one keeps what is there.
Function .onInstFailed
  StrCmp $freshInstall 1 0 done
    Delete "$INSTDIR\Dorvane.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\dorvane.chm"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
  done:
FunctionEnd

; Removes what the installer made and nothing else: default.usr, the other
; .usr files and the .BMK files stay, and with them the folder. Each step
; passes quietly over what is already gone, so a second run, or a run after
; the folder was deleted by hand, ends without a message.
Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Dorvane.lnk"
  DeleteRegKey HKCU "${CLASSES}\Applications\Dorvane.exe"
  DeleteRegKey /ifempty HKCU "${CLASSES}\Applications"
  !insertmacro RemoveOpenWith ".wav"
  !insertmacro RemoveOpenWith ".mp3"
  !insertmacro RemoveOpenWith ".wma"
  !insertmacro RemoveOpenWith ".m4a"
  !insertmacro RemoveOpenWith ".aac"
  !insertmacro RemoveOpenWith ".mp4"
  !insertmacro RemoveOpenWith ".m4v"
  !insertmacro RemoveOpenWith ".3gp"
  !insertmacro RemoveOpenWith ".amr"
  !insertmacro RemoveOpenWith ".flac"
  !insertmacro RemoveOpenWith ".ogg"
  !insertmacro RemoveOpenWith ".oga"
  !insertmacro RemoveOpenWith ".opus"
  !insertmacro RemoveOpenWith ".webm"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  Delete "$INSTDIR\Dorvane.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\dorvane.chm"
  ; The help viewer's index cache, made beside the help file when it is used.
  Delete "$INSTDIR\dorvane.chw"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
