// A file-system door that shows chosen folders or files as reparse points
// (junctions, symbolic links), which Wine cannot make: the entries are real
// and plain on the disk, and the door adds FILE_ATTRIBUTE_REPARSE_POINT to
// what it reports about them, by path and by a handle opened on them.
#pragma once
#include <windows.h>

#include <map>
#include <set>
#include <string>

#include "common/Ascii.h"
#include "engine/EngineUtil.h"
#include "engine/FileSystem.h"

namespace vk::test {

class LinkingFileSystem : public FileSystemApi {
 public:
  // Paths as the engine spells them, compared without regard to case.
  void AddLink(const std::wstring& path) { links_.insert(Fold(path)); }

  HANDLE CreateFile(const wchar_t* p, DWORD a, DWORD s, DWORD d, DWORD f) override {
    HANDLE h = FileSystemApi::CreateFile(p, a, s, d, f);
    if (h != INVALID_HANDLE_VALUE) opened_[h] = p;
    return h;
  }
  BOOL CloseHandle(HANDLE h) override {
    opened_.erase(h);
    return FileSystemApi::CloseHandle(h);
  }
  BOOL GetFileInformationByHandle(HANDLE h, BY_HANDLE_FILE_INFORMATION* info) override {
    if (!FileSystemApi::GetFileInformationByHandle(h, info)) return FALSE;
    auto it = opened_.find(h);
    if (it != opened_.end() && IsLink(it->second)) info->dwFileAttributes |= kReparse;
    return TRUE;
  }
  DWORD GetFileAttributes(const wchar_t* p) override {
    DWORD a = FileSystemApi::GetFileAttributes(p);
    return a != INVALID_FILE_ATTRIBUTES && IsLink(p) ? a | kReparse : a;
  }
  BOOL GetFileAttributesEx(const wchar_t* p, WIN32_FILE_ATTRIBUTE_DATA* d) override {
    if (!FileSystemApi::GetFileAttributesEx(p, d)) return FALSE;
    if (IsLink(p)) d->dwFileAttributes |= kReparse;
    return TRUE;
  }

 private:
  static constexpr DWORD kReparse = FILE_ATTRIBUTE_REPARSE_POINT;
  static std::wstring Fold(std::wstring p) {
    p = TrimTrailingBackslashes(p);
    for (wchar_t& c : p) c = AsciiUpper(c);
    return p;
  }
  bool IsLink(const std::wstring& p) const { return links_.count(Fold(p)) != 0; }

  std::set<std::wstring> links_;
  std::map<HANDLE, std::wstring> opened_;
};

}  // namespace vk::test
