#include "service/ServiceHost.h"

#include <dbt.h>

#include <atomic>
#include <cwchar>
#include <memory>
#include <string>

#include "common/Handle.h"
#include "service/DriveScan.h"
#include "service/Firewall.h"
#include "service/RequestHandler.h"
#include "service/ServiceData.h"
#include "service/UpdateCheck.h"
#ifdef VK_SIMULATED_DEVICES
#include "service/SimulatedDevices.h"
#endif

namespace vk::svc {
namespace {

constexpr int kProgramPathChars = 270;
constexpr DWORD kImagePathBytes = 522;
constexpr int kInstallWaitTries = 20;
constexpr DWORD kInstallWaitMs = 1000;
constexpr DWORD kWaitSliceMs = 1000;
constexpr DWORD kStartHintMs = 5000;
constexpr DWORD kStartStepHintMs = 1000;
constexpr DWORD kStopHintMs = 5000;
constexpr DWORD kStopWaitHintMs = 3000;
constexpr DWORD kPauseHintMs = 1000;

// GUID_DEVINTERFACE_USB_DEVICE and GUID_DEVINTERFACE_USB_HUB.
constexpr GUID kUsbDeviceInterface = {0xA5DCBF10, 0x6530, 0x11D2,
                                      {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
constexpr GUID kUsbHubInterface = {0xF18A0E88, 0xC30C, 0x11D0,
                                   {0x88, 0x15, 0x00, 0xA0, 0xC9, 0x06, 0xBE, 0xD8}};

void WriteString(HKEY key, const wchar_t* name, const wchar_t* text) {
  ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::wcslen(text) * sizeof(wchar_t)));
}

// The service manager stores the path unquoted; a path with blanks must be
// quoted or the manager may start another program.
void QuoteImagePath() {
  RegKey key = OpenRegKey(HKEY_LOCAL_MACHINE, kServiceKeyPath, KEY_READ | KEY_WRITE);
  if (!key.Get()) return;
  wchar_t path[kImagePathBytes / sizeof(wchar_t) + 1] = {};
  DWORD bytes = kImagePathBytes;
  if (::RegQueryValueExW(key.Get(), L"ImagePath", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(path), &bytes) != ERROR_SUCCESS ||
      !path[0])
    return;
  wchar_t quoted[kProgramPathChars + 1];
  int n = std::swprintf(quoted, kProgramPathChars + 1, L"\"%ls\"", path);
  if (n > 0 && n <= kProgramPathChars) WriteString(key.Get(), L"ImagePath", quoted);
}

void WaitUntilUp() {
  for (int i = 0; i < kInstallWaitTries; ++i) {
    ::Sleep(kInstallWaitMs);
    KernelHandle doorbell(::OpenEventW(kUserDoorbellRights, FALSE, kDoorbellName));
    if (doorbell) return;
  }
}

std::wstring SiblingProgram(const wchar_t* programPath, const wchar_t* name) {
  std::wstring path(programPath);
  size_t slash = path.find_last_of(L"\\/");
  return (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + name;
}

// ---- The service object ------------------------------------------------------

class CArkwellSvcApp {
 public:
  static CArkwellSvcApp& Instance() {
    static CArkwellSvcApp app;
    return app;
  }
  void SetLastDrives(uint32_t mask) { lastDrives_ = mask; }
  void ServiceMain();
  void Control(DWORD control, DWORD eventType);
  void Worker();

 private:
  DWORD Start();
  void StopService(DWORD exitCode);
  bool Report(DWORD state, DWORD accepted, DWORD checkpoint, DWORD waitHint, DWORD exitCode = 0);
  void RegisterNotifications();
  void Idle();
  void ChooseDevices();

  SERVICE_STATUS_HANDLE status_ = nullptr;
  KernelHandle stopEvent_;
  KernelHandle resumeGate_;  // set while the worker may run
  KernelHandle worker_;
  // Set by the control handler's thread, read by the worker and ServiceMain.
  std::atomic<bool> running_{false}, paused_{false}, stop_{false};
  ChannelServer channel_;
  ServiceData data_;
  RealSystemActions actions_;
  std::unique_ptr<DeviceSource> devices_;
  DownloadContext download_;
  UpdateRhythm rhythm_;
  HDEVNOTIFY notify_[2] = {};
  uint32_t lastDrives_ = 0;
};

DWORD WINAPI HandlerThunk(DWORD control, DWORD eventType, LPVOID, LPVOID) {
  try {
    CArkwellSvcApp::Instance().Control(control, eventType);
  } catch (...) {
  }
  return NO_ERROR;
}

DWORD WINAPI WorkerThunk(LPVOID) {
  try {
    CArkwellSvcApp::Instance().Worker();
  } catch (...) {
  }
  return 0;
}

void WINAPI ServiceMainThunk(DWORD, LPWSTR*) {
  try {
    CArkwellSvcApp::Instance().ServiceMain();
  } catch (...) {
  }
}

bool CArkwellSvcApp::Report(DWORD state, DWORD accepted, DWORD checkpoint, DWORD waitHint,
                            DWORD exitCode) {
  if (!status_) return false;
  SERVICE_STATUS s{};
  s.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  s.dwCurrentState = state;
  s.dwControlsAccepted = accepted;
  s.dwWin32ExitCode = exitCode;
  s.dwServiceSpecificExitCode = 0;
  s.dwCheckPoint = checkpoint;
  s.dwWaitHint = waitHint;
  return ::SetServiceStatus(status_, &s) != FALSE;
}

void CArkwellSvcApp::RegisterNotifications() {
  const GUID* guids[2] = {&kUsbDeviceInterface, &kUsbHubInterface};
  for (int i = 0; i < 2; ++i) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = *guids[i];
    notify_[i] = ::RegisterDeviceNotificationW(status_, &filter, DEVICE_NOTIFY_SERVICE_HANDLE);
  }
}

void CArkwellSvcApp::ChooseDevices() {
  devices_.reset();
#ifdef VK_SIMULATED_DEVICES
  if (SimulatedDevicesConfigured()) {
    devices_ = CreateSimulatedDeviceSource();
    rhythm_ = UpdateRhythm(ReadTestDword(L"FirstCheckMs", kFirstCheckDelayMs),
                           ReadTestDword(L"CheckPeriodMs", kCheckPeriodMs));
  }
#endif
  if (!devices_) devices_ = CreateRealDeviceSource();
}

// Steps 3 to 7 of the start; 0 or the error that ends it.
DWORD CArkwellSvcApp::Start() {
  if (!Report(SERVICE_START_PENDING, 0, 0, kStartHintMs)) return ::GetLastError();
  if (DWORD error = channel_.Create()) return error;
  if (!data_.CreateSemaphore(kDriveSemaphoreName)) return ::GetLastError();
  stopEvent_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  resumeGate_.Reset(::CreateEventW(nullptr, TRUE, TRUE, nullptr));
  if (!stopEvent_ || !resumeGate_) return ::GetLastError();
  if (!Report(SERVICE_START_PENDING, 0, 1, kStartStepHintMs) ||
      !Report(SERVICE_START_PENDING, 0, 2, kStartHintMs))
    return ::GetLastError();
  ChooseDevices();
  stop_ = false;
  worker_.Reset(::CreateThread(nullptr, 0, WorkerThunk, nullptr, 0, nullptr));
  if (!worker_) return ::GetLastError();
  running_ = true;
  if (!Report(SERVICE_RUNNING, kControlsAccepted, 0, 0)) return ::GetLastError();
  return 0;
}

void CArkwellSvcApp::ServiceMain() {
  status_ = ::RegisterServiceCtrlHandlerExW(kServiceName, HandlerThunk, nullptr);
  if (!status_) return StopService(::GetLastError());
  RegisterNotifications();
  if (DWORD error = Start()) return StopService(error);
  while (::WaitForSingleObject(stopEvent_.Get(), kWaitSliceMs) == WAIT_TIMEOUT) {
  }
  StopService(0);
  stopEvent_.Reset();
}

void CArkwellSvcApp::StopService(DWORD exitCode) {
  stop_ = true;
  download_.Cancel();  // an update check in progress ends at once
  if (channel_.Doorbell()) ::SetEvent(channel_.Doorbell());
  if (resumeGate_) ::SetEvent(resumeGate_.Get());
  for (DWORD checkpoint = 1; worker_; ++checkpoint) {
    if (::WaitForSingleObject(worker_.Get(), kWaitSliceMs) != WAIT_TIMEOUT) break;
    Report(SERVICE_STOP_PENDING, kControlsAccepted, checkpoint, kStopWaitHintMs);
  }
  worker_.Reset();
  channel_.Close();
  Report(SERVICE_STOPPED, kControlsAccepted, 0, 0, exitCode);
  data_.CloseSemaphore();
}

void CArkwellSvcApp::Control(DWORD control, DWORD eventType) {
  ControlOutcome o = DecideControl(control, eventType, running_, paused_);
  if (o.pendingState) {
    DWORD hint = o.pendingState == SERVICE_STOP_PENDING ? kStopHintMs : kPauseHintMs;
    Report(o.pendingState, kControlsAccepted, 0, hint);
  }
  switch (o.action) {
    case ControlAction::Stop:
      running_ = false;
      paused_ = false;
      StopService(0);
      if (stopEvent_) ::SetEvent(stopEvent_.Get());
      break;
    case ControlAction::Pause:
      paused_ = true;
      ::ResetEvent(resumeGate_.Get());
      break;
    case ControlAction::Continue:
      paused_ = false;
      ::SetEvent(resumeGate_.Get());
      break;
    case ControlAction::Rescan: data_.rescanFlag = true; break;
    case ControlAction::None: break;
  }
  if (o.finalState) Report(o.finalState, kControlsAccepted, 0, 0);
}

void CArkwellSvcApp::Idle() {
  if (rhythm_.Due(::GetTickCount())) {
    CheckForUpdate(data_, download_);
    rhythm_.Advance();  // also after a skipped or failed check
  }
  uint32_t drives = ::GetLogicalDrives();
  if (drives != lastDrives_) {
    data_.rescanFlag = true;
    lastDrives_ = drives;
  }
  if (devices_->TakeDeviceChange()) data_.rescanFlag = true;
  if (data_.rescanFlag) RescanDrives(*devices_, data_);
}

void CArkwellSvcApp::Worker() {
  rhythm_.Start(::GetTickCount());
  {
    ServiceData::Lock lock(data_);
    data_.update = {};
    ReadOwnFileVersion(&data_.update.nCurrentMajor, &data_.update.nCurrentMinor);
  }
  DWORD lastIdle = ::GetTickCount();
  for (;;) {
    DWORD wait = ::WaitForSingleObject(channel_.Doorbell(), kDoorbellWaitMs);
    ::WaitForSingleObject(resumeGate_.Get(), INFINITE);  // a paused worker rests here
    if (stop_) break;
    if (wait == WAIT_OBJECT_0) channel_.ServeOne(data_, actions_);
    // Requests arriving faster than the wait must not starve the scan and
    // the update check: their turn comes at least every wait period.
    if (wait == WAIT_TIMEOUT || ::GetTickCount() - lastIdle >= kDoorbellWaitMs) {
      Idle();
      lastIdle = ::GetTickCount();
    }
  }
  CloseDownload(download_);
}

}  // namespace

CommandLineAction ParseCommandLine(const wchar_t* arguments) {
  if (!arguments || !arguments[0]) return CommandLineAction::RunService;
  if (arguments[0] == L'I') return CommandLineAction::Install;
  if (arguments[0] == L'U') return CommandLineAction::Uninstall;
  return CommandLineAction::Nothing;
}

ControlOutcome DecideControl(DWORD control, DWORD eventType, bool running, bool paused) {
  // The state the service is really in; a control that changes nothing
  // reports it unchanged.
  DWORD current = paused ? SERVICE_PAUSED : SERVICE_RUNNING;
  switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN: return {ControlAction::Stop, SERVICE_STOP_PENDING, 0};
    case SERVICE_CONTROL_PAUSE:
      if (running && !paused)
        return {ControlAction::Pause, SERVICE_PAUSE_PENDING, SERVICE_PAUSED};
      return {ControlAction::None, 0, current};
    case SERVICE_CONTROL_CONTINUE:
      if (running && paused)
        return {ControlAction::Continue, SERVICE_CONTINUE_PENDING, SERVICE_RUNNING};
      return {ControlAction::None, 0, current};
    case SERVICE_CONTROL_DEVICEEVENT:
      if (eventType == DBT_DEVNODES_CHANGED || eventType == DBT_DEVICEARRIVAL ||
          eventType == DBT_DEVICEREMOVECOMPLETE)
        return {ControlAction::Rescan, 0, current};
      return {ControlAction::None, 0, current};
    default: return {ControlAction::None, 0, current};
  }
}

DWORD InstallService(const wchar_t* programPath) {
  ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  if (!manager) return ::GetLastError();
  ServiceHandle service(::CreateServiceW(
      manager.Get(), kServiceName, kDisplayName, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
      SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, programPath, nullptr, nullptr, nullptr, nullptr,
      nullptr));
  if (!service) return ::GetLastError();  // an existing service stays as it is
  QuoteImagePath();
  if (!::StartServiceW(service.Get(), 0, nullptr)) return ::GetLastError();
  WaitUntilUp();
  RegKey key = OpenRegKey(HKEY_LOCAL_MACHINE, kServiceKeyPath, KEY_READ | KEY_WRITE);
  if (key.Get()) WriteString(key.Get(), L"Description", kDescription);
  return 0;
}

DWORD UninstallService() {
  ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  if (!manager) return ::GetLastError();
  ServiceHandle service(::OpenServiceW(manager.Get(), kServiceName, SERVICE_ALL_ACCESS));
  if (!service) return ::GetLastError();
  SERVICE_STATUS status{};
  if (!::QueryServiceStatus(service.Get(), &status)) return ::GetLastError();
  if (status.dwCurrentState != SERVICE_STOPPED)
    ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
  if (!::DeleteService(service.Get())) return ::GetLastError();
  return 0;
}

int RunServiceProgram(const wchar_t* arguments) {
  CommandLineAction action = ParseCommandLine(arguments);
  if (action == CommandLineAction::RunService) {
    CArkwellSvcApp::Instance().SetLastDrives(::GetLogicalDrives());
    wchar_t name[] = L"ArkwellSvc";
    SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMainThunk}, {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherW(table) ? 0 : static_cast<int>(::GetLastError());
  }
  if (action == CommandLineAction::Nothing) return 0;
  wchar_t self[kProgramPathChars + 1] = {};
  DWORD n = ::GetModuleFileNameW(nullptr, self, kProgramPathChars + 1);
  if (n == 0 || n > kProgramPathChars) return ERROR_FILENAME_EXCED_RANGE;
  std::wstring interactive = SiblingProgram(self, kInteractiveProgram);
  DWORD result;
  if (action == CommandLineAction::Install) {
    result = InstallService(self);
    AddFirewallRule(self);
    AddFirewallRule(interactive.c_str());
  } else {
    result = UninstallService();
    DeleteFirewallRule(self);
    DeleteFirewallRule(interactive.c_str());
  }
  return static_cast<int>(result);
}

}  // namespace vk::svc
