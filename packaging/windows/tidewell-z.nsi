; The Windows setup program: installs TIDEWELL-Z for all users under
; Program Files with Start-menu entries, an uninstaller and an entry in
; "Installed apps" (Add/Remove Programs). Silent with /S, the uninstaller
; too. The uninstaller removes what the setup installed and nothing else:
; the settings in %APPDATA%\TIDEWELL-Z and the documents stay.
;
;   makensis -DVERSION=4.0 -DVERSION4=4.0.0.0 -DSTAGE=<folder> -DOUTFILE=<setup.exe>
;            -DICON=<tidewell-z.ico> tidewell-z.nsi
;
; STAGE holds the files as they are installed (scripts/package-windows and
; the build's tz-windows-setup target fill it).

; A 32-bit setup would install into the 32-bit view of Program Files and
; of the registry, and does not run at all on a Windows without WOW64.
Target amd64-unicode
Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma
; tidewell-z-cli.exe differs from tidewell-z.exe in a few bytes: a dictionary
; that holds the whole program stores it almost for nothing.
SetCompressorDictSize 64

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define APP "TIDEWELL-Z"
!define PUBLISHER "TIDEWELL-Z team"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "${APP} ${VERSION}"

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${APP} ${VERSION} setup"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\tidewell-z.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\manual.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show the manual"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Shortcuts for every user, under ProgramData's Start menu.
Function .onInit
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetShellVarContext all
FunctionEnd

Section "TIDEWELL-Z" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    File "${STAGE}/tidewell-z.exe"
    File "${STAGE}/tidewell-z-cli.exe"
    File "${STAGE}/Twell.ini"
    File "${STAGE}/manual.html"
    File "${STAGE}/README.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "$SMPROGRAMS\${APP}"
    CreateShortcut "$SMPROGRAMS\${APP}\${APP}.lnk" "$INSTDIR\tidewell-z.exe" "" \
        "$INSTDIR\tidewell-z.exe" 0 SW_SHOWNORMAL "" "Data transfer for the TIDEWELL-Z flowmeter"
    CreateShortcut "$SMPROGRAMS\${APP}\${APP} manual.lnk" "$INSTDIR\manual.html"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP} ${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tidewell-z.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Only the files the setup put there: anything an operator keeps in the
; folder stays, and so does the folder then.
Section "Uninstall"
    Delete "$INSTDIR\tidewell-z.exe"
    Delete "$INSTDIR\tidewell-z-cli.exe"
    Delete "$INSTDIR\Twell.ini"
    Delete "$INSTDIR\manual.html"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"

    Delete "$SMPROGRAMS\${APP}\${APP}.lnk"
    Delete "$SMPROGRAMS\${APP}\${APP} manual.lnk"
    RMDir "$SMPROGRAMS\${APP}"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
