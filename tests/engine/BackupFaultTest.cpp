// Backups under failing file-system calls: whatever call fails, earlier sets
// stay intact and no set is marked complete without its data.
#include <gtest/gtest.h>

#include <set>

#include "engine/FileSystem.h"
#include "tests/engine/BackupFixture.h"
#include "tests/support/FailingFileSystem.h"

namespace vk::test {
namespace {

// Fails like FailingFileSystem, and also watches the calls on new backup sets
// and can make their writes run out of room.
class FaultyFileSystem : public FailingFileSystem {
 public:
  uint64_t setRoom = UINT64_MAX;  // bytes that fit into new sets
  std::set<HANDLE> setHandles;
  std::string setOps;             // per set call: W write, H complete header, F flush, P seek

  HANDLE CreateFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                    DWORD flags) override {
    HANDLE h = FailingFileSystem::CreateFile(path, access, share, disposition, flags);
    std::wstring p = path;
    if (h != INVALID_HANDLE_VALUE && (access & GENERIC_WRITE) && p.size() > 5 &&
        p.substr(p.size() - 5) == L".bkup")
      setHandles.insert(h);
    return h;
  }
  BOOL WriteFile(HANDLE h, const void* data, DWORD n, DWORD* done) override {
    if (setHandles.count(h)) {
      bool complete = n == 183 && (static_cast<const uint8_t*>(data)[90] & 0x80);
      setOps += complete ? 'H' : 'W';
      if (n > setRoom) {
        *done = 0;
        ::SetLastError(ERROR_DISK_FULL);
        return FALSE;
      }
      setRoom -= n;
    }
    return FailingFileSystem::WriteFile(h, data, n, done);
  }
  BOOL SetFilePointerEx(HANDLE h, LARGE_INTEGER to, LARGE_INTEGER* now, DWORD how) override {
    if (setHandles.count(h)) setOps += 'P';
    return FailingFileSystem::SetFilePointerEx(h, to, now, how);
  }
  BOOL FlushFileBuffers(HANDLE h) override {
    if (setHandles.count(h)) setOps += 'F';
    return FailingFileSystem::FlushFileBuffers(h);
  }
  BOOL CloseHandle(HANDLE h) override {
    setHandles.erase(h);
    return FailingFileSystem::CloseHandle(h);
  }
};

class BackupFaultTest : public BackupTest {
 protected:
  void SetUp() override {
    BackupTest::SetUp();
    Write(L"a.txt", TextBytes(700000, 1));
    Write(L"sub\\b.bin", NoiseBytes(5000, 2));
    Write(L"sub\\empty", {});
    ASSERT_EQ(Run(FolderList({Src()})), 0u);
    first = Sets();
    ASSERT_EQ(first.sets.size(), 1u);
    firstName = first.sets[1].fileName;
    Write(L"sub\\c.txt", TextBytes(600, 3));  // something for the next run to store
  }

  uint32_t RunWith(FaultyFileSystem* fs) {
    ScopedFileSystem installed(fs);
    return Run(FolderList({Src()}));
  }

  // The earlier set is untouched; every complete set decodes to the sources.
  void ExpectSound(uint32_t result, const std::string& label) {
    EXPECT_TRUE(ReadFileBytes(backupFolder + L"\\" + firstName) == first.bytes[1]) << label;
    SetFolder now = Sets();
    EXPECT_TRUE(now.duplicateSequences.empty()) << label << ": two sets with one sequence";
    for (auto& [sequence, set] : now.sets) {
      EXPECT_EQ(CheckTreeLinks(set), "") << label;
      // A source file that failed to open or read is left without data.
      ExpectFilesMatchSource(now, set, sequence == 1 ? 0 : unreadable);
    }
    if (result != 0) EXPECT_EQ(now.sets.size(), 1u) << label << ": no new complete set";
    else EXPECT_EQ(now.sets.size(), 2u) << label;
    const std::set<uint32_t> allowed = {0, 2, 3, 5, 6, 9};  // 2: plan check
    EXPECT_TRUE(allowed.count(result)) << label << ": result " << result;
  }

  // Back to the state after the first run.
  void DropNewSets() {
    SetFolder now = Sets();
    for (auto& [sequence, set] : now.sets)
      if (sequence != 1) ::DeleteFileW((backupFolder + L"\\" + set.fileName).c_str());
    for (const std::wstring& name : now.incomplete)
      ::DeleteFileW((backupFolder + L"\\" + name).c_str());
  }

  SetFolder first;
  std::wstring firstName;
};

TEST_F(BackupFaultTest, AnyFailingCallLeavesEarlierSetsAndNoHalfSet) {
  FaultyFileSystem counter;
  ASSERT_EQ(RunWith(&counter), 0u);
  const int total = counter.calls;
  ASSERT_GT(total, 20);
  DropNewSets();
  for (bool crash : {false, true}) {
    for (int n = 1; n <= total; ++n) {
      FaultyFileSystem fs;
      fs.crash = crash;
      fs.failAt = n;
      uint32_t result = RunWith(&fs);
      std::string label =
          (crash ? "from " : "once at ") + std::to_string(n);
      ExpectSound(result, label);
      if (HasFailure()) return;
      DropNewSets();
      // Whatever the failed run left behind, the next one works.
      EXPECT_EQ(Run(FolderList({Src()})), 0u) << label << ": the next run";
      if (HasFailure()) return;
      DropNewSets();
    }
  }
}

TEST_F(BackupFaultTest, VolumeFullWhileWritingABlockGivesResult3AndNoSet) {
  FaultyFileSystem fs;
  fs.setRoom = 183 + 1000;  // the header and not much more
  EXPECT_EQ(RunWith(&fs), 3u);
  ExpectSound(3, "volume full");
  EXPECT_TRUE(Sets().incomplete.empty()) << "the partial set is deleted";
}

TEST_F(BackupFaultTest, DataAndIndexReachTheDiskBeforeTheCompleteHeader) {
  FaultyFileSystem fs;
  ASSERT_EQ(RunWith(&fs), 0u);
  // Header, blocks and index writes, a flush, the seek home, the complete
  // header, and the final flush.
  size_t complete = fs.setOps.find('H');
  ASSERT_NE(complete, std::string::npos) << fs.setOps;
  EXPECT_EQ(fs.setOps.substr(complete - 2), "FPHF") << fs.setOps;
  EXPECT_EQ(fs.setOps.find('F'), complete - 2) << "no flush before the data is written";
}

TEST_F(BackupFaultTest, FailedFlushBeforeTheCompleteHeaderFailsTheRun) {
  FaultyFileSystem counter;
  ASSERT_EQ(RunWith(&counter), 0u);
  DropNewSets();
  // Find the call number of the first flush of the set and fail exactly it.
  for (int n = 1; n <= counter.calls; ++n) {
    FaultyFileSystem fs;
    fs.failAt = n;
    std::string before;
    uint32_t result = RunWith(&fs);
    if (fs.setOps.find("F") != std::string::npos && fs.setOps.find('H') == std::string::npos) {
      EXPECT_EQ(result, 6u);
      ExpectSound(result, "flush");
      return;
    }
    DropNewSets();
  }
  FAIL() << "no run stopped at the flush";
}

}  // namespace
}  // namespace vk::test
