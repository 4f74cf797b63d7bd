#include <gtest/gtest.h>

#include "engine/EntryFilter.h"

namespace vk {
namespace {

const wchar_t kExclusions[] =
    L"C:\\Users\\Ann\\AppData\\Roaming\\Microsoft\\Windows\0MSOCache\0$recycle.bin\0"
    L"System Volume Information\0C:\\WINDOWS\0C:\\Users\\Ann\\AppData\\Local\\Temp\0"
    L"C:\\Users\\Ann\\Documents\\CorvaneRestore\0";

SpecialFolders AnnFolders() {
  SpecialFolders f;
  f.available = true;
  f.paths[0] = L"C:\\Users\\Ann\\Documents";
  f.paths[1] = L"C:\\Users\\Ann\\Music\\";
  f.paths[2] = L"D:\\Pictures";
  f.paths[3] = L"C:\\Users\\Ann\\Videos";
  return f;
}

constexpr DWORD kFile = FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD kDir = FILE_ATTRIBUTE_DIRECTORY;
constexpr DWORD kJunction = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

TEST(SkipEntry, NamesPathsAndAttributes) {
  SpecialFolders ann = AnnFolders();
  struct Case {
    DWORD attributes;
    const wchar_t* path;  // the name is its last component
    bool special;         // special folders known
    bool skip;
  } cases[] = {
      // Housekeeping files, case folded; the same names as folders are kept.
      {kFile, L"C:\\Data\\Thumbs.db", true, true},
      {kDir, L"C:\\Data\\Thumbs.db", true, false},
      {kFile, L"C:\\NTUSER.DAT", true, true},
      {kFile, L"C:\\x\\desktop.ini", true, true},
      {kFile, L"C:\\Data\\report.TMP", true, true},
      {kFile, L"C:\\Data\\draft.temp", true, true},
      {kFile, L"C:\\Data\\~$budget.xlsx", true, true},
      {kFile, L"C:\\Data\\.DS_Store", true, true},
      {kFile, L"C:\\Data\\tmp.txt", true, false},
      {kFile, L"C:\\Data\\report.tmp.txt", true, false},
      {kFile, L"C:\\Data\\a~b.txt", true, false},
      {kFile, L"C:\\Data\\Thumbs.db.bak", true, false},
      {kDir, L"C:\\Data\\x.tmp", true, false},
      {FILE_ATTRIBUTE_TEMPORARY, L"C:\\Data\\plain.txt", true, true},
      // Folders by name anywhere, and by full path; paths never match names.
      {kDir, L"E:\\deep\\down\\System Volume Information", true, true},
      {kDir, L"C:\\$RECYCLE.BIN", true, true},
      {kDir, L"C:\\Windows", true, true},
      {kDir, L"D:\\Windows", true, false},
      {kDir, L"C:\\Users\\Ann\\AppData\\Local\\TEMP", true, true},
      {kDir, L"C:\\Users\\Ann\\Documents\\CorvaneRestore", true, true},
      {kDir, L"C:\\Users\\Ann\\Documents\\Restore", true, false},
      {kFile, L"C:\\WINDOWS", true, false},  // the list never applies to files
      {kDir, L"C:\\Users\\Ann\\Documents\\MSOCache2", true, false},
      // Reparse points: only the special folders and the way to them.
      {kJunction, L"C:\\Users\\Ann\\Documents\\My Music", true, true},
      {kJunction, L"C:\\Users\\Ann\\Documents", true, false},
      {kJunction, L"C:\\Users\\Ann\\documents\\", true, false},
      {kJunction, L"C:\\Users\\ann", true, false},
      {kJunction, L"C:\\Users\\Ann\\Music", true, false},
      {kJunction, L"C:\\Users\\Annette", true, true},
      {kJunction, L"C:\\Users\\Ann\\Documents", false, true},
      {kDir, L"C:\\Users\\Ann\\Documents\\My Music", false, false},
  };
  for (const Case& c : cases) {
    std::wstring path = c.path;
    std::wstring trimmed = path.back() == L'\\' ? path.substr(0, path.size() - 1) : path;
    std::wstring name = trimmed.substr(trimmed.rfind(L'\\') + 1);
    FoundEntry e;
    e.attributes = c.attributes;
    e.name = name.c_str();
    e.fullPath = c.path;
    EXPECT_EQ(SkipEntry(e, kExclusions, c.special ? &ann : nullptr), c.skip)
        << std::hex << c.attributes << " " << std::string(path.begin(), path.end());
  }
}

TEST(BuildExclusionList, ExpandsEveryEntryAndAddsTheRestoreFolder) {
  auto expand = [](const wchar_t* text) -> std::wstring {
    std::wstring s = text;
    if (s == L"%windir%") return L"C:\\WINDOWS";
    if (s == L"%TMP%") return L"";  // defined but empty: left out
    return s;
  };
  std::wstring list = BuildExclusionList(L"C:\\Users\\Ann\\Documents\\", expand);
  std::vector<std::wstring> entries;
  for (size_t at = 0; list[at] != 0; at += entries.back().size() + 1)
    entries.push_back(list.c_str() + at);
  ASSERT_EQ(entries.size(), 16u);
  EXPECT_EQ(entries[0], L"%AppData%\\Microsoft\\Windows");
  EXPECT_EQ(entries[8], L"C:\\WINDOWS");
  EXPECT_EQ(entries[10], L"%ProgramFiles%") << "the empty %TMP% is dropped";
  EXPECT_EQ(entries.back(), L"C:\\Users\\Ann\\Documents\\CorvaneRestore");
  EXPECT_EQ(list.size(), [&] {
    size_t n = 1;
    for (auto& e : entries) n += e.size() + 1;
    return n;
  }());

  // The real environment: %TEMP% expands, an unknown variable stays.
  std::wstring real = BuildExclusionList(L"");
  EXPECT_EQ(real.find(L"%TEMP%"), std::wstring::npos);
  EXPECT_EQ(ExpandEnvironment(L"%VAULTKEEP_UNDEFINED_X%"), L"%VAULTKEEP_UNDEFINED_X%");
}

TEST(SkipEntry, TempFolderFromTheEnvironmentMatchesWhateverItsCase) {
  std::wstring temp = ExpandEnvironment(L"%TEMP%");
  ASSERT_NE(temp, L"%TEMP%");
  std::wstring list = BuildExclusionList(L"");
  std::wstring upper = temp;
  for (wchar_t& ch : upper)
    if (ch >= L'a' && ch <= L'z') ch = static_cast<wchar_t>(ch - 32);
  FoundEntry e;
  e.attributes = kDir;
  e.name = L"whatever";
  e.fullPath = upper.c_str();
  EXPECT_TRUE(SkipEntry(e, list.c_str(), nullptr));
}

}  // namespace
}  // namespace vk
