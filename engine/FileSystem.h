// The engine's one door to the file system. Every file and folder call of the
// engine goes through FileSystem(), which
//  - turns drive paths into their long form (\\?\X:\...) so paths of any
//    length work, while callers keep paths as the user sees them;
//  - can be replaced by tests, to count calls and inject failures.
// Each call behaves like the Win32 call of the same name and sets the
// thread's last error the same way.
#pragma once
#include <windows.h>
#include <cstdint>
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
  virtual BOOL GetFileInformationByHandle(HANDLE h, BY_HANDLE_FILE_INFORMATION* info);
  virtual BOOL SetFileTime(HANDLE h, const FILETIME* created, const FILETIME* accessed,
                           const FILETIME* written);
  virtual BOOL SetFileInformationByHandle(HANDLE h, FILE_INFO_BY_HANDLE_CLASS kind, void* info,
                                          DWORD size);
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
  // The space of the volume of `root` (GetDiskFreeSpaceExW); any of the
  // three may be null.
  virtual BOOL GetDiskFreeSpaceEx(const wchar_t* root, ULARGE_INTEGER* available,
                                  ULARGE_INTEGER* total, ULARGE_INTEGER* totalFree);
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

// ---- Transfers every engine file operation is made of, through the door ----

// How a read of an exact number of bytes ended.
enum class ReadOutcome {
  kWhole,   // all the bytes
  kShort,   // the file ended first: for a file that must hold them, damage
  kFailed,  // the system refused a read; the thread's last error says why
};

// Reads exactly n bytes from the file's position, going on after partial
// reads; *got (when given) receives the number of bytes read.
ReadOutcome ReadExactly(HANDLE file, void* data, uint32_t n, uint32_t* got = nullptr);

// Writes all n bytes at the file's position, going on after partial writes;
// false when a write fails or moves nothing. The thread's last error is
// cleared first, so after a failure it is the system's reason (ERROR_DISK_FULL
// for a full volume) or ERROR_SUCCESS.
bool WriteExactly(HANDLE file, const void* data, uint32_t n);

// Moves the file's position to `offset` from its start; false when the seek
// fails or lands elsewhere (an offset past the largest signed 64-bit value
// never lands).
bool SeekTo(HANDLE file, uint64_t offset);

// The 64-bit values the system hands out in two 32-bit halves.
constexpr uint64_t JoinHalves(DWORD high, DWORD low) { return (uint64_t{high} << 32) | low; }
constexpr uint64_t FileTimeValue(const FILETIME& t) {
  return JoinHalves(t.dwHighDateTime, t.dwLowDateTime);
}
inline FILETIME AsFileTime(uint64_t value) {
  FILETIME t;
  t.dwLowDateTime = static_cast<DWORD>(value);
  t.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return t;
}

// Installs `api` (nullptr restores the real one); returns the previous one.
// For tests: not thread-safe against running jobs.
FileSystemApi* SetFileSystem(FileSystemApi* api);

}  // namespace vk
