// The summary and detail logs that runs leave on the target volume, line by
// line, with a fixed clock.
#include <gtest/gtest.h>

#include "engine/FileSystem.h"
#include "common/Texts.h"
#include "engine/LogFiles.h"
#include "tests/engine/BackupFixture.h"
#include "tests/support/ScopedFileSystem.h"

namespace vk::test {
namespace {

using Lines = std::vector<std::wstring>;

int g_clockSecond = 7;
void FixedClock(SYSTEMTIME* t) {
  *t = SYSTEMTIME{2017, 4, 6, 1, 14, 3, static_cast<WORD>(g_clockSecond), 0};
}

Lines Header(const wchar_t* start, int second = 7, const wchar_t* plan = L"20260101120000") {
  std::wstring p = FormatText(L"14:03:%02d ", second);
  return {L"**************************************************",
          L"**************************************************",
          p + L"CORVANE Vaultkeep",
          p + L"DISK: 0A1B2C3D",
          p + L"USER: alice",
          p + L"PLAN: " + plan,
          p + start + L" 01/04/2017"};
}

Lines Join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

std::string Show(const Lines& lines) {
  std::string s;
  for (const std::wstring& l : lines) s += Narrow(l) + "\n";
  return s;
}

class LogFilesTest : public BackupTest {
 protected:
  void SetUp() override {
    BackupTest::SetUp();
    g_clockSecond = 7;
    SetLogClock(&FixedClock);
    summary = logFolder + L"\\storage-backup.log";
    detail = logFolder + L"\\backup-detail.log";
  }
  void TearDown() override {
    SetLogClock(nullptr);
    SetAppLanguage(kLangEnglish);
  }
  void ExpectLines(const std::wstring& path, const Lines& want) {
    Lines got = ReadLogLines(path);
    EXPECT_EQ(got, want) << Narrow(path) << ":\n" << Show(got) << "wanted:\n" << Show(want);
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_TRUE(bytes[0] == 0xFF && bytes[1] == 0xFE) << "byte-order mark";
  }
  std::wstring Quoted(const std::wstring& relative) { return L"\"" + Src(relative) + L"\""; }

  std::wstring summary, detail;
  const std::wstring kIndent = L"         ";
};

TEST_F(LogFilesTest, SuccessfulRun) {
  Write(L"a.txt", TextBytes(1536, 1));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  const Lines footer = {kIndent + L"1 folder  1.50 KB \tSuccess", L"14:03:07 Finished date 01/04/2017"};
  ExpectLines(summary, Join({Header(L"Backup start date"), footer}));
  ExpectLines(detail, Join({Header(L"Backup start date"),
                            {L"--------------------", Quoted(L"a.txt") + L" \tSuccess",
                             L"--------------------"},
                            footer}));
  EXPECT_FALSE(PathExists(logFolder + L"\\_storage-backup.log"));
  EXPECT_FALSE(PathExists(logFolder + L"\\_backup-detail.log"));
}

TEST_F(LogFilesTest, TwoRunsInARowKeepHistoryNewestFirst) {
  Write(L"a.txt", TextBytes(100, 1));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  g_clockSecond = 9;
  ASSERT_EQ(Run(FolderList({Src()})), 0u);  // nothing to store: no file lines
  auto block = [&](int second, const wchar_t* size) {
    return Join({Header(L"Backup start date", second),
                 {kIndent + L"1 folder  " + size + L" \tSuccess",
                  FormatText(L"14:03:%02d Finished date 01/04/2017", second)}});
  };
  ExpectLines(summary, Join({block(9, L"0 bytes"), block(7, L"100 bytes")}));
  ExpectLines(detail, block(9, L"0 bytes"));
}

TEST_F(LogFilesTest, StoppedRunReplacesTheLogs) {
  Write(L"a.txt", TextBytes(100, 1));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  Write(L"b.txt", TextBytes(100, 2));
  onProgress = [](uint32_t, const wchar_t* path, uint32_t) { return path == nullptr ? 1 : 0; };
  ASSERT_EQ(Run(FolderList({Src()})), 1u);
  Lines got = ReadLogLines(summary);
  ASSERT_EQ(got.size(), 18u) << Show(got);
  EXPECT_EQ(got[7], kIndent + L"1 folder  0 bytes \tStopped");
  EXPECT_EQ(got[8], L"14:03:07 Finished date 01/04/2017");
  EXPECT_EQ(got[16], kIndent + L"1 folder  100 bytes \tSuccess");
  ExpectLines(detail, Join({Header(L"Backup start date"),
                            {kIndent + L"1 folder  0 bytes \tStopped",
                             L"14:03:07 Finished date 01/04/2017"}}));
}

TEST_F(LogFilesTest, TwoUnreadableFilesAreListedInBothLogs) {
  Write(L"x.db", TextBytes(10, 1));
  Write(L"y.db", TextBytes(10, 2));
  HANDLE held[2];
  for (int i = 0; i < 2; ++i)
    held[i] = ::CreateFileW(Src(i ? L"y.db" : L"x.db").c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  uint32_t result = Run(FolderList({Src()}));
  for (HANDLE h : held) ::CloseHandle(h);
  ASSERT_EQ(result, 0u);
  EXPECT_EQ(unreadable, 2u);
  // Listed in index order.
  ReadSet set = Sets().sets.begin()->second;
  Lines listed;
  for (const ReadEntry& e : set.entries)
    if (!e.IsFolder()) listed.push_back(kIndent + L"\"" + e.path + L"\"");
  Lines footer = Join({{kIndent + L"1 folder  0 bytes \tSuccess", kIndent + L"Access Denied Files : "},
                       listed,
                       {L"14:03:07 Finished date 01/04/2017"}});
  ExpectLines(summary, Join({Header(L"Backup start date"), footer}));
  ExpectLines(detail, Join({Header(L"Backup start date"), footer}));
}

TEST_F(LogFilesTest, RunInFrench) {
  SetAppLanguage(kLangFrench);
  Write(L"a.txt", TextBytes(2048, 1));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  const Lines header = {L"**************************************************",
                        L"**************************************************",
                        L"14:03:07 CORVANE Vaultkeep",
                        L"14:03:07 DISQUE : 0A1B2C3D",
                        L"14:03:07 UTILISATEUR : alice",
                        L"14:03:07 PLAN : 20260101120000",
                        L"14:03:07 D\u00e9but de la sauvegarde le 01/04/2017"};
  const Lines footer = {kIndent + L"1 dossier(s)  2.00 Ko \tR\u00e9ussi",
                        L"14:03:07 Termin\u00e9 le 01/04/2017"};
  ExpectLines(summary, Join({header, footer}));
  ExpectLines(detail, Join({header,
                            {L"--------------------", Quoted(L"a.txt") + L" \tR\u00e9ussi",
                             L"--------------------"},
                            footer}));
}

// The log procedure on its own, for the results a backup run cannot give
// and for the restore direction.
TEST_F(LogFilesTest, FailureLinesInBothDirections) {
  struct Case {
    LogDirection direction;
    const wchar_t *summaryName, *detailName, *start;
    uint32_t result;
    const wchar_t* lastPath;
    Lines resultLines;
  } cases[] = {
      {LogDirection::kBackup, L"storage-backup.log", L"backup-detail.log", L"Backup start date", 5,
       L"C:\\x\\y.doc",
       {kIndent + L"3 folder  1.50 GB \tFailure (05)", kIndent + L"\"C:\\x\\y.doc\""}},
      {LogDirection::kRestore, L"storage-restore.log", L"restore-detail.log",
       L"Restore start date", 6, L"",
       {kIndent + L"3 folder  1.50 GB \tFailure (06)", kIndent + L"\"\""}},
  };
  for (const Case& c : cases) {
    CBkupEngine context;
    context.logging = true;
    OpenRunLogs(context, c.direction, logFolder, plan);
    WriteLogFileLine(context, L"D:\\r\\one.txt", kLogOverwrite);
    WriteLogFileLine(context, L"D:\\r\\two.txt", kLogSkip);
    context.counters.foldersHandled = 3;
    context.counters.bytesStored = 1610612736;
    context.counters.lastPath = c.lastPath;
    CloseRunLogs(context, c.result);
    Lines tail = Join({c.resultLines, {L"14:03:07 Finished date 01/04/2017"}});
    ExpectLines(logFolder + L"\\" + c.summaryName, Join({Header(c.start), tail}));
    ExpectLines(logFolder + L"\\" + c.detailName,
                Join({Header(c.start),
                      {L"--------------------", L"\"D:\\r\\one.txt\" \tOverwrite",
                       L"\"D:\\r\\two.txt\" \tSkip", L"--------------------"},
                      tail}));
  }
}

TEST_F(LogFilesTest, LeftoverWorkFilesAreRemovedAndNeverShown) {
  WriteFileBytes(logFolder + L"\\_storage-backup.log", {0xFF, 0xFE, 'o', 0, 'l', 0, 'd', 0});
  WriteFileBytes(logFolder + L"\\_backup-detail.log", {0xFF, 0xFE, 'o', 0});
  ASSERT_EQ(Run(FolderList({})), 0u);
  const Lines block = Join({Header(L"Backup start date"),
                            {kIndent + L"0 folder  0 bytes \tSuccess",
                             L"14:03:07 Finished date 01/04/2017"}});
  ExpectLines(summary, block);
  ExpectLines(detail, block);  // no file handled: no frame lines
  EXPECT_FALSE(PathExists(logFolder + L"\\_storage-backup.log"));
}

TEST_F(LogFilesTest, WithoutWorkFilesTheExistingLogsStay) {
  Write(L"a.txt", TextBytes(100, 1));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  std::vector<uint8_t> oldSummary = ReadFileBytes(summary), oldDetail = ReadFileBytes(detail);
  // A folder where the detail work file should go: it cannot be created.
  ASSERT_TRUE(::CreateDirectoryW((logFolder + L"\\_backup-detail.log").c_str(), nullptr));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  EXPECT_TRUE(ReadFileBytes(summary) == oldSummary);
  EXPECT_TRUE(ReadFileBytes(detail) == oldDetail);
  EXPECT_FALSE(PathExists(logFolder + L"\\_storage-backup.log"));
}

// Fails every read or every write of the one log file whose path ends in
// `suffix` (a backslash and the file's name); every other call goes through.
class FailingLogFile : public FileSystemApi {
 public:
  enum Op { kReads, kWrites };
  FailingLogFile(const wchar_t* suffix, Op op) : suffix_(suffix), op_(op) {}
  bool Seen() const { return target_ != INVALID_HANDLE_VALUE; }  // the file was opened

  HANDLE CreateFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                    DWORD flags) override {
    HANDLE h = FileSystemApi::CreateFile(path, access, share, disposition, flags);
    const std::wstring p = path;
    const size_t n = suffix_.size();
    if (p.size() >= n && p.compare(p.size() - n, n, suffix_) == 0) target_ = h;
    return h;
  }
  BOOL ReadFile(HANDLE h, void* data, DWORD n, DWORD* done) override {
    if (op_ == kReads && h == target_) return Refuse(ERROR_READ_FAULT);
    return FileSystemApi::ReadFile(h, data, n, done);
  }
  BOOL WriteFile(HANDLE h, const void* data, DWORD n, DWORD* done) override {
    if (op_ == kWrites && h == target_) return Refuse(ERROR_WRITE_FAULT);
    return FileSystemApi::WriteFile(h, data, n, done);
  }

 private:
  static BOOL Refuse(DWORD error) {
    ::SetLastError(error);
    return FALSE;
  }
  std::wstring suffix_;
  Op op_;
  HANDLE target_ = INVALID_HANDLE_VALUE;
};

TEST_F(LogFilesTest, DetailLogThatFailsLeavesTheSummaryWhole) {
  Write(L"a.txt", TextBytes(100, 1));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  const Lines history = ReadLogLines(summary);
  // Enough file lines with long names that the detail log writes out (and
  // fails) while the run goes on, before its footer.
  const std::wstring longName(150, L'n');
  const int kFiles = 240;
  for (int i = 0; i < kFiles; ++i) Write(longName + std::to_wstring(i), TextBytes(1, i));
  // The detail log goes bad as soon as its buffer is first written out.
  FailingLogFile fs(L"\\_backup-detail.log", FailingLogFile::kWrites);
  g_clockSecond = 9;
  uint32_t result;
  {
    ScopedFileSystem installed(&fs);
    result = Run(FolderList({Src()}));
  }
  ASSERT_EQ(result, 0u);
  ASSERT_TRUE(fs.Seen());
  const Lines block = {kIndent + L"1 folder  240 bytes \tSuccess",
                       L"14:03:09 Finished date 01/04/2017"};
  ExpectLines(summary, Join({Header(L"Backup start date", 9), block, history}));
}

TEST_F(LogFilesTest, HistoryThatCannotBeCarriedForwardIsKept) {
  Write(L"a.txt", TextBytes(100, 1));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  std::vector<uint8_t> oldSummary = ReadFileBytes(summary);
  // The summary log itself (not its work file) cannot be read.
  FailingLogFile fs(L"\\storage-backup.log", FailingLogFile::kReads);
  g_clockSecond = 9;
  uint32_t result;
  {
    ScopedFileSystem installed(&fs);
    result = Run(FolderList({Src()}));
  }
  ASSERT_EQ(result, 0u);
  ASSERT_TRUE(fs.Seen());
  EXPECT_TRUE(ReadFileBytes(summary) == oldSummary) << "a shortened history never replaces the old";
  EXPECT_EQ(ReadLogLines(detail)[2], L"14:03:09 CORVANE Vaultkeep") << "the detail log is new";
  EXPECT_FALSE(PathExists(logFolder + L"\\_storage-backup.log"));
}

}  // namespace
}  // namespace vk::test

namespace vk::test {
namespace {

TEST_F(LogFilesTest, TemporaryIndexThatCannotBeCreatedFailsWith9AndLogsIt) {
  Write(L"a.txt", TextBytes(100, 1));
  wchar_t saved[MAX_PATH + 1] = {};
  ::GetEnvironmentVariableW(L"TMP", saved, MAX_PATH + 1);
  ::SetEnvironmentVariableW(L"TMP", (root + L"no\\such\\folder").c_str());
  uint32_t result = Run(FolderList({Src()}));
  ::SetEnvironmentVariableW(L"TMP", saved);
  EXPECT_EQ(result, 9u);
  EXPECT_EQ(unreadable, 0u);
  EXPECT_TRUE(Sets().sets.empty() && Sets().incomplete.empty());
  const Lines block = Join({Header(L"Backup start date"),
                            {kIndent + L"0 folder  0 bytes \tFailure (09)", kIndent + L"\"\"",
                             L"14:03:07 Finished date 01/04/2017"}});
  ExpectLines(summary, block);
  ExpectLines(detail, block);
}

}  // namespace
}  // namespace vk::test
