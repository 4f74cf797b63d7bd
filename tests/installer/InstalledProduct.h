// The product as its installer leaves it on this machine, seen from outside:
// the program folder and its files, the start-up value, the Start-menu
// shortcut, the uninstall entry, and the copy of the program that runs from
// the program folder. Shared by the installer's tests and the journey test,
// which both install with the test build's installer and uninstall again.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

namespace vk::driver {

inline constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vaultkeep";
inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValue[] = L"Arkwell";
// What RegistryString reads for a value that is not there.
inline constexpr wchar_t kMissing[] = L"(missing)";
// The installer's exit code when it refuses or fails.
constexpr int kInstallerFailed = 2;
constexpr DWORD kInstallerDeadlineMs = 120000;

// The test build's installer, as a Windows path.
std::wstring InstallerExe();
std::wstring KnownFolder(int csidl);
std::wstring ProgramFolder();
std::wstring PublisherFolder();
std::wstring Installed(const wchar_t* file);
std::wstring Quoted(const std::wstring& path);
std::wstring Shortcut();

bool KeyExists(HKEY root, const std::wstring& key);

// A copy of the program runs in this session: it holds the instance name.
bool ProgramRunning();
// The process of the copy whose notification window carries the instance
// mark; 0 when none does.
DWORD MarkedCopy();
// Waits until the installed program runs as the notification-area program
// (a copy of the installed file marks its window); `pid` is its process.
::testing::AssertionResult InstalledProgramRuns(DWORD* pid);

// Runs the installer with `arguments` to its end; its exit code.
int RunInstaller(const std::wstring& arguments);
// The uninstaller hands itself to a copy in the temporary folder and ends at
// once (so that it can delete its own file); the uninstall entry is the last
// thing that copy removes, so its going is the end of the uninstall.
::testing::AssertionResult RunUninstaller();

// Whatever an earlier or a failed run left: an installed copy, a copy of
// the program still running, a service, the values and entries the
// installer writes.
void RemoveInstalledProduct();

}  // namespace vk::driver
