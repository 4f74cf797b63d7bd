#include "engine/BackupRun.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "common/Handle.h"
#include "engine/BkupArchive.h"
#include "engine/EngineUtil.h"
#include "engine/FileSystem.h"
#include "engine/PlanFile.h"
#include "engine/TargetVolume.h"
#include "common/Texts.h"
#include "engine/LogFiles.h"

namespace vk {
namespace {

constexpr uint32_t kBlockHeaderSize = sizeof(_BKUPFILE_BLOCK);

}  // namespace

// zlib's compress() at the default level, with its state kept for the whole
// run: compress() sets up and tears down about 270 KiB of state per call,
// which costs more than compressing a small file. deflateReset() returns
// the stream to its freshly initialised state, so every block is the same
// zlib stream that compress() would produce.
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
  bool Compress(const unsigned char* in, uint32_t n, unsigned char* out, uint32_t* packed) {
    if (!ready_ || deflateReset(&stream_) != Z_OK) return false;
    stream_.next_in = const_cast<unsigned char*>(in);
    stream_.avail_in = n;
    stream_.next_out = out;
    stream_.avail_out = *packed;
    if (deflate(&stream_, Z_FINISH) != Z_STREAM_END) return false;
    *packed = static_cast<uint32_t>(stream_.total_out);
    return true;
  }

 private:
  z_stream stream_ = {};
  bool ready_ = false;
};

namespace {

// The four work buffers of a run, from the page allocator, zero-filled: the
// block pair and one buffer for each index window.
struct RunBuffers {
  BlockBufferPair blocks;
  PageBuffer indexWriter, previousIndex;
  bool Allocate() {
    return blocks.Allocate() && indexWriter.Allocate(kWorkBufferSize) &&
           previousIndex.Allocate(kWorkBufferSize);
  }
  void Lend(CBkupEngine& c) {
    c.buffers = blocks.View();
    c.index.writer.buffer = indexWriter.Data();
    c.index.previous.buffer = previousIndex.Data();
    c.index.writer.bufferSize = c.index.previous.bufferSize = kWorkBufferSize;
  }
};

// Points the previous index at the index of the newest complete set.
void AttachPreviousIndex(CBkupEngine& c) {
  if (c.index.openSets.empty()) return;
  const _BACKUP_MAP& newest = c.index.openSets.rbegin()->second;
  CTFile probe;
  probe.handle = newest.File.Get();
  _BKUPFILE_HEADER header;
  uint32_t got = 0;
  if (!probe.Read(0, &header, kSetHeaderSize, &got) || got != kSetHeaderSize ||
      !IsOurSetHeader(header) || header.IndexSize == 0)
    return;
  c.index.previous.Attach(newest.File.Get(), header.IndexOffset, header.IndexSize);
}

// Appends the temporary index to the set, then marks the set complete. The
// data and the index reach the disk before the header that declares them.
uint32_t FinishSet(CBkupEngine& c, HANDLE set, _BKUPFILE_HEADER* header) {
  IndexWindow& index = c.index;
  if (!index.writer.Flush()) return kResultTempIndexError;
  header->IndexOffset = index.writePosition;
  header->DataOffset = kSetHeaderSize;
  header->DataSize = index.writePosition - kSetHeaderSize;
  unsigned char* piece = index.writer.buffer;
  for (uint64_t o = 0;;) {
    uint32_t got = 0;
    if (!index.writer.Read(o, piece, kCopyPieceSize, &got)) return kResultTempIndexError;
    if (got == 0) break;
    if (!WriteExactly(set, piece, got)) return DiskFullOr(kResultWriteError);
    o += got;
    index.writePosition += got;
  }
  header->IndexSize = index.writePosition - header->IndexOffset;
  if (header->IndexSize != index.writer.length) return kResultTempIndexError;
  ::SetLastError(ERROR_SUCCESS);
  if (!FileSystem().FlushFileBuffers(set)) return DiskFullOr(kResultWriteError);
  if (!SeekTo(set, 0)) return DiskFullOr(kResultWriteError);
  header->Flags |= kSetFlagComplete;
  header->FolderCount = c.counters.folderEntries;
  header->FileCount = c.counters.fileEntries;
  return WriteExactly(set, header, kSetHeaderSize) ? kResultOk : DiskFullOr(kResultWriteError);
}

// Steps of a run that hold the set file; the caller cleans up.
uint32_t WriteSet(CBkupEngine& c, const _BKUP_PLAN& plan, const wchar_t* folderList,
                  const SYSTEMTIME& start, const std::wstring& setPath, EngineFile* set) {
  set->Reset(FileSystem().CreateFile(setPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
  if (!*set) return DiskFullOr(kResultWriteError);
  _BKUPFILE_HEADER header = InitialSetHeader(plan, c.index.sequence, start);
  if (!WriteExactly(set->Get(), &header, kSetHeaderSize)) return DiskFullOr(kResultWriteError);
  c.index.writePosition = kSetHeaderSize;
  uint32_t result = WalkSources(c, folderList);
  if (result == kResultOk) result = StoreData(c, set->Get());
  if (result == kResultOk) result = FinishSet(c, set->Get(), &header);
  return result;
}

uint32_t RunWithBuffers(CBkupEngine& c, const _BKUP_PLAN& plan, const wchar_t* folderList,
                        const std::wstring& backupFolder, const SYSTEMTIME& start) {
  RunBuffers buffers;
  BlockCompressor compressor;
  if (!buffers.Allocate() || !compressor.Ready()) return kResultNoMemory;
  buffers.Lend(c);
  c.compressor = &compressor;
  const std::wstring tempPath = TempIndexPath();
  EngineFile tempIndex(FileSystem().CreateFile(
      tempPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS,
      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE));
  uint32_t result = kResultTempIndexError;
  if (tempIndex) {
    c.index.writer.Attach(tempIndex.Get(), 0, 0);
    CreateFolderPath(backupFolder);
    // A set that could not be examined may hold the next sequence number;
    // writing a second set with it would make entries point at the wrong data.
    bool allSeen = OpenBackupSets(c, backupFolder, plan, nullptr);
    c.index.sequence = c.index.openSets.empty() ? 1 : c.index.openSets.rbegin()->first + 1;
    AttachPreviousIndex(c);
    const std::wstring setPath =
        TrimTrailingBackslashes(backupFolder) + L"\\" + BackupSetFileName(start);
    EngineFile set;
    result = allSeen ? WriteSet(c, plan, folderList, start, setPath, &set) : kResultReadError;
    if (set) {
      ::SetLastError(ERROR_SUCCESS);
      if (!FileSystem().FlushFileBuffers(set.Get()) && result == kResultOk)
        result = DiskFullOr(kResultWriteError);
      set.Reset();
      if (result != kResultOk) FileSystem().DeleteFile(setPath.c_str());
    }
    c.index.writer.Detach();
    tempIndex.Reset();
    FileSystem().DeleteFile(tempPath.c_str());
  }
  // Nothing may point at the buffers, the compressor or the sets once they go.
  c.index = {};
  c.buffers = {};
  c.compressor = nullptr;
  return result;
}

// Compresses the `n` plain bytes and appends them as one block.
uint32_t WriteBlock(CBkupEngine& c, HANDLE set, uint32_t n) {
  const WorkBuffers& b = c.buffers;
  uint32_t packed = b.packedCapacity - kBlockHeaderSize;
  if (!c.compressor->Compress(b.plain, n, b.packed + kBlockHeaderSize, &packed))
    return kResultInvalid;
  _BKUPFILE_BLOCK block = {packed, n};
  std::memcpy(b.packed, &block, kBlockHeaderSize);
  uint32_t bytes = kBlockHeaderSize + packed;
  if (!WriteExactly(set, b.packed, bytes)) return DiskFullOr(kResultWriteError);
  c.index.writePosition += bytes;
  return kResultOk;
}

// Fills the plain buffer with up to one block of the source; *atEnd once
// the source ended.
bool ReadPiece(HANDLE source, unsigned char* buffer, uint32_t* got, bool* atEnd) {
  ReadOutcome r = ReadExactly(source, buffer, kBlockSize, got);
  if (r == ReadOutcome::kShort) *atEnd = true;
  return r != ReadOutcome::kFailed;
}

}  // namespace

uint32_t StoreFile(CBkupEngine& c, const _BKUPFILE_ENTRY& entry, const wchar_t* path,
                   HANDLE set, uint32_t* blocks) {
  *blocks = 0;
  JobProgress& progress = c.progress;
  const uint64_t limit = std::min(progress.done + entry.Size, progress.total);
  if (entry.Sequence != c.index.sequence) return kResultSkipItem;
  uint32_t result = kResultOk;
  EngineFile source(FileSystem().CreateFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                            FILE_FLAG_SEQUENTIAL_SCAN));
  if (!source) result = kResultReadError;
  for (bool atEnd = false; result == kResultOk && !atEnd;) {
    if (ReportProgress(c, kPhaseBackup, nullptr)) {
      result = kResultStopped;
      break;
    }
    uint32_t got = 0;
    if (!ReadPiece(source.Get(), c.buffers.plain, &got, &atEnd)) {
      result = kResultReadError;
      break;
    }
    if (got == 0) break;
    result = WriteBlock(c, set, got);
    if (result != kResultOk) break;
    ++*blocks;
    progress.done = std::min(progress.done + got, limit);
  }
  source.Reset();
  progress.done = limit;
  if (result == kResultOk) WriteLogFileLine(c, path, kLogSuccess);
  return result;
}

uint32_t StoreData(CBkupEngine& c, HANDLE set) {
  IndexRecord record;
  RunCounters& counters = c.counters;
  for (uint64_t o = 0; ReadIndexRecord(c.index.writer, o, &record); o += record.entry.Length) {
    const wchar_t* path = record.path;
    if (ReportProgress(c, kPhaseBackup, path)) return kResultStopped;
    if (record.entry.Attributes & kAttrFolder) {
      ++counters.foldersHandled;
      continue;
    }
    const uint64_t position = c.index.writePosition;
    uint32_t blocks = 0;
    uint32_t result = StoreFile(c, record.entry, path, set, &blocks);
    counters.lastPath.assign(path, record.pathChars);
    if (result == kResultSkipItem) continue;
    if (result == kResultReadError) {
      counters.unreadableFiles.push_back(counters.lastPath);
      continue;  // the entry keeps no data
    }
    if (result != kResultOk) return result;
    counters.bytesStored += record.entry.Size;
    // DataOffset and BlockCount are adjacent: one patch of 12 bytes.
    static_assert(offsetof(_BKUPFILE_ENTRY, BlockCount) ==
                      offsetof(_BKUPFILE_ENTRY, DataOffset) + sizeof(uint64_t), "");
    unsigned char data[sizeof(uint64_t) + sizeof(uint32_t)];
    std::memcpy(data, &position, sizeof(uint64_t));
    std::memcpy(data + sizeof(uint64_t), &blocks, sizeof(uint32_t));
    if (!c.index.writer.Patch(o + offsetof(_BKUPFILE_ENTRY, DataOffset), data, sizeof data))
      return kResultTempIndexError;
  }
  return kResultOk;
}

uint32_t BackupRun(CBkupEngine& c, const BackupRequest& request) {
  c.ResetRun();
  if (request.plan != nullptr && request.logFolder != nullptr)
    OpenRunLogs(c, LogDirection::kBackup, request.logFolder, *request.plan);
  uint32_t result = kResultInvalid;
  if (request.backupFolder != nullptr && request.plan != nullptr &&
      request.folderList != nullptr) {
    c.progress.callback = request.callback;
    c.progress.userData = request.userData;
    c.exclusionList = request.exclusionList;
    result = RunWithBuffers(c, *request.plan, request.folderList, request.backupFolder,
                            request.startTime);
  }
  if (request.unreadableCount != nullptr)
    *request.unreadableCount = c.counters.UnreadableCount();
  CloseRunLogs(c, result);
  c.ResetRun();
  return result;
}

uint32_t BackupJob(const wchar_t* exclusionList, BkupProgressCallback callback, void* userData,
                   int driveIndex, const _BKUP_PLAN* plan, const wchar_t* folderList,
                   uint32_t* unreadableCount, const SYSTEMTIME& startTime) {
  try {
    if (plan == nullptr) return kResultInvalid;
    uint32_t result = CheckDriveAndPlan(driveIndex, *plan);
    if (result != kResultOk) return result;
    const std::wstring backupFolder = BackupFolderPath(driveIndex);
    const std::wstring logFolder = LogFolderPath(driveIndex);
    BackupRequest request;
    request.plan = plan;
    request.folderList = folderList;
    request.backupFolder = backupFolder.c_str();
    request.logFolder = logFolder.c_str();
    request.exclusionList = exclusionList;
    request.callback = callback;
    request.userData = userData;
    request.unreadableCount = unreadableCount;
    request.startTime = startTime;
    CBkupEngine context;
    context.language = AppLanguage();
    context.logging = true;
    return BackupRun(context, request);
  } catch (...) {
    return kResultException;
  }
}

}  // namespace vk
