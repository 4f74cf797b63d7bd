// The job context: one per engine job, created by the job's entry point on
// the job thread and destroyed when it returns.
//
// Besides the two settings the entry point makes, everything a run keeps
// lives in one of the parts below, and each part is cleared whole with
// `= {}`: a field added to a part is reset with it, and no list of fields has
// to be kept in step by hand.
#pragma once
#include <windows.h>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/Handle.h"
#include "engine/BkupTypes.h"
#include "engine/TFile.h"
#include "engine/TextFile.h"

namespace vk {

class BlockCompressor;

enum class LogDirection { kBackup, kRestore };

// The progress callback and the counters it is shown.
struct JobProgress {
  BkupProgressCallback callback = nullptr;
  void* userData = nullptr;
  uint64_t done = 0;   // source bytes handled so far by the data pass
  uint64_t total = 0;  // bytes the data pass will handle
};

// The two block buffers of a run, named for what they hold in either
// direction. The memory belongs to a BlockBufferPair (or any other owner);
// this is only the view a job works through.
struct WorkBuffers {
  // A block's file bytes: read from a source file (backup), inflated from
  // a set (restore). At least kBlockSize bytes.
  unsigned char* plain = nullptr;
  uint32_t plainCapacity = 0;
  // A block's compressed bytes: deflated behind the block header (backup),
  // read from a set (restore).
  unsigned char* packed = nullptr;
  uint32_t packedCapacity = 0;
};

// Owner of one pair of block buffers, kWorkBufferSize bytes each from the
// page allocator, zero-filled; released with the owner.
class BlockBufferPair {
 public:
  bool Allocate() {
    return plain_.Allocate(kWorkBufferSize) && packed_.Allocate(kWorkBufferSize);
  }
  WorkBuffers View() const {
    WorkBuffers v;
    v.plain = plain_.Data();
    v.plainCapacity = plain_.Data() ? kWorkBufferSize : 0;
    v.packed = packed_.Data();
    v.packedCapacity = packed_.Data() ? kWorkBufferSize : 0;
    return v;
  }

 private:
  PageBuffer plain_, packed_;
};

// The index windows and the sets they lie in.
struct IndexWindow {
  CTFile writer;    // the run's temporary index file
  CTFile previous;  // index of the newest earlier set (backup) / the chosen set (restore)
  std::map<uint32_t, _BACKUP_MAP> openSets;  // sequence number -> open archive
  uint32_t sequence = 0;       // of the set being written
  uint64_t writePosition = 0;  // next write offset in the set being written
};

// What a run counts and remembers for its caller and its log.
struct RunCounters {
  uint32_t folderEntries = 0;  // index entries written by the walk
  uint32_t fileEntries = 0;
  uint32_t foldersHandled = 0;  // folders met by the data pass
  uint64_t bytesStored = 0;     // sizes of the files the run stored or restored
  uint32_t conflictCount = 0;   // restore: existing files still to decide
  std::wstring lastPath;        // the last file the data pass handled
  std::vector<std::wstring> unreadableFiles;  // files that could not be read / written
  uint32_t UnreadableCount() const { return static_cast<uint32_t>(unreadableFiles.size()); }
};

// The log of the run's one direction: the "_" work files while they are
// written.
struct RunLog {
  LogDirection direction = LogDirection::kBackup;
  std::wstring folder;
  CTextFile summary;
  CTextFile detail;
  bool detailStarted = false;  // the detail log has its opening frame line
};

class CBkupEngine {
 public:
  CBkupEngine() = default;
  CBkupEngine(const CBkupEngine&) = delete;
  CBkupEngine& operator=(const CBkupEngine&) = delete;

  // Clears every part (closing the archives and the log writers); the
  // settings stay. A run calls it at its start and again at its end.
  void ResetRun();

  // Settings of the job, made by its entry point.
  uint32_t language = 0;  // user-interface language, for log texts
  bool logging = false;   // the job writes the log files

  // The run's parts.
  std::wstring text;                        // last text loaded by LoadJobText
  const wchar_t* exclusionList = nullptr;  // backup: not owned
  BlockCompressor* compressor = nullptr;   // backup: the run's zlib state, not owned
  JobProgress progress;
  WorkBuffers buffers;
  IndexWindow index;
  RunCounters counters;
  RunLog log;
};

// Computes the percentage of progress.done in progress.total (0..99, never
// 100) and calls the callback. Returns 1 when the callback asked to stop,
// else 0; with no callback, 0.
int ReportProgress(CBkupEngine& context, uint32_t phase, const wchar_t* path);

// The percentage ReportProgress passes on: 0 when total is 0, else
// floor(min(done, total) * 100 / total), capped at 99.
uint32_t ProgressPercent(uint64_t done, uint64_t total);

// Loads text `textId` in the job's language, formats it with the arguments,
// keeps it in context.text and returns it. A missing text gives "".
const std::wstring& LoadJobText(CBkupEngine& context, uint32_t textId, ...);

}  // namespace vk
