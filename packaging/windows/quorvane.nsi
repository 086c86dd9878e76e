; The Windows installer of Quorvane, built by makensis (NSIS 3) from the files in STAGE:
; quorvane.exe, quorvane-tag.exe, README.txt, LICENSE.txt and quorvane.ico.
; makensis -DSTAGE=DIR -DOUTFILE=FILE quorvane.nsi
;
; Installs for all users into Program Files, or for the current user alone into
; %LOCALAPPDATA%\Programs (the choice is a page, or /AllUsers and /CurrentUser on the
; command line; /S installs silently, for all users where the account may). Adds a Start
; menu shortcut, "Open with" for .mp3 files, "Quorvane で開く" on folders and drives, and an
; entry in Apps & features. The uninstaller takes away everything the installer added.

!ifndef STAGE | OUTFILE
  !error "define STAGE and OUTFILE"
!endif

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

; The version is the one quorvane.exe's resources carry: its four numbers, and VERSION as
; the project writes it, without the trailing zeros (0.1.0.0 is 0.1), as the program's
; --version and its FileVersion text say it.
!getdllversion "${STAGE}\quorvane.exe" QV_
!if "${QV_3}.${QV_4}" == "0.0"
  !define VERSION "${QV_1}.${QV_2}"
!else if "${QV_4}" == "0"
  !define VERSION "${QV_1}.${QV_2}.${QV_3}"
!else
  !define VERSION "${QV_1}.${QV_2}.${QV_3}.${QV_4}"
!endif
!define APP "Quorvane"
!define EXE "quorvane.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define APP_KEY "Software\Classes\Applications\${EXE}"
!define FOLDER_VERB "Software\Classes\Directory\shell\${APP}"
!define DRIVE_VERB "Software\Classes\Drive\shell\${APP}"
!define OPEN_WITH "Software\Classes\.mp3\OpenWithList\${EXE}"

Name "${APP}"
OutFile "${OUTFILE}"
BrandingText "${APP} ${VERSION}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${APP}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh

!define MUI_ICON "${STAGE}\quorvane.ico"
!define MUI_UNICON "${STAGE}\quorvane.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"

!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${QV_1}.${QV_2}.${QV_3}.${QV_4}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductName" "${APP}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "CompanyName" "${APP}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileDescription" "${APP} ${VERSION} セットアップ"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "LegalCopyright" "MIT License"

; Keys above ours that the installer has to make, and the folder above the installation
; folder, one bit each (CreatedKeys in the uninstall key), so that the uninstaller takes away
; those and nothing that was there before.
!define KEYS_APPLICATIONS 1
!define KEYS_MP3 2
!define KEYS_OPEN_WITH 4
!define KEYS_DIRECTORY 8
!define KEYS_DIRECTORY_SHELL 16
!define KEYS_DRIVE 32
!define KEYS_DRIVE_SHELL 64
!define KEYS_UNINSTALL 128
!define KEYS_PARENT_FOLDER 256
!define KEYS_CLASSES 512

!macro NoteNewKey BIT KEY
  ClearErrors
  EnumRegKey $R0 SHCTX "${KEY}" 0
  ${If} ${Errors}
    IntOp $R1 $R1 | ${BIT}
  ${EndIf}
!macroend

!macro DropNewKey BIT KEY
  IntOp $R0 $R1 & ${BIT}
  ${If} $R0 <> 0
    ; Unless another program has put something in it since.
    DeleteRegKey /ifnosubkeys /ifnovalues SHCTX "${KEY}"
  ${EndIf}
!macroend

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  ; Where this uninstaller lies: MultiUser sets INSTDIR from the registry of the mode it
  ; picks, which is the one for all users where both installations are there.
  StrCpy $R9 $INSTDIR
  !insertmacro MULTIUSER_UNINIT
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $R9
    Call un.MultiUser.InstallMode.CurrentUser
  ${ElseIf} $1 == $R9
    Call un.MultiUser.InstallMode.AllUsers
  ${EndIf}
  StrCpy $INSTDIR $R9
FunctionEnd

Section
  ; Installed over an earlier copy, the keys it made are there now: its record is kept.
  ClearErrors
  ReadRegDWORD $R1 SHCTX "${UNINSTALL_KEY}" "CreatedKeys"
  ${If} ${Errors}
    StrCpy $R1 0
  ${EndIf}
  !insertmacro NoteNewKey ${KEYS_CLASSES} "Software\Classes"
  !insertmacro NoteNewKey ${KEYS_APPLICATIONS} "Software\Classes\Applications"
  !insertmacro NoteNewKey ${KEYS_MP3} "Software\Classes\.mp3"
  !insertmacro NoteNewKey ${KEYS_OPEN_WITH} "Software\Classes\.mp3\OpenWithList"
  !insertmacro NoteNewKey ${KEYS_DIRECTORY} "Software\Classes\Directory"
  !insertmacro NoteNewKey ${KEYS_DIRECTORY_SHELL} "Software\Classes\Directory\shell"
  !insertmacro NoteNewKey ${KEYS_DRIVE} "Software\Classes\Drive"
  !insertmacro NoteNewKey ${KEYS_DRIVE_SHELL} "Software\Classes\Drive\shell"
  !insertmacro NoteNewKey ${KEYS_UNINSTALL} "Software\Microsoft\Windows\CurrentVersion\Uninstall"
  ; The folder that holds the installation folder (the per-user Programs folder).
  ${IfNot} ${FileExists} "$INSTDIR\..\*.*"
    IntOp $R1 $R1 | ${KEYS_PARENT_FOLDER}
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "${STAGE}\quorvane.exe"
  File "${STAGE}\quorvane-tag.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\${EXE}"

  ; SHCTX: HKLM for all users, HKCU for this user alone (MultiUser sets the shell context).
  WriteRegStr SHCTX "${APP_KEY}" "FriendlyAppName" "${APP}"
  WriteRegStr SHCTX "${APP_KEY}\DefaultIcon" "" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "${APP_KEY}\SupportedTypes" ".mp3" ""
  WriteRegStr SHCTX "${APP_KEY}\shell\open\command" "" '"$INSTDIR\${EXE}" "%1"'
  WriteRegStr SHCTX "${OPEN_WITH}" "" ""
  ; Folders and drives have no "Open with": a verb of their own.
  WriteRegStr SHCTX "${FOLDER_VERB}" "" "${APP} で開く"
  WriteRegStr SHCTX "${FOLDER_VERB}" "Icon" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "${FOLDER_VERB}\command" "" '"$INSTDIR\${EXE}" "%1"'
  WriteRegStr SHCTX "${DRIVE_VERB}" "" "${APP} で開く"
  WriteRegStr SHCTX "${DRIVE_VERB}" "Icon" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "${DRIVE_VERB}\command" "" '"$INSTDIR\${EXE}" "%1"'

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${APP}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallMode" "$MultiUser.InstallMode"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "CreatedKeys" $R1
  SectionGetSize 0 $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; Explorer reads the associations again.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\${APP}.lnk"
  ClearErrors
  ReadRegDWORD $R1 SHCTX "${UNINSTALL_KEY}" "CreatedKeys"
  ${If} ${Errors}
    StrCpy $R1 0
  ${EndIf}
  DeleteRegKey SHCTX "${APP_KEY}"
  DeleteRegKey SHCTX "${OPEN_WITH}"
  DeleteRegKey SHCTX "${FOLDER_VERB}"
  DeleteRegKey SHCTX "${DRIVE_VERB}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  !insertmacro DropNewKey ${KEYS_APPLICATIONS} "Software\Classes\Applications"
  !insertmacro DropNewKey ${KEYS_OPEN_WITH} "Software\Classes\.mp3\OpenWithList"
  !insertmacro DropNewKey ${KEYS_MP3} "Software\Classes\.mp3"
  !insertmacro DropNewKey ${KEYS_DIRECTORY_SHELL} "Software\Classes\Directory\shell"
  !insertmacro DropNewKey ${KEYS_DIRECTORY} "Software\Classes\Directory"
  !insertmacro DropNewKey ${KEYS_DRIVE_SHELL} "Software\Classes\Drive\shell"
  !insertmacro DropNewKey ${KEYS_DRIVE} "Software\Classes\Drive"
  !insertmacro DropNewKey ${KEYS_CLASSES} "Software\Classes"
  !insertmacro DropNewKey ${KEYS_UNINSTALL} "Software\Microsoft\Windows\CurrentVersion\Uninstall"

  Delete "$INSTDIR\quorvane.exe"
  Delete "$INSTDIR\quorvane-tag.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  ; Only the folders the installer made, and only when nothing else is in them.
  RMDir "$INSTDIR"
  IntOp $R0 $R1 & ${KEYS_PARENT_FOLDER}
  ${If} $R0 <> 0
    RMDir "$INSTDIR\.."
  ${EndIf}

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
