#include <gtest/gtest.h>

#include <algorithm>

#include "engine/FileSystem.h"
#include "engine/EngineUtil.h"
#include "engine/PlanFile.h"
#include "engine/TargetVolume.h"
#include "restore/Catalogue.h"
#include "restore/RestoreRun.h"
#include "tests/restore/RestoreFixture.h"
#include "tests/support/LinkingFileSystem.h"
#include "tests/support/ScopedFileSystem.h"

namespace vk::test {
namespace {

std::wstring DriveFolder(const std::wstring& root) { return root.substr(0, 1); }  // "P"

void SetAttributes(const std::wstring& path, DWORD attributes) {
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), attributes));
}

int CountLines(const std::vector<std::wstring>& lines, const std::wstring& suffix) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::wstring& l) {
    return l.size() >= suffix.size() && l.compare(l.size() - suffix.size(), suffix.size(), suffix) == 0;
  }));
}

// File lines of a detail log: a quoted path, then the kind.
int CountFileLines(const std::vector<std::wstring>& lines, const std::wstring& kind) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::wstring& l) {
    std::wstring tail = L"\" \t" + kind;
    return !l.empty() && l[0] == L'"' && l.size() > tail.size() &&
           l.compare(l.size() - tail.size(), tail.size(), tail) == 0;
  }));
}

class RestoreRunTest : public RestoreTest {
 protected:
  // A small tree with the block-size edges, a nested and an empty folder,
  // and a read-only and a hidden file.
  void MakeTree() {
    Write(L"empty.txt", {});
    Write(L"exact.bin", NoiseBytes(kBlockSize, 1));
    Write(L"plus-one.txt", TextBytes(kBlockSize + 1, 2));
    Write(L"a\\b\\deep.txt", TextBytes(1000, 3));
    Write(L"readonly.txt", TextBytes(10, 4));
    Write(L"hidden.txt", TextBytes(20, 5));
    ASSERT_TRUE(CreateFolderPath(Src(L"empty-folder")));
    SetAttributes(Src(L"readonly.txt"), FILE_ATTRIBUTE_READONLY);
    SetAttributes(Src(L"hidden.txt"), FILE_ATTRIBUTE_HIDDEN);
  }
  std::wstring Out(const std::wstring& name) { return root + name; }
  // Where a restore under `location` puts the source folder.
  std::wstring Rerooted(const std::wstring& location) {
    return location + L"\\" + DriveFolder(root) + L"\\src";
  }
};

TEST_F(RestoreRunTest, EverySetRestoresAsItWasToANewLocation) {
  MakeTree();
  Tree first = Snapshot(Src());
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  Write(L"a\\b\\deep.txt", TextBytes(3000, 9));  // changed
  Write(L"new.bin", NoiseBytes(kBlockSize * 2 + 5, 7));
  ::SetFileAttributesW(Src(L"hidden.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(Src(L"hidden.txt").c_str());
  Tree second = Snapshot(Src());
  ASSERT_EQ(Run(FolderList({Src()})), 0u);

  std::vector<_BKUPFILE_HEADER> sets = ListSets();
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(Restore({Src()}, Out(L"one").c_str(), &sets[0].BackupTime), 0u);
  EXPECT_EQ(CompareTrees(first, Snapshot(Rerooted(Out(L"one")))), "");
  EXPECT_EQ(Restore({Src()}, Out(L"two").c_str(), &sets[1].BackupTime), 0u);
  EXPECT_EQ(CompareTrees(second, Snapshot(Rerooted(Out(L"two")))), "");
  EXPECT_EQ(restoreUnreadable, 0u);

  remainingSeen.clear();
  EXPECT_EQ(Restore({Src()}, Out(L"two").c_str()), 0u) << "the same place again";
  EXPECT_EQ(remainingSeen.size(), 6u) << "only conflicts: every file is asked about";
  ASSERT_FALSE(remainingSeen.empty());
  EXPECT_EQ(remainingSeen.front(), 6) << "the first question counts them all";
  EXPECT_EQ(CompareTrees(second, Snapshot(Rerooted(Out(L"two")))), "");
}

TEST_F(RestoreRunTest, OriginalPlaceWhereNothingExistsAnyMore) {
  MakeTree();
  Tree before = Snapshot(Src());
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  ::SetFileAttributesW(Src(L"readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  EmptyFolder(Src());
  ::RemoveDirectoryW(Src().c_str());

  EXPECT_EQ(Restore({Src()}, nullptr), 0u);
  EXPECT_TRUE(remainingSeen.empty()) << "nothing to ask";
  EXPECT_EQ(CompareTrees(before, Snapshot(Src())), "");
  std::vector<std::wstring> detail = ReadLogLines(logFolder + L"\\restore-detail.log");
  EXPECT_EQ(CountFileLines(detail, L"Success"), 6);
  EXPECT_EQ(CountLines(detail, L"--------------------"), 2);
}

TEST_F(RestoreRunTest, ExistingFilesAreReplacedOrSkippedAsAnswered) {
  Write(L"replace.txt", TextBytes(100, 1));
  Write(L"skip.txt", TextBytes(100, 2));
  Write(L"readonly.txt", TextBytes(100, 3));
  Write(L"unanswered.txt", TextBytes(100, 4));
  Tree backedUp = Snapshot(Src());
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  for (const wchar_t* name : {L"replace.txt", L"skip.txt", L"readonly.txt", L"unanswered.txt"})
    Write(name, TextBytes(50, 9));
  SetAttributes(Src(L"readonly.txt"), FILE_ATTRIBUTE_READONLY);
  Tree changed = Snapshot(Src());

  onQuestion = [](const _OVERWRITE_QUERY& q) {
    std::wstring path = q.targetPath;
    if (path.find(L"skip") != std::wstring::npos) return kChoiceSkip;
    if (path.find(L"unanswered") != std::wstring::npos) return kChoiceNone;
    EXPECT_EQ(q.backupSize, 100u);
    EXPECT_EQ(q.currentSize, 50u);
    return kChoiceReplace;
  };
  EXPECT_EQ(Restore({Src()}, nullptr), 0u);
  EXPECT_EQ(remainingSeen, (std::vector<int32_t>{4, 3, 2, 1}));

  Tree after = Snapshot(Src());
  EXPECT_TRUE(after[L"replace.txt"].bytes == backedUp[L"replace.txt"].bytes);
  EXPECT_TRUE(after[L"readonly.txt"].bytes == backedUp[L"readonly.txt"].bytes)
      << "a read-only file is replaced";
  EXPECT_EQ(after[L"readonly.txt"].attributes, 0u) << "and gets the backup's attributes";
  EXPECT_TRUE(after[L"skip.txt"].bytes == changed[L"skip.txt"].bytes);
  EXPECT_TRUE(after[L"unanswered.txt"].bytes == changed[L"unanswered.txt"].bytes)
      << "a question nobody answered leaves the file alone";
  EXPECT_EQ(after.size(), 4u) << "no temporary file left behind";

  std::vector<std::wstring> detail = ReadLogLines(logFolder + L"\\restore-detail.log");
  EXPECT_EQ(CountFileLines(detail, L"Overwrite"), 2);
  EXPECT_EQ(CountFileLines(detail, L"Skip"), 2);
}

TEST_F(RestoreRunTest, StopWhileReplacingKeepsTheExistingFile) {
  Write(L"big.bin", NoiseBytes(kBlockSize * 2, 1));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  Write(L"big.bin", TextBytes(77, 2));
  Tree changed = Snapshot(Src());
  bool asked = false;
  onQuestion = [&](const _OVERWRITE_QUERY&) {
    asked = true;
    return kChoiceReplace;
  };
  int blocks = 0;
  onRestoreProgress = [&](const wchar_t* path) {
    if (asked && path == nullptr && ++blocks == 2) return 1;  // stop inside the copy
    return 0;
  };
  EXPECT_EQ(Restore({Src()}, nullptr), 1u);
  EXPECT_EQ(CompareTrees(changed, Snapshot(Src())), "") << "unchanged, no temporary file";
  std::vector<std::wstring> summary = ReadLogLines(logFolder + L"\\storage-restore.log");
  EXPECT_EQ(CountLines(summary, L" \tStopped"), 1);
}

TEST_F(RestoreRunTest, MeasureCountsOnlyFilesWithData) {
  Write(L"one.bin", TextBytes(1 << 20, 1));
  Write(L"two.bin", TextBytes(2 << 20, 2));
  Write(L"three.bin", TextBytes(3 << 20, 3));
  // Held open without sharing, the third file cannot be read by the backup.
  HANDLE held = ::CreateFileW(Src(L"three.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  uint32_t r = Run(FolderList({Src()}));
  ::CloseHandle(held);
  ASSERT_EQ(r, 0u);
  ASSERT_EQ(unreadable, 1u);
  uint64_t size = 0;
  EXPECT_EQ(Measure({Src()}, &size), 0u);
  EXPECT_EQ(size, 3145728u);
  EXPECT_FALSE(PathExists(LogFolderPath(drive) + L"\\storage-restore.log")) << "no log";

  EXPECT_EQ(Restore({Src()}, Out(L"out").c_str()), 0u);
  EXPECT_FALSE(PathExists(Rerooted(Out(L"out")) + L"\\three.bin"))
      << "an entry without data is not restored";
}

TEST_F(RestoreRunTest, FolderAndAPathBelowItAreWrittenOnce) {
  Write(L"a\\x.txt", TextBytes(10, 1));
  Write(L"a\\b\\y.txt", TextBytes(10, 2));
  Write(L"z.txt", TextBytes(10, 3));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  EXPECT_EQ(Restore({Src(), Src(L"a\\b")}, Out(L"out").c_str()), 0u);
  std::vector<std::wstring> detail = ReadLogLines(logFolder + L"\\restore-detail.log");
  EXPECT_EQ(CountFileLines(detail, L"Success"), 3);
  EXPECT_TRUE(remainingSeen.empty());
}

TEST_F(RestoreRunTest, TargetGoneBeforeTheSecondPassIsWrittenWithoutAQuestion) {
  Write(L"x.txt", TextBytes(10, 1));
  Tree before = Snapshot(Src());
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  int seen = 0;
  onRestoreProgress = [&](const wchar_t* path) {
    if (path && std::wstring(path) == Src(L"x.txt") && ++seen == 2)
      ::DeleteFileW(path);  // between the passes
    return 0;
  };
  EXPECT_EQ(Restore({Src()}, nullptr), 0u);
  EXPECT_TRUE(remainingSeen.empty());
  EXPECT_EQ(CompareTrees(before, Snapshot(Src())), "");
  std::vector<std::wstring> detail = ReadLogLines(logFolder + L"\\restore-detail.log");
  EXPECT_EQ(CountLines(detail, L"x.txt\" \tSuccess"), 1);
}

TEST_F(RestoreRunTest, FolderGoneBeforeTheSecondPassIsMadeAgain) {
  Write(L"a\\x.txt", TextBytes(10, 1));
  Tree before = Snapshot(Src());
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  int seen = 0;
  onRestoreProgress = [&](const wchar_t* path) {
    if (path && std::wstring(path) == Src(L"a\\x.txt") && ++seen == 2) {
      ::DeleteFileW(path);  // between the passes, with its folder
      ::RemoveDirectoryW(Src(L"a").c_str());
    }
    return 0;
  };
  uint32_t r = Restore({Src()}, nullptr);
  EXPECT_EQ(r, 0u);
  EXPECT_EQ(restoreUnreadable, 0u);
  EXPECT_EQ(CompareTrees(before, Snapshot(Src())), "");
}

// Fails writes to files whose name contains "big" once `allowed` bytes went
// through, the way a full disk does.
class FullDisk : public FileSystemApi {
 public:
  HANDLE big = INVALID_HANDLE_VALUE;
  uint64_t allowed = kBlockSize;
  HANDLE CreateFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                    DWORD flags) override {
    HANDLE h = FileSystemApi::CreateFile(path, access, share, disposition, flags);
    if (wcsstr(path, L"big") && wcsstr(path, L"\\out\\")) big = h;
    return h;
  }
  BOOL WriteFile(HANDLE h, const void* data, DWORD n, DWORD* done) override {
    if (h == big) {
      if (n > allowed) {
        *done = 0;
        ::SetLastError(ERROR_DISK_FULL);
        return FALSE;
      }
      allowed -= n;
    }
    return FileSystemApi::WriteFile(h, data, n, done);
  }
};

TEST_F(RestoreRunTest, FullDiskEndsTheRunAndRemovesThePartFile) {
  Write(L"a-small.txt", TextBytes(10, 1));
  Write(L"big.bin", NoiseBytes(kBlockSize * 3, 2));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  FullDisk full;
  {
    ScopedFileSystem scoped(&full);
    EXPECT_EQ(Restore({Src()}, Out(L"out").c_str()), 3u);
  }
  EXPECT_FALSE(PathExists(Rerooted(Out(L"out")) + L"\\big.bin"));
  EXPECT_TRUE(PathExists(Rerooted(Out(L"out")) + L"\\a-small.txt")) << "restored before stays";
  std::vector<std::wstring> summary = ReadLogLines(logFolder + L"\\storage-restore.log");
  EXPECT_EQ(CountLines(summary, L"\tFailure (03)"), 1);
}

// A volume that cannot take a file's time and attributes on the open handle.
class NoBasicInfoByHandle : public FileSystemApi {
 public:
  int refused = 0;
  BOOL SetFileInformationByHandle(HANDLE, FILE_INFO_BY_HANDLE_CLASS, void*, DWORD) override {
    ++refused;
    ::SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
  }
};

TEST_F(RestoreRunTest, FilesGetTimeAndAttributesWhereTheHandleCannotSetThem) {
  MakeTree();
  Tree before = Snapshot(Src());
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  NoBasicInfoByHandle volume;
  {
    ScopedFileSystem scoped(&volume);
    EXPECT_EQ(Restore({Src()}, Out(L"new").c_str()), 0u);
  }
  EXPECT_GT(volume.refused, 0);
  EXPECT_EQ(CompareTrees(before, Snapshot(Rerooted(Out(L"new")))), "");
}

TEST_F(RestoreRunTest, LongTargetPaths) {
  std::wstring deep;
  for (int i = 0; i < 30; ++i) deep += L"folder-number-" + std::to_wstring(i) + L"\\";
  Write(deep + L"leaf.txt", TextBytes(300, 1));
  Tree before = Snapshot(Src());
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  EXPECT_EQ(Restore({Src()}, Out(L"out").c_str()), 0u);
  EXPECT_GT((Rerooted(Out(L"out")) + L"\\" + deep).size(), 300u);
  EXPECT_EQ(CompareTrees(before, Snapshot(Rerooted(Out(L"out")))), "");
}

// A disk from elsewhere may hold its own folders as junctions: no job
// writes, replaces or deletes anything through them.
TEST_F(RestoreRunTest, OwnFoldersThatAreRedirectionsMakeTheDiskInvalid) {
  Write(L"x.txt", TextBytes(10, 1));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  const std::wstring summary = logFolder + L"\\storage-backup.log";
  const std::vector<uint8_t> logBefore = ReadFileBytes(summary);
  for (const std::wstring& folder : {RootFolderPath(drive), backupFolder, logFolder}) {
    SCOPED_TRACE(Narrow(folder));
    LinkingFileSystem links;
    links.AddLink(folder);
    {
      ScopedFileSystem scoped(&links);
      EXPECT_EQ(Run(FolderList({Src()})), 2u);
      EXPECT_EQ(Restore({Src()}, Out(L"out").c_str()), 2u);
      EXPECT_EQ(DeletePlanAndData(drive), 2u);
    }
    EXPECT_EQ(Sets().sets.size(), 1u);
    EXPECT_TRUE(Sets().incomplete.empty());
    EXPECT_EQ(ReadFileBytes(summary), logBefore) << "the logs stay as they were";
    EXPECT_TRUE(PathExists(PlanFilePath(drive)));
    EXPECT_FALSE(PathExists(Out(L"out")));
  }
  EXPECT_EQ(Run(FolderList({Src()})), 0u) << "the same disk with real folders";
}

// Under a new location every folder is the restore's own: a link found there
// is not followed. At the original place the user's own junctions are.
TEST_F(RestoreRunTest, NewLocationNeverFollowsALinkItDidNotMake) {
  Write(L"a\\x.txt", TextBytes(10, 1));
  Write(L"b\\y.txt", TextBytes(10, 2));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  const std::wstring out = Rerooted(Out(L"out"));
  ASSERT_EQ(Restore({Src()}, Out(L"out").c_str()), 0u);
  ASSERT_TRUE(::DeleteFileW((out + L"\\a\\x.txt").c_str()));
  WriteFileBytes(out + L"\\b\\y.txt", TextBytes(5, 9));
  LinkingFileSystem links;
  links.AddLink(out + L"\\a");         // a folder that is a link
  links.AddLink(out + L"\\b\\y.txt");  // a file that is one
  {
    ScopedFileSystem scoped(&links);
    EXPECT_EQ(Restore({Src()}, Out(L"out").c_str()), 0u);
  }
  EXPECT_EQ(restoreUnreadable, 3u) << "the folder link, the file below it and the file link";
  EXPECT_FALSE(PathExists(out + L"\\a\\x.txt")) << "nothing written through the folder link";
  EXPECT_EQ(ReadFileBytes(out + L"\\b\\y.txt"), TextBytes(5, 9)) << "nor through the file link";

  ASSERT_TRUE(::DeleteFileW(Src(L"a\\x.txt").c_str()));
  links.AddLink(Src(L"a"));
  {
    ScopedFileSystem scoped(&links);
    EXPECT_EQ(Restore({Src()}, nullptr), 0u);
  }
  EXPECT_EQ(restoreUnreadable, 0u);
  EXPECT_EQ(ReadFileBytes(Src(L"a\\x.txt")), TextBytes(10, 1)) << "the user's junction is followed";
}

TEST_F(RestoreRunTest, ASetThatCannotBeReadEndsTheRun) {
  Write(L"x.txt", TextBytes(10, 1));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  Write(L"x.txt", TextBytes(20, 2));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  std::vector<_BKUPFILE_HEADER> sets = ListSets();
  ASSERT_EQ(sets.size(), 2u);
  // The newest set, held open without sharing: the restore must not quietly
  // fall back to the older one.
  std::wstring newest = backupFolder + L"\\" + BackupSetFileName(sets[1].BackupTime);
  HANDLE held = ::CreateFileW(newest.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  uint32_t r = Restore({Src()}, Out(L"out").c_str());
  ::CloseHandle(held);
  EXPECT_EQ(r, 5u);
  EXPECT_FALSE(PathExists(Rerooted(Out(L"out")) + L"\\x.txt"));
}

class CatalogueTest : public RestoreTest {};

TEST_F(CatalogueTest, ListsTheCompleteSetsOfThePlan) {
  Write(L"x.txt", TextBytes(10, 1));
  for (int i = 0; i < 3; ++i) ASSERT_EQ(Run(FolderList({Src()})), 0u);
  std::vector<_BKUPFILE_HEADER> sets = ListSets();
  ASSERT_EQ(sets.size(), 3u);
  // A set of another plan and an incomplete one beside them.
  std::wstring first = backupFolder + L"\\" + BackupSetFileName(sets[0].BackupTime);
  std::vector<uint8_t> bytes = ReadFileBytes(first);
  std::vector<uint8_t> other = bytes, incomplete = bytes;
  other[21] = 'X';                       // PlanName
  incomplete[87 + 3] &= 0x7F;            // Flags bit 31
  WriteFileBytes(backupFolder + L"\\29990101000000000.bkup", other);
  WriteFileBytes(backupFolder + L"\\29990101000000001.bkup", incomplete);
  WriteFileBytes(backupFolder + L"\\notes.bkup", {1, 2, 3});

  uint32_t count = 99;
  EXPECT_EQ(ListBackupSets(drive, plan, nullptr, 0, &count), 0u);
  EXPECT_EQ(count, 3u);
  EXPECT_FALSE(PathExists(backupFolder + L"\\29990101000000001.bkup")) << "incomplete: deleted";
  EXPECT_TRUE(PathExists(backupFolder + L"\\29990101000000000.bkup"));
  EXPECT_TRUE(PathExists(backupFolder + L"\\notes.bkup")) << "not ours: left alone";
  std::vector<_BKUPFILE_HEADER> two(2);
  EXPECT_EQ(ListBackupSets(drive, plan, two.data(), 2, &count), 0u);
  EXPECT_EQ(count, 3u) << "counted whether or not it fitted";
  EXPECT_EQ(two[0].Sequence, 1u);
  EXPECT_EQ(two[1].Sequence, 2u);

  // Browsing up to the second set.
  Catalogue* catalogue = OpenCatalogue(drive, plan, &sets[1].BackupTime);
  ASSERT_NE(catalogue, nullptr);
  EXPECT_EQ(catalogue->context.index.openSets.size(), 2u) << "the third is newer than the limit";
  const IndexRecord* top = ReadCatalogueEntry(catalogue, 0);
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(std::wstring(top->path), Src());
  ASSERT_NE(top->entry.FirstChild, 0u);
  const IndexRecord* child = ReadCatalogueEntry(catalogue, top->entry.FirstChild);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(std::wstring(child->path), Src(L"x.txt"));
  EXPECT_EQ(ReadCatalogueEntry(catalogue, 1u << 30), nullptr) << "past the end";
  CloseCatalogue(catalogue);
  CloseCatalogue(nullptr);
}

TEST_F(CatalogueTest, NoSetsAndForeignPlans) {
  uint32_t count = 99;
  EXPECT_EQ(ListBackupSets(drive, plan, nullptr, 0, &count), 0u);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(OpenCatalogue(drive, plan, nullptr), nullptr);
  uint64_t size = 1;
  EXPECT_EQ(Measure({Src()}, &size), 2u) << "no usable set";

  WritePlanFile(drive, MakePlan(L"X"), FolderList({Src()}));
  _BKUP_PLAN upper = MakePlan(L"x");
  EXPECT_EQ(ListBackupSets(drive, upper, nullptr, 0, &count), 2u) << "plan names: exact";
  EXPECT_EQ(ListBackupSets(-1, plan, nullptr, 0, &count), 2u);
}

TEST_F(CatalogueTest, EmptySetBrowsesAsEmpty) {
  ASSERT_EQ(Run(FolderList({})), 0u);
  std::vector<_BKUPFILE_HEADER> sets = ListSets();
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].IndexSize, 0u);
  Catalogue* catalogue = OpenCatalogue(drive, plan, nullptr);
  ASSERT_NE(catalogue, nullptr);
  EXPECT_EQ(ReadCatalogueEntry(catalogue, 0), nullptr) << "not the header's bytes";
  CloseCatalogue(catalogue);
  uint64_t size = 1;
  EXPECT_EQ(Measure({Src()}, &size), 0u);
  EXPECT_EQ(size, 0u);
}

}  // namespace
}  // namespace vk::test
