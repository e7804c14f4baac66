; The per-user installer of zentor.exe: no administrator rights, the program in
; %LOCALAPPDATA%\Programs\Zentor, a Start-menu shortcut that starts it in %APPDATA%\Zentor (where its settings
; file lives), and an uninstaller listed in "Apps and features" that removes what was installed and leaves
; the user's settings. Built by the target "installer" (cmake/windows-installer.cmake), which defines:
;   VERSION  the program's version          FILES  the generated list of the deploy folder's files
;   ICON     the program's icon             OUTFILE  the installer to write
Target amd64-unicode ; a 64-bit installer for the 64-bit program
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define PRODUCT "Zentor Configurator"
!define PUBLISHER "Zentor Configurator developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zentor"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Zentor"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1049 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1049 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1049 "FileDescription" "${PRODUCT} ${VERSION}: установка"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "LegalCopyright" "Copyright (c) 2026 The ${PUBLISHER}, MIT License"

!include "${FILES}"
!include "MUI2.nsh"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

; Files of a running program cannot be replaced or deleted: the system skips them and the folder is left
; half old or half gone. A program that runs holds its zentor.exe open for execution, so the file does not
; open for writing. Asked again until the user closes the program; on Cancel, or at once when silent (/S),
; nothing is touched and the exit code is 2.
!macro ZentorStopWhileRunning
  check_running:
    IfFileExists "$INSTDIR\zentor.exe" 0 not_running
    ClearErrors
    FileOpen $0 "$INSTDIR\zentor.exe" a
    IfErrors running
    FileClose $0
    Goto not_running
  running:
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Zentor Configurator запущен из папки$\r$\n$INSTDIR.$\r$\n$\r$\nЗакройте программу и нажмите «Повтор»." /SD IDCANCEL IDRETRY check_running
    SetErrorLevel 2
    Quit
  not_running:
!macroend

Section "Zentor"
  !insertmacro ZentorStopWhileRunning
  !insertmacro ZentorInstallFiles
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The working folder of the shortcut is the folder current when it is made.
  CreateDirectory "$APPDATA\Zentor"
  SetOutPath "$APPDATA\Zentor"
  CreateShortCut "$SMPROGRAMS\Zentor.lnk" "$INSTDIR\zentor.exe" "" "$INSTDIR\zentor.exe" 0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zentor.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there goes: a settings file in any of the folders stays, and so does the folder.
Section "Uninstall"
  !insertmacro ZentorStopWhileRunning
  Delete "$SMPROGRAMS\Zentor.lnk"
  !insertmacro ZentorUninstallFiles
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$APPDATA\Zentor"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
