#include "engine/BackupRun.h"

#include <algorithm>
#include <cstring>

#include "common/Handle.h"
#include "engine/BkupArchive.h"
#include "engine/BlockPipeline.h"
#include "engine/EngineUtil.h"
#include "engine/FileSystem.h"
#include "engine/PlanFile.h"
#include "engine/TargetVolume.h"
#include "common/Texts.h"
#include "engine/LogFiles.h"

namespace vk {
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

constexpr uint64_t kNoFile = UINT64_MAX;  // index offset of no entry

// Writes the blocks the pipeline hands back into the set, in their order, on
// the run's thread. At a file's mark every block of the file is in the set:
// the file's entry gets its data, and the log its line.
class SetWriter : public BlockSink {
 public:
  SetWriter(CBkupEngine& c, HANDLE set) : c_(c), set_(set), fileStart_(c.index.writePosition) {}

  BkupResult WriteBlock(uint64_t entry, const unsigned char* framed, uint32_t bytes) override {
    if (!WriteExactly(set_, framed, bytes)) return EndsAt(entry, DiskFullOr(kResultWriteError));
    c_.index.writePosition += bytes;
    ++fileBlocks_;
    return kResultOk;
  }
  BkupResult CompressFailed(uint64_t entry, BkupResult why) override { return EndsAt(entry, why); }
  BkupResult Marked(uint64_t entry, uint32_t outcome) override;

  // The entry of the file at which the writing failed, or kNoFile.
  uint64_t FailedAt() const { return failedAt_; }

 private:
  BkupResult EndsAt(uint64_t entry, BkupResult why) {
    failedAt_ = entry;
    return why;
  }

  CBkupEngine& c_;
  HANDLE set_;
  uint64_t fileStart_;       // where the blocks of the file being written began
  uint32_t fileBlocks_ = 0;  // blocks of that file written so far
  uint64_t failedAt_ = kNoFile;
};

// A stored file's blocks follow each other from where the last file's ended
// (the blocks of a file that could not be read stay there, unreferenced).
BkupResult SetWriter::Marked(uint64_t entry, uint32_t outcome) {
  const uint64_t start = fileStart_;
  const uint32_t blocks = fileBlocks_;
  fileStart_ = c_.index.writePosition;
  fileBlocks_ = 0;
  IndexRecord record;
  if (!ReadIndexRecord(c_.index.writer, entry, &record)) return EndsAt(entry, kResultTempIndexError);
  RunCounters& counters = c_.counters;
  if (outcome == kResultReadError) {
    counters.unreadableFiles.emplace_back(record.path, record.pathChars);
    return kResultOk;  // the entry keeps no data
  }
  counters.bytesStored += record.entry.Size;
  WriteLogFileLine(c_, record.path, kLogSuccess);
  // DataOffset and BlockCount are adjacent: one patch of 12 bytes.
  static_assert(offsetof(_BKUPFILE_ENTRY, BlockCount) ==
                    offsetof(_BKUPFILE_ENTRY, DataOffset) + sizeof(uint64_t), "");
  unsigned char data[sizeof(uint64_t) + sizeof(uint32_t)];
  std::memcpy(data, &start, sizeof(uint64_t));
  std::memcpy(data + sizeof(uint64_t), &blocks, sizeof(uint32_t));
  if (!c_.index.writer.Patch(entry + offsetof(_BKUPFILE_ENTRY, DataOffset), data, sizeof data))
    return EndsAt(entry, kResultTempIndexError);
  return kResultOk;
}

// The log's last path: the path of the entry at `offset`, if any.
void NoteLastPath(CBkupEngine& c, uint64_t offset) {
  IndexRecord record;
  if (offset != kNoFile && ReadIndexRecord(c.index.writer, offset, &record))
    c.counters.lastPath.assign(record.path, record.pathChars);
}

// Fills `buffer` with up to one block of the source; *atEnd once the source
// ended.
bool ReadPiece(HANDLE source, unsigned char* buffer, uint32_t* got, bool* atEnd) {
  ReadOutcome r = ReadExactly(source, buffer, kBlockSize, got);
  if (r == ReadOutcome::kShort) *atEnd = true;
  return r != ReadOutcome::kFailed;
}

}  // namespace

uint32_t StoreFile(CBkupEngine& c, BlockPipeline& pipeline, const _BKUPFILE_ENTRY& entry,
                   const wchar_t* path, uint64_t offset) {
  if (entry.Sequence != c.index.sequence) return kResultOk;  // its data is in an earlier set
  JobProgress& progress = c.progress;
  const uint64_t limit = std::min(progress.done + entry.Size, progress.total);
  BkupResult outcome = kResultOk;  // of the file: 0, or 5 when it cannot be read
  BkupResult r = kResultOk;        // of the run
  EngineFile source(FileSystem().CreateFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                            FILE_FLAG_SEQUENTIAL_SCAN));
  if (!source) outcome = kResultReadError;
  for (bool atEnd = false; outcome == kResultOk && r == kResultOk && !atEnd;) {
    if (ReportProgress(c, kPhaseBackup, nullptr)) {
      r = kResultStopped;
      break;
    }
    unsigned char* in = nullptr;
    r = pipeline.NextInput(&in);
    if (r != kResultOk) break;
    uint32_t got = 0;
    if (!ReadPiece(source.Get(), in, &got, &atEnd)) {
      outcome = kResultReadError;
      break;
    }
    if (got == 0) break;
    r = pipeline.Submit(got, offset);
    progress.done = std::min(progress.done + got, limit);
  }
  source.Reset();
  progress.done = limit;
  return r != kResultOk ? r : pipeline.Mark(offset, outcome);
}

uint32_t StoreData(CBkupEngine& c, HANDLE set) {
  SetWriter writer(c, set);
  BlockPipeline pipeline(writer, CompressWorkers(), *c.compressor, c.buffers.plain,
                         c.buffers.packed);
  CTFile& index = c.index.writer;
  IndexRecord record;
  uint64_t lastFile = kNoFile;  // the last file entry this pass met
  uint32_t r = kResultOk;
  for (uint64_t o = 0; r == kResultOk && o < index.length; o += record.entry.Length) {
    // Every record of our own index reads back: one that does not is a
    // failed read, and the files after it must not go without data.
    if (!ReadIndexRecord(index, o, &record)) {
      r = kResultTempIndexError;
    } else if (ReportProgress(c, kPhaseBackup, record.path)) {
      r = kResultStopped;
    } else if (record.entry.Attributes & kAttrFolder) {
      ++c.counters.foldersHandled;
    } else {
      lastFile = o;
      r = StoreFile(c, pipeline, record.entry, record.path, o);
    }
  }
  if (r == kResultOk) r = pipeline.Drain();
  pipeline.Abandon();  // after a stop or a failure: nothing more is written
  // The log names the file the pass ended in: the one whose writing failed,
  // else the last one met (the reader may have been ahead of the writer).
  NoteLastPath(c, writer.FailedAt() != kNoFile ? writer.FailedAt() : lastFile);
  return r;
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
