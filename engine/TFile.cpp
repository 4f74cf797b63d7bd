#include "engine/TFile.h"

#include "engine/FileSystem.h"

namespace vk {

bool CTFile::SeekTo(uint64_t o) const {
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return false;
  LARGE_INTEGER want, got;
  want.QuadPart = static_cast<LONGLONG>(base + o);
  if (!FileSystem().SetFilePointerEx(handle, want, &got, FILE_BEGIN)) return false;
  return got.QuadPart == want.QuadPart;
}

bool CTFile::Read(uint64_t o, void* data, uint32_t n, uint32_t* done) const {
  *done = 0;
  if (!SeekTo(o)) return false;
  DWORD got = 0;
  if (!FileSystem().ReadFile(handle, data, n, &got)) return false;
  *done = got;
  return true;
}

bool CTFile::Write(uint64_t o, const void* data, uint32_t n, uint32_t* done) const {
  *done = 0;
  if (!SeekTo(o)) return false;
  DWORD put = 0;
  if (!FileSystem().WriteFile(handle, data, n, &put)) return false;
  *done = put;
  return true;
}

}  // namespace vk
