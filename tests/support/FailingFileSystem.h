// A file-system door for fault tests: passes every call through, counting
// them; the call numbered failAt fails and, when `crash` is set, so does every
// later one (the machine went down there and nothing after it reaches the
// disk). Tests derive from it to watch or change single calls. The
// compression steps of a backup count as calls too; they come from the
// pool's threads, so the count is shared safely, and "later" means later in
// time.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>

#include "engine/FileSystem.h"

namespace vk::test {

class FailingFileSystem : public FileSystemApi {
 public:
  std::atomic<int> calls{0};
  int failAt = 0;  // 0: never
  bool crash = false;

  // Counts a call and says whether it fails (with ERROR_WRITE_FAULT).
  bool Fail() {
    int n = ++calls;
    bool fail = failAt != 0 && (n == failAt || (crash && n > failAt));
    if (fail) ::SetLastError(ERROR_WRITE_FAULT);
    return fail;
  }

  HANDLE CreateFile(const wchar_t* p, DWORD a, DWORD s, DWORD d, DWORD f) override {
    return Fail() ? INVALID_HANDLE_VALUE : FileSystemApi::CreateFile(p, a, s, d, f);
  }
  BOOL ReadFile(HANDLE h, void* data, DWORD n, DWORD* done) override {
    return Fail() ? FALSE : FileSystemApi::ReadFile(h, data, n, done);
  }
  BOOL WriteFile(HANDLE h, const void* data, DWORD n, DWORD* done) override {
    return Fail() ? FALSE : FileSystemApi::WriteFile(h, data, n, done);
  }
  BOOL SetFilePointerEx(HANDLE h, LARGE_INTEGER to, LARGE_INTEGER* now, DWORD how) override {
    return Fail() ? FALSE : FileSystemApi::SetFilePointerEx(h, to, now, how);
  }
  BOOL FlushFileBuffers(HANDLE h) override {
    return Fail() ? FALSE : FileSystemApi::FlushFileBuffers(h);
  }
  BOOL SetEndOfFile(HANDLE h) override { return Fail() ? FALSE : FileSystemApi::SetEndOfFile(h); }
  BOOL GetFileSizeEx(HANDLE h, LARGE_INTEGER* size) override {
    return Fail() ? FALSE : FileSystemApi::GetFileSizeEx(h, size);
  }
  BOOL GetFileInformationByHandle(HANDLE h, BY_HANDLE_FILE_INFORMATION* info) override {
    return Fail() ? FALSE : FileSystemApi::GetFileInformationByHandle(h, info);
  }
  BOOL SetFileTime(HANDLE h, const FILETIME* c, const FILETIME* a, const FILETIME* w) override {
    return Fail() ? FALSE : FileSystemApi::SetFileTime(h, c, a, w);
  }
  BOOL SetFileInformationByHandle(HANDLE h, FILE_INFO_BY_HANDLE_CLASS k, void* i,
                                  DWORD n) override {
    return Fail() ? FALSE : FileSystemApi::SetFileInformationByHandle(h, k, i, n);
  }
  // A handle is released even by a failing close (as by a crash), so that
  // one run does not lock the files of the next.
  BOOL CloseHandle(HANDLE h) override {
    bool fail = Fail();
    FileSystemApi::CloseHandle(h);
    return fail ? FALSE : TRUE;
  }
  DWORD GetFileAttributes(const wchar_t* p) override {
    return Fail() ? INVALID_FILE_ATTRIBUTES : FileSystemApi::GetFileAttributes(p);
  }
  BOOL GetFileAttributesEx(const wchar_t* p, WIN32_FILE_ATTRIBUTE_DATA* d) override {
    return Fail() ? FALSE : FileSystemApi::GetFileAttributesEx(p, d);
  }
  BOOL SetFileAttributes(const wchar_t* p, DWORD a) override {
    return Fail() ? FALSE : FileSystemApi::SetFileAttributes(p, a);
  }
  BOOL CreateDirectory(const wchar_t* p) override {
    return Fail() ? FALSE : FileSystemApi::CreateDirectory(p);
  }
  BOOL RemoveDirectory(const wchar_t* p) override {
    return Fail() ? FALSE : FileSystemApi::RemoveDirectory(p);
  }
  BOOL DeleteFile(const wchar_t* p) override { return Fail() ? FALSE : FileSystemApi::DeleteFile(p); }
  BOOL MoveFileEx(const wchar_t* from, const wchar_t* to, DWORD flags) override {
    return Fail() ? FALSE : FileSystemApi::MoveFileEx(from, to, flags);
  }
  HANDLE FindFirstFile(const wchar_t* pattern, WIN32_FIND_DATAW* data) override {
    return Fail() ? INVALID_HANDLE_VALUE : FileSystemApi::FindFirstFile(pattern, data);
  }
  BOOL FindNextFile(HANDLE h, WIN32_FIND_DATAW* data) override {
    return Fail() ? FALSE : FileSystemApi::FindNextFile(h, data);
  }
  DWORD GetLogicalDrives() override { return Fail() ? 0 : FileSystemApi::GetLogicalDrives(); }
  BOOL GetVolumeFileSystem(const wchar_t* root, std::wstring* name) override {
    return Fail() ? FALSE : FileSystemApi::GetVolumeFileSystem(root, name);
  }
  BOOL CompressStep(const void* data, DWORD n) override {
    return Fail() ? FALSE : FileSystemApi::CompressStep(data, n);
  }
};

}  // namespace vk::test
