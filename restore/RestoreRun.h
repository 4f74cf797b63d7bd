// The restore run: brings the selected folders of a backup set back to their
// original place or under a new folder, asking about existing files.
#pragma once
#include <windows.h>
#include <cstdint>

#include "engine/BkupEngine.h"
#include "engine/BkupTypes.h"

namespace vk {

// Handed to the progress callback (phase 3) for each file that already
// exists; the callee sets `choice` before it returns.
struct _OVERWRITE_QUERY {
  int32_t remaining;          // same-name files still to decide, this one included (>= 1)
  const wchar_t* targetPath;  // the existing file
  FILETIME backupTime;        // last write of the version in the backup
  uint64_t backupSize;
  FILETIME currentTime;       // last write of the existing file
  uint64_t currentSize;
  int32_t choice;             // in: 0; out: kChoiceReplace or kChoiceSkip
};

constexpr int32_t kChoiceNone = 0;     // no answer: the file is left alone
constexpr int32_t kChoiceReplace = 1;
constexpr int32_t kChoiceSkip = 2;

// Restores `selection` (double-zero-terminated full paths) from the newest set
// of `plan` on the drive up to `limit`, to the original place or under
// `newLocation`. Writes the restore logs. *unreadableCount receives the number
// of files that could not be written.
BkupResult RestoreJob(int driveIndex, const _BKUP_PLAN* plan, const wchar_t* selection,
                      const wchar_t* newLocation, BkupProgressCallback callback,
                      void* userData, uint32_t* unreadableCount, const SYSTEMTIME* limit);

// The bytes a restore of `selection` would write (sum of the sizes of the
// selected files that have data). Writes no file and no log.
BkupResult MeasureRestore(const SYSTEMTIME* limit, uint64_t* size, int driveIndex,
                          const _BKUP_PLAN* plan, const wchar_t* selection);

struct RestoreRequest {
  const _BKUP_PLAN* plan = nullptr;
  const wchar_t* selection = nullptr;
  const wchar_t* backupFolder = nullptr;
  const wchar_t* logFolder = nullptr;
  const wchar_t* newLocation = nullptr;
  BkupProgressCallback callback = nullptr;
  void* userData = nullptr;
  uint32_t* unreadableCount = nullptr;
  const SYSTEMTIME* limit = nullptr;
  uint64_t* sizeOutput = nullptr;  // given: measure only
};

// The run proper, shared by both entry points.
BkupResult RestoreRun(CBkupEngine& context, const RestoreRequest& request);

}  // namespace vk
