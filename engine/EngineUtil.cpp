#include "engine/EngineUtil.h"

#include <windows.h>

#include <vector>

#include "common/Ascii.h"
#include "engine/FileSystem.h"
#include "common/Texts.h"

namespace vk {
namespace {

bool IsPathSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The length of the parent of path's first `chars` characters, its trailing
// separator kept ("X:\A\B" -> "X:\A\").
size_t ParentLength(const std::wstring& path, size_t chars) {
  if (chars > 0 && IsPathSeparator(path[chars - 1])) --chars;
  while (chars > 0 && !IsPathSeparator(path[chars - 1]) && path[chars - 1] != L':') --chars;
  return chars;
}

}  // namespace

BkupResult DiskFullOr(BkupResult other) {
  return ::GetLastError() == ERROR_DISK_FULL ? kResultDiskFull : other;
}

// A loop, not a recursion: a path from a backup disk may be thousands of
// folders deep. Up from the path to the nearest part that exists, then the
// missing parts are created downwards, each with the calls the recursive
// definition makes.
bool CreateFolderPath(const std::wstring& path) {
  std::vector<size_t> missing;  // lengths of the missing parts, deepest first
  std::wstring part;
  for (size_t chars = path.size();; chars = ParentLength(path, chars)) {
    if (chars == 0 || path[chars - 1] == L':') return false;
    part.assign(path, 0, chars);
    DWORD attributes = FileSystem().GetFileAttributes(part.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
      break;
    }
    missing.push_back(chars);
  }
  for (auto chars = missing.rbegin(); chars != missing.rend(); ++chars) {
    part.assign(path, 0, *chars);
    if (!FileSystem().CreateDirectory(part.c_str())) return false;
  }
  return true;
}

SplitPathParts SplitPath(const std::wstring& path) {
  SplitPathParts parts;
  std::wstring rest = path;
  size_t colon = rest.find(L':');
  if (colon != std::wstring::npos) {
    parts.drive = rest.substr(0, colon + 1);
    rest.erase(0, colon + 1);
  }
  size_t slash = rest.rfind(L'\\');
  if (slash != std::wstring::npos) {
    parts.folder = rest.substr(0, slash + 1);
    rest.erase(0, slash + 1);
  }
  size_t dot = rest.rfind(L'.');
  if (dot != std::wstring::npos) {
    parts.extension = rest.substr(dot);
    rest.erase(dot);
  }
  parts.base = rest;
  return parts;
}

bool EqualNoCase(const wchar_t* a, size_t aChars, const wchar_t* b, size_t bChars) {
  return aChars == bChars && AsciiEqualNoCase(a, b, aChars);
}

size_t BoundedLength(const wchar_t* text, size_t maxChars) {
  size_t n = 0;
  while (n < maxChars && text[n] != 0) ++n;
  return n;
}

std::wstring TrimTrailingBackslashes(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring FormatSize(uint64_t bytes) { return FormatSize(bytes, AppLanguage()); }

std::wstring FormatSize(uint64_t bytes, uint32_t language) {
  struct Unit {
    unsigned shift;
    uint32_t textId;
  };
  static const Unit kUnits[] = {
      {40, txt::kSizeTB}, {30, txt::kSizeGB}, {20, txt::kSizeMB}, {10, txt::kSizeKB}};
  for (const Unit& unit : kUnits) {
    if (bytes < (uint64_t{1} << unit.shift)) continue;
    uint64_t whole = bytes >> unit.shift;
    uint64_t rest = bytes & ((uint64_t{1} << unit.shift) - 1);
    uint64_t top = rest >> (unit.shift - 10);  // 0..1023
    uint64_t hundredths = ((top * 1000) / 1024) / 10;
    std::wstring number = FormatText(L"%I64d.%02I64d", whole, hundredths);
    return LoadText(unit.textId, language, number.c_str());
  }
  std::wstring number = FormatText(L"%I64d", bytes);
  return LoadText(txt::kSizeBytes, language, number.c_str());
}

std::wstring ZeroEndedList(const std::vector<std::wstring>& items) {
  std::wstring list;
  for (const std::wstring& item : items) {
    list += item;
    list += L'\0';
  }
  list += L'\0';
  return list;
}

}  // namespace vk
