// The incremental rule of a backup run: whether a file found by the walk is
// unchanged since the newest earlier set, so that its new index entry can
// point at the data already stored instead of storing the file again.
#pragma once
#include <cstdint>

#include "engine/BkupTypes.h"

namespace vk {

// What the walk found for a file.
struct FoundFile {
  uint32_t attributes = 0;  // all 32 bits, as listed
  uint64_t lastWriteTime = 0;
  uint64_t size = 0;
};

// True when `found` may take the data of `previous`, its entry in the
// previous index: the set that entry points into is still open
// (`previousSetOpen`: it is in the run's open-set map), the attributes (every
// bit, so an attribute-only change stores the file again), the last-write
// time and the size are all equal, and the entry has data (DataOffset not 0:
// a file that could not be read then has none to lend).
bool CanReuseData(const FoundFile& found, const _BKUPFILE_ENTRY& previous, bool previousSetOpen);

}  // namespace vk
