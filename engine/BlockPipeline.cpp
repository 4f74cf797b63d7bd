#include "engine/BlockPipeline.h"

#include <algorithm>
#include <cstring>

#include "engine/FileSystem.h"

namespace vk {

bool BlockCompressor::Compress(const unsigned char* in, uint32_t n, unsigned char* out,
                               uint32_t* packed) {
  if (!ready_ || deflateReset(&stream_) != Z_OK) return false;
  stream_.next_in = const_cast<unsigned char*>(in);
  stream_.avail_in = n;
  stream_.next_out = out;
  stream_.avail_out = *packed;
  if (deflate(&stream_, Z_FINISH) != Z_STREAM_END) return false;
  *packed = static_cast<uint32_t>(stream_.total_out);
  return true;
}

bool CompressFramedBlock(BlockCompressor& z, const unsigned char* in, uint32_t n,
                         unsigned char* out, uint32_t capacity, uint32_t* framed) {
  if (capacity < kBlockFrameSize) return false;
  uint32_t packed = capacity - kBlockFrameSize;
  if (!FileSystem().CompressStep(in, n) || !z.Compress(in, n, out + kBlockFrameSize, &packed))
    return false;
  _BKUPFILE_BLOCK block = {packed, n};
  std::memcpy(out, &block, kBlockFrameSize);
  *framed = kBlockFrameSize + packed;
  return true;
}

namespace {

unsigned g_compressWorkers = 0;  // 0: the machine's count
// Address space reserved for a worker's stack: deflate needs little, and a
// 32-bit process should not give a megabyte to each of eight threads.
constexpr SIZE_T kWorkerStackBytes = 256 * 1024;

}  // namespace

uint32_t FramedBlockBound() {
  return kBlockFrameSize + static_cast<uint32_t>(compressBound(kBlockSize));
}

unsigned CompressWorkersForThisMachine() {
  SYSTEM_INFO info;
  ::GetSystemInfo(&info);
  return std::clamp<unsigned>(info.dwNumberOfProcessors, 1, kMaxCompressWorkers);
}

unsigned CompressWorkers() {
  return g_compressWorkers != 0 ? g_compressWorkers : CompressWorkersForThisMachine();
}

void SetCompressWorkers(unsigned n) { g_compressWorkers = std::min(n, kMaxCompressWorkers); }

namespace {

// Pieces of the areas start on cache lines: workers writing neighbouring
// blocks do not share one.
constexpr uint32_t kPieceAlign = 64;
constexpr uint32_t AlignPiece(uint32_t n) { return (n + kPieceAlign - 1) & ~(kPieceAlign - 1); }
// Items inline: the one block, its mark, and room to spare.
constexpr unsigned kInlineItems = 4;

}  // namespace

void BlockPipeline::Ring::Attach(unsigned char* base, uint32_t capacity) {
  base_ = base;
  capacity_ = capacity;
  tail_ = used_ = 0;
}

bool BlockPipeline::Ring::Find(uint32_t need, uint32_t* at) const {
  const bool wrap = capacity_ - tail_ < need;  // also when the tail is at the very end
  const uint32_t skip = wrap ? capacity_ - tail_ : 0;
  *at = wrap ? 0 : tail_;
  return uint64_t{used_} + skip + need <= capacity_;
}

uint32_t BlockPipeline::Ring::Take(uint32_t at, uint32_t used) {
  const uint32_t skip = at != tail_ ? capacity_ - tail_ : 0;
  const uint32_t piece = AlignPiece(used);
  used_ += skip + piece;
  tail_ = at + piece;
  return skip + piece;
}

void BlockPipeline::Ring::Release(uint32_t span) {
  used_ -= span;
  if (used_ == 0) tail_ = 0;  // empty: the next piece starts at the beginning
}

BlockPipeline::BlockPipeline(BlockSink& sink, unsigned workers, BlockCompressor& own,
                             unsigned char* ownIn, unsigned char* ownOut)
    : sink_(sink), requested_(std::min(workers, kMaxCompressWorkers)), own_(own),
      ownIn_(ownIn), ownOut_(ownOut) {
  if (requested_ < 2) requested_ = 0;
  in_.Attach(ownIn_, kWorkBufferSize);
  out_.Attach(ownOut_, kWorkBufferSize);
  // Fixed now: marks may come before the first block.
  items_.resize(requested_ == 0 ? kInlineItems : kPoolItems);
}

uint32_t BlockPipeline::AreaBytes(unsigned workers) {
  if (workers < 2) return 0;
  return std::min(std::min(workers, kMaxCompressWorkers) * kAreaBytesPerWorker, kMaxAreaBytes);
}

unsigned BlockPipeline::WholeBlocksInFlight(unsigned workers) {
  uint32_t area = AreaBytes(workers);
  return area == 0 ? 1 : std::min(area / kBlockSize, area / AlignPiece(FramedBlockBound()));
}

BlockPipeline::~BlockPipeline() { Abandon(); }

// The areas and threads of the pool; inline with the caller's buffers when
// the memory or the threads are not to be had, which changes nothing but
// speed. Nothing is in flight yet but marks.
void BlockPipeline::Start() {
  started_ = true;
  const uint32_t area = AreaBytes(requested_);
  if (area == 0 || !inArea_.Allocate(area) || !outArea_.Allocate(area)) {
    inArea_.Free();
    return;
  }
  in_.Attach(inArea_.Data(), area);
  out_.Attach(outArea_.Data(), area);
  StartWorkers(requested_);
  if (threads_.empty()) {
    in_.Attach(ownIn_, kWorkBufferSize);
    out_.Attach(ownOut_, kWorkBufferSize);
    inArea_.Free();
    outArea_.Free();
  }
}

// Workers run at the normal priority whatever the caller's: compressing on
// every core at the job thread's raised priority would starve the windows.
void BlockPipeline::StartWorkers(unsigned count) {
  // Room first: once a thread runs, nothing may throw before it is owned.
  workers_.reserve(count);
  threads_.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    auto worker = std::make_unique<Worker>();
    if (!worker->compressor.Ready()) break;
    worker->pipeline = this;
    KernelHandle thread(::CreateThread(nullptr, kWorkerStackBytes, &WorkerProc, worker.get(),
                                       STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread) break;
    workers_.push_back(std::move(worker));
    threads_.push_back(std::move(thread));
  }
}

// Room for a whole block read and for what it may become.
bool BlockPipeline::RoomForBlock(uint32_t* in, uint32_t* out) const {
  return in_.Find(kBlockSize, in) && out_.Find(AlignPiece(FramedBlockBound()), out);
}

BkupResult BlockPipeline::NextInput(unsigned char** in) {
  *in = nullptr;
  if (!started_) Start();
  uint32_t at = 0, out = 0;
  BkupResult r = HandOver(false);
  while (r == kResultOk && (!RoomForBlock(&at, &out) || !RoomForItem())) r = HandOver(true);
  if (r != kResultOk) return r;
  *in = in_.At(at);
  return kResultOk;
}

BkupResult BlockPipeline::Submit(uint32_t n, uint64_t tag) {
  if (failed_ != kResultOk) return failed_;
  uint32_t in = 0, out = 0;
  if (!started_ || n == 0 || n > kBlockSize || !RoomForBlock(&in, &out) || !RoomForItem())
    return failed_ = kResultInvalid;  // a caller that skipped NextInput
  Item item;
  item.block = true;
  item.bytes = n;
  item.tag = tag;
  item.in = in;
  item.out = out;
  item.outRoom = AlignPiece(kBlockFrameSize + static_cast<uint32_t>(compressBound(n)));
  item.inSpan = in_.Take(in, n);
  item.outSpan = out_.Take(out, item.outRoom);
  ::AcquireSRWLockExclusive(&lock_);
  At(tail_++) = item;
  ::ReleaseSRWLockExclusive(&lock_);
  ::WakeConditionVariable(&work_);
  return HandOver(false);
}

BkupResult BlockPipeline::Mark(uint64_t tag, uint32_t note) {
  BkupResult r = HandOver(false);
  while (r == kResultOk && !RoomForItem()) r = HandOver(true);
  if (r != kResultOk) return r;
  ::AcquireSRWLockExclusive(&lock_);
  Item& item = At(tail_);
  item = Item();
  item.state = State::kDone;
  item.tag = tag;
  item.note = note;
  ++tail_;
  ::ReleaseSRWLockExclusive(&lock_);
  return HandOver(false);
}

BkupResult BlockPipeline::Drain() {
  BkupResult r = kResultOk;
  while (r == kResultOk && head_ < tail_) r = HandOver(true);
  return r != kResultOk ? r : failed_;
}

// Hands the items at the head to the sink while they are ready. A block that
// no worker has taken is compressed here when the caller would otherwise
// wait for it, or always when there are no workers. With `wait`, hands over
// at least the head item, sleeping until a worker has finished it.
BkupResult BlockPipeline::HandOver(bool wait) {
  while (failed_ == kResultOk && head_ < tail_) {
    ::AcquireSRWLockExclusive(&lock_);
    Item& item = At(head_);
    bool steal = item.state == State::kQueued && (wait || threads_.empty());
    if (steal) item.state = State::kBusy;
    while (wait && !steal && item.state == State::kBusy)
      ::SleepConditionVariableSRW(&settled_, &lock_, INFINITE, 0);
    bool ready = item.state == State::kDone || item.state == State::kFailed;
    ::ReleaseSRWLockExclusive(&lock_);
    if (steal) {
      Compress(item, own_);
      ready = true;
    }
    if (!ready) break;
    failed_ = HandHead(item);
    wait = false;
  }
  return failed_;
}

// The head item is the caller's now: no worker touches a finished item.
BkupResult BlockPipeline::HandHead(Item& item) {
  BkupResult r;
  if (!item.block)
    r = sink_.Marked(item.tag, item.note);
  else if (item.state == State::kFailed)
    r = sink_.CompressFailed(item.tag, item.failure);
  else
    r = sink_.WriteBlock(item.tag, out_.At(item.out), item.bytes);
  in_.Release(item.inSpan);
  out_.Release(item.outSpan);
  ::AcquireSRWLockExclusive(&lock_);
  ++head_;
  ::ReleaseSRWLockExclusive(&lock_);
  return r;
}

// Runs on whichever thread took the item; sets its final state.
void BlockPipeline::Compress(Item& item, BlockCompressor& z) {
  State state = State::kFailed;
  BkupResult failure = kResultInvalid;  // what a zlib error gives
  try {
    uint32_t framed = 0;
    if (CompressFramedBlock(z, in_.At(item.in), item.bytes, out_.At(item.out), item.outRoom,
                            &framed)) {
      item.bytes = framed;
      state = State::kDone;
    }
  } catch (...) {
    failure = kResultException;
  }
  ::AcquireSRWLockExclusive(&lock_);
  item.state = state;
  item.failure = failure;
  ::ReleaseSRWLockExclusive(&lock_);
  ::WakeAllConditionVariable(&settled_);
}

// Takes the queued blocks in order, one at a time, until told to quit.
void BlockPipeline::Serve(Worker& worker) {
  ::AcquireSRWLockExclusive(&lock_);
  for (;;) {
    while (take_ < tail_ && !(At(take_).block && At(take_).state == State::kQueued)) ++take_;
    if (quit_) break;
    if (take_ == tail_) {
      ::SleepConditionVariableSRW(&work_, &lock_, INFINITE, 0);
      continue;
    }
    Item& item = At(take_++);
    item.state = State::kBusy;
    ::ReleaseSRWLockExclusive(&lock_);
    Compress(item, worker.compressor);
    ::AcquireSRWLockExclusive(&lock_);
  }
  ::ReleaseSRWLockExclusive(&lock_);
}

DWORD WINAPI BlockPipeline::WorkerProc(void* p) {
  try {
    Worker* worker = static_cast<Worker*>(p);
    worker->pipeline->Serve(*worker);
  } catch (...) {
  }
  return 0;
}

bool BlockPipeline::Abandoning() const {
  ::AcquireSRWLockShared(&lock_);
  bool quit = quit_;
  ::ReleaseSRWLockShared(&lock_);
  return quit;
}

void BlockPipeline::Abandon() {
  ::AcquireSRWLockExclusive(&lock_);
  quit_ = true;
  if (failed_ == kResultOk) failed_ = kResultStopped;
  ::ReleaseSRWLockExclusive(&lock_);
  ::WakeAllConditionVariable(&work_);
  // Each worker finishes the block it holds, if any, and ends.
  for (KernelHandle& thread : threads_) ::WaitForSingleObject(thread.Get(), INFINITE);
  threads_.clear();
  workers_.clear();
  head_ = tail_ = take_ = 0;
}

}  // namespace vk
