#include "restore/RestoreRun.h"

#include <string>
#include <vector>

#include "engine/EngineUtil.h"
#include "engine/FileSystem.h"
#include "engine/TargetVolume.h"
#include "common/Texts.h"
#include "restore/Catalogue.h"
#include "restore/DataBlock.h"
#include "engine/LogFiles.h"
#include "restore/RestorePath.h"

namespace vk {
namespace {

// Attributes a restored file or folder may receive from an index record;
// the rest (folder bit, reparse points, compression, ...) is the file
// system's own business and an untrusted record must not ask for it.
constexpr DWORD kRestorableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                        FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                        FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr int kTempNameTries = 64;
// The smallest index record: the fixed part and an empty, terminated path.
constexpr uint64_t kMinRecordSize = kEntryFixedSize + sizeof(wchar_t);

enum Pass { kSizePass, kFirstPass, kSecondPass };

uint64_t SaturatingAdd(uint64_t a, uint64_t b) { return a + b < a ? UINT64_MAX : a + b; }

// Whether the target exists: its attribute data can be read.
bool Exists(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA* data = nullptr) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  return FileSystem().GetFileAttributesEx(path.c_str(), data ? data : &info) != FALSE;
}

// Gives a written file its time and attributes and closes it. Both go in one
// call on the open handle, so the file is not opened a second time by its
// path; should the volume refuse that call, the two separate calls do it.
void FinishFile(const _BKUPFILE_ENTRY& entry, EngineFile& file, const std::wstring& path) {
  const DWORD attributes = entry.Attributes & kRestorableAttributes;
  FILE_BASIC_INFO info = {};  // zero times: left as they are
  info.LastWriteTime.QuadPart = static_cast<LONGLONG>(entry.LastWriteTime);
  // As SetFileAttributes does: "normal" beside the others, and alone it
  // clears them all.
  info.FileAttributes = attributes | FILE_ATTRIBUTE_NORMAL;
  if (FileSystem().SetFileInformationByHandle(file.Get(), FileBasicInfo, &info, sizeof info)) {
    file.Reset();
    return;
  }
  FILETIME written = AsFileTime(entry.LastWriteTime);
  FileSystem().SetFileTime(file.Get(), nullptr, nullptr, &written);
  file.Reset();
  FileSystem().SetFileAttributes(path.c_str(), attributes);
}

std::wstring FolderOf(const std::wstring& path) {
  SplitPathParts parts = SplitPath(path);
  return parts.drive + parts.folder;
}

class RestoreWalker {
 public:
  RestoreWalker(CBkupEngine& context, const RestoreRequest& request)
      : context_(context), request_(request) {}

  BkupResult WalkSelection(Pass pass);
  // The index named a path past the limits: the run cannot end as a success.
  bool Damaged() const { return damaged_; }

 private:
  BkupResult WalkTree(const std::wstring& selected, Pass pass);
  BkupResult RestoreEntry(IndexRecord& record, uint64_t offset, const std::wstring& selected,
                          Pass pass);
  BkupResult WriteBack(const _BKUPFILE_ENTRY& entry, uint64_t offset);
  BkupResult RestoreItem(const _BKUPFILE_ENTRY& entry, const std::wstring& target, Pass pass);
  BkupResult RestoreNewFile(const _BKUPFILE_ENTRY& entry, const std::wstring& target);
  BkupResult RestoreExistingFile(const _BKUPFILE_ENTRY& entry, const std::wstring& target);
  BkupResult AskOverwrite(const _BKUPFILE_ENTRY& entry, const std::wstring& target,
                          int32_t* choice);
  BkupResult WriteData(const _BKUPFILE_ENTRY& entry, HANDLE target, uint64_t limit);
  BkupResult CreateTarget(const std::wstring& path, EngineFile* file);
  std::wstring MakeTempFile(const std::wstring& folder);
  BkupResult ReplaceTarget(const std::wstring& temp, const std::wstring& target, DWORD attributes);
  bool CrossesForeignLink(const std::wstring& target) const;
  void NoteUnwritable(const std::wstring& path);

  CBkupEngine& context_;
  const RestoreRequest& request_;
  std::vector<uint64_t> pending_;  // next-sibling offsets of the levels above
  std::wstring knownFolder_;       // the folder of the last file, known to exist
  bool damaged_ = false;
};

BkupResult RestoreWalker::WalkSelection(Pass pass) {
  // A folder seen in an earlier pass may have been removed since.
  knownFolder_.clear();
  for (const wchar_t* s = request_.selection; *s; s += wcslen(s) + 1) {
    BkupResult r = WalkTree(s, pass);
    if (r != kResultOk) return r;
  }
  return kResultOk;
}

// Depth first over the index from the first root record, descending only
// into folders on the way to or inside the selection. Iterative, so a deep
// or crafted index cannot exhaust the stack. Links only point forward, and
// the walk visits no more records than the index can hold, so a crafted
// index whose folders share children cannot make it run away.
BkupResult RestoreWalker::WalkTree(const std::wstring& selected, Pass pass) {
  uint64_t budget = context_.index.previous.length / kMinRecordSize + 1;
  pending_.clear();
  uint64_t offset = 0;
  bool atRoot = true;
  for (;;) {
    if (offset == 0 && !atRoot) {
      if (pending_.empty()) return kResultOk;
      offset = pending_.back();
      pending_.pop_back();
      continue;
    }
    atRoot = false;
    IndexRecord record;
    // Once spent, the budget stays spent: every level still pending ends too.
    if (budget == 0 || !ReadIndexRecord(context_.index.previous, offset, &record)) {
      offset = 0;
      continue;
    }
    --budget;
    std::wstring path(record.path, record.pathChars);
    uint64_t sibling = record.entry.NextSibling;
    uint64_t child = record.entry.FirstChild;
    BkupResult r = RestoreEntry(record, offset, selected, pass);
    if (r != kResultOk) return r;
    if (child != 0 && IsOnWayToSelection(path, selected)) {
      pending_.push_back(sibling);
      offset = child;
    } else {
      offset = sibling;
    }
  }
}

BkupResult RestoreWalker::WriteBack(const _BKUPFILE_ENTRY& entry, uint64_t offset) {
  return context_.index.previous.Patch(offset, &entry, kEntryFixedSize) ? kResultOk
                                                                       : kResultTempIndexError;
}

void RestoreWalker::NoteUnwritable(const std::wstring& path) {
  context_.counters.unreadableFiles.push_back(path);
}

BkupResult RestoreWalker::RestoreEntry(IndexRecord& record, uint64_t offset,
                                       const std::wstring& selected, Pass pass) {
  _BKUPFILE_ENTRY& entry = record.entry;
  std::wstring path(record.path, record.pathChars);
  if (!IsInSelection(path, selected)) return kResultOk;
  bool isFolder = (entry.Attributes & kAttrFolder) != 0;
  if (pass == kSizePass) {
    if (!isFolder && entry.DataOffset != 0)
      context_.progress.total = SaturatingAdd(context_.progress.total, entry.Size);
    return kResultOk;
  }
  const bool fits = IsWithinPathLimits(path);
  if (!fits || !IsRestorablePath(path)) {
    // Never restored: a path that could leave its target, or one longer or
    // deeper than any the system makes (damage). Listed once.
    if (pass == kFirstPass && (isFolder || entry.DataOffset != 0)) NoteUnwritable(path);
    if (!fits) damaged_ = true;
    entry.DataOffset = 0;
    entry.BlockCount = 0;
    return WriteBack(entry, offset);
  }
  std::wstring target = MakeTargetPath(path, request_.newLocation);
  BkupResult r = RestoreItem(entry, target, pass);
  RunCounters& counters = context_.counters;
  counters.lastPath = target;
  switch (r) {
    case kResultOk:
      if (isFolder) ++counters.foldersHandled;
      counters.bytesStored = SaturatingAdd(counters.bytesStored, isFolder ? 0 : entry.Size);
      break;
    case kResultWriteError:
      NoteUnwritable(target);
      break;
    case kResultSkipItem:
      return WriteBack(entry, offset);
    default:
      entry.DataOffset = 0;
      entry.BlockCount = 0;
      return r;
  }
  entry.DataOffset = 0;
  entry.BlockCount = 0;
  return WriteBack(entry, offset);
}

// Under a new location every folder is one the restore makes, so a reparse
// point between the location and `target` (or at `target`) was put there by
// someone else, and following it would write wherever it leads. The location
// itself is the user's choice and is followed; so are the user's own
// junctions when restoring to the original place.
bool RestoreWalker::CrossesForeignLink(const std::wstring& target) const {
  const wchar_t* location = request_.newLocation;
  if (location == nullptr || location[0] == 0) return false;
  size_t from = TrimTrailingBackslashes(location).size() + 1;
  while (from < target.size()) {
    size_t end = target.find(L'\\', from);
    if (end == std::wstring::npos) end = target.size();
    DWORD a = FileSystem().GetFileAttributes(target.substr(0, end).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return false;  // the rest is made by the restore
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    from = end + 1;
  }
  return false;
}

BkupResult RestoreWalker::RestoreItem(const _BKUPFILE_ENTRY& entry, const std::wstring& target,
                                      Pass pass) {
  if (ReportProgress(context_, kPhaseRestore, target.c_str())) return kResultStopped;
  if (entry.Attributes & kAttrFolder) {
    if (pass == kSecondPass) return kResultSkipItem;
    if (CrossesForeignLink(target)) return kResultWriteError;
    if (FileSystem().GetFileAttributes(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
      CreateFolderPath(target);  // failures show up as files that cannot be written
      FileSystem().SetFileAttributes(target.c_str(), entry.Attributes & kRestorableAttributes);
    }
    return kResultOk;
  }
  if (entry.DataOffset == 0) return kResultSkipItem;
  // Files of one folder follow each other in the index: the folder is looked
  // at once, not for every file.
  std::wstring folder = FolderOf(target);
  if (folder != knownFolder_) {
    if (CrossesForeignLink(TrimTrailingBackslashes(folder))) return kResultWriteError;
    if (FileSystem().GetFileAttributes(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
      CreateFolderPath(folder);
    knownFolder_ = folder;
  }
  return pass == kFirstPass ? RestoreNewFile(entry, target) : RestoreExistingFile(entry, target);
}

BkupResult RestoreWalker::CreateTarget(const std::wstring& path, EngineFile* file) {
  file->Reset(FileSystem().CreateFile(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
  return file->Valid() ? kResultOk : DiskFullOr(kResultWriteError);
}

BkupResult RestoreWalker::WriteData(const _BKUPFILE_ENTRY& entry, HANDLE target,
                                    uint64_t limit) {
  auto set = context_.index.openSets.find(entry.Sequence);
  if (set == context_.index.openSets.end() || (set->second.Header.Flags & kSetFlagCreated) == 0)
    return kResultInvalid;
  HANDLE archive = set->second.File.Get();
  const uint64_t dataEnd = set->second.Header.IndexOffset;
  // Data said to lie past the data area is damage to the index, whether or
  // not the system would let the seek go there.
  if (entry.BlockCount != 0 && entry.DataOffset >= dataEnd) return kResultInvalid;
  if (!SeekTo(archive, entry.DataOffset)) return DiskFullOr(kResultReadError);
  const WorkBuffers& buffers = context_.buffers;
  JobProgress& progress = context_.progress;
  uint64_t position = entry.DataOffset;
  for (uint32_t block = 0; block < entry.BlockCount; ++block) {
    if (ReportProgress(context_, kPhaseRestore, nullptr)) return kResultStopped;
    uint32_t produced = 0;
    BkupResult r = ReadDataBlock(archive, &position, dataEnd, buffers, &produced);
    if (r != kResultOk) return r;
    if (!WriteExactly(target, buffers.plain, produced)) return DiskFullOr(kResultWriteError);
    uint64_t done = SaturatingAdd(progress.done, produced);
    progress.done = done < limit ? done : limit;
  }
  return kResultOk;
}

BkupResult RestoreWalker::RestoreNewFile(const _BKUPFILE_ENTRY& entry,
                                         const std::wstring& target) {
  JobProgress& progress = context_.progress;
  uint64_t limit = SaturatingAdd(progress.done, entry.Size);
  if (limit > progress.total) limit = progress.total;
  // Created only if it does not exist yet: one call both tests and creates.
  EngineFile file(FileSystem().CreateFile(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
  BkupResult r = kResultOk;
  if (!file) {
    DWORD error = ::GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || Exists(target)) {
      ++context_.counters.conflictCount;  // decided in the second pass
      return kResultSkipItem;
    }
    ::SetLastError(error);
    r = DiskFullOr(kResultWriteError);
  }
  if (r == kResultOk) {
    r = WriteData(entry, file.Get(), limit);
    if (r == kResultOk) {
      FinishFile(entry, file, target);
    } else {
      file.Reset();
      FileSystem().DeleteFile(target.c_str());
    }
  }
  progress.done = limit;
  if (r == kResultOk) WriteLogFileLine(context_, target.c_str(), kLogSuccess);
  return r;
}

BkupResult RestoreWalker::AskOverwrite(const _BKUPFILE_ENTRY& entry, const std::wstring& target,
                                       int32_t* choice) {
  WIN32_FILE_ATTRIBUTE_DATA current = {};
  *choice = kChoiceNone;
  if (!Exists(target, &current)) return kResultOk;  // gone since: write it, no question
  // A link in place of the file would be written through.
  if ((current.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && CrossesForeignLink(target))
    return kResultWriteError;
  _OVERWRITE_QUERY query = {};
  const uint32_t conflicts = context_.counters.conflictCount;
  query.remaining = conflicts > 0 ? static_cast<int32_t>(conflicts) : 1;
  query.targetPath = target.c_str();
  query.backupTime = AsFileTime(entry.LastWriteTime);
  query.backupSize = entry.Size;
  query.currentTime = current.ftLastWriteTime;
  query.currentSize = JoinHalves(current.nFileSizeHigh, current.nFileSizeLow);
  query.choice = kChoiceNone;
  if (ReportProgress(context_, kPhaseOverwriteQuery, reinterpret_cast<const wchar_t*>(&query)))
    return kResultStopped;
  // Only an explicit "replace" writes over an existing file: a question
  // nobody answered must not cost the user the file.
  *choice = query.choice == kChoiceReplace ? kChoiceReplace : kChoiceSkip;
  return kResultOk;
}

std::wstring RestoreWalker::MakeTempFile(const std::wstring& folder) {
  DWORD seed = ::GetTickCount() ^ (::GetCurrentProcessId() << 16);
  for (int i = 0; i < kTempNameTries; ++i) {
    std::wstring name = folder + FormatText(L"%X.tmp", (seed + i) & 0xFFFF);
    EngineFile h(FileSystem().CreateFile(name.c_str(), GENERIC_WRITE, 0, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL));
    if (h) return name;
    if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS)
      break;
  }
  return std::wstring();
}

// Moves the finished copy over the existing file in one step: the existing
// file stays whole until the new one is in its place.
BkupResult RestoreWalker::ReplaceTarget(const std::wstring& temp, const std::wstring& target,
                                        DWORD attributes) {
  DWORD old = FileSystem().GetFileAttributes(target.c_str());
  FileSystem().SetFileAttributes(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!FileSystem().MoveFileEx(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    if (old != INVALID_FILE_ATTRIBUTES) FileSystem().SetFileAttributes(target.c_str(), old);
    return kResultWriteError;
  }
  FileSystem().SetFileAttributes(target.c_str(), attributes);
  return kResultOk;
}

BkupResult RestoreWalker::RestoreExistingFile(const _BKUPFILE_ENTRY& entry,
                                              const std::wstring& target) {
  JobProgress& progress = context_.progress;
  uint64_t limit = SaturatingAdd(progress.done, entry.Size);
  if (limit > progress.total) limit = progress.total;
  int32_t choice = kChoiceNone;
  std::wstring temp;
  BkupResult r = AskOverwrite(entry, target, &choice);
  if (r == kResultOk && choice == kChoiceSkip) r = kResultSkipItem;
  if (r == kResultOk) {
    if (choice == kChoiceReplace) {
      std::wstring folder = FolderOf(target);
      DWORD a = FileSystem().GetFileAttributes(folder.c_str());
      if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) temp = MakeTempFile(folder);
    }
    const std::wstring& writePath = temp.empty() ? target : temp;
    EngineFile file;
    r = CreateTarget(writePath, &file);
    if (r == kResultOk) {
      r = WriteData(entry, file.Get(), limit);
      if (r == kResultOk) {
        if (!temp.empty()) {
          // The copy in the temporary file gets its attributes only once it
          // has replaced the file: a read-only copy could not be moved over.
          FILETIME written = AsFileTime(entry.LastWriteTime);
          FileSystem().SetFileTime(file.Get(), nullptr, nullptr, &written);
          file.Reset();
          r = ReplaceTarget(temp, target, entry.Attributes & kRestorableAttributes);
        } else {
          FinishFile(entry, file, target);
        }
      } else {
        file.Reset();
        FileSystem().DeleteFile(writePath.c_str());
      }
    }
  }
  if (!temp.empty()) FileSystem().DeleteFile(temp.c_str());
  progress.done = limit;
  if (context_.counters.conflictCount > 0) --context_.counters.conflictCount;
  if (r == kResultOk || r == kResultSkipItem) {
    LogTextId kind = choice == kChoiceReplace ? kLogOverwrite
                     : choice == kChoiceSkip  ? kLogSkip
                                              : kLogSuccess;
    WriteLogFileLine(context_, target.c_str(), kind);
  }
  return r;
}

// The run's work areas and its temporary index, released in every outcome.
struct RunResources {
  BlockBufferPair blocks;
  PageBuffer entries;
  EngineFile tempIndex;
  std::wstring tempIndexPath;
  ~RunResources() {
    tempIndex.Reset();
    if (!tempIndexPath.empty()) FileSystem().DeleteFile(tempIndexPath.c_str());
  }
};

BkupResult PrepareRun(CBkupEngine& context, const RestoreRequest& request, RunResources& res) {
  if (request.backupFolder == nullptr || request.plan == nullptr || request.selection == nullptr)
    return kResultInvalid;
  context.progress.callback = request.callback;
  context.progress.userData = request.userData;
  if (!res.blocks.Allocate() || !res.entries.Allocate(kWorkBufferSize)) return kResultNoMemory;
  context.buffers = res.blocks.View();
  res.tempIndexPath = TempIndexPath();
  res.tempIndex.Reset(FileSystem().CreateFile(
      res.tempIndexPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS,
      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE));
  if (!res.tempIndex) return kResultTempIndexError;
  CTFile& window = context.index.previous;
  window.buffer = res.entries.Data();
  window.bufferSize = kWorkBufferSize;
  window.Attach(res.tempIndex.Get(), 0, 0);
  return kResultOk;
}

BkupResult RunPasses(CBkupEngine& context, const RestoreRequest& request) {
  // A set that could not be read must not make the run quietly restore an
  // older state in its place.
  FILETIME limit;
  if (!OpenBackupSets(context, request.backupFolder, *request.plan,
                      RestoreLimit(request.limit, &limit)))
    return DiskFullOr(kResultReadError);
  if (context.index.openSets.empty()) return kResultInvalid;
  // An index that could be copied only in part is restored as far as it goes,
  // but the run does not end as a success.
  BkupResult shortCopy = kResultOk;
  BkupResult r =
      CopyIndexToTemp(context.index.openSets.rbegin()->second.File.Get(), context, &shortCopy);
  if (r != kResultOk) return r;
  RestoreWalker walker(context, request);
  r = walker.WalkSelection(kSizePass);
  if (r != kResultOk) return r;
  if (request.sizeOutput != nullptr) {
    // What a run would write, for the free-space check: a short index is
    // reported by the run that restores it.
    *request.sizeOutput = context.progress.total;
    return kResultOk;
  }
  r = walker.WalkSelection(kFirstPass);
  if (r == kResultOk) r = walker.WalkSelection(kSecondPass);
  if (r != kResultOk) return r;
  if (shortCopy != kResultOk) return shortCopy;
  return walker.Damaged() ? kResultInvalid : kResultOk;
}

BkupResult RunJob(int driveIndex, const _BKUP_PLAN* plan, RestoreRequest request, bool logging) {
  if (plan == nullptr) return kResultInvalid;
  BkupResult r = CheckDriveAndPlan(driveIndex, *plan);
  if (r != kResultOk) return r;
  std::wstring backupFolder = BackupFolderPath(driveIndex);
  std::wstring logFolder = LogFolderPath(driveIndex);
  request.plan = plan;
  request.backupFolder = backupFolder.c_str();
  request.logFolder = logFolder.c_str();
  CBkupEngine context;
  context.language = AppLanguage();
  context.logging = logging;
  return RestoreRun(context, request);
}

}  // namespace

BkupResult RestoreRun(CBkupEngine& context, const RestoreRequest& request) {
  context.ResetRun();
  if (context.logging && request.plan && request.logFolder)
    OpenRunLogs(context, LogDirection::kRestore, request.logFolder, *request.plan);
  BkupResult r;
  {
    RunResources resources;
    r = PrepareRun(context, request, resources);
    if (r == kResultOk) r = RunPasses(context, request);
    // Nothing may point at the buffers or the sets once they go.
    context.index = {};
    context.buffers = {};
  }
  if (request.unreadableCount != nullptr)
    *request.unreadableCount = context.counters.UnreadableCount();
  if (context.logging) CloseRunLogs(context, r);
  context.ResetRun();
  return r;
}

BkupResult RestoreJob(int driveIndex, const _BKUP_PLAN* plan, const wchar_t* selection,
                      const wchar_t* newLocation, BkupProgressCallback callback,
                      void* userData, uint32_t* unreadableCount, const SYSTEMTIME* limit) {
  try {
    RestoreRequest request;
    request.selection = selection;
    request.newLocation = newLocation;
    request.callback = callback;
    request.userData = userData;
    request.unreadableCount = unreadableCount;
    request.limit = limit;
    return RunJob(driveIndex, plan, request, true);
  } catch (...) {
    return kResultException;
  }
}

BkupResult MeasureRestore(const SYSTEMTIME* limit, uint64_t* size, int driveIndex,
                          const _BKUP_PLAN* plan, const wchar_t* selection) {
  try {
    uint64_t measured = 0;
    RestoreRequest request;
    request.selection = selection;
    request.limit = limit;
    request.sizeOutput = &measured;
    BkupResult r = RunJob(driveIndex, plan, request, false);
    if (r == kResultOk && size != nullptr) *size = measured;
    return r;
  } catch (...) {
    return kResultException;
  }
}

}  // namespace vk
