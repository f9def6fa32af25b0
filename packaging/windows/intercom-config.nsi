; The Windows installer: both programs for the current user (no administrator
; rights asked), a Start-menu entry that starts the window program in
; %APPDATA%\intercom-config (where COM.ini lives, as the Linux launcher's
; folder), and an uninstaller that takes all of it away again.
; makensis -DVERSION=... -DCONFIG_EXE=... -DCLI_EXE=... -DICON=... -DOUTFILE=... intercom-config.nsi
; 64-bit, as the programs are (and as a Wine without 32-bit support runs it).
Target amd64-unicode
!include "MUI2.nsh"

Name "intercom-config ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\intercom-config"
SetCompressor /SOLID lzma
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\intercom-config"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"
!insertmacro MUI_LANGUAGE "English"

Section "intercom-config"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "/oname=intercom-config.exe" "${CONFIG_EXE}"
  File "/oname=intercom-cli.exe" "${CLI_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The shortcut's working folder is the output path when it is made.
  CreateDirectory "$APPDATA\intercom-config"
  SetOutPath "$APPDATA\intercom-config"
  CreateShortCut "$SMPROGRAMS\intercom-config.lnk" "$INSTDIR\intercom-config.exe" "" \
    "$INSTDIR\intercom-config.exe" 0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "intercom-config"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\intercom-config.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\intercom-config.lnk"
  Delete "$INSTDIR\intercom-config.exe"
  Delete "$INSTDIR\intercom-cli.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The user's COM.ini and settings stay unless the folder is empty.
  RMDir "$APPDATA\intercom-config"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
