#include "engine/BkupEngine.h"
#include "engine/EngineUtil.h"
#include "engine/FileSystem.h"
#include "common/Texts.h"
#include "tests/support/ScopedFileSystem.h"
#include "tests/support/TestVolume.h"

#include <vector>

namespace vk {
namespace {

TEST(FormatSize, UnitsAndTruncation) {
  struct Case {
    uint64_t bytes;
    const wchar_t* want;
  } cases[] = {
      {0, L"0 bytes"},
      {1023, L"1023 bytes"},
      {1024, L"1.00 KB"},
      {1536, L"1.50 KB"},
      {1048575, L"1023.99 KB"},  // truncated, not rounded up to 1024.00
      {1048576, L"1.00 MB"},
      {1610612736, L"1.50 GB"},
      {1099511627775ull, L"1023.99 GB"},
      {1099511627776ull, L"1.00 TB"},
      {0xFFFFFFFFFFFFFFFFull, L"16777215.99 TB"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatSize(c.bytes, kLangEnglish), c.want) << c.bytes;
}

TEST(FormatSize, UnknownLanguageFallsBackToEnglish) {
  EXPECT_EQ(FormatSize(1536, 9), L"1.50 KB");
}

// Folder lists and selections end each item with a zero and the list with one
// more; an empty list is a lone zero, never an empty string.
TEST(ZeroEndedList, ItemsAndEnd) {
  EXPECT_EQ(ZeroEndedList({}), std::wstring(1, L'\0'));
  EXPECT_EQ(ZeroEndedList({L"C:\\A", L"D:"}), std::wstring(L"C:\\A\0D:\0\0", 9));
}

TEST(SplitPath, Parts) {
  struct Case {
    const wchar_t* path;
    const wchar_t *drive, *folder, *base, *extension;
  } cases[] = {
      {L"C:\\Users\\Ann\\thumbs.db", L"C:", L"\\Users\\Ann\\", L"thumbs", L".db"},
      {L"C:\\Temp\\.tmp", L"C:", L"\\Temp\\", L"", L".tmp"},
      {L"C:\\Temp\\README", L"C:", L"\\Temp\\", L"README", L""},
      {L"C:\\a.b\\archive.tar.gz", L"C:", L"\\a.b\\", L"archive.tar", L".gz"},
      {L"thumbs.db", L"", L"", L"thumbs", L".db"},
      {L"D:", L"D:", L"", L"", L""},
      {L"C:\\dir\\", L"C:", L"\\dir\\", L"", L""},
  };
  for (const Case& c : cases) {
    SplitPathParts p = SplitPath(c.path);
    EXPECT_EQ(p.drive, c.drive) << c.path;
    EXPECT_EQ(p.folder, c.folder) << c.path;
    EXPECT_EQ(p.base, c.base) << c.path;
    EXPECT_EQ(p.extension, c.extension) << c.path;
  }
}

TEST(ProgressPercent, NeverReaches100) {
  struct Case {
    uint64_t done, total;
    uint32_t want;
  } cases[] = {
      {0, 0, 0},        {5, 0, 0},          {0, 10, 0},      {1, 3, 33},
      {99, 100, 99},    {100, 100, 99},     {150, 100, 99},  {1, 200, 0},
      {0xFFFFFFFFFFFFFFFFull, 0xFFFFFFFFFFFFFFFFull, 99},
      {0x8000000000000000ull, 0xFFFFFFFFFFFFFFFFull, 50},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProgressPercent(c.done, c.total), c.want) << c.done << "/" << c.total;
}

struct CallbackLog {
  int calls = 0;
  uint32_t phase = 0, percent = 0;
  std::wstring path;
  int answer = 0;
};

int __stdcall RecordProgress(uint32_t phase, const wchar_t* path, uint32_t percent, void* user) {
  auto* log = static_cast<CallbackLog*>(user);
  ++log->calls;
  log->phase = phase;
  log->percent = percent;
  log->path = path ? path : L"";
  return log->answer;
}

TEST(ReportProgress, PassesPhasePathPercentAndStop) {
  CBkupEngine context;
  EXPECT_EQ(ReportProgress(context, kPhaseBackup, L"C:\\x"), 0) << "no callback: go on";

  CallbackLog log;
  context.progress.callback = RecordProgress;
  context.progress.userData = &log;
  context.progress.done = 300;
  context.progress.total = 200;
  EXPECT_EQ(ReportProgress(context, kPhaseRestore, L"C:\\x"), 0);
  EXPECT_EQ(log.calls, 1);
  EXPECT_EQ(log.phase, kPhaseRestore);
  EXPECT_EQ(log.percent, 99u);
  EXPECT_EQ(log.path, L"C:\\x");

  context.progress.total = 0;
  log.answer = 7;  // any non-zero answer stops
  EXPECT_EQ(ReportProgress(context, kPhaseBackup, nullptr), 1);
  EXPECT_EQ(log.percent, 0u);
}

TEST(LoadJobText, LanguageAndMissingIds) {
  CBkupEngine context;
  context.language = 9;  // out of range: English
  EXPECT_EQ(LoadJobText(context, txt::kLogLinePlan, L"Weekly"), L"PLAN: Weekly");
  EXPECT_EQ(context.text, L"PLAN: Weekly");
  EXPECT_EQ(LoadJobText(context, txt::kLogLineResultFailure, 3, L"1.50 GB", 5),
            L"3 folder  1.50 GB \tFailure (05)");
  EXPECT_EQ(LoadJobText(context, kLastTextId), L"") << "a missing id gives an empty text";
  EXPECT_EQ(LoadResourceText(txt::kAppTitle), L"Vaultkeep");
  context.language = kLangGerman;
  EXPECT_EQ(LoadJobText(context, txt::kAppTitle), L"Vaultkeep") << "the title in every language";
}

TEST(FormatText, PercentAndWideArguments) {
  EXPECT_EQ(FormatText(L"100%% of %s", L"\x6587\x4ef6"), L"100% of \x6587\x4ef6");
  EXPECT_EQ(FormatText(L"%I64d", 1099511627776ll), L"1099511627776");
}

using CreateFolderPathTest = test::VolumeTest;

TEST_F(CreateFolderPathTest, BareDriveAndEmptyPathFail) {
  std::wstring bare = root.substr(0, 2);  // "X:"
  EXPECT_FALSE(CreateFolderPath(bare));
  EXPECT_FALSE(CreateFolderPath(L""));
  EXPECT_TRUE(CreateFolderPath(root)) << "the root exists and is a folder";
}

TEST_F(CreateFolderPathTest, CreatesMissingParents) {
  EXPECT_TRUE(CreateFolderPath(root + L"A\\B"));
  EXPECT_TRUE(test::PathExists(root + L"A"));
  EXPECT_TRUE(test::PathExists(root + L"A\\B"));
  EXPECT_TRUE(CreateFolderPath(root + L"A/C/")) << "forward slashes and a trailing one";
  EXPECT_TRUE(test::PathExists(root + L"A\\C"));
}

TEST_F(CreateFolderPathTest, FileInTheWayFails) {
  test::WriteFileBytes(root + L"A\\B", {1, 2, 3});
  EXPECT_FALSE(CreateFolderPath(root + L"A\\B"));
  EXPECT_FALSE(CreateFolderPath(root + L"A\\B\\C"));
}

TEST_F(CreateFolderPathTest, PathsBeyond260Characters) {
  std::wstring path = root;
  for (int i = 0; i < 60; ++i) path += L"folder-" + std::to_wstring(i) + L"\\";
  path += L"last";
  ASSERT_GT(path.size(), 400u);
  EXPECT_TRUE(CreateFolderPath(path));
  EXPECT_TRUE(test::PathExists(path));
}

// A volume on which only the root exists and every folder can be made; it
// keeps the folders asked for, in order, without touching a disk.
class EmptyVolume : public FileSystemApi {
 public:
  DWORD GetFileAttributes(const wchar_t* path) override {
    std::wstring p = path;
    if (p == L"Q:\\") return FILE_ATTRIBUTE_DIRECTORY;
    for (const std::wstring& made : created)
      if (made == p) return FILE_ATTRIBUTE_DIRECTORY;
    return INVALID_FILE_ATTRIBUTES;
  }
  BOOL CreateDirectory(const wchar_t* path) override {
    created.push_back(path);
    return TRUE;
  }
  std::vector<std::wstring> created;
};

// Folder creation follows a path of any depth (a backup disk may name one
// thousands of folders deep) top down, without running out of stack.
TEST(CreateFolderPath, PathsThousandsOfFoldersDeep) {
  const int kDepth = 16000;
  std::wstring path = L"Q:";
  for (int i = 0; i < kDepth; ++i) path += L"\\d";
  EmptyVolume volume;
  test::ScopedFileSystem scoped(&volume);
  ASSERT_TRUE(CreateFolderPath(path));
  ASSERT_EQ(volume.created.size(), static_cast<size_t>(kDepth));
  EXPECT_EQ(volume.created.front(), L"Q:\\d\\") << "the parent keeps its separator";
  EXPECT_EQ(volume.created.back(), path);
  for (size_t i = 1; i < volume.created.size(); ++i)
    ASSERT_LT(volume.created[i - 1].size(), volume.created[i].size()) << "top down, at " << i;
}

}  // namespace
}  // namespace vk
