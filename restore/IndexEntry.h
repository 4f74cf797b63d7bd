// Reading index records of a backup set as untrusted data. A record is used
// only when it is whole and self-consistent; anything else ends the chain
// it was reached through, as if the index ended there.
#pragma once
#include <cstdint>

#include "engine/BkupTypes.h"
#include "engine/TFile.h"

namespace vk {

// Shortest record: the fixed part and an empty, terminated path.
constexpr uint32_t kMinEntrySize = kEntryFixedSize + sizeof(wchar_t);

struct IndexEntryView {
  _BKUPFILE_ENTRY* entry = nullptr;  // inside the caller's buffer
  const wchar_t* path = nullptr;     // zero-terminated, inside the record
  uint32_t pathChars = 0;            // characters before the terminator
};

// Reads the record at index offset `offset` of `index` into index.buffer
// (kMaxEntrySize bytes at least). False when the read fails or is short, or
// the record is malformed: Length below kMinEntrySize or above kMaxEntrySize,
// the record running past index.length (an empty index has no records), a
// PathOffset other
// than 96, a path without its terminator inside the record, or a FirstChild
// or NextSibling that is neither 0 nor further on than this record.
bool ReadIndexEntry(const CTFile& index, uint64_t offset, IndexEntryView* view);

// The same checks on a record already in memory (`bytes` bytes at `record`).
bool ValidateIndexEntry(unsigned char* record, uint32_t bytes, uint64_t offset,
                        uint64_t indexLength, IndexEntryView* view);

// An upper bound on the number of records an index of `indexLength` bytes can
// hold: a walk that visits more has met a crafted cycle of shared children.
uint64_t MaxEntriesInIndex(uint64_t indexLength);

}  // namespace vk
