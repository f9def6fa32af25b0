; The Windows installer: both programs for the current user (no administrator
; rights asked), a Start-menu entry, and an uninstaller that takes all of it
; away again. The uninstall entry's InstallLocation is how the window program
; knows it is the installed one: it then works in %APPDATA%\intercom-config
; (where COM.ini lives, as the Linux launcher's folder) however it is started.
; makensis -DVERSION=... -DCONFIG_EXE=... -DCLI_EXE=... -DICON=... -DOUTFILE=... intercom-config.nsi
; 64-bit, as the programs are (and as a Wine without 32-bit support runs it).
Target amd64-unicode
!include "MUI2.nsh"
!include "FileFunc.nsh"

Name "intercom-config ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\intercom-config"
SetCompressor /SOLID lzma
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\intercom-config"
!define PUBLISHER "The intercom-config developers"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"
!insertmacro MUI_LANGUAGE "English"

LangString StillRunning ${LANG_RUSSIAN} "$R0 ещё работает из папки $INSTDIR. Закройте программу и нажмите «Повторить», иначе удаление будет отменено."
LangString StillRunning ${LANG_ENGLISH} "$R0 is still running from $INSTDIR. Close it and press Retry, or the removal is cancelled."

; Sets $R0 to FILE when the program FILE of the folder runs: a running
; program's file cannot be opened for writing. A file that is not there is
; left alone (opening would create it).
!macro FindRunning FILE
  !define ID ${__LINE__}
  IfFileExists "$INSTDIR\${FILE}" 0 done_${ID}
  ClearErrors
  FileOpen $R1 "$INSTDIR\${FILE}" a
  IfErrors 0 free_${ID}
  StrCpy $R0 "${FILE}"
  Goto done_${ID}
  free_${ID}:
  FileClose $R1
  done_${ID}:
  !undef ID
!macroend

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
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removing the files of a running program would leave it, and its folder,
; behind with no entry to remove them by: ask to close it, or refuse. Silent,
; the uninstaller ends with exit code 2 and removes nothing.
Function un.onInit
  check:
  StrCpy $R0 ""
  !insertmacro FindRunning "intercom-config.exe"
  !insertmacro FindRunning "intercom-cli.exe"
  StrCmp $R0 "" done
  IfSilent refuse
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" IDRETRY check
  refuse:
  SetErrorLevel 2
  Quit
  done:
FunctionEnd

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
