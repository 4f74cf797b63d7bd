#include "engine/TargetVolume.h"

#include "engine/FileSystem.h"
#include "common/Texts.h"

namespace vk {

wchar_t DriveLetter(int driveIndex) { return static_cast<wchar_t>(L'A' + driveIndex); }

BkupResult CheckTargetVolume(int driveIndex) {
  if (driveIndex < kFirstDrive || driveIndex > kLastDrive) return kResultInvalid;
  if ((FileSystem().GetLogicalDrives() & (1u << driveIndex)) == 0) return kResultInvalid;
  wchar_t root[] = {DriveLetter(driveIndex), L':', L'\\', 0};
  std::wstring fileSystem;
  if (!FileSystem().GetVolumeFileSystem(root, &fileSystem)) return kResultInvalid;
  return fileSystem == kRequiredFileSystem ? kResultOk : kResultInvalid;
}

std::wstring RootFolderPath(int driveIndex) {
  return FormatText(kRootPathPattern, DriveLetter(driveIndex), kRootFolderName);
}

std::wstring BackupFolderPath(int driveIndex) {
  return FormatText(kSubFolderPattern, DriveLetter(driveIndex), kRootFolderName,
                    kBackupFolderName);
}

std::wstring LogFolderPath(int driveIndex) {
  return FormatText(kSubFolderPattern, DriveLetter(driveIndex), kRootFolderName,
                    kLogFolderName);
}

std::wstring PlanFilePath(int driveIndex) {
  return FormatText(kPlanPathPattern, DriveLetter(driveIndex), kRootFolderName,
                    kBackupFolderName, kPlanFileName);
}

std::wstring BackupSetFileName(const SYSTEMTIME& t) {
  return FormatText(kSetNamePattern, t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                    t.wSecond, t.wMilliseconds, kSetExtension);
}

std::wstring TempIndexPath() {
  wchar_t buffer[MAX_PATH + 1] = {};
  DWORD n = ::GetTempPathW(MAX_PATH + 1, buffer);
  // No usable temporary folder: no path at all, so that creating the file
  // fails, rather than a file in the root of whatever the current drive is.
  if (n == 0 || n > MAX_PATH) return std::wstring();
  std::wstring folder(buffer, n);
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder + L"\\" + kTempIndexName;
}

}  // namespace vk
