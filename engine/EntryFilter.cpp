#include "engine/EntryFilter.h"

#include <shlobj.h>

#include <cwchar>

#include "engine/BkupTypes.h"
#include "engine/EngineUtil.h"

namespace vk {
namespace {

constexpr const wchar_t* kSkippedFileNames[] = {
    L"config.msi", L"ntuser.dat",   L"ntuser.ini",   L"desktop.ini",
    L"hiberfil.sys", L"pagefile.sys", L"swapfile.sys", L"thumbs.db"};
constexpr const wchar_t* kSkippedExtensions[] = {L".ds_store", L".temp", L".tmp"};
constexpr wchar_t kSkippedPrefix = L'~';

// Written as the program ships them; environment variables are expanded
// when the list is built.
constexpr const wchar_t* kExclusionTemplates[] = {
    L"%AppData%\\Microsoft\\Windows",
    L"%ProgramData%\\Microsoft\\Windows\\Caches",
    L"MSOCache",
    L"$recycle.bin",
    L"recycler",
    L"%SystemDrive%\\Drivers",
    L"%SystemDrive%\\Temp",
    L"System Volume Information",
    L"%windir%",
    L"%TEMP%",
    L"%TMP%",
    L"%ProgramFiles%",
    L"%ProgramFiles(x86)%",
    L"%ProgramW6432%",
    L"%ProgramData%",
    L"%SystemRoot%",
};
constexpr DWORD kExpandBufferChars = 260;

const int kSpecialFolderIds[SpecialFolders::kCount] = {CSIDL_PERSONAL, CSIDL_MYMUSIC,
                                                       CSIDL_MYPICTURES, CSIDL_MYVIDEO};

SpecialFolders g_jobSpecialFolders;

bool EqualsText(const wchar_t* a, size_t aChars, const wchar_t* b) {
  return EqualNoCase(a, aChars, b, std::wcslen(b));
}

// The path with all trailing backslashes removed and one added.
std::wstring WithOneBackslash(const wchar_t* path) {
  return TrimTrailingBackslashes(path) + L"\\";
}

// True when the entry is one of the special folders or lies on the way to one.
bool OnTheWayToSpecialFolder(const wchar_t* fullPath, const SpecialFolders& special) {
  std::wstring p = WithOneBackslash(fullPath);
  for (const std::wstring& folder : special.paths) {
    if (folder.empty()) continue;
    std::wstring s = WithOneBackslash(folder.c_str());
    if (p.size() <= s.size() && EqualNoCase(p.data(), p.size(), s.data(), p.size())) return true;
  }
  return false;
}

bool SkipFile(const wchar_t* name) {
  size_t chars = std::wcslen(name);
  for (const wchar_t* skipped : kSkippedFileNames)
    if (EqualsText(name, chars, skipped)) return true;
  const wchar_t* dot = std::wcsrchr(name, L'.');
  if (dot != nullptr) {
    size_t extChars = chars - static_cast<size_t>(dot - name);
    for (const wchar_t* ext : kSkippedExtensions)
      if (EqualsText(dot, extChars, ext)) return true;
  }
  return name[0] == kSkippedPrefix;
}

bool SkipFolder(const FoundEntry& entry, const wchar_t* exclusionList) {
  if (exclusionList == nullptr) return false;
  size_t nameChars = std::wcslen(entry.name);
  size_t pathChars = std::wcslen(entry.fullPath);
  for (const wchar_t* e = exclusionList; *e != 0; e += std::wcslen(e) + 1) {
    size_t chars = std::wcslen(e);
    if (EqualNoCase(entry.name, nameChars, e, chars) ||
        EqualNoCase(entry.fullPath, pathChars, e, chars))
      return true;
  }
  return false;
}

}  // namespace

bool SkipEntry(const FoundEntry& entry, const wchar_t* exclusionList,
               const SpecialFolders* special) {
  if (entry.attributes & (kAttrReparse | kAttrTemporary)) {
    if (special == nullptr || !special->available) return true;
    if (!OnTheWayToSpecialFolder(entry.fullPath, *special)) return true;
  }
  if ((entry.attributes & kAttrFolder) == 0) return SkipFile(entry.name);
  return SkipFolder(entry, exclusionList);
}

SpecialFolders ReadSpecialFolders() {
  SpecialFolders folders;
  folders.available = true;
  for (int i = 0; i < SpecialFolders::kCount; ++i) {
    wchar_t path[MAX_PATH + 1] = {};
    if (::SHGetSpecialFolderPathW(nullptr, path, kSpecialFolderIds[i], FALSE))
      folders.paths[i] = path;
    else
      folders.available = false;
  }
  return folders;
}

void SetJobSpecialFolders(const SpecialFolders& folders) { g_jobSpecialFolders = folders; }
const SpecialFolders& JobSpecialFolders() { return g_jobSpecialFolders; }

std::wstring ExpandEnvironment(const wchar_t* text) {
  wchar_t out[kExpandBufferChars] = {};
  DWORD chars = ::ExpandEnvironmentStringsW(text, out, kExpandBufferChars);
  if (chars == 0 || chars > kExpandBufferChars) return text;
  return out;
}

std::wstring BuildExclusionList(const std::wstring& documents, ExpandFunction expand) {
  std::wstring list;
  for (const wchar_t* entry : kExclusionTemplates) {
    // An entry that expands to nothing would end the list early.
    std::wstring expanded = expand(entry);
    if (expanded.empty()) continue;
    list += expanded;
    list += L'\0';
  }
  if (!documents.empty()) {
    list += TrimTrailingBackslashes(documents) + L"\\" + kRestoreFolderName;
    list += L'\0';
  }
  list += L'\0';
  return list;
}

std::wstring BuildExclusionList(const std::wstring& documents) {
  return BuildExclusionList(documents, &ExpandEnvironment);
}

}  // namespace vk
