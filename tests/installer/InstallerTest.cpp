// The installer as an administrator runs it, silently (/S): into a machine
// without Vaultkeep, over an installed copy, over a service registered from
// another folder, and its uninstaller. Everything is observed from outside:
// the service manager, the registry, the files and shortcuts, and the update
// server that the installed service asks (at the address the build gave the
// installer, served here on 127.0.0.1).
#include "tests/driver/LocalHttpServer.h"  // first: winsock2.h before windows.h

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "channel/SvcChannel.h"
#include "common/Handle.h"
#include "common/SharedNames.h"
#include "engine/BkupTypes.h"
#include "shell/Instance.h"
#include "tests/driver/Observe.h"
#include "tests/driver/Program.h"
#include "tests/driver/Service.h"
#include "tests/driver/Ui.h"
#include "tests/installer/InstalledProduct.h"
#include "tests/support/TestVolume.h"

namespace vk::test {
namespace {

using driver::RegistryDword;
using driver::RegistryString;
using driver::WaitFor;
using Sc = driver::ServiceManager;
using driver::InstalledProgramRuns;
using driver::Installed;
using driver::KeyExists;
using driver::kInstallerFailed;
using driver::kMissing;
using driver::kRunKey;
using driver::kRunValue;
using driver::kUninstallKey;
using driver::MarkedCopy;
using driver::ProgramFolder;
using driver::ProgramRunning;
using driver::PublisherFolder;
using driver::Quoted;
using driver::RunInstaller;
using driver::RunUninstaller;
using driver::Shortcut;

constexpr DWORD kNoValue = 0xFFFFFFFF;
// The service's update rhythm in this test: the first check half a second
// after its start, then every second.
constexpr DWORD kFirstCheckMs = 500;
constexpr DWORD kCheckPeriodMs = 1000;
constexpr DWORD kLanguageItalian = 3;
constexpr DWORD kRememberedSchedule = 3;
// The update address of each language, in the order of the language indexes.
constexpr const char* kLanguageFiles[] = {"en", "fr", "de", "it", "es", "pt", "zh", "ja"};
// A time long before any build: a file still carrying it was not replaced.
constexpr WORD kStaleYear = 2001;

std::wstring Widen(const char* text) { return std::wstring(text, text + std::strlen(text)); }

std::wstring UpdateUrl(int language) {
  return Widen(VK_UPDATE_URL_BASE) + L"/" + Widen(kLanguageFiles[language]) + L".ini";
}

std::wstring ServiceString(const wchar_t* name) {
  return RegistryString(HKEY_LOCAL_MACHINE, kServiceKeyPath, name, kMissing);
}
DWORD ServiceDword(const wchar_t* name) {
  return RegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, name, kNoValue);
}
std::wstring UninstallString(const wchar_t* name) {
  return RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, name, kMissing);
}

// The process the service manager runs the service in; 0 when none.
DWORD ServiceProcessId() {
  Sc sc;
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  if (!sc.Installed() ||
      !::QueryServiceStatusEx(sc.Service(), SC_STATUS_PROCESS_INFO,
                              reinterpret_cast<BYTE*>(&status), sizeof(status), &needed))
    return 0;
  return status.dwProcessId;
}

// Where a shortcut points; empty when it cannot be read.
std::wstring ShortcutTarget(const std::wstring& link) {
  std::wstring target;
  IShellLinkW* shell = nullptr;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shell))))
    return target;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
        SUCCEEDED(shell->GetPath(path, MAX_PATH, nullptr, 0)))
      target = path;
    file->Release();
  }
  shell->Release();
  return target;
}

// Closes the running copy as the installer does ("U") and waits until its
// process has ended: it writes its settings record back on its way out.
::testing::AssertionResult CloseRunningCopy() {
  KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, MarkedCopy()));
  const int code = driver::RunProgram(Installed(L"Arkwell.exe"), L"U");
  if (code != 0) return ::testing::AssertionFailure() << "\"U\" ended with " << code;
  if (process.Valid() && ::WaitForSingleObject(process.Get(), driver::kProcessDeadlineMs) != WAIT_OBJECT_0)
    return ::testing::AssertionFailure() << "the copy did not end";
  return ::testing::AssertionSuccess();
}

FILETIME StaleTime() {
  SYSTEMTIME stale{};
  stale.wYear = kStaleYear;
  stale.wMonth = 1;
  stale.wDay = 1;
  FILETIME time{};
  ::SystemTimeToFileTime(&stale, &time);
  return time;
}

bool SetWriteTime(const std::wstring& path, const FILETIME& time) {
  FileHandle file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  return file.Valid() && ::SetFileTime(file.Get(), nullptr, nullptr, &time);
}

bool HasWriteTime(const std::wstring& path, const FILETIME& time) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  return ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
         ::CompareFileTime(&data.ftLastWriteTime, &time) == 0;
}

// Answers every request with news of version 1.42 and records the paths.
std::unique_ptr<LocalHttpServer> StartUpdateServer() {
  if (VK_UPDATE_PORT == 0) return nullptr;
  return std::make_unique<LocalHttpServer>(
      [](SOCKET client, const std::string&) {
        LocalHttpServer::Send(
            client, LocalHttpServer::Answer(
                        "200 OK", "[VKP]\r\nMajor=1\r\nMinor=42\r\nURL=http://127.0.0.1/news\r\n"
                                  "SetupURL=http://127.0.0.1/VaultkeepSetup.exe\r\n"));
      },
      VK_UPDATE_PORT);
}

// Each test starts on a machine without Vaultkeep and leaves one, passed or
// failed: no program running, no service, nothing the installer wrote.
class InstallerTest : public VolumeTest {
 protected:
  static void SetUpTestSuite() {
    ::CoInitialize(nullptr);
    // Taken by the installed service when it starts.
    driver::ResetSimulation(kFirstCheckMs, kCheckPeriodMs);
    server_ = StartUpdateServer();
  }
  static void TearDownTestSuite() {
    driver::ClearSimulation();
    server_.reset();
    ::CoUninitialize();
  }
  void SetUp() override {
    VolumeTest::SetUp();
    driver::RemoveInstalledProduct();
  }
  void TearDown() override {
    driver::RemoveInstalledProduct();
    EXPECT_EQ(MarkedCopy(), 0u) << "a copy of the program still runs";
    EXPECT_FALSE(driver::ServiceInstalled());
  }

  // A fresh silent install in `language`, its program running.
  static void Install(DWORD language) {
    ASSERT_EQ(RunInstaller(L"/S /LANGUAGE=" + std::to_wstring(language)), 0);
    DWORD pid = 0;
    ASSERT_TRUE(InstalledProgramRuns(&pid));
  }

  static void ExpectInstalledFilesAreTheBuilds() {
    EXPECT_EQ(ReadFileBytes(Installed(L"Arkwell.exe")), ReadFileBytes(driver::ArkwellExe()));
    EXPECT_EQ(ReadFileBytes(Installed(L"ArkwellSvc.exe")), ReadFileBytes(driver::ServiceExe()));
    EXPECT_TRUE(PathExists(Installed(L"Uninstall.exe")));
  }

  static void ExpectServiceRunsFromTheProgramFolder() {
    EXPECT_TRUE(Sc().WaitForState(SERVICE_RUNNING));
    EXPECT_EQ(ServiceString(L"ImagePath"), Quoted(Installed(L"ArkwellSvc.exe")));
  }

  static std::unique_ptr<LocalHttpServer> server_;
};

std::unique_ptr<LocalHttpServer> InstallerTest::server_;

TEST_F(InstallerTest, UnknownLanguageIsRefusedAndNothingInstalled) {
  for (const wchar_t* language : {L"8", L"-1", L"03", L"Italian", L""}) {
    SCOPED_TRACE(std::string(language, language + std::wcslen(language)));
    EXPECT_EQ(RunInstaller(std::wstring(L"/S /LANGUAGE=") + language), kInstallerFailed);
  }
  EXPECT_FALSE(driver::ServiceInstalled());
  EXPECT_FALSE(PathExists(ProgramFolder()));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(InstallerTest, FreshInstallSetsUpBothProgramsAndStartsThem) {
  ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, driver::kUserSettingsKey));
  ASSERT_EQ(RunInstaller(L"/S /LANGUAGE=" + std::to_wstring(kLanguageItalian)), 0);
  DWORD program = 0;
  EXPECT_TRUE(InstalledProgramRuns(&program));

  ExpectInstalledFilesAreTheBuilds();
  ExpectServiceRunsFromTheProgramFolder();
  for (int language = 0; language < static_cast<int>(std::size(kLanguageFiles)); ++language) {
    const std::wstring name = L"URL" + std::to_wstring(language);
    EXPECT_EQ(ServiceString(name.c_str()), UpdateUrl(language)) << "value " << language;
  }
  EXPECT_EQ(ServiceString(L"EnableLanguage"), L"FF");
  EXPECT_EQ(ServiceDword(kLanguageValue), kLanguageItalian);
  EXPECT_EQ(ServiceDword(kUpdateNoticeValue), kNoValue) << "no first value is written";

  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, kRunKey, kRunValue, kMissing),
            Quoted(Installed(L"Arkwell.exe")));
  EXPECT_EQ(ShortcutTarget(Shortcut()), Installed(L"Arkwell.exe"));
  EXPECT_EQ(UninstallString(L"DisplayName"), L"Vaultkeep");
  EXPECT_EQ(UninstallString(L"DisplayVersion"), Widen(VK_VERSION_TEXT));
  EXPECT_EQ(UninstallString(L"InstallLocation"), ProgramFolder());
  EXPECT_EQ(UninstallString(L"UninstallString"), Quoted(Installed(L"Uninstall.exe")));

  // The program ran: its first start writes this user's settings key.
  EXPECT_TRUE(WaitFor("the program to write its settings", driver::kProcessDeadlineMs,
                      [] { return KeyExists(HKEY_CURRENT_USER, driver::kUserSettingsKey); }));
  // It stays as the notification-area program.
  EXPECT_EQ(MarkedCopy(), program) << "the program ended after its start";
  // The installed service asks the address of the language chosen.
  if (!server_) GTEST_SKIP() << "the test build's update addresses are not on this machine";
  const std::string italian = "/" + std::string(kLanguageFiles[kLanguageItalian]) + ".ini";
  EXPECT_TRUE(WaitFor("the service to ask for " + italian, driver::kServiceDeadlineMs, [&] {
    const std::vector<std::string> paths = server_->Paths();
    return std::any_of(paths.begin(), paths.end(), [&](const std::string& path) {
      return path.size() >= italian.size() &&
             path.compare(path.size() - italian.size(), italian.size(), italian) == 0;
    });
  }));
}

TEST_F(InstallerTest, UpgradeReplacesTheFilesRestartsBothProgramsAndKeepsTheSettings) {
  ASSERT_NO_FATAL_FAILURE(Install(kLanguageItalian));
  ASSERT_TRUE(Sc().WaitForState(SERVICE_RUNNING));
  const DWORD processBefore = ServiceProcessId();
  ASSERT_NE(processBefore, 0u);
  // What a user chose (a schedule, update notices, the language), stored as
  // the program stores it: a running copy holds its settings record and
  // writes it back when it ends, so the record is written with no copy
  // running and the program started again, as at the next logon.
  ASSERT_TRUE(CloseRunningCopy());
  ASSERT_TRUE(driver::SetRegistryDword(HKEY_CURRENT_USER, driver::kUserSettingsKey, L"Schedule",
                                       kRememberedSchedule));
  ASSERT_TRUE(driver::SetRegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kUpdateNoticeValue, 1));
  const FILETIME stale = StaleTime();
  for (const wchar_t* file : {L"Arkwell.exe", L"ArkwellSvc.exe"})
    ASSERT_TRUE(SetWriteTime(Installed(file), stale));
  driver::Program before;
  ASSERT_TRUE(before.Start(Installed(L"Arkwell.exe")));
  DWORD program = 0;
  ASSERT_TRUE(InstalledProgramRuns(&program));
  ASSERT_EQ(program, before.Id());

  ASSERT_EQ(RunInstaller(L"/S"), 0);

  // The copy that ran was closed and had ended before its file was replaced.
  EXPECT_FALSE(before.Running());
  for (const wchar_t* file : {L"Arkwell.exe", L"ArkwellSvc.exe"})
    EXPECT_FALSE(HasWriteTime(Installed(file), stale)) << "not replaced";
  ExpectInstalledFilesAreTheBuilds();
  ExpectServiceRunsFromTheProgramFolder();
  EXPECT_NE(ServiceProcessId(), processBefore) << "the service was not stopped and started";
  EXPECT_EQ(driver::UserSetting(L"Schedule"), kRememberedSchedule);
  EXPECT_EQ(ServiceDword(kUpdateNoticeValue), 1u);
  EXPECT_EQ(ServiceDword(kLanguageValue), kLanguageItalian);
  EXPECT_EQ(ServiceString(L"URL0"), UpdateUrl(0));
  // The new program runs, and took the settings the closed copy left.
  EXPECT_TRUE(InstalledProgramRuns(&program));
  EXPECT_NE(program, before.Id());
  EXPECT_EQ(driver::UserSetting(L"Schedule"), kRememberedSchedule);
}

TEST_F(InstallerTest, UninstallRemovesEverythingItAddedAndNoBackup) {
  ASSERT_NO_FATAL_FAILURE(Install(kLanguageItalian));
  // A backup disk's folder, as the program leaves it.
  const std::wstring vault = root + kRootFolderName;
  const std::vector<std::pair<std::wstring, std::vector<uint8_t>>> backup = {
      {vault + L"\\" + kBackupFolderName + L"\\" + kPlanFileName, {1, 2, 3, 4}},
      {vault + L"\\" + kBackupFolderName + L"\\20240101120000000" + kSetExtension, {5, 6, 7}},
      {vault + L"\\" + kLogFolderName + L"\\BackupLog.txt", {'l', 'o', 'g'}},
  };
  for (const auto& [path, bytes] : backup) WriteFileBytes(path, bytes);

  ASSERT_TRUE(RunUninstaller());

  EXPECT_TRUE(WaitFor("the service to be removed", driver::kServiceDeadlineMs,
                      [] { return !driver::ServiceInstalled(); }));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kServiceKeyPath));
  EXPECT_FALSE(ProgramRunning());
  EXPECT_EQ(MarkedCopy(), 0u);
  EXPECT_FALSE(PathExists(ProgramFolder()));
  EXPECT_FALSE(PathExists(PublisherFolder())) << "left empty";
  EXPECT_FALSE(PathExists(Shortcut()));
  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, kRunKey, kRunValue, kMissing), kMissing);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, driver::kUserSettingsKey));
  for (const auto& [path, bytes] : backup) EXPECT_EQ(ReadFileBytes(path), bytes);
}

TEST_F(InstallerTest, ServiceOfAnotherFolderIsReplacedKeepingTheNoticeSetting) {
  // The test build's own service, as a developer leaves it registered.
  ASSERT_TRUE(driver::InstallService());
  ASSERT_TRUE(driver::SetRegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kUpdateNoticeValue, 1));

  ASSERT_NO_FATAL_FAILURE(Install(0));

  ExpectServiceRunsFromTheProgramFolder();
  EXPECT_EQ(ServiceDword(kUpdateNoticeValue), 1u);
  EXPECT_EQ(ServiceDword(kLanguageValue), 0u);
  EXPECT_TRUE(RunUninstaller());
  EXPECT_FALSE(driver::ServiceInstalled());
}

}  // namespace
}  // namespace vk::test
