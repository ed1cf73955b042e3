; The Windows installer, built by scripts/windows.sh with
;   makensis -INPUTCHARSET UTF8 -DVERSION=0.0.3 -DSTAGE=<folder> -DICON=<.ico> -DOUTFILE=<.exe>
; STAGE holds install-files.nsh and uninstall-files.nsh, the lists of what is
; put down and taken away.
;
; It installs for the current user only, without administrator rights, into
; %LOCALAPPDATA%\Programs\metrino, with a Start-menu shortcut and an entry in
; the installed programs. "/S" installs (and uninstalls) silently. The
; uninstaller leaves the user's list (%APPDATA%\Korvex\metrino\list.xml) and
; settings (HKCU\Software\Korvex\metrino) alone.

; A 64-bit installer for a 64-bit program.
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include MUI2.nsh

!define PRODUCT "Φ.Π.Α. μετρίνο"
!define MAKER "Korvex"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\metrino"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\metrino"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

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
VIAddVersionKey /LANG=${LANG_GREEK} "LegalCopyright" "© ${MAKER}"
VIAddVersionKey /LANG=${LANG_GREEK} "FileDescription" "Εγκατάσταση του ${PRODUCT}"
VIAddVersionKey /LANG=${LANG_GREEK} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_GREEK} "ProductVersion" "${VERSION}"

Function .onInit
    SetShellVarContext current
FunctionEnd

Function un.onInit
    SetShellVarContext current
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
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    !include "${STAGE}/uninstall-files.nsh"
    Delete "$INSTDIR\uninstall.exe"
    ; Only when empty: the folder may have been one the user chose, with
    ; files of their own.
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
