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
BOOL FileSystemApi::SetFileTime(HANDLE h, const FILETIME* created,
                                const FILETIME* accessed, const FILETIME* written) {
  return ::SetFileTime(h, created, accessed, written);
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

BOOL FileSystemApi::CompressStep(const void*, DWORD) { return TRUE; }

FileSystemApi& FileSystem() { return *g_fileSystem; }

FileSystemApi* SetFileSystem(FileSystemApi* api) {
  FileSystemApi* old = g_fileSystem;
  g_fileSystem = api ? api : &g_realFileSystem;
  return old == &g_realFileSystem ? nullptr : old;
}

}  // namespace vk
