// The backup run: copies the folders of a plan into one new backup set in
// X:\CorvaneVaultkeep\Backup. Incremental: a file that is unchanged since the
// newest complete set of the plan keeps pointing at the data already stored;
// only new and changed files are compressed and appended.
#pragma once
#include <windows.h>
#include <cstdint>

#include "engine/BkupEngine.h"
#include "engine/BkupTypes.h"

namespace vk {

class BlockPipeline;

// The only entry point of a backup. Checks the target volume and its
// Backup.plan (the stored plan name must equal plan->PlanName exactly), runs
// the backup in the application's language with logging on, and returns a
// result code (0, 1, 2, 3, 4, 5, 6, 9 or 255). `unreadableCount` receives the
// number of files that could not be read whenever the run itself started.
uint32_t BackupJob(const wchar_t* exclusionList, BkupProgressCallback callback, void* userData,
                   int driveIndex, const _BKUP_PLAN* plan, const wchar_t* folderList,
                   uint32_t* unreadableCount, const SYSTEMTIME& startTime);

// What a backup run is asked to do. Nothing here is owned.
struct BackupRequest {
  const _BKUP_PLAN* plan = nullptr;
  const wchar_t* folderList = nullptr;     // double-zero-terminated
  const wchar_t* backupFolder = nullptr;   // X:\CorvaneVaultkeep\Backup
  const wchar_t* logFolder = nullptr;      // X:\CorvaneVaultkeep\Log
  const wchar_t* exclusionList = nullptr;  // double-zero-terminated, or none
  BkupProgressCallback callback = nullptr;
  void* userData = nullptr;
  uint32_t* unreadableCount = nullptr;  // out, when given
  SYSTEMTIME startTime = {};            // names the new set
};

// The run itself, for BackupJob: pass 1 walks the folder list into the
// temporary index, pass 2 stores new and changed files, then the index is
// appended and the set marked complete. Logs are written when
// context.logging is on. A missing plan, folder list or backup folder gives
// kResultInvalid.
uint32_t BackupRun(CBkupEngine& context, const BackupRequest& request);

// A folder's entry in the previous set's index, found by FindPreviousEntry.
struct PreviousMatch {
  uint64_t offset = 0;
  _BKUPFILE_ENTRY entry = {};
};

// Where the lookups of one level of the walk stand in the previous index.
struct LookupCursor {
  bool started = false;   // chain start known
  uint64_t chainStart = 0;
  uint64_t lastSearch = 0;  // where the last search ended; 0 when unset
};

// Looks `path` up among the entries of one level of the previous index: the
// top level when `parent` is null, else the children of `parent`. Searches on
// from where the level's last search ended, then once from the chain's start.
// Comparison is case-insensitive. False when there is no match.
bool FindPreviousEntry(CBkupEngine& context, const wchar_t* path, size_t pathChars,
                       const PreviousMatch* parent, LookupCursor& cursor, PreviousMatch* match);

// Pass 1 over the double-zero-terminated folder list.
uint32_t WalkSources(CBkupEngine& context, const wchar_t* folderList);

// Pass 2: stores every file entry of this run into `setFile`. This thread
// reads the files; their blocks are compressed on a pool of CompressWorkers()
// threads (on this thread alone with one) and written here, in index order,
// so the set is the same whatever the pool. 0, or 1, 2, 3, 6 or 9.
uint32_t StoreData(CBkupEngine& context, HANDLE setFile);

// Hands one file of the index, the entry at index offset `offset`, to the
// pipeline: its blocks, then its mark, at which the entry gets its data (a
// reused file, one whose data is in an earlier set, is left alone). `path`
// is read only to open the source. 0 when the file went in, readable or not;
// 1 on a stop; else the pipeline's failure.
uint32_t StoreFile(CBkupEngine& context, BlockPipeline& pipeline, const _BKUPFILE_ENTRY& entry,
                   const wchar_t* path, uint64_t offset);

}  // namespace vk
