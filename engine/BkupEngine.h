// The job context: one per engine job, created by the job's entry point on
// the job thread and destroyed when it returns.
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

class CBkupEngine {
 public:
  CBkupEngine() = default;
  CBkupEngine(const CBkupEngine&) = delete;
  CBkupEngine& operator=(const CBkupEngine&) = delete;

  // Clears every counter, flag and string, empties the open-set map (closing
  // the archives) and forgets the buffer pointers. A run calls it at its start
  // and again at its end.
  void Reset();

  uint32_t language = 0;               // user-interface language, for log texts
  std::wstring text;                   // last text loaded by LoadJobText
  const wchar_t* backupFolder = nullptr;
  CTFile indexWriter;                  // the run's temporary index file
  CTFile previousIndex;                // index of the newest earlier / chosen set
  uint64_t writePosition = 0;          // next write offset in the set being written
  uint32_t folderEntries = 0;
  uint32_t fileEntries = 0;
  std::map<uint32_t, _BACKUP_MAP> openSets;  // sequence number -> open archive
  uint32_t sequence = 0;               // of the set being written
  BkupProgressCallback callback = nullptr;
  void* userData = nullptr;
  unsigned char* readBuffer = nullptr;
  uint32_t readCapacity = 0;
  unsigned char* compressBuffer = nullptr;
  uint32_t compressCapacity = 0;
  BlockCompressor* compressor = nullptr;  // the run's zlib state, reused per block
  uint32_t conflictCount = 0;          // restore only
  uint64_t bytesDone = 0;
  uint64_t bytesTotal = 0;
  // Log writers, open only while a run writes its logs (the "_" work files).
  CTextFile backupSummaryLog;
  CTextFile restoreSummaryLog;
  CTextFile backupDetailLog;
  CTextFile restoreDetailLog;
  std::wstring logFolder;              // where the run's logs go
  bool backupDetailStarted = false;
  bool restoreDetailStarted = false;
  uint32_t foldersHandled = 0;
  uint64_t bytesStored = 0;
  std::wstring lastPath;
  std::vector<std::wstring> unreadableFiles;
  uint32_t unreadableCount = 0;
  bool logging = false;
  const wchar_t* exclusionList = nullptr;  // not owned
};

// Computes the percentage of bytesDone in bytesTotal (0..99, never 100) and
// calls the callback. Returns 1 when the callback asked to stop, else 0; with
// no callback, 0.
int ReportProgress(CBkupEngine& context, uint32_t phase, const wchar_t* path);

// The percentage ReportProgress passes on: 0 when total is 0, else
// floor(min(done, total) * 100 / total), capped at 99.
uint32_t ProgressPercent(uint64_t done, uint64_t total);

// Loads text `textId` in the job's language, formats it with the arguments,
// keeps it in context.text and returns it. A missing text gives "".
const std::wstring& LoadJobText(CBkupEngine& context, uint32_t textId, ...);

}  // namespace vk
