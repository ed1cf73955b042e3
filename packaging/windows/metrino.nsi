; The Windows installer, built by scripts/windows.sh with
;   makensis -INPUTCHARSET UTF8 -DVERSION=0.0.3 -DSTAGE=<folder> -DICON=<.ico> -DOUTFILE=<.exe>
; STAGE holds install-files.nsh and uninstall-files.nsh, the lists of what is
; put down and taken away.
;
; It installs for the current user only, without administrator rights, into
; %LOCALAPPDATA%\Programs\metrino, with a Start-menu shortcut and an entry in
; the installed programs. "/S" installs silently; the silent uninstall that
; a caller can wait for is "uninstall.exe /S _?=<folder>", which runs in place
; instead of from a copy in the temporary folder and ends with its real exit
; code: 0 once the program is removed, 1 when its files could not be removed
; (the uninstaller's own file and the emptied folder go a moment after it
; ends, removed by a copy of it in the temporary folder). The
; uninstaller leaves the user's list (%APPDATA%\Korvex\metrino\list.xml) and
; settings (HKCU\Software\Korvex\metrino) alone. Neither goes ahead while the
; program runs: they ask for it to be closed, or, silent, end with exit code 2.

; A 64-bit installer for a 64-bit program.
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include MUI2.nsh
!include FileFunc.nsh

!define PRODUCT "Φ.Π.Α. μετρίνο"
!define MAKER "Korvex"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\metrino"
; A mutex that the program holds while it runs.
!define RUNNING_MUTEX "metrino-running"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\metrino"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
; The footer of every page names the program, not the tool that made it.
BrandingText "${PRODUCT} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\metrino.exe"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Greek"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_GREEK} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_GREEK} "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=${LANG_GREEK} "LegalCopyright" "© 2012 ${MAKER}"
VIAddVersionKey /LANG=${LANG_GREEK} "FileDescription" "Εγκατάσταση του ${PRODUCT}"
VIAddVersionKey /LANG=${LANG_GREEK} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_GREEK} "ProductVersion" "${VERSION}"

; Waits until the program is closed, asking the user; ends the installer or
; uninstaller when the user cancels, and at once when it runs silently.
!macro WAIT_UNTIL_CLOSED
    retry:
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MUTEX}") p .r0'
    StrCmp $0 0 closed
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "Το ${PRODUCT} είναι ανοιχτό. Κλείστε το και δοκιμάστε ξανά." \
        /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Quit
    closed:
!macroend

Function .onInit
    SetShellVarContext current
    !insertmacro WAIT_UNTIL_CLOSED
FunctionEnd

Function un.onInit
    SetShellVarContext current
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/TIDY" $R1
    IfErrors +3
        Call un.RemoveUninstaller
        Quit
    !insertmacro WAIT_UNTIL_CLOSED
FunctionEnd

; Removes the uninstaller that ran in place as soon as it has ended (for up
; to ten seconds), then the folder if it is empty.
Function un.RemoveUninstaller
    StrCpy $R2 0
    retry:
    Delete "$INSTDIR\uninstall.exe"
    IfFileExists "$INSTDIR\uninstall.exe" 0 removed
    IntOp $R2 $R2 + 1
    IntCmp $R2 200 removed
    Sleep 50
    Goto retry
    removed:
    RMDir "$INSTDIR"
FunctionEnd

Section
    !include "${STAGE}/install-files.nsh"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\metrino.exe" "" "$INSTDIR\metrino.exe" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\metrino.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" \
        '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    !include "${STAGE}/uninstall-files.nsh"
    Delete "$INSTDIR\uninstall.exe"
    ; Run in place, the uninstaller cannot delete its own file while it runs:
    ; a copy of it in the temporary folder does, once it has ended.
    IfFileExists "$INSTDIR\uninstall.exe" 0 +3
        CopyFiles /SILENT "$EXEPATH" "$TEMP\metrino-uninstall.exe"
        Exec '"$TEMP\metrino-uninstall.exe" /S /TIDY _?=$INSTDIR'
    ; Only when empty: the folder may have been one the user chose, with
    ; files of their own.
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    IfFileExists "$INSTDIR\metrino.exe" 0 +2
        SetErrorLevel 1
SectionEnd
