// The service as a real process under the service manager: install, the
// channel from this separate process, simulated USB disks, the update check
// against a local HTTP server, pause and continue, stop, removal.
// Run by service_e2e.py, which serves the INI files on 127.0.0.1 at the port
// it names in VAULTKEEP_HTTP_PORT.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/Handle.h"
#include "service/SimulatedDevices.h"
#include "channel/SvcClient.h"
#include "servicelink/ServiceClient.h"
#include "tests/driver/Observe.h"
#include "tests/driver/Program.h"
#include "tests/driver/Service.h"
#include "tests/support/TestVolume.h"

namespace vk::test {
namespace {

using namespace vk::svc;
using namespace vk::link;

constexpr DWORD kScanWaitMs = 5000;
constexpr DWORD kCheckWaitMs = 15000;
constexpr DWORD kStopLimitMs = 1000;
// The service picks the simulated disks at start, and the short update
// rhythm: first check after half a second, then every second.
constexpr DWORD kFirstCheckMs = 500;
constexpr DWORD kCheckPeriodMs = 1000;
constexpr DWORD kBusyProbeMs = 500;

std::wstring ServerUrl(const std::wstring& file) {
  wchar_t port[16] = {};
  GetEnvironmentVariableW(L"VAULTKEEP_HTTP_PORT", port, 16);
  return std::wstring(L"http://127.0.0.1:") + port + L"/" + file;
}

// Where the interactive program downloads the installer: the temporary
// folder below this user's profile folder, created if missing.
std::wstring ProfileTempFolder() {
  wchar_t profile[MAX_PATH] = {};
  GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH);
  std::wstring folder = profile;
  for (const wchar_t* part : {L"\\AppData", L"\\Local", L"\\Temp"}) {
    folder += part;
    CreateDirectoryW(folder.c_str(), nullptr);
  }
  return folder;
}

using driver::RunServiceProgram;
using driver::ServiceExe;
using driver::WaitFor;
using Sc = driver::ServiceManager;

std::wstring ServiceString(const wchar_t* name) {
  return driver::RegistryString(HKEY_LOCAL_MACHINE, kServiceKeyPath, name, L"(missing)");
}

DWORD ServiceDword(const wchar_t* name) {
  return driver::RegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, name, 0xFFFFFFFF);
}

void SetString(const wchar_t* name, const std::wstring& value) {
  driver::SetRegistryString(HKEY_LOCAL_MACHINE, kServiceKeyPath, name, value);
}

int32_t Counter() { return driver::DriveCounter(); }

_SVC_UPDINFO UpdateInfo() {
  _SVC_UPDINFO info{};
  info.nCheckCount = -1;
  GetUpdateInfo(nullptr, &info);
  return info;
}

// Points the update URL at `file` and waits for two completed checks, so
// that at least one whole check ran after the change.
_SVC_UPDINFO CheckAgainst(const wchar_t* valueName, const std::wstring& file) {
  SetString(valueName, ServerUrl(file));
  int32_t before = UpdateInfo().nCheckCount;
  EXPECT_TRUE(WaitFor("two completed checks of " + std::string(file.begin(), file.end()),
                      kCheckWaitMs, [&] { return UpdateInfo().nCheckCount >= before + 2; }));
  return UpdateInfo();
}

class ServiceEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A service left behind by an interrupted run goes first.
    EXPECT_TRUE(driver::RemoveService());
    driver::ResetSimulation(kFirstCheckMs, kCheckPeriodMs);
  }
  static void TearDownTestSuite() {
    EXPECT_TRUE(driver::RemoveService());
    driver::ClearSimulation();
  }
};

TEST_F(ServiceEndToEnd, InstallCreatesAndStartsTheService) {
  ASSERT_FALSE(ServiceExe().empty());
  EXPECT_EQ(RunServiceProgram(L"i"), 0);  // lower case: nothing
  EXPECT_FALSE(Sc().Installed());

  ASSERT_EQ(RunServiceProgram(L"I"), 0);
  Sc sc;
  ASSERT_TRUE(sc.Installed());
  EXPECT_EQ(sc.State(), static_cast<DWORD>(SERVICE_RUNNING));
  std::vector<unsigned char> buffer(8192);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  DWORD needed = 0;
  ASSERT_TRUE(QueryServiceConfigW(sc.Service(), config, buffer.size(), &needed));
  EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(config->dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
  EXPECT_STREQ(config->lpDisplayName, L"Vaultkeep");
  EXPECT_STREQ(config->lpServiceStartName, L"LocalSystem");
  EXPECT_EQ(ServiceString(L"ImagePath"), L"\"" + ServiceExe() + L"\"");
  EXPECT_EQ(ServiceString(L"Description"), L"CORVANE Vaultkeep");

  // A second install finds the service and changes nothing.
  SetString(L"Description", L"kept");
  EXPECT_EQ(RunServiceProgram(L"I"), ERROR_SERVICE_EXISTS);
  EXPECT_EQ(ServiceString(L"Description"), L"kept");
  EXPECT_EQ(sc.State(), static_cast<DWORD>(SERVICE_RUNNING));
  SetString(L"Description", L"CORVANE Vaultkeep");
}

TEST_F(ServiceEndToEnd, ChannelAnswersTheSevenCommands) {
  // The service's command mutex, opened as a client opens it: only opened,
  // never created, with the rights a user gets.
  KernelHandle mutex(OpenMutexW(kUserMutexRights, FALSE, kCmdMutexName));
  ASSERT_TRUE(mutex.Valid());
  int32_t counter = -1;
  EXPECT_EQ(GetDriveCounter(mutex.Get(), &counter), kResultOk);
  EXPECT_GE(counter, 0);
  std::vector<_SVC_DRVINFO> drives;
  EXPECT_EQ(GetDriveList(mutex.Get(), drives), kResultOk);
  EXPECT_TRUE(drives.empty());
  EXPECT_EQ(SetServiceLanguage(mutex.Get(), 2), kResultOk);
  EXPECT_EQ(ServiceDword(L"Language"), 2u);
  EXPECT_EQ(SetServiceLanguage(mutex.Get(), 0), kResultOk);
  EXPECT_EQ(SetUpdateNotice(mutex.Get(), true), kResultOk);
  EXPECT_EQ(ServiceDword(L"UpdateNotice"), 1u);
  _SVC_DWORD_REQUEST nop{{SVC_CMD_NOP, 0, 16}, 0};
  EXPECT_EQ(SendServiceCommand(mutex.Get(), &nop, sizeof(nop)), kResultOk);
  _SVC_UPDINFO info{};
  EXPECT_EQ(GetUpdateInfo(mutex.Get(), &info), kResultOk);
  EXPECT_EQ(info.nCurrentMajor, 1);  // from the program's FileVersion "1.41.0508"
  EXPECT_EQ(info.nCurrentMinor, 41);
  // No setup URL known yet: the move is refused with nothing done.
  bool scheduled = true;
  EXPECT_EQ(DeleteFileAtRestart(mutex.Get(), L"C:\\windows\\win.ini", &scheduled), kResultOk);
  EXPECT_FALSE(scheduled);

  // Refused requests come back with status 1 and the payload as sent.
  _SVC_DWORD_REQUEST wrongSize{{SVC_CMD_GET_DRVCOUNTER, 0, 20}, 55};
  EXPECT_EQ(SendServiceCommand(mutex.Get(), &wrongSize, 16), kResultRefused);
  EXPECT_EQ(wrongSize.nValue, 55);
  _SVC_DWORD_REQUEST unknown{{250, 0, 16}, 56};
  EXPECT_EQ(SendServiceCommand(mutex.Get(), &unknown, 16), kResultRefused);
  EXPECT_EQ(unknown.nValue, 56);
}

TEST_F(ServiceEndToEnd, SimulatedDiskArrivalAndRemovalRaiseTheCounter) {
  int drive = ScratchDriveIndex();
  ASSERT_GE(drive, 0);
  int32_t before = Counter();
  driver::AttachDisk({L"A", L"Sim USB Disk", driver::LetterOf(drive), 999, 512, 0x1234, 0xABCD});
  ASSERT_TRUE(WaitFor("the counter to move", kScanWaitMs, [&] { return Counter() != before; }));
  EXPECT_EQ(Counter(), before + 1);

  std::vector<_SVC_DRVINFO> drives;
  ASSERT_EQ(GetDriveList(nullptr, drives), kResultOk);
  ASSERT_EQ(drives.size(), 1u);
  EXPECT_STREQ(drives[0].szFriendlyName, L"Sim USB Disk");
  EXPECT_EQ(drives[0].dwDriveMask, 1u << drive);
  EXPECT_EQ(drives[0].ullSectorCount, 1000u);
  EXPECT_EQ(drives[0].dwBytesPerSector, 512u);
  EXPECT_EQ(drives[0].wVendorId, 0x1234);
  EXPECT_EQ(drives[0].wProductId, 0xABCD);

  driver::DetachDisk(L"A");
  ASSERT_TRUE(WaitFor("the counter to move again", kScanWaitMs,
                      [&] { return Counter() != before + 1; }));
  EXPECT_EQ(Counter(), before + 2);
  ASSERT_EQ(GetDriveList(nullptr, drives), kResultOk);
  EXPECT_TRUE(drives.empty());
}

TEST_F(ServiceEndToEnd, UpdateCheckReadsTheServedIni) {
  _SVC_UPDINFO info = CheckAgainst(L"URL0", L"newer.ini");
  EXPECT_EQ(info.bUpdateAvailable, 1);
  EXPECT_EQ(info.nLatestMajor, 1);
  EXPECT_EQ(info.nLatestMinor, 42);
  EXPECT_STREQ(info.szURL, L"http://127.0.0.1/news.html");
  EXPECT_STREQ(info.szSetupURL, L"http://127.0.0.1/dl/VaultkeepSetup.exe");

  // The setup URL is known now: deleting the downloaded installer in this
  // user's temporary folder at the next restart is allowed; the same name in
  // any other folder, or any other file, still is not.
  std::wstring setup = ProfileTempFolder() + L"\\VaultkeepSetup.exe";
  WriteFileBytes(setup, {1, 2, 3});
  bool scheduled = false;
  EXPECT_EQ(DeleteFileAtRestart(nullptr, setup.c_str(), &scheduled), kResultOk);
  EXPECT_TRUE(scheduled);
  std::wstring elsewhere = std::wstring(1, static_cast<wchar_t>(L'A' + ScratchDriveIndex())) +
                           L":\\VaultkeepSetup.exe";
  WriteFileBytes(elsewhere, {1, 2, 3});
  EXPECT_EQ(DeleteFileAtRestart(nullptr, elsewhere.c_str(), &scheduled), kResultOk);
  EXPECT_FALSE(scheduled);
  EXPECT_EQ(DeleteFileAtRestart(nullptr, L"C:\\windows\\win.ini", &scheduled), kResultOk);
  EXPECT_FALSE(scheduled);

  info = CheckAgainst(L"URL0", L"same.ini");
  EXPECT_EQ(info.bUpdateAvailable, 0);
  EXPECT_EQ(info.nLatestMinor, 41);

  // A 404 page with a body counts as a completed check without keys.
  info = CheckAgainst(L"URL0", L"missing.ini");
  EXPECT_EQ(info.bUpdateAvailable, 0);
  EXPECT_EQ(info.nLatestMinor, 0);
  EXPECT_STREQ(info.szURL, L"http://127.0.0.1/same.html");  // not reached, kept

  info = CheckAgainst(L"URL0", L"nosetup.ini");
  EXPECT_EQ(info.bUpdateAvailable, 0);
  EXPECT_EQ(info.nLatestMajor, 2);
  EXPECT_STREQ(info.szURL, L"http://127.0.0.1/nosetup.html");

  // Language 3 reads URL3, which is missing: no request, no count.
  ASSERT_EQ(SetServiceLanguage(nullptr, 3), kResultOk);
  Sleep(1500);  // a check that may have started before the change ends
  int32_t count = UpdateInfo().nCheckCount;
  Sleep(3000);  // three periods
  EXPECT_EQ(UpdateInfo().nCheckCount, count);
  info = CheckAgainst(L"URL3", L"newer.ini");
  EXPECT_EQ(info.bUpdateAvailable, 1);
  SetServiceLanguage(nullptr, 0);
}

TEST_F(ServiceEndToEnd, PauseHoldsRequestsUntilContinue) {
  Sc sc;
  EXPECT_EQ(sc.Control(SERVICE_CONTROL_PAUSE), static_cast<DWORD>(SERVICE_PAUSED));
  ASSERT_TRUE(sc.WaitForState(SERVICE_PAUSED, 2000));
  _SVC_DWORD_REQUEST r{{SVC_CMD_GET_DRVCOUNTER, 0, 16}, 77};
  EXPECT_EQ(SendServiceCommand(nullptr, &r, sizeof(r), 1000), kResultUnreachable);
  EXPECT_EQ(r.nValue, 77);  // unchanged
  sc.Control(SERVICE_CONTROL_PAUSE);  // a second pause changes nothing
  EXPECT_EQ(sc.State(), static_cast<DWORD>(SERVICE_PAUSED));

  EXPECT_EQ(sc.Control(SERVICE_CONTROL_CONTINUE), static_cast<DWORD>(SERVICE_RUNNING));
  ASSERT_TRUE(sc.WaitForState(SERVICE_RUNNING, 2000));
  int32_t counter = -1;
  EXPECT_EQ(GetDriveCounter(nullptr, &counter), kResultOk);
  EXPECT_GE(counter, 0);
}

// The stop comes while an update check is reading a body that drips in one
// byte at a time: the stop closes the request, so the check ends at once.
TEST_F(ServiceEndToEnd, StopEndsTheServiceWithinASecondEvenDuringACheck) {
  Sc sc;
  SetString(L"URL0", ServerUrl(L"drip"));
  // A check in progress holds the worker: requests go unanswered.
  ASSERT_TRUE(WaitFor("the worker busy with the dripping check", kCheckWaitMs, [] {
    _SVC_DWORD_REQUEST r{{SVC_CMD_GET_DRVCOUNTER, 0, 16}, 0};
    return SendServiceCommand(nullptr, &r, sizeof(r), kBusyProbeMs) == kResultUnreachable;
  }));
  DWORD start = GetTickCount();
  sc.Control(SERVICE_CONTROL_STOP);
  ASSERT_TRUE(sc.WaitForState(SERVICE_STOPPED, 10000));
  EXPECT_LE(GetTickCount() - start, kStopLimitMs);

  // Stopped: every operation fails fast and leaves its output alone.
  int32_t counter = 42;
  EXPECT_EQ(GetDriveCounter(nullptr, &counter), kResultUnreachable);
  EXPECT_EQ(counter, 42);
  std::vector<_SVC_DRVINFO> drives(1);
  EXPECT_EQ(GetDriveList(nullptr, drives), kResultUnreachable);
}

TEST_F(ServiceEndToEnd, UninstallStopsAndDeletesTheService) {
  {
    Sc sc;
    ASSERT_TRUE(sc.Start());
    ASSERT_TRUE(sc.WaitForState(SERVICE_RUNNING, 10000));
  }
  EXPECT_EQ(RunServiceProgram(L"U"), 0);
  EXPECT_TRUE(WaitFor("the service to be removed", 10000, [] { return !Sc().Installed(); }));
  KernelHandle doorbell;
  EXPECT_TRUE(WaitFor("the doorbell to go", 10000, [&] {
    doorbell.Reset(OpenEventW(kUserDoorbellRights, FALSE, kDoorbellName));
    return !doorbell.Valid();
  }));
}

}  // namespace
}  // namespace vk::test
