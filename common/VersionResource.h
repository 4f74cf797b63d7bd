// The string values of a program file's version resource, read through
// version.dll, which is bound from the system folder for the life of one
// reader only: neither program loads it at start.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "common/Handle.h"

namespace vk {

// The language and code-page block the programs' version resources use.
inline constexpr wchar_t kVersionStringBlock[] = L"\\StringFileInfo\\040904b0\\";
inline constexpr wchar_t kFileVersionName[] = L"FileVersion";
inline constexpr wchar_t kLegalCopyrightName[] = L"LegalCopyright";
// Far more than any version resource holds; a larger size is not read.
inline constexpr DWORD kMaxVersionInfoBytes = 64 * 1024;
// The longest value taken from it.
inline constexpr size_t kMaxVersionValueChars = 1024;

class VersionResource {
 public:
  // Reads the version information of `modulePath`; Loaded() is false when
  // version.dll or one of its functions is missing, or the file has none.
  explicit VersionResource(const wchar_t* modulePath);
  VersionResource(const VersionResource&) = delete;
  VersionResource& operator=(const VersionResource&) = delete;

  bool Loaded() const { return query_ != nullptr; }
  // The value `name` of block 040904b0, as written in the resource (cut at
  // its terminator, at most kMaxVersionValueChars); false when it is absent.
  bool String(const wchar_t* name, std::wstring* value) const;

 private:
  using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
  bool Read(const wchar_t* modulePath);

  LibraryHandle library_;
  std::vector<unsigned char> block_;
  QueryFn query_ = nullptr;
};

// The full path of this program's own file; empty when it does not fit.
std::wstring OwnModulePath();

}  // namespace vk
