// An independent reader of backup sets for the tests: it decodes the bytes by
// their documented offsets with its own code (none of the engine's structs or
// readers), checks the invariants of a complete set, and decodes files.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vk::test {

struct ReadEntry {
  uint64_t offset = 0;  // index offset of the record
  uint32_t length = 0, attributes = 0;
  uint64_t lastWrite = 0, size = 0;
  uint32_t sequence = 0;
  uint64_t dataOffset = 0;
  uint32_t blockCount = 0;
  uint64_t firstChild = 0, nextSibling = 0;
  uint32_t nameOffset = 0, pathOffset = 0;
  std::wstring path, name;
  bool IsFolder() const { return (attributes & 0x10) != 0; }
};

struct ReadSet {
  std::wstring fileName;
  uint64_t fileSize = 0;
  uint16_t version = 0;
  std::wstring planName;
  uint32_t flags = 0, folderCount = 0, fileCount = 0, sequence = 0;
  uint64_t indexOffset = 0, indexSize = 0, dataOffset = 0, dataSize = 0;
  SYSTEMTIME backupTime = {};
  std::vector<ReadEntry> entries;  // in index order
  bool Complete() const { return (flags & 0x80000000u) != 0; }
};

// Parses a complete set; on any broken invariant returns false with a reason.
bool ParseSet(const std::vector<uint8_t>& bytes, ReadSet* set, std::string* error);

// Walks the tree through FirstChild/NextSibling and checks that it visits every
// entry once, in index order (depth first); returns the reason otherwise.
std::string CheckTreeLinks(const ReadSet& set);

// The sets of a Backup folder, by sequence number (complete ones only).
struct SetFolder {
  std::map<uint32_t, std::vector<uint8_t>> bytes;
  std::map<uint32_t, ReadSet> sets;
  std::vector<std::wstring> incomplete;  // names of .bkup files without the complete bit
  std::vector<uint32_t> duplicateSequences;  // complete sets sharing a sequence number
};
SetFolder LoadSetFolder(const std::wstring& backupFolder);

// Decodes the file of `entry` from the set its Sequence names.
bool DecodeFile(const SetFolder& folder, const ReadEntry& entry, std::vector<uint8_t>* out,
                std::string* error);

// The entry with this path (exact), or null.
const ReadEntry* FindEntry(const ReadSet& set, const std::wstring& path);

// Narrow text for messages.
std::string Narrow(const std::wstring& s);

}  // namespace vk::test
