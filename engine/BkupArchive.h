// The backup-set file: building its header, validating a header read from a
// volume, reading index records, and finding the complete sets of a plan.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

#include "engine/BkupEngine.h"
#include "engine/BkupTypes.h"
#include "engine/TFile.h"

namespace vk {

// What a reader makes of the first bytes of a file in the Backup folder,
// checked in this order.
enum class SetHeaderState {
  kUnusable,    // short, another magic or a newer version: leave the file alone
  kIncomplete,  // complete bit clear: a run failed or crashed; delete it
  kOtherPlan,   // a set of another plan (names compared without case)
  kUsable,
};

// `bytesRead` is how many of the 183 header bytes the read delivered.
// `planName` may be null to skip the plan test.
SetHeaderState CheckSetHeader(const _BKUPFILE_HEADER& header, uint32_t bytesRead,
                              const wchar_t* planName);

// True when the header's first 16 bytes are the set magic and its version is
// one we read.
bool IsOurSetHeader(const _BKUPFILE_HEADER& header);

// Plan names as stored in fixed fields, compared without regard to case.
bool SamePlanNameNoCase(const wchar_t* a, const wchar_t* b);

// The header a run writes first: created flag, sequence, plan name and start
// time; counts, offsets and sizes zero.
_BKUPFILE_HEADER InitialSetHeader(const _BKUP_PLAN& plan, uint32_t sequence,
                                  const SYSTEMTIME& start);

// One index record as read from an index; `path` points into the index's
// cache and is valid until the next cached access to that index.
struct IndexRecord {
  _BKUPFILE_ENTRY entry;
  const wchar_t* path = nullptr;
  size_t pathChars = 0;
};

// Reads and checks the record at index offset o: even offset and length,
// 98 <= Length <= 524,288, the path inside the record and zero-terminated,
// FirstChild and NextSibling either 0 or further on than o.
// False when no such record can be read (the end of a chain).
bool ReadIndexRecord(CTFile& index, uint64_t o, IndexRecord* record);

// Lists "<backup folder>\*.bkup" and enters every complete set of `plan` into
// context.index.openSets (handle kept open, shared for reading), keyed by sequence
// number; deletes incomplete sets of any plan; leaves foreign files alone.
// With `timeLimit`, sets whose BackupTime is later are left out.
// Returns false when the listing or a set file could not be read (a file
// shorter than a header is no set and does not count): a set whose sequence
// number went unseen must not make a writer reuse that number.
bool OpenBackupSets(CBkupEngine& context, const std::wstring& backupFolder,
                    const _BKUP_PLAN& plan, const FILETIME* timeLimit);

}  // namespace vk
