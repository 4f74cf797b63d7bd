#include "tests/installer/InstalledProduct.h"

#include <shlobj.h>

#include <cwchar>

#include "common/Handle.h"
#include "common/SharedNames.h"
#include "shell/Instance.h"
#include "tests/driver/Observe.h"
#include "tests/driver/Program.h"
#include "tests/driver/Service.h"
#include "tests/driver/Ui.h"
#include "tests/support/TestVolume.h"

namespace vk::driver {

std::wstring InstallerExe() { return HostPathToWindows(VK_INSTALLER_EXE); }

std::wstring KnownFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

std::wstring ProgramFolder() { return KnownFolder(CSIDL_PROGRAM_FILES) + L"\\CORVANE\\Vaultkeep"; }
std::wstring PublisherFolder() { return KnownFolder(CSIDL_PROGRAM_FILES) + L"\\CORVANE"; }
std::wstring Installed(const wchar_t* file) { return ProgramFolder() + L"\\" + file; }
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }
std::wstring Shortcut() { return KnownFolder(CSIDL_PROGRAMS) + L"\\Vaultkeep.lnk"; }

bool KeyExists(HKEY root, const std::wstring& key) {
  return OpenRegKey(root, key.c_str(), KEY_READ).Valid();
}

bool ProgramRunning() {
  KernelHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, kInstanceName));
  return mutex.Valid();
}

DWORD MarkedCopy() {
  DWORD pid = 0;
  if (HWND tray = MarkedWindow(0, kInstanceName)) ::GetWindowThreadProcessId(tray, &pid);
  return pid;
}

::testing::AssertionResult InstalledProgramRuns(DWORD* pid) {
  return WaitFor("the installed program to run", kWindowDeadlineMs, [pid] {
    *pid = MarkedCopy();
    return *pid != 0 &&
           ::_wcsicmp(ProcessImage(*pid).c_str(), Installed(L"Arkwell.exe").c_str()) == 0;
  });
}

int RunInstaller(const std::wstring& arguments) {
  return RunProgram(InstallerExe(), arguments, kInstallerDeadlineMs);
}

::testing::AssertionResult RunUninstaller() {
  const int code = RunProgram(Installed(L"Uninstall.exe"), L"/S", kInstallerDeadlineMs);
  if (code != 0) return ::testing::AssertionFailure() << "the uninstaller ended with " << code;
  return WaitFor("the uninstaller to finish", kInstallerDeadlineMs,
                 [] { return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); });
}

void RemoveInstalledProduct() {
  if (test::PathExists(Installed(L"Uninstall.exe"))) {
    EXPECT_TRUE(RunUninstaller());
  }
  KillEveryCopyOf(Installed(L"Arkwell.exe"));
  KillEveryCopyOf(ArkwellExe());
  EXPECT_TRUE(RemoveService());
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, kServiceKeyPath);
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, kUninstallKey);
  DeleteRegistryTree(HKEY_CURRENT_USER, kUserSettingsKey);
  if (RegKey run = OpenRegKey(HKEY_CURRENT_USER, kRunKey, KEY_SET_VALUE); run.Valid()) {
    ::RegDeleteValueW(run.Get(), kRunValue);
  }
  ::DeleteFileW(Shortcut().c_str());
  for (const wchar_t* file : {L"Arkwell.exe", L"ArkwellSvc.exe", L"Uninstall.exe"})
    ::DeleteFileW(Installed(file).c_str());
  ::RemoveDirectoryW(ProgramFolder().c_str());
  ::RemoveDirectoryW(PublisherFolder().c_str());
}

}  // namespace vk::driver
