// Backups written through the compression pool and on the run's thread
// alone give the same set, byte for byte but for the start time: a first
// run, an incremental one, and one that meets a file it cannot read
// part-way. Whatever the pool does, the run's file-system calls and its
// progress callback stay on the run's thread.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "engine/BlockPipeline.h"
#include "engine/FileSystem.h"
#include "tests/engine/BackupFixture.h"

namespace vk::test {
namespace {

constexpr size_t kTimeOffset = 135;  // BackupTime: the one header field two runs differ in
constexpr size_t kTimeSize = 16;
constexpr unsigned kInline = 1;
const unsigned kPools[] = {2, 3, kMaxCompressWorkers};

// Watches which threads make the file-system calls, and the reads of the
// one source file named `watched`; with `breakWatched`, its second read
// fails (a file that goes bad while it is read).
class WatchingFileSystem : public FileSystemApi {
 public:
  std::wstring watched;
  bool breakWatched = false;
  std::atomic<int> watchedReads{0}, steps{0};
  std::set<DWORD> fileThreads;  // threads of every call but the compression steps
  std::set<DWORD> compressThreads;

  HANDLE CreateFile(const wchar_t* p, DWORD a, DWORD s, DWORD d, DWORD f) override {
    Note();
    HANDLE h = FileSystemApi::CreateFile(p, a, s, d, f);
    std::wstring path = p;
    if (!watched.empty() && path.size() >= watched.size() &&
        path.compare(path.size() - watched.size(), watched.size(), watched) == 0) {
      watchedHandle_ = h;
      watchedReads = 0;
    }
    return h;
  }
  BOOL ReadFile(HANDLE h, void* data, DWORD n, DWORD* done) override {
    Note();
    if (h == watchedHandle_ && ++watchedReads == 2 && breakWatched) {
      *done = 0;
      ::SetLastError(ERROR_CRC);
      return FALSE;
    }
    return FileSystemApi::ReadFile(h, data, n, done);
  }
  BOOL WriteFile(HANDLE h, const void* data, DWORD n, DWORD* done) override {
    Note();
    return FileSystemApi::WriteFile(h, data, n, done);
  }
  BOOL SetFilePointerEx(HANDLE h, LARGE_INTEGER to, LARGE_INTEGER* now, DWORD how) override {
    Note();
    return FileSystemApi::SetFilePointerEx(h, to, now, how);
  }
  BOOL FlushFileBuffers(HANDLE h) override {
    Note();
    return FileSystemApi::FlushFileBuffers(h);
  }
  BOOL CloseHandle(HANDLE h) override {
    Note();
    if (h == watchedHandle_) watchedHandle_ = INVALID_HANDLE_VALUE;
    return FileSystemApi::CloseHandle(h);
  }
  HANDLE FindFirstFile(const wchar_t* pattern, WIN32_FIND_DATAW* data) override {
    Note();
    return FileSystemApi::FindFirstFile(pattern, data);
  }
  BOOL FindNextFile(HANDLE h, WIN32_FIND_DATAW* data) override {
    Note();
    return FileSystemApi::FindNextFile(h, data);
  }
  DWORD GetFileAttributes(const wchar_t* p) override {
    Note();
    return FileSystemApi::GetFileAttributes(p);
  }
  BOOL CreateDirectory(const wchar_t* p) override {
    Note();
    return FileSystemApi::CreateDirectory(p);
  }
  BOOL DeleteFile(const wchar_t* p) override {
    Note();
    return FileSystemApi::DeleteFile(p);
  }
  BOOL MoveFileEx(const wchar_t* from, const wchar_t* to, DWORD flags) override {
    Note();
    return FileSystemApi::MoveFileEx(from, to, flags);
  }
  BOOL CompressStep(const void* data, DWORD n) override {
    ::AcquireSRWLockExclusive(&lock_);
    compressThreads.insert(::GetCurrentThreadId());
    ::ReleaseSRWLockExclusive(&lock_);
    ++steps;
    return FileSystemApi::CompressStep(data, n);
  }

 private:
  void Note() {
    ::AcquireSRWLockExclusive(&lock_);
    fileThreads.insert(::GetCurrentThreadId());
    ::ReleaseSRWLockExclusive(&lock_);
  }
  SRWLOCK lock_ = SRWLOCK_INIT;
  HANDLE watchedHandle_ = INVALID_HANDLE_VALUE;
};

class BackupPipelineTest : public BackupTest {
 protected:
  void TearDown() override {
    SetCompressWorkers(0);
    BackupTest::TearDown();
  }

  void WriteTree() {
    Write(L"empty.txt", {});
    Write(L"one-byte.txt", TextBytes(1, 1));
    Write(L"exact.txt", TextBytes(kBlockSize, 2));
    Write(L"exact-and-one.bin", NoiseBytes(kBlockSize + 1, 3));
    Write(L"photos\\large.raw", NoiseBytes(5 * kBlockSize / 2, 4));
    for (unsigned i = 0; i < 40; ++i)
      Write(L"docs\\d" + std::to_wstring(i % 4) + L"\\f" + std::to_wstring(i) + L".txt",
            i % 3 ? TextBytes(i * 997, i) : NoiseBytes(i * 331, i));
    ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + Src(L"docs\\nothing")).c_str(), nullptr));
  }

  // Runs with `workers` through a watching door and hands back the new set's
  // bytes; the set is removed again, so the next run writes the same
  // sequence number over the same earlier sets.
  std::vector<uint8_t> RunAndTake(unsigned workers, const std::wstring& broken = L"") {
    SetCompressWorkers(workers);
    WatchingFileSystem door;
    door.watched = broken;
    door.breakWatched = !broken.empty();
    std::set<DWORD> progressThreads;
    onProgress = [&](uint32_t, const wchar_t*, uint32_t) {
      progressThreads.insert(::GetCurrentThreadId());
      return 0;
    };
    const std::set<std::wstring> before = Names();
    uint32_t result;
    {
      ScopedFileSystem installed(&door);
      result = Run(FolderList({Src()}));
    }
    EXPECT_EQ(result, 0u) << workers << " workers";
    EXPECT_EQ(unreadable, broken.empty() ? 0u : 1u) << workers << " workers";
    const std::set<DWORD> runThread = {::GetCurrentThreadId()};
    EXPECT_EQ(door.fileThreads, runThread) << "a file-system call off the run's thread";
    EXPECT_EQ(progressThreads, runThread) << "the callback off the run's thread";
    if (workers == kInline)
      EXPECT_EQ(door.compressThreads, runThread);
    else
      EXPECT_GT(door.compressThreads.size(), 1u) << "the pool compressed nothing";
    std::vector<uint8_t> bytes;
    for (const std::wstring& name : Names()) {
      if (before.count(name)) continue;
      bytes = ReadFileBytes(backupFolder + L"\\" + name);
      EXPECT_TRUE(::DeleteFileW((backupFolder + L"\\" + name).c_str()));
    }
    EXPECT_GT(bytes.size(), 183u) << "no new set";
    return bytes;
  }

  std::set<std::wstring> Names() const {
    std::set<std::wstring> names;
    SetFolder folder = Sets();
    for (auto& [sequence, set] : folder.sets) names.insert(set.fileName);
    return names;
  }

  // Byte for byte, with the start time blanked in both.
  static void ExpectSameSet(std::vector<uint8_t> a, std::vector<uint8_t> b,
                            const std::string& label) {
    ASSERT_GT(a.size(), kTimeOffset + kTimeSize) << label;
    ASSERT_GT(b.size(), kTimeOffset + kTimeSize) << label;
    std::fill(a.begin() + kTimeOffset, a.begin() + kTimeOffset + kTimeSize, 0);
    std::fill(b.begin() + kTimeOffset, b.begin() + kTimeOffset + kTimeSize, 0);
    ASSERT_EQ(a.size(), b.size()) << label;
    auto differ = std::mismatch(a.begin(), a.end(), b.begin());
    EXPECT_TRUE(differ.first == a.end())
        << label << ": first difference at byte " << (differ.first - a.begin());
  }

  // The set written on the run's thread alone, once the pool's sets proved
  // the same.
  std::vector<uint8_t> ExpectSameBothWays(const std::string& what,
                                          const std::wstring& broken = L"") {
    std::vector<uint8_t> single = RunAndTake(kInline, broken);
    for (unsigned workers : kPools)
      ExpectSameSet(single, RunAndTake(workers, broken),
                    what + ", " + std::to_string(workers) + " workers");
    return single;
  }
};

TEST_F(BackupPipelineTest, FirstRunGivesTheSameSetOnThePoolAsOnTheRunsThread) {
  WriteTree();
  ExpectSameBothWays("first run");
}

TEST_F(BackupPipelineTest, IncrementalRunGivesTheSameSetOnThePoolAsOnTheRunsThread) {
  WriteTree();
  ASSERT_EQ(Run(FolderList({Src()})), 0u);  // the earlier set both runs build on
  Write(L"exact.txt", TextBytes(kBlockSize, 9));          // changed, same size
  Write(L"docs\\d1\\new.bin", NoiseBytes(700000, 10));  // new
  Write(L"docs\\d2\\f2.txt", TextBytes(5, 11));           // changed size
  ExpectSameBothWays("incremental run");
}

// The blocks read before the failure stay in the data area, unreferenced,
// and the files after it are placed behind them, the same way on the pool.
TEST_F(BackupPipelineTest, AFileUnreadablePartWayGivesTheSameSetOnThePool) {
  WriteTree();
  Write(L"photos\\broken.raw", NoiseBytes(3 * kBlockSize, 12));
  SetFolder folder;
  folder.bytes[1] = ExpectSameBothWays("unreadable part-way", L"photos\\broken.raw");
  std::string error;
  ASSERT_TRUE(ParseSet(folder.bytes[1], &folder.sets[1], &error)) << error;
  ExpectFilesMatchSource(folder, folder.sets[1], 1);
  const ReadEntry* broken = FindEntry(folder.sets[1], Src(L"photos\\broken.raw"));
  ASSERT_NE(broken, nullptr);
  EXPECT_EQ(broken->dataOffset, 0u);
}

}  // namespace
}  // namespace vk::test

namespace vk::test {
namespace {

// Stopped in the middle of a large file, the pool compresses at most the
// blocks already handed in, the run reads nothing more, asks nothing more,
// and leaves no set.
TEST_F(BackupPipelineTest, AStopInALargeFileEndsTheRunWithinOneBlock) {
  const int kStopAtBlock = 4;
  Write(L"large.raw", NoiseBytes(12 * kBlockSize, 13));
  for (unsigned workers : {kInline, 3u}) {
    SetCompressWorkers(workers);
    WatchingFileSystem door;
    door.watched = L"large.raw";
    int blockCalls = 0, callsAfterStop = 0, readsAtStop = 0, stepsAtStop = 0;
    onProgress = [&](uint32_t, const wchar_t* path, uint32_t) {
      if (blockCalls >= kStopAtBlock) {
        ++callsAfterStop;
        return 1;
      }
      if (path == nullptr && ++blockCalls == kStopAtBlock) {
        readsAtStop = door.watchedReads;
        stepsAtStop = door.steps;
        return 1;
      }
      return 0;
    };
    uint32_t result;
    {
      ScopedFileSystem installed(&door);
      result = Run(FolderList({Src()}));
    }
    EXPECT_EQ(result, 1u) << workers << " workers";
    EXPECT_EQ(callsAfterStop, 0) << workers << " workers";
    EXPECT_EQ(door.watchedReads, readsAtStop) << workers << " workers: read on after the stop";
    EXPECT_LE(door.steps - stepsAtStop, static_cast<int>(BlockPipeline::WholeBlocksInFlight(workers)))
        << workers << " workers: compressed more than was in flight";
    EXPECT_TRUE(Sets().sets.empty());
    EXPECT_TRUE(Sets().incomplete.empty());
  }
}

}  // namespace
}  // namespace vk::test
