// The entry filter of the source walk: keeps system areas, program folders,
// temporary and housekeeping files and the restore folder out of every
// backup, and does not follow reparse points except on the way to the user's
// own Documents, Music, Pictures and Videos folders.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

namespace vk {

constexpr DWORD kAttrTemporary = FILE_ATTRIBUTE_TEMPORARY;   // 0x100
constexpr DWORD kAttrReparse = FILE_ATTRIBUTE_REPARSE_POINT;  // 0x400
constexpr wchar_t kRestoreFolderName[] = L"CorvaneRestore";

// What the walk found: the listing's attributes and name, and the full path
// the walk built for it.
struct FoundEntry {
  DWORD attributes = 0;
  const wchar_t* name = L"";
  const wchar_t* fullPath = L"";
};

// The user's Documents, Music, Pictures and Videos folders, read once when
// the program starts. `available` is false when they could not be read.
struct SpecialFolders {
  static constexpr int kCount = 4;
  bool available = false;
  std::wstring paths[kCount];  // as the shell reports them
};

// True when the entry is to be left out of the backup (and, for a folder,
// not entered). `exclusionList` is double-zero-terminated or null;
// `special` may be null (treated as not available).
bool SkipEntry(const FoundEntry& entry, const wchar_t* exclusionList,
               const SpecialFolders* special);

// Asks the shell for the four special folders of the current user.
SpecialFolders ReadSpecialFolders();

// The folders the filter of every backup run uses; set once by the program at
// start-up (none until then, so reparse points and temporary entries are all
// left out).
void SetJobSpecialFolders(const SpecialFolders& folders);
const SpecialFolders& JobSpecialFolders();

// The exclusion list in its double-zero-terminated form: the fixed entries,
// each expanded with `expand` (environment variables; an entry that does not
// expand within 260 characters stays as written), then the restore folder
// under `documents` when that is known.
typedef std::wstring (*ExpandFunction)(const wchar_t* text);
std::wstring BuildExclusionList(const std::wstring& documents, ExpandFunction expand);
// The same with the process environment (ExpandEnvironmentStringsW).
std::wstring BuildExclusionList(const std::wstring& documents);
std::wstring ExpandEnvironment(const wchar_t* text);

}  // namespace vk
