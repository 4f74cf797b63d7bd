#include "restore/IndexEntry.h"

#include <cwchar>

namespace vk {

bool ValidateIndexEntry(unsigned char* record, uint32_t bytes, uint64_t offset,
                        uint64_t indexLength, IndexEntryView* view) {
  if (bytes < kMinEntrySize) return false;
  auto* entry = reinterpret_cast<_BKUPFILE_ENTRY*>(record);
  if (entry->Length < kMinEntrySize || entry->Length > kMaxEntrySize) return false;
  if (entry->Length != bytes) return false;
  if (offset > indexLength || entry->Length > indexLength - offset) return false;
  if (entry->PathOffset != kEntryFixedSize) return false;
  // Records in a valid index point only forward: children and later siblings
  // follow their folder. Anything else could make a walk loop.
  if (entry->FirstChild != 0 && entry->FirstChild <= offset) return false;
  if (entry->NextSibling != 0 && entry->NextSibling <= offset) return false;
  const auto* path = reinterpret_cast<const wchar_t*>(record + kEntryFixedSize);
  uint32_t maxChars = (bytes - kEntryFixedSize) / sizeof(wchar_t);
  const wchar_t* end = std::wmemchr(path, L'\0', maxChars);
  if (end == nullptr) return false;
  view->entry = entry;
  view->path = path;
  view->pathChars = static_cast<uint32_t>(end - path);
  return true;
}

bool ReadIndexEntry(const CTFile& index, uint64_t offset, IndexEntryView* view) {
  if (index.buffer == nullptr) return false;
  uint32_t done = 0;
  if (!index.Read(offset, index.buffer, kEntryFixedSize, &done) || done != kEntryFixedSize)
    return false;
  const auto* fixed = reinterpret_cast<const _BKUPFILE_ENTRY*>(index.buffer);
  uint32_t length = fixed->Length;
  if (length < kMinEntrySize || length > kMaxEntrySize) return false;
  uint32_t tail = length - kEntryFixedSize;
  if (!index.Read(offset + kEntryFixedSize, index.buffer + kEntryFixedSize, tail, &done) ||
      done != tail)
    return false;
  return ValidateIndexEntry(index.buffer, length, offset, index.length, view);
}

uint64_t MaxEntriesInIndex(uint64_t indexLength) { return indexLength / kMinEntrySize + 1; }

}  // namespace vk
