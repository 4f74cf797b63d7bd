// The compression pipeline on its own: whatever the number of workers, the
// sink receives exactly the blocks zlib's compress() makes, in the order they
// were handed in, on the caller's thread; failures and abandoning end it
// without a hang and without a block handed back after them.
#include "engine/BlockPipeline.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common/Handle.h"
#include "engine/FileSystem.h"
#include "tests/support/ScopedFileSystem.h"

namespace vk {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr DWORD kDeadlineMs = 10000;

Bytes Data(size_t n, bool text, uint32_t seed) {
  static const char kWords[] = "block index folder file backup restore the of and ";
  Bytes out(n);
  uint32_t x = 2463534242u ^ (seed * 2654435761u);
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    out[i] = text ? static_cast<uint8_t>(kWords[(x >> 8) % (sizeof kWords - 1)])
                  : static_cast<uint8_t>(x);
  }
  return out;
}

// What the sink saw: a block's framed bytes (tagged with its file), or a
// mark.
struct Event {
  bool block = false;
  Bytes bytes;
  uint64_t tag = 0;
  uint32_t note = 0;
  bool operator==(const Event& o) const {
    return block == o.block && bytes == o.bytes && tag == o.tag && note == o.note;
  }
};

Event ReferenceBlock(const uint8_t* in, uint32_t n, uint64_t tag) {
  Bytes packed(compressBound(n));
  uLongf length = static_cast<uLongf>(packed.size());
  EXPECT_EQ(compress(packed.data(), &length, in, n), Z_OK);
  Event e;
  e.block = true;
  e.tag = tag;
  _BKUPFILE_BLOCK header = {static_cast<uint32_t>(length), n};
  e.bytes.resize(sizeof header + length);
  std::memcpy(e.bytes.data(), &header, sizeof header);
  std::memcpy(e.bytes.data() + sizeof header, packed.data(), length);
  return e;
}

// The files cut into 524,288-byte pieces, each followed by its mark.
std::vector<Event> Reference(const std::vector<Bytes>& files) {
  std::vector<Event> events;
  for (size_t f = 0; f < files.size(); ++f) {
    for (size_t at = 0; at < files[f].size(); at += kBlockSize)
      events.push_back(ReferenceBlock(
          files[f].data() + at,
          static_cast<uint32_t>(std::min<size_t>(kBlockSize, files[f].size() - at)), f));
    Event mark;
    mark.tag = f;
    mark.note = static_cast<uint32_t>(f * 7);
    events.push_back(mark);
  }
  return events;
}

class RecordingSink : public BlockSink {
 public:
  std::vector<Event> events;
  std::set<DWORD> threads;     // threads the sink was called on
  size_t failAtBlock = SIZE_MAX;  // this block (0-based) fails with `failWith`
  BkupResult failWith = kResultDiskFull;
  size_t blocks = 0;
  std::vector<uint64_t> failedTags;  // blocks that could not be compressed

  BkupResult WriteBlock(uint64_t tag, const unsigned char* framed, uint32_t bytes) override {
    threads.insert(::GetCurrentThreadId());
    if (blocks++ == failAtBlock) return failWith;
    Event e;
    e.block = true;
    e.tag = tag;
    e.bytes.assign(framed, framed + bytes);
    events.push_back(e);
    return kResultOk;
  }
  BkupResult CompressFailed(uint64_t tag, BkupResult why) override {
    threads.insert(::GetCurrentThreadId());
    failedTags.push_back(tag);
    return why;
  }
  BkupResult Marked(uint64_t tag, uint32_t note) override {
    threads.insert(::GetCurrentThreadId());
    Event e;
    e.tag = tag;
    e.note = note;
    events.push_back(e);
    return kResultOk;
  }
};

// The caller's own slot, as the backup run lends its read and compression
// buffers.
struct OwnSlot {
  BlockCompressor z;
  PageBuffer in, out;
  OwnSlot() {
    EXPECT_TRUE(z.Ready());
    EXPECT_TRUE(in.Allocate(kWorkBufferSize));
    EXPECT_TRUE(out.Allocate(kWorkBufferSize));
  }
};

// Hands the files in as the backup run does: a block per 524,288 bytes read,
// a mark after each file.
BkupResult Feed(BlockPipeline& pipeline, const std::vector<Bytes>& files) {
  for (size_t f = 0; f < files.size(); ++f) {
    for (size_t at = 0; at < files[f].size(); at += kBlockSize) {
      unsigned char* in = nullptr;
      BkupResult r = pipeline.NextInput(&in);
      if (r != kResultOk) return r;
      uint32_t n = static_cast<uint32_t>(std::min<size_t>(kBlockSize, files[f].size() - at));
      std::memcpy(in, files[f].data() + at, n);
      r = pipeline.Submit(n, f);
      if (r != kResultOk) return r;
    }
    BkupResult r = pipeline.Mark(f, static_cast<uint32_t>(f * 7));
    if (r != kResultOk) return r;
  }
  return pipeline.Drain();
}

// Blocks whose first four bytes carry their number, for the doors below.
std::vector<Bytes> NumberedBlocks(uint32_t count) {
  std::vector<Bytes> files;
  for (uint32_t i = 0; i < count; ++i) {
    Bytes b = Data(3000 + i * 1000, i % 2 == 0, i);
    std::memcpy(b.data(), &i, sizeof i);
    files.push_back(b);
  }
  return files;
}

uint32_t NumberOf(const void* data) {
  uint32_t i;
  std::memcpy(&i, data, sizeof i);
  return i;
}

bool WaitUntil(const std::function<bool()>& done) {
  for (DWORD start = ::GetTickCount(); !done();) {
    if (::GetTickCount() - start > kDeadlineMs) return false;
    ::SwitchToThread();
  }
  return true;
}

// Watches the compression steps: which threads ran them, and can hold a
// block until others have passed, fail one, or hold every block.
class StepDoor : public FileSystemApi {
 public:
  std::atomic<int> steps{0}, held{0};
  int64_t holdBlock = -1;     // this block waits until `holdUntil` other steps ran
  int holdUntil = 0;
  std::function<bool()> releaseEvery;  // when set, every block waits for it
  int64_t failBlock = -1;
  std::atomic<bool> releasedByOthers{false};
  SRWLOCK lock = SRWLOCK_INIT;
  std::set<DWORD> threads;

  BOOL CompressStep(const void* data, DWORD) override {
    ::AcquireSRWLockExclusive(&lock);
    threads.insert(::GetCurrentThreadId());
    ::ReleaseSRWLockExclusive(&lock);
    uint32_t number = NumberOf(data);
    int before = steps++;
    if (releaseEvery || number == holdBlock) {
      ++held;
      if (releaseEvery) {
        WaitUntil(releaseEvery);
      } else {
        releasedByOthers = WaitUntil([&] { return steps - before - 1 >= holdUntil; });
      }
    }
    return number == failBlock ? FALSE : TRUE;
  }
};

bool ThreadEnded(DWORD id) {
  HANDLE h = ::OpenThread(SYNCHRONIZE, FALSE, id);
  if (h == nullptr) return true;  // gone altogether
  bool ended = ::WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
  ::CloseHandle(h);
  return ended;
}

TEST(BlockPipeline, EveryWorkerCountGivesCompressBytesInOrder) {
  std::vector<Bytes> many;
  for (uint32_t i = 0; i < 300; ++i) many.push_back(Data((i * 7919u) % 6000, i % 3 != 0, i));
  std::vector<Bytes> odd;
  for (uint32_t i = 0; i < 40; ++i) odd.push_back(Data(kBlockSize / 3 + i * 4099, true, 20 + i));
  struct Case {
    const char* what;
    std::vector<Bytes> files;
  } cases[] = {
      {"one byte", {Data(1, true, 1)}},
      {"exactly one block", {Data(kBlockSize, true, 2)}},
      {"one block and a byte", {Data(kBlockSize + 1, true, 3)}},
      {"empty files around two whole blocks (no empty tail block)",
       {{}, Data(2 * kBlockSize, true, 4), {}, {}}},
      {"incompressible", {Data(3 * kBlockSize + 100, false, 5), Data(kBlockSize, false, 6)}},
      {"many small blocks", many},
      // The pool's areas are whole multiples of a block: whole blocks fill
      // one to its very end before it starts again at its beginning.
      {"whole blocks round the pool's areas", {Data(24 * kBlockSize, true, 12)}},
      {"odd sizes round the pool's areas", odd},
      {"uneven work: large noise between small text",
       {Data(10, true, 7), Data(4 * kBlockSize, false, 8), Data(700, true, 9), Data(1, false, 10),
        Data(kBlockSize - 1, true, 11)}},
  };
  for (const Case& c : cases) {
    std::vector<Event> want = Reference(c.files);
    for (unsigned workers : {0u, 1u, 2u, 3u, 8u}) {
      OwnSlot own;
      RecordingSink sink;
      BlockPipeline pipeline(sink, workers, own.z, own.in.Data(), own.out.Data());
      ASSERT_EQ(Feed(pipeline, c.files), kResultOk) << c.what << ", " << workers << " workers";
      EXPECT_EQ(pipeline.Workers(), workers < 2 ? 0u : workers) << c.what;
      EXPECT_TRUE(sink.events == want) << c.what << ", " << workers << " workers";
      EXPECT_EQ(sink.threads, std::set<DWORD>{::GetCurrentThreadId()})
          << "the sink is called on the caller's thread only";
    }
  }
}

TEST(BlockPipeline, InlineCompressesOnTheCallersThread) {
  StepDoor door;
  test::ScopedFileSystem installed(&door);
  for (unsigned workers : {0u, 1u}) {
    OwnSlot own;
    RecordingSink sink;
    BlockPipeline pipeline(sink, workers, own.z, own.in.Data(), own.out.Data());
    ASSERT_EQ(Feed(pipeline, NumberedBlocks(5)), kResultOk);
  }
  EXPECT_EQ(door.threads, std::set<DWORD>{::GetCurrentThreadId()});
}

TEST(BlockPipeline, ABlockFinishedLastIsStillHandedBackFirst) {
  StepDoor door;
  door.holdBlock = 0;
  door.holdUntil = 3;  // three later blocks are compressed while block 0 waits
  test::ScopedFileSystem installed(&door);
  std::vector<Bytes> files = NumberedBlocks(12);
  OwnSlot own;
  RecordingSink sink;
  BlockPipeline pipeline(sink, 3, own.z, own.in.Data(), own.out.Data());
  ASSERT_EQ(Feed(pipeline, files), kResultOk);
  EXPECT_TRUE(door.releasedByOthers) << "block 0 did not finish after the later ones";
  EXPECT_TRUE(sink.events == Reference(files));
  EXPECT_GT(door.threads.size(), 1u) << "the pool took part";
}

// A failed compression, in a worker or inline, ends the pipeline with the
// result a zlib error gives; the blocks before it are written, none after.
TEST(BlockPipeline, AFailedBlockEndsItWithTheZlibResult) {
  std::vector<Bytes> files = NumberedBlocks(10);
  std::vector<Event> want = Reference(files);
  want.resize(2 * 4);  // blocks 0..3 with their marks
  for (unsigned workers : {0u, 2u, 8u}) {
    StepDoor door;
    door.failBlock = 4;
    test::ScopedFileSystem installed(&door);
    OwnSlot own;
    RecordingSink sink;
    BlockPipeline pipeline(sink, workers, own.z, own.in.Data(), own.out.Data());
    EXPECT_EQ(Feed(pipeline, files), kResultInvalid) << workers << " workers";
    EXPECT_TRUE(sink.events == want) << workers << " workers";
    EXPECT_EQ(sink.failedTags, std::vector<uint64_t>{4}) << "told which file's block failed";
    unsigned char* in = nullptr;
    EXPECT_EQ(pipeline.NextInput(&in), kResultInvalid) << "the failure stays";
    EXPECT_EQ(pipeline.Drain(), kResultInvalid);
  }
}

TEST(BlockPipeline, AFailingSinkEndsItWithTheSinksResult) {
  std::vector<Bytes> files = NumberedBlocks(10);
  for (unsigned workers : {0u, 3u}) {
    OwnSlot own;
    RecordingSink sink;
    sink.failAtBlock = 2;
    sink.failWith = kResultDiskFull;
    {
      BlockPipeline pipeline(sink, workers, own.z, own.in.Data(), own.out.Data());
      EXPECT_EQ(Feed(pipeline, files), kResultDiskFull) << workers << " workers";
      EXPECT_EQ(pipeline.Mark(99, 0), kResultDiskFull);
    }
    EXPECT_EQ(sink.blocks, 3u) << "nothing handed back after the failure";
    EXPECT_EQ(sink.events.size(), 4u) << "two blocks and their marks";
  }
}

// Abandoned with every worker busy and more blocks queued: the queued ones
// are never compressed, nothing is handed back, every worker has ended.
TEST(BlockPipeline, AbandonInTheMiddleDropsQueuedBlocksAndJoinsTheWorkers) {
  const unsigned kWorkers = 2;
  std::vector<Bytes> blocks = NumberedBlocks(3 * kWorkers);
  StepDoor door;
  test::ScopedFileSystem installed(&door);
  OwnSlot own;
  RecordingSink sink;
  BlockPipeline pipeline(sink, kWorkers, own.z, own.in.Data(), own.out.Data());
  // The blocks being compressed finish only once the abandon has begun.
  door.releaseEvery = [&] { return pipeline.Abandoning(); };
  for (const Bytes& b : blocks) {  // small blocks: they all fit, no call has to wait
    unsigned char* in = nullptr;
    ASSERT_EQ(pipeline.NextInput(&in), kResultOk);
    std::memcpy(in, b.data(), b.size());
    ASSERT_EQ(pipeline.Submit(static_cast<uint32_t>(b.size()), 0), kResultOk);
  }
  ASSERT_TRUE(WaitUntil([&] { return door.held == static_cast<int>(kWorkers); }));
  pipeline.Abandon();
  EXPECT_EQ(door.steps, static_cast<int>(kWorkers)) << "queued blocks were compressed";
  EXPECT_TRUE(sink.events.empty());
  EXPECT_EQ(pipeline.Workers(), 0u);
  for (DWORD id : door.threads) EXPECT_TRUE(ThreadEnded(id)) << "worker " << id << " still runs";
  unsigned char* in = nullptr;
  EXPECT_NE(pipeline.NextInput(&in), kResultOk);
  EXPECT_NE(pipeline.Drain(), kResultOk);
  EXPECT_TRUE(sink.events.empty());
}

}  // namespace
}  // namespace vk
