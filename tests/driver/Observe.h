// What a test observes besides windows: files on the scratch volumes, the
// plan file, and the registry. Read independently of the program's code, so
// a fault in the program cannot hide itself in the test.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vk {
struct _BKUP_PLAN;
}

namespace vk::driver {

// "X:\" of drive index `drive` (0 = A).
std::wstring DriveRoot(int drive);
// X:\CorvaneVaultkeep\Backup and its Backup.plan.
std::wstring BackupFolder(int drive);
std::wstring PlanFilePath(int drive);

// The plan record at the start of the drive's plan file. False when the file
// is missing or shorter than a record.
bool ReadPlanRecord(int drive, _BKUP_PLAN* plan);
// Names of the backup sets (*.bkup) in the drive's backup folder, sorted.
std::vector<std::wstring> BackupSetNames(int drive);

// Registry values; `fallback` when the key or value is missing or of another
// type.
DWORD RegistryDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD fallback);
std::wstring RegistryString(HKEY root, const std::wstring& key, const wchar_t* name,
                            const std::wstring& fallback);
// Writes a value, creating the key and its parents; false on failure.
bool SetRegistryDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD value);
bool SetRegistryQword(HKEY root, const std::wstring& key, const wchar_t* name, uint64_t value);
bool SetRegistryString(HKEY root, const std::wstring& key, const wchar_t* name,
                       const std::wstring& value);
void DeleteRegistryTree(HKEY root, const std::wstring& key);

// The program's per-user settings key and one of its numbers (`fallback`
// when absent).
inline constexpr wchar_t kUserSettingsKey[] = L"SOFTWARE\\CORVANE\\Arkwell";
DWORD UserSetting(const wchar_t* name, DWORD fallback = 0xFFFFFFFF);

}  // namespace vk::driver
