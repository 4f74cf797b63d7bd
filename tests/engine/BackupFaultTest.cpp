// Backups under failing file-system calls: whatever call fails, earlier sets
// stay intact and no set is marked complete without its data. Each test runs
// with the blocks compressed on the run's thread and on a pool of three
// workers, whose compression steps go through the same failing door.
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstring>
#include <set>

#include "engine/BlockPipeline.h"
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

// Workers of the runs: 1 compresses on the run's thread; more than this
// machine's processors is fine, the pool is on whatever the machine.
class BackupFaultTest : public BackupTest, public ::testing::WithParamInterface<unsigned> {
 protected:
  void SetUp() override {
    SetCompressWorkers(GetParam());
    BackupTest::SetUp();
    Write(L"a.txt", TextBytes(700000, 1));
    Write(L"sub\\b.bin", NoiseBytes(5000, 2));
    Write(L"sub\\empty", {});
    ASSERT_EQ(Run(FolderList({Src()})), 0u);
    first = Sets();
    ASSERT_EQ(first.sets.size(), 1u);
    firstName = first.sets[1].fileName;
    // Something for the next run to store: more blocks than the pool holds.
    Write(L"sub\\c.txt", TextBytes(600, 3));
    Write(L"e.txt", kNewE);
    Write(L"d.bin", kNewD);
  }

  void TearDown() override {
    SetCompressWorkers(0);
    BackupTest::TearDown();
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
    const std::set<uint32_t> allowed = {0, 2, 3, 5, 6, 9};  // 2: plan check, compression
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

  // The failure line of the summary log names `path` as the last path.
  bool LogNamesFailureAt(const std::wstring& path) {
    std::vector<std::wstring> lines = ReadLogLines(logFolder + L"\\" + kBackupSummaryLog);
    for (size_t i = 1; i < lines.size(); ++i)
      if (lines[i - 1].find(L"\tFailure (") != std::wstring::npos)
        return lines[i] == L"         \"" + path + L"\"";
    return false;
  }

  const std::vector<uint8_t> kNewE = TextBytes(700001, 5);       // two blocks
  const std::vector<uint8_t> kNewD = NoiseBytes(1200000, 6);     // three blocks
  SetFolder first;
  std::wstring firstName;
};

TEST_P(BackupFaultTest, AnyFailingCallLeavesEarlierSetsAndNoHalfSet) {
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

TEST_P(BackupFaultTest, VolumeFullWhileWritingABlockGivesResult3AndNoSet) {
  FaultyFileSystem fs;
  fs.setRoom = 183 + 1000;  // the header and not much more
  EXPECT_EQ(RunWith(&fs), 3u);
  ExpectSound(3, "volume full");
  EXPECT_TRUE(Sets().incomplete.empty()) << "the partial set is deleted";
}

TEST_P(BackupFaultTest, DataAndIndexReachTheDiskBeforeTheCompleteHeader) {
  FaultyFileSystem fs;
  ASSERT_EQ(RunWith(&fs), 0u);
  // Header, blocks and index writes, a flush, the seek home, the complete
  // header, and the final flush.
  size_t complete = fs.setOps.find('H');
  ASSERT_NE(complete, std::string::npos) << fs.setOps;
  EXPECT_EQ(fs.setOps.substr(complete - 2), "FPHF") << fs.setOps;
  EXPECT_EQ(fs.setOps.find('F'), complete - 2) << "no flush before the data is written";
}

TEST_P(BackupFaultTest, FailedFlushBeforeTheCompleteHeaderFailsTheRun) {
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

// A failure ends the run where it happened: the log's failure line names the
// file whose block failed, though the run had read on ahead.
TEST_P(BackupFaultTest, ACompressionThatFailsGivesResult2AndNamesItsFile) {
  // Fails the compression of e.txt's second block, whichever thread runs it.
  struct FailingStep : FaultyFileSystem {
    const uint8_t* second = nullptr;
    BOOL CompressStep(const void* data, DWORD n) override {
      if (n == 700001 - 524288 && std::memcmp(data, second, n) == 0) return FALSE;
      return FaultyFileSystem::CompressStep(data, n);
    }
  } fs;
  fs.second = kNewE.data() + 524288;
  EXPECT_EQ(RunWith(&fs), 2u);
  ExpectSound(2, "compression");
  EXPECT_TRUE(Sets().incomplete.empty());
  EXPECT_TRUE(LogNamesFailureAt(Src(L"e.txt")));
}

TEST_P(BackupFaultTest, VolumeFullNamesTheFileWhoseBlockDidNotFit) {
  // The write of d.bin's second block finds the volume full.
  std::vector<uint8_t> block(compressBound(524288) + 8);
  uLongf packed = static_cast<uLongf>(block.size() - 8);
  ASSERT_EQ(compress(block.data() + 8, &packed, kNewD.data() + 524288, 524288), Z_OK);
  const uint32_t header[2] = {static_cast<uint32_t>(packed), 524288};
  std::memcpy(block.data(), header, 8);
  block.resize(8 + packed);
  struct FullAtBlock : FaultyFileSystem {
    const std::vector<uint8_t>* block = nullptr;
    BOOL WriteFile(HANDLE h, const void* data, DWORD n, DWORD* done) override {
      if (n == block->size() && std::memcmp(data, block->data(), n) == 0) {
        *done = 0;
        ::SetLastError(ERROR_DISK_FULL);
        return FALSE;
      }
      return FaultyFileSystem::WriteFile(h, data, n, done);
    }
  } fs;
  fs.block = &block;
  EXPECT_EQ(RunWith(&fs), 3u);
  ExpectSound(3, "volume full");
  EXPECT_TRUE(Sets().incomplete.empty()) << "the partial set is deleted";
  EXPECT_TRUE(LogNamesFailureAt(Src(L"d.bin")));
}

// An index larger than the run's index buffer is read back from the
// temporary file during the data pass. A read that fails there must fail the
// run: ending the pass as if the index ended would leave the files after it
// without data in a set marked complete.
TEST_P(BackupFaultTest, AnIndexReadThatFailsNeverLeavesFilesWithoutData) {
  // Paths of about 3,000 characters: entries of about 6 KiB, 300 of them.
  std::wstring deep = L"deep";
  for (wchar_t c = L'a'; c < L'a' + 12; ++c) deep += L"\\" + std::wstring(250, c);
  for (int i = 0; i < 300; ++i) Write(deep + L"\\f" + std::to_wstring(i), TextBytes(10, i));
  struct TempIndexReads : FaultyFileSystem {
    HANDLE temp = INVALID_HANDLE_VALUE;
    int reads = 0, failRead = 0;
    HANDLE CreateFile(const wchar_t* p, DWORD a, DWORD s, DWORD d, DWORD f) override {
      HANDLE h = FaultyFileSystem::CreateFile(p, a, s, d, f);
      if (std::wstring(p).find(kTempIndexName) != std::wstring::npos) temp = h;
      return h;
    }
    BOOL ReadFile(HANDLE h, void* data, DWORD n, DWORD* done) override {
      if (h == temp && ++reads == failRead) {
        ::SetLastError(ERROR_CRC);
        return FALSE;
      }
      return FaultyFileSystem::ReadFile(h, data, n, done);
    }
  };
  TempIndexReads counter;
  ASSERT_EQ(RunWith(&counter), 0u);
  ASSERT_GT(counter.reads, 2) << "the index fitted into the buffer: no read-back to fail";
  DropNewSets();
  for (int n = 1; n <= counter.reads; ++n) {
    TempIndexReads fs;
    fs.failRead = n;
    ExpectSound(RunWith(&fs), "temporary index read " + std::to_string(n));
    if (HasFailure()) return;
    DropNewSets();
  }
}

INSTANTIATE_TEST_SUITE_P(InlineAndPool, BackupFaultTest, ::testing::Values(1u, 3u),
                         [](const ::testing::TestParamInfo<unsigned>& info) {
                           return info.param == 1 ? std::string("Inline")
                                                  : "Pool" + std::to_string(info.param);
                         });

}  // namespace
}  // namespace vk::test
