; Vaultkeep's installer and uninstaller.
;
; The build passes (makensis -D...):
;   VK_TARGET            x86-unicode (the release) or amd64-unicode (the test build)
;   VK_OUTFILE           the installer to write
;   VK_ARKWELL_EXE       the interactive program to install
;   VK_SERVICE_EXE       the service program to install
;   VK_VERSION_MAJOR, VK_VERSION_MINOR, VK_VERSION_BUILD, VK_VERSION_TEXT
;   VK_URL0 .. VK_URL7   the update-information address of each language
;   VK_ENABLE_LANGUAGE   the languages the program offers, as a hexadecimal bit mask
;
; Command line: /S installs (or uninstalls) silently; /LANGUAGE=n (0..7) picks
; the program's language without the language window. Installing over an
; installed copy upgrades it: the program is closed, the service stopped,
; the files replaced and the service started again; the settings stay.

Unicode true
Target ${VK_TARGET}
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Service.nsh

!define VK_PRODUCT "Vaultkeep"
!define VK_PUBLISHER "CORVANE"
!define VK_SERVICE_KEY "SYSTEM\CurrentControlSet\Services\${VK_SERVICE_NAME}"
!define VK_USER_KEY "SOFTWARE\CORVANE\Arkwell"
!define VK_USER_PARENT_KEY "SOFTWARE\CORVANE"
!define VK_RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define VK_RUN_VALUE "Arkwell"
!define VK_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${VK_PRODUCT}"
!define VK_SHORTCUT "$SMPROGRAMS\${VK_PRODUCT}.lnk"
!define VK_UNINSTALLER "Uninstall.exe"
!define VK_LANGUAGE_COUNT 8
; The exit code of a run that did not do all it should (NSIS's own for a
; run the script ended).
!define VK_EXIT_FAILED 2

Name "${VK_PRODUCT}"
OutFile "${VK_OUTFILE}"
RequestExecutionLevel admin
!if "${VK_TARGET}" == "amd64-unicode"
  InstallDir "$PROGRAMFILES64\CORVANE\${VK_PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\CORVANE\${VK_PRODUCT}"
!endif
; An installed copy is upgraded where it is.
InstallDirRegKey HKLM "${VK_UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VK_VERSION_MAJOR}.${VK_VERSION_MINOR}.${VK_VERSION_BUILD}.0"
VIFileVersion "${VK_VERSION_MAJOR}.${VK_VERSION_MINOR}.${VK_VERSION_BUILD}.0"
VIAddVersionKey /LANG=0 "ProductName" "${VK_PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${VK_PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${VK_PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VK_VERSION_TEXT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VK_VERSION_TEXT}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) ${VK_PUBLISHER}"

Var vk.Language    ; the program's language index, 0..7
Var vk.Upgrade     ; 1 when an installed copy is found
Var vk.HadService  ; 1 when the service existed before this run
Var vk.ImagePath   ; the service's program as registered before this run
Var vk.Failed      ; 1 when a step failed

!define MUI_ABORTWARNING
!define MUI_LANGDLL_ALLLANGUAGES  ; all eight, whatever the system's code page
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipFolderOnUpgrade
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; In the order of the program's language indexes.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Italian"
!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro MUI_LANGUAGE "Portuguese"
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_RESERVEFILE_LANGDLL
!include Texts.nsh

!insertmacro VK_SERVICE_FUNCTIONS ""
!insertmacro VK_SERVICE_FUNCTIONS "un."

; ---- Languages -----------------------------------------------------------

; The installer's language ($LANGUAGE) of a program language index (pushed;
; replaced by the result).
!macro VK_LANGUAGE_ID_FUNCTION un
Function ${un}VkLanguageIdOf
  Exch $0
  ${Select} $0
    ${Case} 1
      StrCpy $0 ${LANG_FRENCH}
    ${Case} 2
      StrCpy $0 ${LANG_GERMAN}
    ${Case} 3
      StrCpy $0 ${LANG_ITALIAN}
    ${Case} 4
      StrCpy $0 ${LANG_SPANISH}
    ${Case} 5
      StrCpy $0 ${LANG_PORTUGUESE}
    ${Case} 6
      StrCpy $0 ${LANG_SIMPCHINESE}
    ${Case} 7
      StrCpy $0 ${LANG_JAPANESE}
    ${CaseElse}
      StrCpy $0 ${LANG_ENGLISH}
  ${EndSelect}
  Exch $0
FunctionEnd
!macroend
!insertmacro VK_LANGUAGE_ID_FUNCTION ""
!insertmacro VK_LANGUAGE_ID_FUNCTION "un."

; The program language index of the installer's language $LANGUAGE.
Function VkLanguageIndexOf
  Push $0
  Push $1
  StrCpy $vk.Language 0
  ${ForEach} $0 0 7 + 1
    Push $0
    Call VkLanguageIdOf
    Pop $1
    ${If} $1 = $LANGUAGE
      StrCpy $vk.Language $0
      ${Break}
    ${EndIf}
  ${Next}
  Pop $1
  Pop $0
FunctionEnd

; $0 = 1 when $1 is the exact text of a language index 0..7.
Function VkIsLanguageIndex
  Push $2
  StrCpy $0 0
  ${ForEach} $2 0 7 + 1
    ${If} $1 S== $2
      StrCpy $0 1
      ${Break}
    ${EndIf}
  ${Next}
  Pop $2
FunctionEnd

; The language of the program, and of this installer: the one given with
; /LANGUAGE=, else the one an installed copy uses, else the system's (NSIS
; starts in the user's language when it is one of the eight). Without /S the
; language window offers the eight with that one selected.
Function .onInit
  ClearErrors
  ReadRegDWORD $0 HKLM "${VK_SERVICE_KEY}" "Language"
  ${IfNot} ${Errors}
  ${AndIf} $0 >= 0
  ${AndIf} $0 < ${VK_LANGUAGE_COUNT}
    Push $0
    Call VkLanguageIdOf
    Pop $LANGUAGE
  ${EndIf}

  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/LANGUAGE=" $1
  ${IfNot} ${Errors}
    Call VkIsLanguageIndex
    ${If} $0 = 0
      StrCpy $0 $1
      MessageBox MB_ICONSTOP|MB_OK "$(VkBadLanguage)" /SD IDOK
      SetErrorLevel ${VK_EXIT_FAILED}
      Abort
    ${EndIf}
    Push $1
    Call VkLanguageIdOf
    Pop $LANGUAGE
  ${Else}
    !insertmacro MUI_LANGDLL_DISPLAY
  ${EndIf}
  Call VkLanguageIndexOf

  StrCpy $vk.Upgrade 0
  ClearErrors
  ReadRegStr $0 HKLM "${VK_UNINSTALL_KEY}" "InstallLocation"
  ${IfNot} ${Errors}
  ${AndIf} ${FileExists} "$0\ArkwellSvc.exe"
    StrCpy $vk.Upgrade 1
  ${EndIf}
  StrCpy $vk.Failed 0
FunctionEnd

Function SkipFolderOnUpgrade
  ${IfThen} $vk.Upgrade = 1 ${|} Abort ${|}
FunctionEnd

; ---- Installation --------------------------------------------------------

Function VkFail
  DetailPrint "$(VkServiceFailed)"
  MessageBox MB_ICONEXCLAMATION|MB_OK "$(VkServiceFailed)" /SD IDOK
  StrCpy $vk.Failed 1
FunctionEnd

; Ends what runs of an installed copy: its program in this session and the
; service (waiting for its process, so the files can be replaced). A copy
; busy with a backup or a restore is left alone (the installation then ends).
; $0 = 0 when such a copy was found.
Function VkEndRunningCopy
  Call VkCloseProgram
  Pop $0
  ${IfThen} $0 = 0 ${|} Return ${|}
  Call VkQueryService
  StrCpy $vk.HadService 0
  ${IfThen} $vk.State <> 0 ${|} StrCpy $vk.HadService 1 ${|}
  ReadRegStr $vk.ImagePath HKLM "${VK_SERVICE_KEY}" "ImagePath"
  Call VkStopService
FunctionEnd

; Registers and starts the service. One registered for this folder is only
; started again: its key holds the machine's settings. One registered for a
; program elsewhere is replaced, keeping the update-notice setting.
Function VkSetUpService
  ${If} $vk.HadService = 1
  ${AndIf} $vk.ImagePath == '"$INSTDIR\ArkwellSvc.exe"'
    Call VkStartService
    ${If} $vk.State <> ${VK_SERVICE_RUNNING}
      StrCpy $0 $vk.State
      Call VkFail
    ${EndIf}
    Return
  ${EndIf}
  ClearErrors
  ReadRegDWORD $1 HKLM "${VK_SERVICE_KEY}" "UpdateNotice"
  ${If} ${Errors}
    StrCpy $1 ""
  ${EndIf}
  ${If} $vk.HadService = 1
    ExecWait '"$INSTDIR\ArkwellSvc.exe" U'
    Push 0
    Call VkWaitForState
  ${EndIf}
  ExecWait '"$INSTDIR\ArkwellSvc.exe" I' $0
  ${If} $0 <> 0
    Call VkFail
  ${EndIf}
  ${If} $1 != ""
    WriteRegDWORD HKLM "${VK_SERVICE_KEY}" "UpdateNotice" $1
  ${EndIf}
FunctionEnd

; The machine-wide values the service and the program read: the update
; address of every language, the languages offered, the language chosen.
Function VkWriteMachineValues
  WriteRegStr HKLM "${VK_SERVICE_KEY}" "URL0" "${VK_URL0}"
  WriteRegStr HKLM "${VK_SERVICE_KEY}" "URL1" "${VK_URL1}"
  WriteRegStr HKLM "${VK_SERVICE_KEY}" "URL2" "${VK_URL2}"
  WriteRegStr HKLM "${VK_SERVICE_KEY}" "URL3" "${VK_URL3}"
  WriteRegStr HKLM "${VK_SERVICE_KEY}" "URL4" "${VK_URL4}"
  WriteRegStr HKLM "${VK_SERVICE_KEY}" "URL5" "${VK_URL5}"
  WriteRegStr HKLM "${VK_SERVICE_KEY}" "URL6" "${VK_URL6}"
  WriteRegStr HKLM "${VK_SERVICE_KEY}" "URL7" "${VK_URL7}"
  WriteRegStr HKLM "${VK_SERVICE_KEY}" "EnableLanguage" "${VK_ENABLE_LANGUAGE}"
  WriteRegDWORD HKLM "${VK_SERVICE_KEY}" "Language" $vk.Language
FunctionEnd

Function VkWriteUninstallEntry
  WriteRegStr HKLM "${VK_UNINSTALL_KEY}" "DisplayName" "${VK_PRODUCT}"
  WriteRegStr HKLM "${VK_UNINSTALL_KEY}" "DisplayVersion" "${VK_VERSION_TEXT}"
  WriteRegStr HKLM "${VK_UNINSTALL_KEY}" "Publisher" "${VK_PUBLISHER}"
  WriteRegStr HKLM "${VK_UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\Arkwell.exe"'
  WriteRegStr HKLM "${VK_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${VK_UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${VK_UNINSTALLER}"'
  WriteRegStr HKLM "${VK_UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${VK_UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${VK_UNINSTALL_KEY}" "VersionMajor" ${VK_VERSION_MAJOR}
  WriteRegDWORD HKLM "${VK_UNINSTALL_KEY}" "VersionMinor" ${VK_VERSION_MINOR}
  WriteRegDWORD HKLM "${VK_UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${VK_UNINSTALL_KEY}" "NoRepair" 1
FunctionEnd

Section "${VK_PRODUCT}"
  SectionIn RO
  SetShellVarContext current
  Call VkEndRunningCopy
  ${If} $0 = 0
    MessageBox MB_ICONSTOP|MB_OK "$(VkBusy)" /SD IDOK
    Abort
  ${EndIf}

  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "/oname=Arkwell.exe" "${VK_ARKWELL_EXE}"
  File "/oname=ArkwellSvc.exe" "${VK_SERVICE_EXE}"
  WriteUninstaller "$INSTDIR\${VK_UNINSTALLER}"

  Call VkSetUpService
  Call VkWriteMachineValues
  WriteRegStr HKCU "${VK_RUN_KEY}" "${VK_RUN_VALUE}" '"$INSTDIR\Arkwell.exe"'
  CreateShortCut "${VK_SHORTCUT}" "$INSTDIR\Arkwell.exe"
  Call VkWriteUninstallEntry

  Exec '"$INSTDIR\Arkwell.exe"'
  ${IfThen} $vk.Failed = 1 ${|} SetErrorLevel ${VK_EXIT_FAILED} ${|}
SectionEnd

; ---- Removal -------------------------------------------------------------

Function un.onInit
  ClearErrors
  ReadRegDWORD $0 HKLM "${VK_SERVICE_KEY}" "Language"
  ${IfNot} ${Errors}
    Push $0
    Call un.VkLanguageIdOf
    Pop $LANGUAGE
  ${EndIf}
FunctionEnd

; The service: stopped (waiting for its process), removed with its own "U"
; (which also deletes its firewall rules), and its key with the machine's
; values once the service manager no longer knows it.
Function un.VkRemoveService
  Call un.VkStopService
  ${If} ${FileExists} "$INSTDIR\ArkwellSvc.exe"
    ExecWait '"$INSTDIR\ArkwellSvc.exe" U'
  ${EndIf}
  Push 0
  Call un.VkWaitForState
  ${If} $vk.State = 0
    DeleteRegKey HKLM "${VK_SERVICE_KEY}"
  ${EndIf}
FunctionEnd

; Only what the installer put there: the backup disks and anything else a
; user keeps in the folder are never touched.
Section "Uninstall"
  SetShellVarContext current
  Call un.VkCloseProgram
  Pop $0
  ${If} $0 = 0
    MessageBox MB_ICONSTOP|MB_OK "$(VkBusy)" /SD IDOK
    Abort
  ${EndIf}
  Call un.VkRemoveService

  DeleteRegValue HKCU "${VK_RUN_KEY}" "${VK_RUN_VALUE}"
  DeleteRegKey HKCU "${VK_USER_KEY}"
  DeleteRegKey /ifempty HKCU "${VK_USER_PARENT_KEY}"
  Delete "${VK_SHORTCUT}"

  Delete /REBOOTOK "$INSTDIR\Arkwell.exe"
  Delete /REBOOTOK "$INSTDIR\ArkwellSvc.exe"
  Delete "$INSTDIR\${VK_UNINSTALLER}"
  RMDir "$INSTDIR"
  ; The publisher's folder of the default place, when nothing else is in it.
  ${GetParent} "$INSTDIR" $0
  ${GetFileName} "$0" $1
  ${IfThen} $1 == "${VK_PUBLISHER}" ${|} RMDir "$0" ${|}
  DeleteRegKey HKLM "${VK_UNINSTALL_KEY}"
SectionEnd
