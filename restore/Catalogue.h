// The backup sets of a plan on a drive, and browsing the index of one set.
#pragma once
#include <windows.h>
#include <cstdint>

#include "common/Handle.h"
#include "engine/BkupArchive.h"
#include "engine/BkupEngine.h"
#include "engine/BkupTypes.h"
#include "engine/PlanFile.h"

namespace vk {

// The restore limit as the set enumeration takes it: nullptr (no set left out
// for its time) when there is no limit or it does not convert to a time.
const FILETIME* RestoreLimit(const SYSTEMTIME* limit, FILETIME* storage);

// Lists the usable sets of `plan` on the drive: headers in folder order into
// `headers` (up to `capacity`; none when `headers` is null), the number found
// in *count whether or not they fitted. Incomplete sets met are deleted.
BkupResult ListBackupSets(int driveIndex, const _BKUP_PLAN& plan, _BKUPFILE_HEADER* headers,
                          uint32_t capacity, uint32_t* count);

// A job context opened for browsing one set's index in place.
class Catalogue {
 public:
  ~Catalogue();
  CBkupEngine context;
  PageBuffer entryBuffer;  // the index window's buffer
  IndexRecord record;  // the record last read
};

// Opens the newest set of the plan up to `limit` (none: the newest of all)
// for browsing; nullptr on any failure.
Catalogue* OpenCatalogue(int driveIndex, const _BKUP_PLAN& plan, const SYSTEMTIME* limit);

// The record at `offset` of the catalogue's index (valid until the next
// read), or nullptr when there is none or it is damaged.
const IndexRecord* ReadCatalogueEntry(Catalogue* catalogue, uint64_t offset);

// Closes every archive and frees the catalogue; nullptr is ignored.
void CloseCatalogue(Catalogue* catalogue);

// Copies the index area of the set `archive` into the temporary index file
// that context.index.previous is attached to (base 0) and attaches the window
// to the bytes copied. A copy that ends before IndexSize bytes (the set is cut
// off inside its index, or a read failed) keeps what was copied and still
// returns kResultOk, so that the run restores that part; *shortCopy then holds
// the result the run must end with (kResultInvalid for a set that ends early,
// kResultDiskFull / kResultReadError for a failed read), else kResultOk.
BkupResult CopyIndexToTemp(HANDLE archive, CBkupEngine& context, BkupResult* shortCopy);

// Reads the header at offset 0 of an open archive and checks that it is one
// of ours: kResultOk, kResultInvalid, or the read error by the system error.
BkupResult ReadSetHeader(HANDLE archive, _BKUPFILE_HEADER* header);

}  // namespace vk
