#include "tests/engine/SetReader.h"

#include <zlib.h>

#include <cstring>

#include "tests/support/TestVolume.h"

namespace vk::test {
namespace {

constexpr size_t kHeader = 183;
constexpr size_t kFixed = 96;
constexpr uint32_t kPiece = 524288;
const char kMagic[] = "CORVANEBKUP2017 ";

uint64_t Le(const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

std::wstring Utf16(const uint8_t* p, size_t maxChars) {
  std::wstring s;
  for (size_t i = 0; i < maxChars; ++i) {
    wchar_t c = static_cast<wchar_t>(Le(p + 2 * i, 2));
    if (c == 0) break;
    s += c;
  }
  return s;
}

bool Fail(std::string* error, const std::string& why) {
  *error = why;
  return false;
}

bool ParseEntry(const std::vector<uint8_t>& bytes, const ReadSet& set, uint64_t o, ReadEntry* e,
                std::string* error) {
  const uint64_t at = set.indexOffset + o;
  if (o + kFixed > set.indexSize) return Fail(error, "record header past the index");
  const uint8_t* p = bytes.data() + at;
  e->offset = o;
  e->length = static_cast<uint32_t>(Le(p, 4));
  e->attributes = static_cast<uint32_t>(Le(p + 4, 4));
  e->lastWrite = Le(p + 8, 8);
  e->size = Le(p + 16, 8);
  for (int i = 24; i < 56; ++i)
    if (p[i] != 0) return Fail(error, "reserved bytes not zero");
  e->sequence = static_cast<uint32_t>(Le(p + 56, 4));
  e->dataOffset = Le(p + 60, 8);
  e->blockCount = static_cast<uint32_t>(Le(p + 68, 4));
  e->firstChild = Le(p + 72, 8);
  e->nextSibling = Le(p + 80, 8);
  e->nameOffset = static_cast<uint32_t>(Le(p + 88, 4));
  e->pathOffset = static_cast<uint32_t>(Le(p + 92, 4));
  if (e->length < kFixed + 2 || o + e->length > set.indexSize) return Fail(error, "bad Length");
  if (e->pathOffset != kFixed) return Fail(error, "PathOffset is not 96");
  size_t chars = (e->length - kFixed) / 2;
  e->path = Utf16(p + kFixed, chars);
  if (e->length != kFixed + 2 * e->path.size() + 2) return Fail(error, "Length != 96+2n+2");
  if (e->nameOffset < kFixed || e->nameOffset > e->length - 2)
    return Fail(error, "NameOffset outside the record");
  e->name = e->path.substr((e->nameOffset - kFixed) / 2);
  return true;
}

bool VisitChain(const ReadSet& set, const std::map<uint64_t, size_t>& byOffset, uint64_t o,
                bool top, std::vector<uint64_t>* order, std::string* why) {
  for (;;) {
    auto it = byOffset.find(o);
    if (it == byOffset.end()) {
      if (top && o == set.indexSize) return true;  // the top-level chain end
      *why = "chain points at no record: " + std::to_string(o);
      return false;
    }
    const ReadEntry& e = set.entries[it->second];
    order->push_back(o);
    if (e.firstChild != 0) {
      if (!e.IsFolder()) {
        *why = "a file has children";
        return false;
      }
      if (!VisitChain(set, byOffset, e.firstChild, false, order, why)) return false;
    }
    if (e.nextSibling == 0) {
      if (top && !set.entries.empty()) {
        *why = "the top-level chain ends with 0 instead of IndexSize";
        return false;
      }
      return true;
    }
    if (e.nextSibling <= o) {
      *why = "a link goes backwards";
      return false;
    }
    o = e.nextSibling;
  }
}

std::vector<uint8_t> ReadWhole(const std::wstring& path) { return ReadFileBytes(path); }

}  // namespace

std::string Narrow(const std::wstring& s) {
  std::string out;
  for (wchar_t c : s) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

bool ParseSet(const std::vector<uint8_t>& bytes, ReadSet* set, std::string* error) {
  if (bytes.size() < kHeader) return Fail(error, "shorter than the header");
  const uint8_t* h = bytes.data();
  if (std::memcmp(h, kMagic, 16) != 0 || h[16] != 0) return Fail(error, "bad magic");
  set->fileSize = bytes.size();
  set->version = static_cast<uint16_t>(Le(h + 17, 2));
  if (Le(h + 19, 2) != 0) return Fail(error, "Reserved not zero");
  set->planName = Utf16(h + 21, 33);
  set->flags = static_cast<uint32_t>(Le(h + 87, 4));
  set->folderCount = static_cast<uint32_t>(Le(h + 91, 4));
  set->fileCount = static_cast<uint32_t>(Le(h + 95, 4));
  set->sequence = static_cast<uint32_t>(Le(h + 99, 4));
  set->indexOffset = Le(h + 103, 8);
  set->indexSize = Le(h + 111, 8);
  set->dataOffset = Le(h + 119, 8);
  set->dataSize = Le(h + 127, 8);
  uint16_t* t = reinterpret_cast<uint16_t*>(&set->backupTime);
  for (int i = 0; i < 8; ++i) t[i] = static_cast<uint16_t>(Le(h + 135 + 2 * i, 2));
  for (size_t i = 151; i < kHeader; ++i)
    if (h[i] != 0) return Fail(error, "Reserved2 not zero");
  if (set->version != 1) return Fail(error, "version is not 1");
  if (set->flags != 0x80000001u) return Fail(error, "flags are not bits 0 and 31");
  if (set->dataOffset != kHeader) return Fail(error, "DataOffset is not 183");
  if (set->indexOffset != kHeader + set->dataSize) return Fail(error, "IndexOffset mismatch");
  if (set->indexOffset + set->indexSize != bytes.size()) return Fail(error, "file length mismatch");
  uint32_t folders = 0, files = 0;
  for (uint64_t o = 0; o < set->indexSize;) {
    ReadEntry e;
    if (!ParseEntry(bytes, *set, o, &e, error)) return false;
    (e.IsFolder() ? folders : files)++;
    if (e.IsFolder() && (e.sequence != set->sequence || e.dataOffset != 0 || e.blockCount != 0))
      return Fail(error, "folder entry with data");
    o += e.length;
    set->entries.push_back(e);
  }
  if (folders != set->folderCount || files != set->fileCount)
    return Fail(error, "FolderCount/FileCount mismatch");
  return true;
}

std::string CheckTreeLinks(const ReadSet& set) {
  std::map<uint64_t, size_t> byOffset;
  for (size_t i = 0; i < set.entries.size(); ++i) byOffset[set.entries[i].offset] = i;
  if (set.entries.empty()) return "";
  std::vector<uint64_t> order;
  std::string why;
  if (!VisitChain(set, byOffset, 0, true, &order, &why)) return why;
  if (order.size() != set.entries.size()) return "the tree does not reach every record";
  for (size_t i = 0; i < order.size(); ++i)
    if (order[i] != set.entries[i].offset) return "tree order differs from index order";
  return "";
}

SetFolder LoadSetFolder(const std::wstring& backupFolder) {
  SetFolder folder;
  WIN32_FIND_DATAW found;
  HANDLE find = ::FindFirstFileW((L"\\\\?\\" + backupFolder + L"\\*.bkup").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return folder;
  do {
    std::vector<uint8_t> bytes = ReadWhole(backupFolder + L"\\" + found.cFileName);
    if (bytes.size() >= kHeader && !(Le(bytes.data() + 87, 4) & 0x80000000u)) {
      folder.incomplete.push_back(found.cFileName);
      continue;
    }
    ReadSet set;
    std::string error;
    if (!ParseSet(bytes, &set, &error)) continue;
    set.fileName = found.cFileName;
    if (folder.sets.count(set.sequence)) folder.duplicateSequences.push_back(set.sequence);
    folder.sets[set.sequence] = set;
    folder.bytes[set.sequence] = std::move(bytes);
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
  return folder;
}

bool DecodeFile(const SetFolder& folder, const ReadEntry& entry, std::vector<uint8_t>* out,
                std::string* error) {
  out->clear();
  if (entry.dataOffset == 0) return Fail(error, "entry has no data");
  auto it = folder.bytes.find(entry.sequence);
  if (it == folder.bytes.end()) return Fail(error, "no set with the entry's sequence");
  const std::vector<uint8_t>& bytes = it->second;
  const ReadSet& set = folder.sets.at(entry.sequence);
  uint64_t at = entry.dataOffset;
  if (at < kHeader) return Fail(error, "DataOffset inside the header");
  std::vector<uint8_t> piece(kPiece);
  for (uint32_t b = 0; b < entry.blockCount; ++b) {
    if (at + 8 > set.indexOffset) return Fail(error, "block header past the data area");
    uint32_t packed = static_cast<uint32_t>(Le(bytes.data() + at, 4));
    uint32_t plain = static_cast<uint32_t>(Le(bytes.data() + at + 4, 4));
    if (packed > 1572864 || at + 8 + packed > set.indexOffset) return Fail(error, "bad block size");
    if (b + 1 < entry.blockCount && plain != kPiece) return Fail(error, "inner block not 524288");
    if (plain == 0 || plain > kPiece) return Fail(error, "bad UncompressedSize");
    uLongf got = kPiece;
    if (uncompress(piece.data(), &got, bytes.data() + at + 8, packed) != Z_OK || got != plain)
      return Fail(error, "zlib could not decode a block");
    out->insert(out->end(), piece.begin(), piece.begin() + got);
    at += 8 + packed;
  }
  return true;
}

const ReadEntry* FindEntry(const ReadSet& set, const std::wstring& path) {
  for (const ReadEntry& e : set.entries)
    if (e.path == path) return &e;
  return nullptr;
}

}  // namespace vk::test
