// Pass 1 of a backup run: the walk of the folder list into the temporary
// index, with the lookups in the previous set's index that decide which
// files can be reused.
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "engine/BackupRun.h"
#include "engine/BkupArchive.h"
#include "engine/ChangeDetection.h"
#include "engine/EngineUtil.h"
#include "engine/EntryFilter.h"
#include "engine/FileSystem.h"

namespace vk {
namespace {

constexpr wchar_t kListAllPattern[] = L"\\*";
constexpr size_t kPathReserveChars = 32768;

// A search along one chain of the previous index, from `from`, that ends at
// the chain's end, at an unreadable entry or when it reaches `stopAt`.
bool SearchChain(CBkupEngine& c, uint64_t from, uint64_t stopAt, bool useStop,
                 const wchar_t* path, size_t pathChars, LookupCursor& cursor,
                 PreviousMatch* match) {
  IndexRecord record;
  uint64_t o = from;
  for (;;) {
    if (!ReadIndexRecord(c.index.previous, o, &record)) return false;
    uint64_t next = record.entry.NextSibling;
    // The writer links forward only; a link back would loop on a damaged set.
    if (next <= o) next = 0;
    cursor.lastSearch = next;
    if (EqualNoCase(record.path, record.pathChars, path, pathChars)) {
      match->offset = o;
      match->entry = record.entry;
      return true;
    }
    if (next == 0 || (useStop && next == stopAt)) return false;
    o = next;
  }
}

// Per level of the walk: the sibling chain being written and the lookups.
struct Level {
  bool anyWritten = false;
  uint64_t previousSibling = 0;
  bool lookups = false;                   // false below a folder without match
  const PreviousMatch* parent = nullptr;  // null at the top level
  LookupCursor cursor;
};

// The walk's state. One find-data record serves every level: an entry's
// data is used up before the walk descends into it.
class Walker {
 public:
  explicit Walker(CBkupEngine& c) : c_(c) {
    path_.reserve(kPathReserveChars);
    record_.reserve(kEntryFixedSize + 2 * kPathReserveChars);
  }

  uint32_t WalkListEntry(const wchar_t* source);

 private:
  uint32_t WalkFolder(Level& level, bool* wroteAny);
  uint32_t ProcessEntry(Level& level);
  uint32_t WriteEntry(Level& level, PreviousMatch* folderMatch, bool* folderMatched);
  bool PatchField(uint64_t entryOffset, size_t field, uint64_t value);
  void LookUp(Level& level, PreviousMatch* match, bool* matched);

  CBkupEngine& c_;
  std::wstring path_;  // full path of the entry at hand
  size_t nameChars_ = 0;
  WIN32_FIND_DATAW found_;
  std::vector<unsigned char> record_;
};

bool IsWholeDrive(const wchar_t* s) {
  size_t n = std::wcslen(s);
  bool letter = (s[0] >= L'A' && s[0] <= L'Z') || (s[0] >= L'a' && s[0] <= L'z');
  return letter && (n == 2 || n == 3) && s[1] == L':' && (n == 2 || s[2] == L'\\');
}

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

uint32_t Walker::WalkListEntry(const wchar_t* source) {
  Level top;
  top.lookups = true;
  uint32_t result = kResultOk;
  bool wrote = false;
  if (IsWholeDrive(source)) {
    path_ = source;
    result = WalkFolder(top, &wrote);
  } else {
    EngineFind find(FileSystem().FindFirstFile(source, &found_));
    if (!find) {
      path_ = source;
      result = WalkFolder(top, &wrote);  // a missing folder lists nothing
    } else {
      do {
        if (IsDotEntry(found_.cFileName)) continue;
        path_ = source;
        nameChars_ = std::wcslen(found_.cFileName);
        if (nameChars_ > path_.size()) nameChars_ = path_.size();
        result = ProcessEntry(top);
      } while (result == kResultOk && FileSystem().FindNextFile(find.Get(), &found_));
    }
  }
  if (result != kResultOk) return result;
  // Top-level chain end: the last top entry points where the next list
  // entry's first record goes, finally at IndexSize.
  if (top.anyWritten &&
      !PatchField(top.previousSibling, offsetof(_BKUPFILE_ENTRY, NextSibling),
                  c_.index.writer.length))
    return kResultTempIndexError;
  return kResultOk;
}

uint32_t Walker::WalkFolder(Level& level, bool* wroteAny) {
  *wroteAny = false;
  while (!path_.empty() && path_.back() == L'\\') path_.pop_back();
  const size_t folderChars = path_.size();
  path_ += kListAllPattern;
  EngineFind find(FileSystem().FindFirstFile(path_.c_str(), &found_));
  path_.resize(folderChars);
  if (!find) return kResultOk;
  do {
    if (IsDotEntry(found_.cFileName)) continue;
    path_ += L'\\';
    nameChars_ = std::wcslen(found_.cFileName);
    path_.append(found_.cFileName, nameChars_);
    uint32_t result = ProcessEntry(level);
    path_.resize(folderChars);
    if (result != kResultOk) return result;
  } while (FileSystem().FindNextFile(find.Get(), &found_));
  *wroteAny = level.anyWritten;
  return kResultOk;
}

bool Walker::PatchField(uint64_t entryOffset, size_t field, uint64_t value) {
  return c_.index.writer.Patch(entryOffset + field, &value, sizeof value);
}

uint32_t Walker::ProcessEntry(Level& level) {
  FoundEntry candidate;
  candidate.attributes = found_.dwFileAttributes;
  candidate.name = found_.cFileName;
  candidate.fullPath = path_.c_str();
  if (SkipEntry(candidate, c_.exclusionList, &JobSpecialFolders())) return kResultOk;

  const uint64_t offset = c_.index.writer.length;
  if (level.anyWritten &&
      !PatchField(level.previousSibling, offsetof(_BKUPFILE_ENTRY, NextSibling), offset))
    return kResultTempIndexError;
  level.previousSibling = offset;

  PreviousMatch folderMatch;
  bool matched = false;
  uint32_t result = WriteEntry(level, &folderMatch, &matched);
  if (result != kResultOk) return result;
  level.anyWritten = true;
  if ((found_.dwFileAttributes & kAttrFolder) == 0) return kResultOk;

  const uint64_t childStart = c_.index.writer.length;
  Level children;
  children.lookups = matched;
  children.parent = &folderMatch;
  bool wrote = false;
  result = WalkFolder(children, &wrote);
  if (result != kResultOk) return result;
  if (wrote && !PatchField(offset, offsetof(_BKUPFILE_ENTRY, FirstChild), childStart))
    return kResultTempIndexError;
  return kResultOk;
}

void Walker::LookUp(Level& level, PreviousMatch* match, bool* matched) {
  *matched = level.lookups &&
             FindPreviousEntry(c_, path_.c_str(), path_.size(), level.parent, level.cursor, match);
}

uint32_t Walker::WriteEntry(Level& level, PreviousMatch* folderMatch, bool* folderMatched) {
  if (ReportProgress(c_, kPhaseBackup, path_.c_str())) return kResultStopped;
  // Windows paths stop at 32,767 characters, so a record stays far below
  // kMaxEntrySize.
  const size_t pathBytes = (path_.size() + 1) * sizeof(wchar_t);
  _BKUPFILE_ENTRY e;
  std::memset(&e, 0, sizeof e);
  e.Length = static_cast<uint32_t>(kEntryFixedSize + pathBytes);
  e.Attributes = found_.dwFileAttributes;
  e.LastWriteTime = FileTimeValue(found_.ftLastWriteTime);
  e.Size = JoinHalves(found_.nFileSizeHigh, found_.nFileSizeLow);
  e.Sequence = c_.index.sequence;
  e.NameOffset = static_cast<uint32_t>(kEntryFixedSize + 2 * (path_.size() - nameChars_));
  e.PathOffset = kEntryFixedSize;

  if (e.Attributes & kAttrFolder) {
    ++c_.counters.folderEntries;
    LookUp(level, folderMatch, folderMatched);
  } else {
    ++c_.counters.fileEntries;
    PreviousMatch m;
    bool matched = false;
    LookUp(level, &m, &matched);
    const _BKUPFILE_ENTRY& p = m.entry;
    const FoundFile found = {e.Attributes, e.LastWriteTime, e.Size};
    if (matched && CanReuseData(found, p, c_.index.openSets.count(p.Sequence) != 0)) {
      e.Sequence = p.Sequence;
      e.DataOffset = p.DataOffset;
      e.BlockCount = p.BlockCount;
    } else {
      c_.progress.total += e.Size;
    }
  }
  record_.resize(e.Length);
  std::memcpy(record_.data(), &e, kEntryFixedSize);
  std::memcpy(record_.data() + kEntryFixedSize, path_.c_str(), pathBytes);
  return c_.index.writer.Append(record_.data(), e.Length) ? kResultOk : kResultTempIndexError;
}

}  // namespace

bool FindPreviousEntry(CBkupEngine& c, const wchar_t* path, size_t pathChars,
                       const PreviousMatch* parent, LookupCursor& cursor, PreviousMatch* match) {
  if (c.index.previous.length == 0) return false;
  if (!cursor.started) {
    cursor.started = true;
    cursor.chainStart = parent != nullptr ? parent->entry.FirstChild : 0;
  }
  // A matched folder without children has an empty chain (offset 0 is the
  // top level's start, never a child).
  if (parent != nullptr && cursor.chainStart == 0) return false;
  const uint64_t from = cursor.lastSearch != 0 ? cursor.lastSearch : cursor.chainStart;
  if (SearchChain(c, from, 0, false, path, pathChars, cursor, match)) return true;
  if (from == cursor.chainStart) return false;
  return SearchChain(c, cursor.chainStart, from, true, path, pathChars, cursor, match);
}

uint32_t WalkSources(CBkupEngine& c, const wchar_t* folderList) {
  Walker walker(c);
  for (const wchar_t* s = folderList; *s != 0; s += std::wcslen(s) + 1) {
    uint32_t result = walker.WalkListEntry(s);
    if (result != kResultOk) return result;
  }
  return kResultOk;
}

}  // namespace vk
