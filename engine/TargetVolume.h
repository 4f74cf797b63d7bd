// The target volume of a job and the names of what Vaultkeep keeps on it.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

#include "engine/BkupTypes.h"

namespace vk {

// A volume can hold backups when its index is 0..25, its letter is in the
// logical-drive mask, its root reports the file system "NTFS" exactly and
// its own folders are no redirections (CheckOwnFolders).
// kResultOk or kResultInvalid.
BkupResult CheckTargetVolume(int driveIndex);

// The folders Vaultkeep keeps on a volume (X:\CorvaneVaultkeep and its
// Backup and Log folders) are real folders or do not exist yet: a disk from
// elsewhere may hold a junction there, and a job would then create, replace
// or delete its fixed-name files in whatever folder it leads to. Each is
// opened itself, not what it may point at. kResultInvalid when one is a
// reparse point or cannot be examined.
BkupResult CheckOwnFolders(int driveIndex);

// 'A' + driveIndex; the caller has checked the index.
wchar_t DriveLetter(int driveIndex);

std::wstring RootFolderPath(int driveIndex);    // X:\CorvaneVaultkeep
std::wstring BackupFolderPath(int driveIndex);  // X:\CorvaneVaultkeep\Backup
std::wstring LogFolderPath(int driveIndex);     // X:\CorvaneVaultkeep\Log
std::wstring PlanFilePath(int driveIndex);      // X:\CorvaneVaultkeep\Backup\Backup.plan

// "YYYYMMDDhhmmssmmm.bkup" for a run that started at `start` (local time).
std::wstring BackupSetFileName(const SYSTEMTIME& start);

// "<temporary folder without trailing backslashes>\Arkwell.tmp", or empty
// when the temporary folder cannot be had.
std::wstring TempIndexPath();

}  // namespace vk
