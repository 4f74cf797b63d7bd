; The service and the interactive program as the installer and the
; uninstaller see them: the service's state and process through the service
; manager, stopping and starting it with a deadline, and closing the copies
; of the program that run in this session.
;
; Every wait below polls with a deadline: a service that never reaches the
; state asked for ends the wait, and the caller looks at the state it got.

!include LogicLib.nsh

!define VK_SERVICE_NAME "ArkwellSvc"
!define VK_INSTANCE_NAME "Arkwell201704"

!define VK_SC_MANAGER_CONNECT 0x0001
!define VK_SERVICE_QUERY_STATUS 0x0004
!define VK_SERVICE_START 0x0010
!define VK_SERVICE_STOP 0x0020
!define VK_SERVICE_CONTROL_STOP 1
!define VK_SERVICE_STOPPED 1
!define VK_SERVICE_RUNNING 4
!define VK_SC_STATUS_PROCESS_INFO 0
; SERVICE_STATUS_PROCESS: nine DWORDs; the state is the second, the process
; id the eighth.
!define VK_STATUS_PROCESS_BYTES 36
!define VK_SYNCHRONIZE 0x00100000
!define VK_WAIT_OBJECT_0 0

!define VK_POLL_MS 200
!define VK_SERVICE_POLLS 150         ; 30 s for a start, a stop, a removal
!define VK_PROCESS_WAIT_MS 15000     ; a stopped service's or a closed program's process ends
!define VK_PROGRAM_POLLS 50          ; 10 s for the program's copies to end

Var vk.State  ; the service's state; 0 when it is not installed
Var vk.Pid    ; its process id; 0 when it has none

!macro VK_SERVICE_FUNCTIONS un

; Fills $vk.State and $vk.Pid.
Function ${un}VkQueryService
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $vk.State 0
  StrCpy $vk.Pid 0
  System::Call 'advapi32::OpenSCManagerW(p 0, p 0, i ${VK_SC_MANAGER_CONNECT}) p .r0'
  ${If} $0 P<> 0
    System::Call 'advapi32::OpenServiceW(p r0, w "${VK_SERVICE_NAME}", i ${VK_SERVICE_QUERY_STATUS}) p .r1'
    ${If} $1 P<> 0
      System::Call '*(&i${VK_STATUS_PROCESS_BYTES}) p .r2'
      System::Call 'advapi32::QueryServiceStatusEx(p r1, i ${VK_SC_STATUS_PROCESS_INFO}, p r2, i ${VK_STATUS_PROCESS_BYTES}, *i 0) i .r3'
      ${If} $3 <> 0
        System::Call '*$2(i, i .r3, i, i, i, i, i, i .r4, i)'
        StrCpy $vk.State $3
        StrCpy $vk.Pid $4
      ${Else}
        StrCpy $vk.State ${VK_SERVICE_STOPPED}  ; installed, state unknown
      ${EndIf}
      System::Free $2
      System::Call 'advapi32::CloseServiceHandle(p r1)'
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(p r0)'
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Sends `control` (pushed) to the service, opened with `access` (pushed
; after it). The answer is not used: the caller waits for the state.
Function ${un}VkControlService
  Exch $1  ; access
  Exch
  Exch $2  ; control: 0 means start
  Push $0
  Push $3
  System::Call 'advapi32::OpenSCManagerW(p 0, p 0, i ${VK_SC_MANAGER_CONNECT}) p .r0'
  ${If} $0 P<> 0
    System::Call 'advapi32::OpenServiceW(p r0, w "${VK_SERVICE_NAME}", i r1) p .r3'
    ${If} $3 P<> 0
      ${If} $2 = 0
        System::Call 'advapi32::StartServiceW(p r3, i 0, p 0)'
      ${Else}
        System::Call '*(&i${VK_STATUS_PROCESS_BYTES}) p .r1'
        System::Call 'advapi32::ControlService(p r3, i r2, p r1)'
        System::Free $1
      ${EndIf}
      System::Call 'advapi32::CloseServiceHandle(p r3)'
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(p r0)'
  ${EndIf}
  Pop $3
  Pop $0
  Pop $2
  Pop $1
FunctionEnd

; Polls until the service's state is the one pushed (0 = removed) or the
; deadline passed; $vk.State holds the last state seen.
Function ${un}VkWaitForState
  Exch $0
  Push $1
  StrCpy $1 0
  ${Do}
    Call ${un}VkQueryService
    ${IfThen} $vk.State = $0 ${|} ${ExitDo} ${|}
    ${IfThen} $1 >= ${VK_SERVICE_POLLS} ${|} ${ExitDo} ${|}
    Sleep ${VK_POLL_MS}
    IntOp $1 $1 + 1
  ${Loop}
  Pop $1
  Pop $0
FunctionEnd

; Stops a running service and waits until it has stopped and its process has
; ended, so that its program file can be replaced or deleted.
Function ${un}VkStopService
  Push $0
  Push $1
  Call ${un}VkQueryService
  ${If} $vk.State <> 0
  ${AndIf} $vk.State <> ${VK_SERVICE_STOPPED}
    StrCpy $1 $vk.Pid
    Push ${VK_SERVICE_CONTROL_STOP}
    Push ${VK_SERVICE_STOP}
    Call ${un}VkControlService
    Push ${VK_SERVICE_STOPPED}
    Call ${un}VkWaitForState
    ${If} $1 <> 0
      System::Call 'kernel32::OpenProcess(i ${VK_SYNCHRONIZE}, i 0, i r1) p .r0'
      ${If} $0 P<> 0
        System::Call 'kernel32::WaitForSingleObject(p r0, i ${VK_PROCESS_WAIT_MS})'
        System::Call 'kernel32::CloseHandle(p r0)'
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; The process of the copy that marks its window with the instance name in
; this session, opened so that its end can be waited for; 0 when none runs.
Function ${un}VkOpenProgramProcess
  Push $0
  Push $1
  Push $2
  StrCpy $0 0
  StrCpy $2 0
  ${Do}
    System::Call 'user32::FindWindowExW(p 0, p r0, p 0, p 0) p .r0'
    ${IfThen} $0 P= 0 ${|} ${ExitDo} ${|}
    System::Call 'user32::GetPropW(p r0, w "${VK_INSTANCE_NAME}") p .r1'
    ${If} $1 P<> 0
      System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
      System::Call 'kernel32::OpenProcess(i ${VK_SYNCHRONIZE}, i 0, i r1) p .r2'
      ${ExitDo}
    ${EndIf}
  ${Loop}
  StrCpy $0 $2
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Asks the copies of the program in this session to close ("Arkwell.exe U")
; and waits until none holds the instance name and the process of the one
; that held it has ended: a copy writes its settings after it gave up the
; name, and its program file stays in use until its process is gone. Pushes
; 1 when none is left, 0 when a copy still runs (one busy with a backup or a
; restore ignores the request).
Function ${un}VkCloseProgram
  Push $0
  Push $1
  Push $2
  Call ${un}VkOpenProgramProcess
  Pop $2
  ${If} ${FileExists} "$INSTDIR\Arkwell.exe"
    ExecWait '"$INSTDIR\Arkwell.exe" U'
  ${EndIf}
  StrCpy $1 0
  ${Do}
    System::Call 'kernel32::OpenMutexW(i ${VK_SYNCHRONIZE}, i 0, w "${VK_INSTANCE_NAME}") p .r0'
    ${If} $0 P= 0
      StrCpy $0 1
      ${ExitDo}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    ${If} $1 >= ${VK_PROGRAM_POLLS}
      StrCpy $0 0
      ${ExitDo}
    ${EndIf}
    Sleep ${VK_POLL_MS}
    IntOp $1 $1 + 1
  ${Loop}
  ${If} $2 P<> 0
    ${If} $0 = 1
      System::Call 'kernel32::WaitForSingleObject(p r2, i ${VK_PROCESS_WAIT_MS}) i .r1'
      ${IfThen} $1 <> ${VK_WAIT_OBJECT_0} ${|} StrCpy $0 0 ${|}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

!macroend

; Starts the installed service and waits until it runs (the installer only).
Function VkStartService
  Push 0
  Push ${VK_SERVICE_START}
  Call VkControlService
  Push ${VK_SERVICE_RUNNING}
  Call VkWaitForState
FunctionEnd
