// The engine's one door to the file system. Every file and folder call of the
// engine goes through FileSystem(), which
//  - turns drive paths into their long form (\\?\X:\...) so paths of any
//    length work, while callers keep paths as the user sees them;
//  - can be replaced by tests, to count calls and inject failures.
// Each call behaves like the Win32 call of the same name and sets the
// thread's last error the same way.
#pragma once
#include <windows.h>
#include <string>

#include "common/Handle.h"

namespace vk {

// "X:\a" -> "\\?\X:\a", "\\srv\share" -> "\\?\UNC\srv\share"; forward slashes
// become backslashes (the long form is passed to the file system verbatim).
// Paths that are already in a \\?\ or \\.\ form, or relative, are unchanged.
std::wstring LongPathForm(const std::wstring& path);

class FileSystemApi {
 public:
  virtual ~FileSystemApi() = default;
  virtual HANDLE CreateFile(const wchar_t* path, DWORD access, DWORD share,
                            DWORD disposition, DWORD flags);
  virtual BOOL ReadFile(HANDLE h, void* data, DWORD n, DWORD* done);
  virtual BOOL WriteFile(HANDLE h, const void* data, DWORD n, DWORD* done);
  virtual BOOL SetFilePointerEx(HANDLE h, LARGE_INTEGER to, LARGE_INTEGER* now, DWORD how);
  virtual BOOL FlushFileBuffers(HANDLE h);
  virtual BOOL SetEndOfFile(HANDLE h);
  virtual BOOL GetFileSizeEx(HANDLE h, LARGE_INTEGER* size);
  virtual BOOL SetFileTime(HANDLE h, const FILETIME* created, const FILETIME* accessed,
                           const FILETIME* written);
  virtual BOOL CloseHandle(HANDLE h);
  virtual DWORD GetFileAttributes(const wchar_t* path);
  virtual BOOL GetFileAttributesEx(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data);
  virtual BOOL SetFileAttributes(const wchar_t* path, DWORD attributes);
  virtual BOOL CreateDirectory(const wchar_t* path);
  virtual BOOL RemoveDirectory(const wchar_t* path);
  virtual BOOL DeleteFile(const wchar_t* path);
  virtual BOOL MoveFileEx(const wchar_t* from, const wchar_t* to, DWORD flags);
  virtual HANDLE FindFirstFile(const wchar_t* pattern, WIN32_FIND_DATAW* data);
  virtual BOOL FindNextFile(HANDLE h, WIN32_FIND_DATAW* data);
  virtual BOOL FindClose(HANDLE h);
  // Volumes: the logical-drive mask, and the file-system name of a root such
  // as "X:\" (GetVolumeInformationW).
  virtual DWORD GetLogicalDrives();
  virtual BOOL GetVolumeFileSystem(const wchar_t* root, std::wstring* name);
  // Not a file-system call: asked before each data block of a backup is
  // compressed, on the thread that compresses it (a worker of the
  // compression pool, or the run's own thread). FALSE fails the block as a
  // zlib error would; the real door always lets it pass. It puts the pool's
  // work behind the same door as the run's I/O, for the fault tests.
  virtual BOOL CompressStep(const void* data, DWORD n);
};

// The implementation in force (the real one unless a test installed another).
FileSystemApi& FileSystem();

// Owners of handles opened through the door, closed through it too.
struct EngineFileTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { FileSystem().CloseHandle(h); }
};
struct EngineFindTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { FileSystem().FindClose(h); }
};
using EngineFile = UniqueHandle<EngineFileTraits>;
using EngineFind = UniqueHandle<EngineFindTraits>;

// Installs `api` (nullptr restores the real one); returns the previous one.
// For tests: not thread-safe against running jobs.
FileSystemApi* SetFileSystem(FileSystemApi* api);

}  // namespace vk
