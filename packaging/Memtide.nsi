; Memtide installer. Built by packaging/release for one architecture:
;   makensis -DARCH=x86|x64 -DSTAGE=<folder with the files> -DOUTFILE=<setup.exe> Memtide.nsi
;   [-DSIGN=<command that signs the file it is given in place>]
; Silent use: setup.exe /S [/RUNATSTARTUP]   uninstall.exe /S [/PURGE]
; NSIS 3's stub guards itself against libraries planted beside it: before it loads anything
; it restricts the search to the system folder (SetDefaultDllDirectories) and loads the
; libraries it needs from there by full path; the uninstaller is the same stub.
Unicode true
!include "MUI2.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Memtide"
!define VERSION "1.0.6.917"
!define COMPANY "Quorix"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Memtide"
!define SETTINGS_KEY "Software\Quorix\Memtide"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "quorix_Memtide"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
!ifdef SIGN
  ; The uninstaller is signed before it is packed into the installer, the installer last.
  !uninstfinalize '"${SIGN}" "%1"'
  !finalize '"${SIGN}" "%1"'
!endif
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!if ${ARCH} == "x64"
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES32\${PRODUCT}"
!endif
VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${COMPANY}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 Quorix"

!define MUI_ICON "${STAGE}\..\Memtide.ico"
!define MUI_UNICON "${STAGE}\..\Memtide.ico"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Memtide.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Asks a running copy to close, as its Exit command does (it saves its settings on the
; way out), and ends it if it has not gone within five seconds: a running copy keeps its
; program file locked. One copy runs on a desktop; its hidden main window is found by its
; class and title.
!macro CLOSE_RUNNING_COPY UN
Function ${UN}CloseRunningCopy
  FindWindow $0 "MemtideWindow" "FrmMemtideMain"
  StrCmp $0 0 done
  SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
  StrCpy $1 0
  wait:
    Sleep 250
    FindWindow $0 "MemtideWindow" "FrmMemtideMain"
    StrCmp $0 0 gone
    IntOp $1 $1 + 1
    IntCmp $1 20 force wait force
  force:
    nsExec::Exec 'taskkill /F /IM Memtide.exe'
    Pop $0
  gone:
    Sleep 500  ; the process ends just after its window
  done:
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING_COPY ""
!insertmacro CLOSE_RUNNING_COPY "un."

Function .onInit
!if ${ARCH} == "x64"
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "This is the 64-bit edition of ${PRODUCT}. Please use the 32-bit setup on this computer." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
!endif
  ; Silent installs choose start with Windows by a switch; interactive ones on the page.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/RUNATSTARTUP" $1
  ${If} ${Silent}
  ${AndIf} ${Errors}
    SectionSetFlags 1 0
  ${EndIf}
FunctionEnd

Section "${PRODUCT}" SecMain
  SectionIn RO
  Call CloseRunningCopy
  SetOutPath "$INSTDIR"
  File "${STAGE}\Memtide.exe"
  File "${STAGE}\*.png"
  File "${STAGE}\*.lng"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetShellVarContext all
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Memtide.exe"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Memtide.exe"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Section "Start with Windows" SecRun
  ; The same value the program's own option writes; quoted because the path has blanks.
  WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\Memtide.exe"'
SectionEnd

Function un.onInit
!if ${ARCH} == "x64"
  SetRegView 64
!endif
FunctionEnd

Section "Uninstall"
  Call un.CloseRunningCopy
  ; By name: the folder may hold files of the user's own (another language file, say).
  Delete "$INSTDIR\Memtide.exe"
  Delete "$INSTDIR\p1.png"
  Delete "$INSTDIR\p2.png"
  Delete "$INSTDIR\English.lng"
  Delete "$INSTDIR\French.lng"
  Delete "$INSTDIR\German.lng"
  Delete "$INSTDIR\Spanish.lng"
  Delete "$INSTDIR\Memtide.ini"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  ; Only the entry that starts this copy: a portable copy uses the same value name.
  ReadRegStr $1 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $1 == '"$INSTDIR\Memtide.exe"'
  ${OrIf} $1 == "$INSTDIR\Memtide.exe"
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
  DeleteRegKey HKLM "${UNINST_KEY}"
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/PURGE" $1
  ${IfNot} ${Errors}
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Quorix"
  ${Else}
    MessageBox MB_YESNO|MB_ICONQUESTION "Do you also want to remove your ${PRODUCT} settings?" /SD IDNO IDNO keep
      DeleteRegKey HKCU "${SETTINGS_KEY}"
      DeleteRegKey /ifempty HKCU "Software\Quorix"
    keep:
  ${EndIf}
SectionEnd
