// Block compression beside the backup run. The run's thread reads the blocks
// of the files it stores and hands them in; a small pool of threads
// compresses them side by side; the run's thread gets them back strictly in
// the order it handed them in, and writes them. Every block is a zlib stream
// of its own, made by a freshly reset deflate stream, so a block compressed
// on any thread is byte for byte the block the run would make by itself.
//
// Only the compression runs on the pool. Reading, writing, the progress
// callback and every other file-system call stay on the caller's thread:
// the sink is called there, from inside the pipeline's own calls.
#pragma once
#include <windows.h>
#include <zlib.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "common/Handle.h"
#include "engine/BkupTypes.h"

namespace vk {

// zlib's compress() at the default level, with its state kept from block to
// block: compress() sets up and tears down about 270 KiB of state per call,
// which costs more than compressing a small file. deflateReset() returns the
// stream to its freshly initialised state, so every block is the same zlib
// stream that compress() would produce.
class BlockCompressor {
 public:
  BlockCompressor() { ready_ = deflateInit(&stream_, Z_DEFAULT_COMPRESSION) == Z_OK; }
  ~BlockCompressor() {
    if (ready_) deflateEnd(&stream_);
  }
  BlockCompressor(const BlockCompressor&) = delete;
  BlockCompressor& operator=(const BlockCompressor&) = delete;
  bool Ready() const { return ready_; }

  // Compresses n bytes into at most *packed bytes of `out`; false on any
  // zlib error, including too little room.
  bool Compress(const unsigned char* in, uint32_t n, unsigned char* out, uint32_t* packed);

 private:
  z_stream stream_ = {};
  bool ready_ = false;
};

// Bytes in front of every block in a set: its _BKUPFILE_BLOCK.
constexpr uint32_t kBlockFrameSize = sizeof(_BKUPFILE_BLOCK);

// Compresses the n bytes of `in` into one framed block at `out`, which holds
// `capacity` bytes: the _BKUPFILE_BLOCK, then the zlib stream. *framed
// receives the bytes to write. False as a zlib error, which includes a
// refusal of the file-system door's CompressStep. deflate makes the same
// stream into any room that holds it, and FramedBlockBound() always does.
bool CompressFramedBlock(BlockCompressor& z, const unsigned char* in, uint32_t n,
                         unsigned char* out, uint32_t capacity, uint32_t* framed);

// Room for the framed block of any kBlockSize bytes.
uint32_t FramedBlockBound();

// Where the pipeline hands its items back: on the caller's thread, from
// inside NextInput, Submit, Mark and Drain, strictly in submission order.
// Tags are the caller's, passed through. A result other than kResultOk ends
// the pipeline with that result.
class BlockSink {
 public:
  virtual ~BlockSink() = default;
  // One block: `framed` holds its _BKUPFILE_BLOCK and the compressed bytes.
  virtual BkupResult WriteBlock(uint64_t tag, const unsigned char* framed, uint32_t bytes) = 0;
  // A mark given to Mark(): every block submitted before it has been written.
  virtual BkupResult Marked(uint64_t tag, uint32_t note) = 0;
  // A block that could not be compressed, in its turn: `why` is what a zlib
  // error gives (kResultInvalid), or kResultException. The pipeline ends
  // with the result returned, normally `why`.
  virtual BkupResult CompressFailed(uint64_t tag, BkupResult why) = 0;
};

constexpr unsigned kMaxCompressWorkers = 8;
// The blocks in flight live in two fixed areas, one for what the caller read
// and one for what the workers made of it, each taking a block's own size:
// a run of small files then goes on being read while the blocks of a large
// file are compressed, which slots of 512 KiB each would allow for only a
// few. Each area holds 2 MiB per worker (four whole blocks), 8 MiB at most.
constexpr uint32_t kAreaBytesPerWorker = 2 * 1024 * 1024;
constexpr uint32_t kMaxAreaBytes = 8 * 1024 * 1024;
// Blocks and marks in flight on a pool: room for the small files that fit.
constexpr unsigned kPoolItems = 4096;

// One worker per processor of this machine, at least 1 and at most 8.
unsigned CompressWorkersForThisMachine();

// The pool size of the backup runs: CompressWorkersForThisMachine(), unless
// SetCompressWorkers chose another.
unsigned CompressWorkers();
// n workers for the runs that follow (1: every block compressed on the run's
// thread); 0 gives the machine's count again. For tests and the benchmark;
// not thread-safe against running jobs.
void SetCompressWorkers(unsigned n);

class BlockPipeline {
 public:
  // `workers` threads compress; with 0 or 1 the caller's thread compresses
  // every block itself (inline). `own` is the caller's compressor, ready,
  // and `ownIn` and `ownOut` (kWorkBufferSize bytes each) are the caller's
  // buffers, which hold the one block in flight inline. The pool's areas and
  // threads are set up at the first block; when they cannot be, the pipeline
  // works inline instead.
  BlockPipeline(BlockSink& sink, unsigned workers, BlockCompressor& own, unsigned char* ownIn,
                unsigned char* ownOut);
  // Abandons whatever is still outstanding.
  ~BlockPipeline();
  BlockPipeline(const BlockPipeline&) = delete;
  BlockPipeline& operator=(const BlockPipeline&) = delete;

  // Bytes of each of the pool's two areas for `workers`; 0 inline.
  static uint32_t AreaBytes(unsigned workers);
  // Whole blocks (kBlockSize bytes read) that fit in flight at once.
  static unsigned WholeBlocksInFlight(unsigned workers);

  // The buffer (kBlockSize bytes) to read the next block into. Hands the
  // items that are ready to the sink first and waits, writing, while there
  // is no room for another block. The first failure of the pipeline is
  // returned here and by every later call.
  BkupResult NextInput(unsigned char** in);
  // Queues the block of n bytes (1..kBlockSize) read into that buffer.
  BkupResult Submit(uint32_t n, uint64_t tag);
  // Queues a mark: handed to the sink once every block before it is written.
  BkupResult Mark(uint64_t tag, uint32_t note);
  // Hands every outstanding item to the sink, compressing on this thread
  // whatever no worker has taken yet.
  BkupResult Drain();
  // Drops every outstanding item (after a stop or a failure): no further
  // block is compressed or handed back; waits only for the blocks being
  // compressed at that moment, and joins the workers. Final.
  void Abandon();

  // Worker threads running (0 when inline); for tests and the benchmark.
  unsigned Workers() const { return static_cast<unsigned>(threads_.size()); }
  // True once Abandon has begun; any thread may ask (tests do, from a worker).
  bool Abandoning() const;

 private:
  enum class State : uint8_t { kQueued, kBusy, kDone, kFailed };
  struct Item {
    bool block = false;
    State state = State::kQueued;
    uint32_t bytes = 0;  // block: input bytes, then framed bytes once done
    uint32_t in = 0, out = 0;            // where its bytes lie in the areas
    uint32_t inSpan = 0, outSpan = 0;    // what it holds of them
    uint32_t outRoom = 0;                // room for the framed block
    uint64_t tag = 0;
    uint32_t note = 0;   // mark
    BkupResult failure = kResultOk;
  };
  // A circular area whose pieces are taken at its end and given back in the
  // order they were taken, so it never fragments. A piece is contiguous: one
  // that does not fit before the area's end starts at its beginning, and the
  // bytes skipped are given back with it.
  class Ring {
   public:
    void Attach(unsigned char* base, uint32_t capacity);
    // Where a piece of `need` bytes would start; false while it does not fit.
    bool Find(uint32_t need, uint32_t* at) const;
    // Takes `used` bytes (at most the `need` Find was asked for) at `at`;
    // returns the span to give back.
    uint32_t Take(uint32_t at, uint32_t used);
    void Release(uint32_t span);
    unsigned char* At(uint32_t at) const { return base_ + at; }

   private:
    unsigned char* base_ = nullptr;
    uint32_t capacity_ = 0, tail_ = 0, used_ = 0;
  };
  struct Worker {
    BlockPipeline* pipeline = nullptr;
    BlockCompressor compressor;
  };

  void Start();
  void StartWorkers(unsigned count);
  BkupResult HandOver(bool wait);
  BkupResult HandHead(Item& item);
  bool RoomForBlock(uint32_t* in, uint32_t* out) const;
  bool RoomForItem() const { return tail_ - head_ < items_.size(); }
  Item& At(uint64_t i) { return items_[static_cast<size_t>(i % items_.size())]; }
  void Compress(Item& item, BlockCompressor& z);
  void Serve(Worker& worker);
  static DWORD WINAPI WorkerProc(void* worker);

  BlockSink& sink_;
  unsigned requested_;
  BlockCompressor& own_;  // the caller's thread compresses with this one
  unsigned char* ownIn_;
  unsigned char* ownOut_;
  PageBuffer inArea_, outArea_;  // the pool's
  Ring in_, out_;                // the caller's alone: workers only use their pieces
  std::vector<Item> items_;
  std::vector<std::unique_ptr<Worker>> workers_;
  std::vector<KernelHandle> threads_;
  bool started_ = false;
  BkupResult failed_ = kResultOk;

  // Shared with the workers, under lock_.
  mutable SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE work_ = CONDITION_VARIABLE_INIT;     // a block was queued, or quit
  CONDITION_VARIABLE settled_ = CONDITION_VARIABLE_INIT;  // a block was compressed
  uint64_t head_ = 0;  // oldest item not handed back yet
  uint64_t tail_ = 0;  // next item to queue
  uint64_t take_ = 0;  // items before it are taken or are marks
  bool quit_ = false;
};

}  // namespace vk
