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
  if (fileSystem != kRequiredFileSystem) return kResultInvalid;
  return CheckOwnFolders(driveIndex);
}

namespace {

// A folder that does not exist is fine: a job creates it as a real folder.
bool IsNoRedirection(const std::wstring& folder) {
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  // The entry itself, not what it points at; a folder needs backup semantics.
  constexpr DWORD kOpenEntry = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;
  EngineFile entry(FileSystem().CreateFile(folder.c_str(), FILE_READ_ATTRIBUTES, kShareAll,
                                           OPEN_EXISTING, kOpenEntry));
  if (!entry) {
    DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!FileSystem().GetFileInformationByHandle(entry.Get(), &info)) return false;
  return (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

}  // namespace

BkupResult CheckOwnFolders(int driveIndex) {
  const std::wstring folders[] = {RootFolderPath(driveIndex), BackupFolderPath(driveIndex),
                                  LogFolderPath(driveIndex)};
  for (const std::wstring& folder : folders)
    if (!IsNoRedirection(folder)) return kResultInvalid;
  return kResultOk;
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
