#include "engine/FileSystem.h"

namespace vk {
namespace {

FileSystemApi g_realFileSystem;
FileSystemApi* g_fileSystem = &g_realFileSystem;

bool IsDriveAbsolute(const std::wstring& p) {
  return p.size() >= 3 && p[1] == L':' && (p[2] == L'\\' || p[2] == L'/');
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

std::wstring LongPathForm(const std::wstring& path) {
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
      (path[2] == L'?' || path[2] == L'.') && IsSeparator(path[3]))
    return path;
  std::wstring p = path;
  for (wchar_t& c : p)
    if (c == L'/') c = L'\\';
  if (IsDriveAbsolute(p)) return L"\\\\?\\" + p;
  if (p.size() >= 2 && p[0] == L'\\' && p[1] == L'\\') return L"\\\\?\\UNC\\" + p.substr(2);
  return path;
}

HANDLE FileSystemApi::CreateFile(const wchar_t* path, DWORD access, DWORD share,
                                 DWORD disposition, DWORD flags) {
  return ::CreateFileW(LongPathForm(path).c_str(), access, share, nullptr, disposition,
                       flags, nullptr);
}
BOOL FileSystemApi::ReadFile(HANDLE h, void* data, DWORD n, DWORD* done) {
  return ::ReadFile(h, data, n, done, nullptr);
}
BOOL FileSystemApi::WriteFile(HANDLE h, const void* data, DWORD n, DWORD* done) {
  return ::WriteFile(h, data, n, done, nullptr);
}
BOOL FileSystemApi::SetFilePointerEx(HANDLE h, LARGE_INTEGER to, LARGE_INTEGER* now,
                                     DWORD how) {
  return ::SetFilePointerEx(h, to, now, how);
}
BOOL FileSystemApi::FlushFileBuffers(HANDLE h) { return ::FlushFileBuffers(h); }
BOOL FileSystemApi::SetEndOfFile(HANDLE h) { return ::SetEndOfFile(h); }
BOOL FileSystemApi::GetFileSizeEx(HANDLE h, LARGE_INTEGER* size) {
  return ::GetFileSizeEx(h, size);
}
BOOL FileSystemApi::GetFileInformationByHandle(HANDLE h, BY_HANDLE_FILE_INFORMATION* info) {
  return ::GetFileInformationByHandle(h, info);
}
BOOL FileSystemApi::SetFileTime(HANDLE h, const FILETIME* created,
                                const FILETIME* accessed, const FILETIME* written) {
  return ::SetFileTime(h, created, accessed, written);
}
BOOL FileSystemApi::SetFileInformationByHandle(HANDLE h, FILE_INFO_BY_HANDLE_CLASS kind,
                                               void* info, DWORD size) {
  return ::SetFileInformationByHandle(h, kind, info, size);
}
BOOL FileSystemApi::CloseHandle(HANDLE h) { return ::CloseHandle(h); }
DWORD FileSystemApi::GetFileAttributes(const wchar_t* path) {
  return ::GetFileAttributesW(LongPathForm(path).c_str());
}
BOOL FileSystemApi::GetFileAttributesEx(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data) {
  return ::GetFileAttributesExW(LongPathForm(path).c_str(), GetFileExInfoStandard, data);
}
BOOL FileSystemApi::SetFileAttributes(const wchar_t* path, DWORD attributes) {
  return ::SetFileAttributesW(LongPathForm(path).c_str(), attributes);
}
BOOL FileSystemApi::CreateDirectory(const wchar_t* path) {
  return ::CreateDirectoryW(LongPathForm(path).c_str(), nullptr);
}
BOOL FileSystemApi::RemoveDirectory(const wchar_t* path) {
  return ::RemoveDirectoryW(LongPathForm(path).c_str());
}
BOOL FileSystemApi::DeleteFile(const wchar_t* path) {
  return ::DeleteFileW(LongPathForm(path).c_str());
}
BOOL FileSystemApi::MoveFileEx(const wchar_t* from, const wchar_t* to, DWORD flags) {
  return ::MoveFileExW(LongPathForm(from).c_str(), LongPathForm(to).c_str(), flags);
}
HANDLE FileSystemApi::FindFirstFile(const wchar_t* pattern, WIN32_FIND_DATAW* data) {
  return ::FindFirstFileW(LongPathForm(pattern).c_str(), data);
}
BOOL FileSystemApi::FindNextFile(HANDLE h, WIN32_FIND_DATAW* data) {
  return ::FindNextFileW(h, data);
}
BOOL FileSystemApi::FindClose(HANDLE h) { return ::FindClose(h); }
DWORD FileSystemApi::GetLogicalDrives() { return ::GetLogicalDrives(); }
BOOL FileSystemApi::GetVolumeFileSystem(const wchar_t* root, std::wstring* name) {
  wchar_t buffer[MAX_PATH + 1] = {};
  if (!::GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, buffer,
                               MAX_PATH + 1))
    return FALSE;
  *name = buffer;
  return TRUE;
}

BOOL FileSystemApi::GetDiskFreeSpaceEx(const wchar_t* root, ULARGE_INTEGER* available,
                                       ULARGE_INTEGER* total, ULARGE_INTEGER* totalFree) {
  return ::GetDiskFreeSpaceExW(root, available, total, totalFree);
}

BOOL FileSystemApi::CompressStep(const void*, DWORD) { return TRUE; }

FileSystemApi& FileSystem() { return *g_fileSystem; }

ReadOutcome ReadExactly(HANDLE file, void* data, uint32_t n, uint32_t* got) {
  uint32_t total = 0;
  if (got == nullptr) got = &total;
  *got = 0;
  auto* p = static_cast<uint8_t*>(data);
  while (*got < n) {
    DWORD done = 0;
    if (!FileSystem().ReadFile(file, p + *got, n - *got, &done)) return ReadOutcome::kFailed;
    if (done == 0 || done > n - *got) return ReadOutcome::kShort;
    *got += done;
  }
  return ReadOutcome::kWhole;
}

bool WriteExactly(HANDLE file, const void* data, uint32_t n) {
  ::SetLastError(ERROR_SUCCESS);
  auto* p = static_cast<const uint8_t*>(data);
  while (n > 0) {
    DWORD done = 0;
    if (!FileSystem().WriteFile(file, p, n, &done) || done == 0 || done > n) return false;
    p += done;
    n -= done;
  }
  return true;
}

bool SeekTo(HANDLE file, uint64_t offset) {
  if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
  LARGE_INTEGER to, now;
  to.QuadPart = static_cast<LONGLONG>(offset);
  now.QuadPart = -1;
  return FileSystem().SetFilePointerEx(file, to, &now, FILE_BEGIN) &&
         now.QuadPart == to.QuadPart;
}

FileSystemApi* SetFileSystem(FileSystemApi* api) {
  FileSystemApi* old = g_fileSystem;
  g_fileSystem = api ? api : &g_realFileSystem;
  return old == &g_realFileSystem ? nullptr : old;
}

}  // namespace vk
