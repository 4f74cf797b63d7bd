// The benchmarks' door profile (--profile): time spent in, and calls of,
// each kind of call through the engine's file-system door.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "engine/FileSystem.h"

namespace bench {

inline double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

class TimedFileSystem : public vk::FileSystemApi {
 public:
  enum Call {
    kCreate, kRead, kWrite, kSeek, kFlush, kClose, kFind, kFindNext, kAttributes, kSetAttributes,
    kSetTime, kCreateFolder, kOther, kCount
  };
  double seconds[kCount] = {};
  uint64_t calls[kCount] = {};
  struct Clock {
    TimedFileSystem* fs;
    Call call;
    double start = Seconds();
    ~Clock() {
      fs->seconds[call] += Seconds() - start;
      ++fs->calls[call];
    }
  };
  HANDLE CreateFile(const wchar_t* p, DWORD a, DWORD s, DWORD d, DWORD f) override {
    Clock c{this, kCreate};
    return FileSystemApi::CreateFile(p, a, s, d, f);
  }
  BOOL ReadFile(HANDLE h, void* d, DWORD n, DWORD* done) override {
    Clock c{this, kRead};
    return FileSystemApi::ReadFile(h, d, n, done);
  }
  BOOL WriteFile(HANDLE h, const void* d, DWORD n, DWORD* done) override {
    Clock c{this, kWrite};
    return FileSystemApi::WriteFile(h, d, n, done);
  }
  BOOL SetFilePointerEx(HANDLE h, LARGE_INTEGER to, LARGE_INTEGER* now, DWORD how) override {
    Clock c{this, kSeek};
    return FileSystemApi::SetFilePointerEx(h, to, now, how);
  }
  BOOL FlushFileBuffers(HANDLE h) override {
    Clock c{this, kFlush};
    return FileSystemApi::FlushFileBuffers(h);
  }
  BOOL CloseHandle(HANDLE h) override {
    Clock c{this, kClose};
    return FileSystemApi::CloseHandle(h);
  }
  HANDLE FindFirstFile(const wchar_t* p, WIN32_FIND_DATAW* d) override {
    Clock c{this, kFind};
    return FileSystemApi::FindFirstFile(p, d);
  }
  BOOL FindNextFile(HANDLE h, WIN32_FIND_DATAW* d) override {
    Clock c{this, kFindNext};
    return FileSystemApi::FindNextFile(h, d);
  }
  DWORD GetFileAttributes(const wchar_t* p) override {
    Clock c{this, kAttributes};
    return FileSystemApi::GetFileAttributes(p);
  }
  BOOL GetFileAttributesEx(const wchar_t* p, WIN32_FILE_ATTRIBUTE_DATA* d) override {
    Clock c{this, kAttributes};
    return FileSystemApi::GetFileAttributesEx(p, d);
  }
  BOOL SetFileAttributes(const wchar_t* p, DWORD a) override {
    Clock c{this, kSetAttributes};
    return FileSystemApi::SetFileAttributes(p, a);
  }
  BOOL SetFileTime(HANDLE h, const FILETIME* cr, const FILETIME* a, const FILETIME* w) override {
    Clock c{this, kSetTime};
    return FileSystemApi::SetFileTime(h, cr, a, w);
  }
  BOOL SetFileInformationByHandle(HANDLE h, FILE_INFO_BY_HANDLE_CLASS k, void* i,
                                  DWORD n) override {
    Clock c{this, kSetTime};
    return FileSystemApi::SetFileInformationByHandle(h, k, i, n);
  }
  BOOL CreateDirectory(const wchar_t* p) override {
    Clock c{this, kCreateFolder};
    return FileSystemApi::CreateDirectory(p);
  }
  BOOL DeleteFile(const wchar_t* p) override {
    Clock c{this, kOther};
    return FileSystemApi::DeleteFile(p);
  }
  BOOL MoveFileEx(const wchar_t* f, const wchar_t* t, DWORD fl) override {
    Clock c{this, kOther};
    return FileSystemApi::MoveFileEx(f, t, fl);
  }
  // Calls per `perItem` items (files) as well, when given.
  void Print(double total, uint64_t items = 0) const {
    static const wchar_t* kNames[] = {
        L"CreateFile", L"ReadFile", L"WriteFile", L"SetFilePointer", L"FlushFileBuffers",
        L"CloseHandle", L"FindFirstFile", L"FindNextFile", L"Get attributes", L"SetAttributes",
        L"Set time (+attr)", L"CreateDirectory", L"Delete/Move"};
    double sum = 0;
    for (int i = 0; i < kCount; ++i) {
      if (items != 0)
        std::wprintf(L"    %-18ls %8llu calls (%5.2f per file) %8.3f s\n", kNames[i], calls[i],
                     static_cast<double>(calls[i]) / items, seconds[i]);
      else
        std::wprintf(L"    %-18ls %8llu calls %8.3f s\n", kNames[i], calls[i], seconds[i]);
      sum += seconds[i];
    }
    std::wprintf(L"    outside the door: %.3f s of %.3f s\n", total - sum, total);
  }
};

}  // namespace bench
