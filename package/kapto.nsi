; Per-user installer of Kapto: the program folder in the user's local
; programs folder, a Start-menu shortcut, and an entry under the user's
; uninstall key. Nothing asks for administrator rights and nothing is
; written outside the user's own profile.
;
; Built by tools/make-package, which stages the program folder and writes the
; file list this script includes:
;   makensis -DVERSION=1.1.3 -DFILES=files.nsh -DICON=kapto.ico
;            -DPUBLISHER=Orvel -DOUTFILE=Kapto-1.1.3-setup.exe kapto.nsi
; Silent use: "Kapto-1.1.3-setup.exe /S [/D=folder]", "uninstall.exe /S".

; The program is 64-bit only, and so is its installer.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "${FILES}"

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kapto"
; The settings file the program writes beside itself at every exit, and the
; temporary file it writes first: both belong to this installation.
!define SETTINGS_FILE "config.xml"

Name "Kapto ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Kapto"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "Kapto ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=2052 "ProductName" "Kapto"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "FileDescription" "Kapto 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "Copyright © ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Kapto.exe"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; A running Kapto holds its program file open: replacing or removing files
; under it would leave a half-changed folder, and it would write its settings
; back after the uninstaller has gone. A Kapto that has just ended lets go of
; its file a moment later (its last process may still be going), so the file
; is tried for a few seconds first; then the user is asked to close it, and
; in silent mode the setup gives up.
!macro KaptoWaitUntilClosed un
  Function ${un}WaitUntilClosed
    StrCpy $1 0
    ${DoWhile} ${FileExists} "$INSTDIR\Kapto.exe"
      ClearErrors
      FileOpen $0 "$INSTDIR\Kapto.exe" a
      ${IfNot} ${Errors}
        FileClose $0
        ${Break}
      ${EndIf}
      ${If} $1 < 10
        IntOp $1 $1 + 1
        Sleep 500
        ${Continue}
      ${EndIf}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Kapto 正在运行。请先退出 Kapto，然后点击“重试”。" /SD IDCANCEL IDRETRY retry
      Abort
      retry:
    ${Loop}
  FunctionEnd
!macroend
!insertmacro KaptoWaitUntilClosed ""
!insertmacro KaptoWaitUntilClosed "un."

Function .onInit
  SetShellVarContext current
FunctionEnd

Section "Kapto"
  Call WaitUntilClosed
  SetOutPath "$INSTDIR"
  !insertmacro KaptoInstallFiles
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Kapto.lnk" "$INSTDIR\Kapto.exe" "" "$INSTDIR\Kapto.exe" 0

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "Kapto"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Kapto.exe"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" ${KAPTO_SIZE_KB}
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

; Removes exactly what the installer put there and the program's settings
; file; the folder itself only when nothing of the user's is left in it.
Section "Uninstall"
  Call un.WaitUntilClosed
  !insertmacro KaptoRemoveFiles
  Delete "$INSTDIR\${SETTINGS_FILE}"
  Delete "$INSTDIR\${SETTINGS_FILE}.tmp"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Kapto.lnk"
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
