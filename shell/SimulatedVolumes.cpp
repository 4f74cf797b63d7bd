#include "shell/SimulatedVolumes.h"

#include <cwctype>

#include "shell/SimulatedClock.h"

namespace vk {
namespace {

constexpr DWORD kWriteAccess = GENERIC_WRITE | FILE_WRITE_DATA | FILE_APPEND_DATA;
constexpr wchar_t kLongPrefix[] = L"\\\\?\\";
constexpr size_t kLongPrefixChars = 4;

// The upper-case drive letter of "X:..." or "\\?\X:...", 0 for any other path.
wchar_t DriveLetterOf(const wchar_t* path) {
  if (path == nullptr) return 0;
  std::wstring p = path;
  if (p.compare(0, kLongPrefixChars, kLongPrefix) == 0) p = p.substr(kLongPrefixChars);
  if (p.size() < 2 || p[1] != L':' || !std::iswalpha(p[0])) return 0;
  return static_cast<wchar_t>(std::towupper(p[0]));
}

std::wstring VolumeKey(const std::wstring& keyPath, wchar_t letter) {
  return keyPath + L"\\" + kTestVolumesSubkey + L"\\" + std::wstring(1, letter);
}

bool ReadQword(const std::wstring& key, const wchar_t* name, uint64_t* value) {
  DWORD bytes = sizeof(*value);
  return ::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_QWORD, nullptr, value,
                        &bytes) == ERROR_SUCCESS;
}

bool ReadString(const std::wstring& key, const wchar_t* name, std::wstring* value) {
  wchar_t text[MAX_PATH + 1] = {};
  DWORD bytes = sizeof(text) - sizeof(wchar_t);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text,
                     &bytes) != ERROR_SUCCESS)
    return false;
  *value = text;
  return true;
}

}  // namespace

bool SimulatedVolumes::FreeLeft(wchar_t letter, uint64_t* left) {
  uint64_t free = 0;
  if (letter == 0 || !ReadQword(VolumeKey(keyPath_, letter), kTestVolumeFreeValue, &free))
    return false;
  std::lock_guard<std::mutex> hold(lock_);
  const uint64_t used = written_[letter];
  *left = used >= free ? 0 : free - used;
  return true;
}

HANDLE SimulatedVolumes::CreateFile(const wchar_t* path, DWORD access, DWORD share,
                                    DWORD disposition, DWORD flags) {
  HANDLE h = FileSystemApi::CreateFile(path, access, share, disposition, flags);
  const wchar_t letter = DriveLetterOf(path);
  uint64_t left = 0;
  if (h != INVALID_HANDLE_VALUE && (access & kWriteAccess) != 0 && FreeLeft(letter, &left)) {
    std::lock_guard<std::mutex> hold(lock_);
    writers_[h] = letter;
  }
  return h;
}

BOOL SimulatedVolumes::WriteFile(HANDLE h, const void* data, DWORD n, DWORD* done) {
  wchar_t letter = 0;
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = writers_.find(h);
    if (it != writers_.end()) letter = it->second;
  }
  uint64_t left = 0;
  if (letter == 0 || !FreeLeft(letter, &left)) return FileSystemApi::WriteFile(h, data, n, done);
  if (n > left) {
    // A full volume takes nothing of a write that does not fit.
    if (done) *done = 0;
    ::SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  const BOOL ok = FileSystemApi::WriteFile(h, data, n, done);
  if (ok && done) {
    std::lock_guard<std::mutex> hold(lock_);
    written_[letter] += *done;
  }
  return ok;
}

BOOL SimulatedVolumes::CloseHandle(HANDLE h) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    writers_.erase(h);
  }
  return FileSystemApi::CloseHandle(h);
}

BOOL SimulatedVolumes::GetVolumeFileSystem(const wchar_t* root, std::wstring* name) {
  const wchar_t letter = DriveLetterOf(root);
  if (!FileSystemApi::GetVolumeFileSystem(root, name)) return FALSE;
  std::wstring described;
  if (letter != 0 && ReadString(VolumeKey(keyPath_, letter), kTestVolumeFileSystemValue, &described))
    *name = described;
  return TRUE;
}

BOOL SimulatedVolumes::GetDiskFreeSpaceEx(const wchar_t* root, ULARGE_INTEGER* available,
                                          ULARGE_INTEGER* total, ULARGE_INTEGER* totalFree) {
  if (!FileSystemApi::GetDiskFreeSpaceEx(root, available, total, totalFree)) return FALSE;
  const wchar_t letter = DriveLetterOf(root);
  if (letter == 0) return TRUE;
  uint64_t size = 0, left = 0;
  if (total && ReadQword(VolumeKey(keyPath_, letter), kTestVolumeTotalValue, &size))
    total->QuadPart = size;
  if (FreeLeft(letter, &left)) {
    if (available) available->QuadPart = left;
    if (totalFree) totalFree->QuadPart = left;
  }
  return TRUE;
}

void InstallSimulatedVolumes() {
  static SimulatedVolumes volumes(kTrayTestKeyPath);
  SetFileSystem(&volumes);
}

}  // namespace vk
