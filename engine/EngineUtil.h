// Small helpers every engine job uses: folder creation, path splitting and
// size texts.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/BkupTypes.h"

namespace vk {

// kResultDiskFull when the thread's last error is ERROR_DISK_FULL, else
// `other`: how every engine job reports a failed read or write.
BkupResult DiskFullOr(BkupResult other);

// Makes sure the folder and all its missing parents exist. Fails for an empty
// path, a path ending in ':' (a bare drive), or when something that is not a
// folder stands in the way.
bool CreateFolderPath(const std::wstring& path);

struct SplitPathParts {
  std::wstring drive;      // up to and including the first ':'
  std::wstring folder;     // up to and including the last '\'
  std::wstring base;       // the name without its extension
  std::wstring extension;  // from the last '.' of the name, dot included
};
SplitPathParts SplitPath(const std::wstring& path);

// Comparisons of the C runtime's "C" locale: A-Z equal a-z, every other
// character compares by its code.
bool EqualNoCase(const wchar_t* a, size_t aChars, const wchar_t* b, size_t bChars);
inline bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  return EqualNoCase(a.data(), a.size(), b.data(), b.size());
}

// Characters of `text` before its first zero, at most `maxChars` (for fixed
// fields read from a file, which may lack the terminator).
size_t BoundedLength(const wchar_t* text, size_t maxChars);

// `path` without its trailing backslashes.
std::wstring TrimTrailingBackslashes(std::wstring path);

// "1.50 GB", "1023 bytes": hundredths truncated, never rounded; unit texts in
// `language` (the program's language by default).
std::wstring FormatSize(uint64_t bytes);
// The list form of folder lists and selections: each item ended by a zero,
// the list by one more (a lone zero when there is no item).
std::wstring ZeroEndedList(const std::vector<std::wstring>& items);
std::wstring FormatSize(uint64_t bytes, uint32_t language);

}  // namespace vk
