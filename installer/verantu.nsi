; Verantu! setup: installs the program's folder into Program Files and
; creates what the program expects of its installation, the root key
; HKLM "Software\Q\Tolvik" with InsDir. The uninstaller takes the files and
; the installation's values away but keeps the profiles under Setting, so a
; later installation's first start offers them back.
;
; Built by scripts/build-installer.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=3.30 -DDEPLOY_DIR=<folder>
;            -DUNINSTALL_LIST=<file> -DOUTFILE=<setup.exe> verantu.nsi
; where UNINSTALL_LIST names, one Delete or RMDir line each, exactly what
; DEPLOY_DIR installs: the uninstaller removes those and nothing else, so a
; folder chosen by the user that holds other files keeps them.

; A 64-bit installer for the 64-bit program: it writes the 64-bit registry
; view the program reads and installs into the 64-bit Program Files.
Target amd64-unicode
!include "MUI2.nsh"
!include "LogicLib.nsh"

!macro Require NAME
  !ifndef ${NAME}
    !error "${NAME} must be defined (-D${NAME}=...)"
  !endif
!macroend
!insertmacro Require VERSION
!insertmacro Require DEPLOY_DIR
!insertmacro Require UNINSTALL_LIST
!insertmacro Require OUTFILE

!define PRODUCT "Verantu!"
!define ROOT_KEY "Software\Q\Tolvik"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Verantu"
!define START_MENU "$SMPROGRAMS\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; The program needs full access to its key under HKEY_LOCAL_MACHINE, and the
; installation writes there and into Program Files.
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES64\Verantu"
SetCompressor zlib
ShowInstDetails show
ShowUninstDetails show

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

; The 64-bit view is a 64-bit process's default already; it is named so
; that the keys stay where the program reads them whatever the stub.
; Shortcuts go to the Start menu of all users, as the program is installed
; for all of them.
!macro UseProgramView
  SetRegView 64
  SetShellVarContext all
!macroend

!macro RequireAdministrator
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "管理者の権限で実行してください。" /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

Function .onInit
  !insertmacro RequireAdministrator
  !insertmacro UseProgramView
FunctionEnd

Function un.onInit
  !insertmacro RequireAdministrator
  !insertmacro UseProgramView
FunctionEnd

Section "Verantu!"
  SetOutPath "$INSTDIR"
  File /r "${DEPLOY_DIR}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The program finds its manual through InsDir, which ends with a backslash.
  WriteRegStr HKLM "${ROOT_KEY}" "InsDir" "$INSTDIR\"

  ; Shortcuts start in the installation folder (the output path).
  CreateDirectory "${START_MENU}"
  CreateShortcut "${START_MENU}\${PRODUCT}.lnk" "$INSTDIR\verantu.exe"
  CreateShortcut "${START_MENU}\マニュアル.lnk" "$INSTDIR\verantu.pdf"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\verantu.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !include "${UNINSTALL_LIST}"
  ; The debug log the program writes into its working folder, which is the
  ; installation folder when started from the Start menu.
  Delete "$INSTDIR\verantu.dbg"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "${START_MENU}\${PRODUCT}.lnk"
  Delete "${START_MENU}\マニュアル.lnk"
  RMDir "${START_MENU}"

  ; The installation's values go, and the undo state of its last switch
  ; with them; the profiles under Setting stay for a later installation.
  ; Without FirstExecuted that installation's first start offers them back.
  DeleteRegValue HKLM "${ROOT_KEY}" "InsDir"
  DeleteRegValue HKLM "${ROOT_KEY}" "FirstExecuted"
  DeleteRegKey HKLM "${ROOT_KEY}\Undo"
  DeleteRegKey HKLM "${ROOT_KEY}\UndoSource"
  Call un.DeleteRootKeyIfEmpty

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; The root key and "Software\Q" go only when nothing is left in them: a key
; with profiles or with values the uninstaller does not know stays.
Function un.DeleteKeyIfEmpty
  Exch $0
  Push $1
  Push $2
  EnumRegKey $1 HKLM "$0" 0
  EnumRegValue $2 HKLM "$0" 0
  ${If} $1 == ""
  ${AndIf} $2 == ""
    DeleteRegKey HKLM "$0"
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Function un.DeleteRootKeyIfEmpty
  Push "${ROOT_KEY}"
  Call un.DeleteKeyIfEmpty
  Push "Software\Q"
  Call un.DeleteKeyIfEmpty
FunctionEnd
