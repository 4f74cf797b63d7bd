#include "tests/driver/Service.h"

#include <cwchar>

#include "service/SimulatedDevices.h"
#include "servicelink/ServiceClient.h"
#include "tests/driver/Observe.h"
#include "tests/driver/Program.h"

namespace vk::driver {
namespace {

constexpr wchar_t kDisksSubkey[] = L"\\Disks\\";
constexpr wchar_t kGenerationValue[] = L"Generation";

std::wstring DiskKey(const std::wstring& name) {
  return std::wstring(svc::kTestKeyPath) + kDisksSubkey + name;
}

std::string Narrow(const std::wstring& text) {
  std::string s;
  for (wchar_t c : text) s += c < 0x80 ? static_cast<char>(c) : '?';
  return s;
}

bool Lists(const std::vector<svc::_SVC_DRVINFO>& drives, const std::wstring& friendlyName) {
  for (const svc::_SVC_DRVINFO& d : drives) {
    if (::wcsncmp(d.szFriendlyName, friendlyName.c_str(), svc::kPathChars) == 0) return true;
  }
  return false;
}

}  // namespace

int RunServiceProgram(const wchar_t* arguments) { return RunProgram(ServiceExe(), arguments); }

ServiceManager::ServiceManager()
    : manager_(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)),
      service_(manager_ ? ::OpenServiceW(manager_.Get(), svc::kServiceName, SERVICE_ALL_ACCESS)
                        : nullptr) {}

DWORD ServiceManager::State() const {
  SERVICE_STATUS status = {};
  return service_ && ::QueryServiceStatus(service_.Get(), &status) ? status.dwCurrentState : 0;
}

DWORD ServiceManager::Control(DWORD control) const {
  SERVICE_STATUS status = {};
  return service_ && ::ControlService(service_.Get(), control, &status) ? status.dwCurrentState : 0;
}

bool ServiceManager::Start() const { return service_ && ::StartServiceW(service_.Get(), 0, nullptr); }

::testing::AssertionResult ServiceManager::WaitForState(DWORD state, DWORD deadlineMs) const {
  return WaitFor("the service to reach state " + std::to_string(state), deadlineMs,
                 [&] { return State() == state; });
}

bool ServiceInstalled() { return ServiceManager().Installed(); }

::testing::AssertionResult InstallService() {
  if (::testing::AssertionResult removed = RemoveService(); !removed) return removed;
  const int code = RunServiceProgram(L"I");
  if (code != 0) return ::testing::AssertionFailure() << "ArkwellSvc.exe I ended with " << code;
  return ServiceManager().WaitForState(SERVICE_RUNNING);
}

::testing::AssertionResult RemoveService() {
  if (!ServiceInstalled()) return ::testing::AssertionSuccess();
  const int code = RunServiceProgram(L"U");
  if (code != 0) return ::testing::AssertionFailure() << "ArkwellSvc.exe U ended with " << code;
  return WaitFor("the service to be removed", kServiceDeadlineMs,
                 [] { return !ServiceInstalled(); });
}

::testing::AssertionResult StopService() {
  ServiceManager sc;
  if (sc.State() == SERVICE_STOPPED) return ::testing::AssertionSuccess();
  sc.Control(SERVICE_CONTROL_STOP);
  return sc.WaitForState(SERVICE_STOPPED);
}

::testing::AssertionResult StartService() {
  ServiceManager sc;
  if (!sc.Start()) return ::testing::AssertionFailure() << "StartService failed: " << ::GetLastError();
  return sc.WaitForState(SERVICE_RUNNING);
}

void ResetSimulation(DWORD firstCheckMs, DWORD checkPeriodMs) {
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, svc::kTestKeyPath);
  SetRegistryDword(HKEY_LOCAL_MACHINE, svc::kTestKeyPath, L"FirstCheckMs", firstCheckMs);
  SetRegistryDword(HKEY_LOCAL_MACHINE, svc::kTestKeyPath, L"CheckPeriodMs", checkPeriodMs);
  SetRegistryDword(HKEY_LOCAL_MACHINE, svc::kTestKeyPath, kGenerationValue, 1);
}

void ClearSimulation() { DeleteRegistryTree(HKEY_LOCAL_MACHINE, svc::kTestKeyPath); }

void AttachDisk(const SimulatedDisk& disk) {
  const std::wstring key = DiskKey(disk.name);
  SetRegistryString(HKEY_LOCAL_MACHINE, key, L"FriendlyName", disk.friendlyName);
  SetRegistryString(HKEY_LOCAL_MACHINE, key, L"Letters", disk.letters);
  SetRegistryQword(HKEY_LOCAL_MACHINE, key, L"LastLba", disk.lastLba);
  SetRegistryDword(HKEY_LOCAL_MACHINE, key, L"BlockLength", disk.blockLength);
  SetRegistryDword(HKEY_LOCAL_MACHINE, key, L"Vid", disk.vendorId);
  SetRegistryDword(HKEY_LOCAL_MACHINE, key, L"Pid", disk.productId);
  RingDeviceChange();
}

void DetachDisk(const std::wstring& name) {
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, DiskKey(name));
  RingDeviceChange();
}

void RingDeviceChange() {
  // Counted on from what is stored, so that every caller in every process
  // makes a new value.
  const DWORD generation =
      RegistryDword(HKEY_LOCAL_MACHINE, svc::kTestKeyPath, kGenerationValue, 0);
  SetRegistryDword(HKEY_LOCAL_MACHINE, svc::kTestKeyPath, kGenerationValue, generation + 1);
}

std::wstring LetterOf(int drive) { return std::wstring(1, static_cast<wchar_t>(L'A' + drive)); }

int32_t DriveCounter() {
  int32_t counter = -1;
  return link::GetDriveCounter(nullptr, &counter) == svc::kResultOk ? counter : -1;
}

bool ServiceDrives(std::vector<svc::_SVC_DRVINFO>* drives) {
  return link::GetDriveList(nullptr, *drives) == svc::kResultOk;
}

::testing::AssertionResult WaitForDrives(
    const std::string& what,
    const std::function<bool(const std::vector<svc::_SVC_DRVINFO>&)>& matches, DWORD deadlineMs) {
  return WaitFor(what, deadlineMs, [&] {
    std::vector<svc::_SVC_DRVINFO> drives;
    return ServiceDrives(&drives) && matches(drives);
  });
}

::testing::AssertionResult WaitForDiskListed(const std::wstring& friendlyName, DWORD deadlineMs) {
  return WaitForDrives("the service to list \"" + Narrow(friendlyName) + "\"",
                       [&](const auto& drives) { return Lists(drives, friendlyName); }, deadlineMs);
}

::testing::AssertionResult WaitForDiskGone(const std::wstring& friendlyName, DWORD deadlineMs) {
  return WaitForDrives("the service to drop \"" + Narrow(friendlyName) + "\"",
                       [&](const auto& drives) { return !Lists(drives, friendlyName); },
                       deadlineMs);
}

}  // namespace vk::driver
