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

constexpr uint32_t kIndexCopyPiece = kBlockSize;  // index copied in 524,288-byte pieces
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

// 3 when the last failed write ran out of room, else 6.
bool WriteWhole(HANDLE file, const void* data, uint32_t n) {
  ::SetLastError(ERROR_SUCCESS);
  DWORD done = 0;
  return FileSystem().WriteFile(file, data, n, &done) && done == n;
}

// The four work buffers of a run, from the page allocator, zero-filled.
struct WorkBuffers {
  PageBuffer read, compress, indexWriter, previousIndex;
  bool Allocate() {
    return read.Allocate(kWorkBufferSize) && compress.Allocate(kWorkBufferSize) &&
           indexWriter.Allocate(kWorkBufferSize) && previousIndex.Allocate(kWorkBufferSize);
  }
  void Lend(CBkupEngine& c) {
    c.readBuffer = read.Data();
    c.compressBuffer = compress.Data();
    c.readCapacity = c.compressCapacity = kWorkBufferSize;
    c.indexWriter.buffer = indexWriter.Data();
    c.previousIndex.buffer = previousIndex.Data();
    c.indexWriter.bufferSize = c.previousIndex.bufferSize = kWorkBufferSize;
  }
};

// Points the previous index at the index of the newest complete set.
void AttachPreviousIndex(CBkupEngine& c) {
  if (c.openSets.empty()) return;
  const _BACKUP_MAP& newest = c.openSets.rbegin()->second;
  CTFile probe;
  probe.handle = newest.File.Get();
  _BKUPFILE_HEADER header;
  uint32_t got = 0;
  if (!probe.Read(0, &header, kSetHeaderSize, &got) || got != kSetHeaderSize ||
      !IsOurSetHeader(header) || header.IndexSize == 0)
    return;
  c.previousIndex.Attach(newest.File.Get(), header.IndexOffset, header.IndexSize);
}

// Appends the temporary index to the set, then marks the set complete. The
// data and the index reach the disk before the header that declares them.
uint32_t FinishSet(CBkupEngine& c, HANDLE set, _BKUPFILE_HEADER* header) {
  if (!c.indexWriter.Flush()) return kResultTempIndexError;
  header->IndexOffset = c.writePosition;
  header->DataOffset = kSetHeaderSize;
  header->DataSize = c.writePosition - kSetHeaderSize;
  unsigned char* piece = c.indexWriter.buffer;
  for (uint64_t o = 0;;) {
    uint32_t got = 0;
    if (!c.indexWriter.Read(o, piece, kIndexCopyPiece, &got)) return kResultTempIndexError;
    if (got == 0) break;
    if (!WriteWhole(set, piece, got)) return DiskFullOr(kResultWriteError);
    o += got;
    c.writePosition += got;
  }
  header->IndexSize = c.writePosition - header->IndexOffset;
  if (header->IndexSize != c.indexWriter.length) return kResultTempIndexError;
  ::SetLastError(ERROR_SUCCESS);
  if (!FileSystem().FlushFileBuffers(set)) return DiskFullOr(kResultWriteError);
  LARGE_INTEGER zero, now;
  zero.QuadPart = 0;
  if (!FileSystem().SetFilePointerEx(set, zero, &now, FILE_BEGIN) || now.QuadPart != 0)
    return DiskFullOr(kResultWriteError);
  header->Flags |= kSetFlagComplete;
  header->FolderCount = c.folderEntries;
  header->FileCount = c.fileEntries;
  return WriteWhole(set, header, kSetHeaderSize) ? kResultOk : DiskFullOr(kResultWriteError);
}

// Steps of a run that hold the set file; the caller cleans up.
uint32_t WriteSet(CBkupEngine& c, const _BKUP_PLAN& plan, const wchar_t* folderList,
                  const SYSTEMTIME& start, const std::wstring& setPath, EngineFile* set) {
  set->Reset(FileSystem().CreateFile(setPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
  if (!*set) return DiskFullOr(kResultWriteError);
  _BKUPFILE_HEADER header = InitialSetHeader(plan, c.sequence, start);
  if (!WriteWhole(set->Get(), &header, kSetHeaderSize)) return DiskFullOr(kResultWriteError);
  c.writePosition = kSetHeaderSize;
  uint32_t result = WalkSources(c, folderList);
  if (result == kResultOk) result = StoreData(c, set->Get());
  if (result == kResultOk) result = FinishSet(c, set->Get(), &header);
  return result;
}

uint32_t RunWithBuffers(CBkupEngine& c, const _BKUP_PLAN& plan, const wchar_t* folderList,
                        const std::wstring& backupFolder, const SYSTEMTIME& start) {
  WorkBuffers buffers;
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
    c.indexWriter.Attach(tempIndex.Get(), 0, 0);
    CreateFolderPath(backupFolder);
    // A set that could not be examined may hold the next sequence number;
    // writing a second set with it would make entries point at the wrong data.
    bool allSeen = OpenBackupSets(c, backupFolder, plan, nullptr);
    c.sequence = c.openSets.empty() ? 1 : c.openSets.rbegin()->first + 1;
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
    c.indexWriter.Detach();
    tempIndex.Reset();
    FileSystem().DeleteFile(tempPath.c_str());
  }
  c.previousIndex.Detach();
  c.openSets.clear();
  c.readBuffer = c.compressBuffer = nullptr;
  c.compressor = nullptr;
  c.indexWriter.buffer = c.previousIndex.buffer = nullptr;
  return result;
}

// Compresses the `n` bytes in the read buffer and appends them as one block.
uint32_t WriteBlock(CBkupEngine& c, HANDLE set, uint32_t n) {
  uint32_t packed = c.compressCapacity - kBlockHeaderSize;
  if (!c.compressor->Compress(c.readBuffer, n, c.compressBuffer + kBlockHeaderSize, &packed))
    return kResultInvalid;
  _BKUPFILE_BLOCK block = {packed, n};
  std::memcpy(c.compressBuffer, &block, kBlockHeaderSize);
  uint32_t bytes = kBlockHeaderSize + packed;
  if (!WriteWhole(set, c.compressBuffer, bytes)) return DiskFullOr(kResultWriteError);
  c.writePosition += bytes;
  return kResultOk;
}

// Fills the read buffer with up to one block of the source; *atEnd once a
// read returned nothing.
bool ReadPiece(HANDLE source, unsigned char* buffer, uint32_t* got, bool* atEnd) {
  *got = 0;
  while (*got < kBlockSize) {
    DWORD n = 0;
    if (!FileSystem().ReadFile(source, buffer + *got, kBlockSize - *got, &n)) return false;
    if (n == 0) {
      *atEnd = true;
      break;
    }
    *got += n;
  }
  return true;
}

}  // namespace

uint32_t StoreFile(CBkupEngine& c, const _BKUPFILE_ENTRY& entry, const wchar_t* path,
                   HANDLE set, uint32_t* blocks) {
  *blocks = 0;
  const uint64_t limit = std::min(c.bytesDone + entry.Size, c.bytesTotal);
  if (entry.Sequence != c.sequence) return kResultSkipItem;
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
    if (!ReadPiece(source.Get(), c.readBuffer, &got, &atEnd)) {
      result = kResultReadError;
      break;
    }
    if (got == 0) break;
    result = WriteBlock(c, set, got);
    if (result != kResultOk) break;
    ++*blocks;
    c.bytesDone = std::min(c.bytesDone + got, limit);
  }
  source.Reset();
  c.bytesDone = limit;
  if (result == kResultOk) WriteLogFileLine(c, LogDirection::kBackup, path, kLogSuccess);
  return result;
}

uint32_t StoreData(CBkupEngine& c, HANDLE set) {
  IndexRecord record;
  for (uint64_t o = 0; ReadIndexRecord(c.indexWriter, o, &record); o += record.entry.Length) {
    const wchar_t* path = record.path;
    if (ReportProgress(c, kPhaseBackup, path)) return kResultStopped;
    if (record.entry.Attributes & kAttrFolder) {
      ++c.foldersHandled;
      continue;
    }
    const uint64_t position = c.writePosition;
    uint32_t blocks = 0;
    uint32_t result = StoreFile(c, record.entry, path, set, &blocks);
    c.lastPath.assign(path, record.pathChars);
    if (result == kResultSkipItem) continue;
    if (result == kResultReadError) {
      c.unreadableFiles.push_back(c.lastPath);
      ++c.unreadableCount;
      continue;  // the entry keeps no data
    }
    if (result != kResultOk) return result;
    c.bytesStored += record.entry.Size;
    // DataOffset and BlockCount are adjacent: one patch of 12 bytes.
    static_assert(offsetof(_BKUPFILE_ENTRY, BlockCount) ==
                      offsetof(_BKUPFILE_ENTRY, DataOffset) + sizeof(uint64_t), "");
    unsigned char data[sizeof(uint64_t) + sizeof(uint32_t)];
    std::memcpy(data, &position, sizeof(uint64_t));
    std::memcpy(data + sizeof(uint64_t), &blocks, sizeof(uint32_t));
    if (!c.indexWriter.Patch(o + offsetof(_BKUPFILE_ENTRY, DataOffset), data, sizeof data))
      return kResultTempIndexError;
  }
  return kResultOk;
}

uint32_t BackupRun(const _BKUP_PLAN* plan, const wchar_t* folderList, CBkupEngine& c,
                   const wchar_t* backupFolder, const wchar_t* logFolder,
                   BkupProgressCallback callback, void* userData, uint32_t* unreadableCount,
                   const wchar_t* exclusionList, const SYSTEMTIME& start) {
  c.Reset();
  if (plan != nullptr && logFolder != nullptr)
    OpenRunLogs(c, LogDirection::kBackup, logFolder, *plan);
  uint32_t result = kResultInvalid;
  if (backupFolder != nullptr && plan != nullptr && folderList != nullptr) {
    c.backupFolder = backupFolder;
    c.callback = callback;
    c.userData = userData;
    c.exclusionList = exclusionList;
    result = RunWithBuffers(c, *plan, folderList, backupFolder, start);
  }
  if (unreadableCount != nullptr) *unreadableCount = c.unreadableCount;
  CloseRunLogs(c, LogDirection::kBackup, result);
  c.Reset();
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
    CBkupEngine context;
    context.language = AppLanguage();
    context.logging = true;
    return BackupRun(plan, folderList, context, backupFolder.c_str(), logFolder.c_str(),
                     callback, userData, unreadableCount, exclusionList, startTime);
  } catch (...) {
    return kResultException;
  }
}

}  // namespace vk
