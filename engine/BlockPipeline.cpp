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

BlockPipeline::BlockPipeline(BlockSink& sink, unsigned workers, BlockCompressor& own,
                             unsigned char* ownIn, unsigned char* ownOut)
    : sink_(sink), requested_(std::min(workers, kMaxCompressWorkers)), own_(own) {
  if (requested_ < 2) requested_ = 0;
  slots_.push_back({ownIn, ownOut, kWorkBufferSize});
  // Room for the marks as well as the blocks the pool will hold, fixed now:
  // marks may come before the first block.
  items_.resize(BlocksInFlight(requested_) * kItemsPerBlock);
}

unsigned BlockPipeline::BlocksInFlight(unsigned workers) {
  if (workers < 2) return 1;
  return std::min(std::min(workers, kMaxCompressWorkers) * kBlocksPerWorker, kMaxBlocksInFlight);
}

BlockPipeline::~BlockPipeline() { Abandon(); }

// The slots and threads of the pool; inline with the caller's slot when the
// memory or the threads are not to be had, which changes nothing but speed.
void BlockPipeline::Start() {
  started_ = true;
  if (requested_ == 0) return;
  if (!AllocateSlots(BlocksInFlight(requested_))) return;
  StartWorkers(requested_);
  if (threads_.empty()) {
    slots_.resize(1);
    buffers_.clear();
  }
}

bool BlockPipeline::AllocateSlots(unsigned count) {
  const uint32_t outBytes = FramedBlockBound();
  while (slots_.size() < count) {
    auto in = std::make_unique<PageBuffer>(), out = std::make_unique<PageBuffer>();
    if (!in->Allocate(kBlockSize) || !out->Allocate(outBytes)) {
      slots_.resize(1);
      buffers_.clear();
      return false;
    }
    slots_.push_back({in->Data(), out->Data(), outBytes});
    buffers_.push_back(std::move(in));
    buffers_.push_back(std::move(out));
  }
  return true;
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

bool BlockPipeline::RoomForBlock() const { return blocksIn_ - blocksOut_ < slots_.size(); }
bool BlockPipeline::RoomForItem() const { return tail_ - head_ < items_.size(); }

BkupResult BlockPipeline::NextInput(unsigned char** in) {
  *in = nullptr;
  if (!started_) Start();
  BkupResult r = HandOver(false);
  while (r == kResultOk && (!RoomForBlock() || !RoomForItem())) r = HandOver(true);
  if (r != kResultOk) return r;
  *in = slots_[static_cast<size_t>(blocksIn_ % slots_.size())].in;
  return kResultOk;
}

BkupResult BlockPipeline::Submit(uint32_t n, uint64_t tag) {
  if (failed_ != kResultOk) return failed_;
  if (!started_ || n == 0 || n > kBlockSize || !RoomForBlock() || !RoomForItem())
    return failed_ = kResultInvalid;  // a caller that skipped NextInput
  ::AcquireSRWLockExclusive(&lock_);
  Item& item = At(tail_);
  item = Item();
  item.block = true;
  item.bytes = n;
  item.tag = tag;
  item.slot = static_cast<uint32_t>(blocksIn_ % slots_.size());
  ++tail_;
  ++blocksIn_;
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
    r = sink_.WriteBlock(item.tag, slots_[item.slot].out, item.bytes);
  ::AcquireSRWLockExclusive(&lock_);
  if (item.block) ++blocksOut_;
  ++head_;
  ::ReleaseSRWLockExclusive(&lock_);
  return r;
}

// Runs on whichever thread took the item; sets its final state.
void BlockPipeline::Compress(Item& item, BlockCompressor& z) {
  State state = State::kFailed;
  BkupResult failure = kResultInvalid;  // what a zlib error gives
  try {
    const Slot& slot = slots_[item.slot];
    uint32_t framed = 0;
    if (CompressFramedBlock(z, slot.in, item.bytes, slot.out, slot.outCapacity, &framed)) {
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
  blocksIn_ = blocksOut_ = 0;
}

}  // namespace vk
