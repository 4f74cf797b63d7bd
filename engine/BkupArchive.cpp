#include "engine/BkupArchive.h"

#include <cstring>

#include "engine/EngineUtil.h"
#include "engine/FileSystem.h"

namespace vk {

bool IsOurSetHeader(const _BKUPFILE_HEADER& header) {
  return std::memcmp(header.Magic, kSetMagic, kMagicCompareBytes) == 0 &&
         header.Version <= kSetVersion;
}

bool SamePlanNameNoCase(const wchar_t* a, const wchar_t* b) {
  return EqualNoCase(a, BoundedLength(a, kPlanNameChars), b, BoundedLength(b, kPlanNameChars));
}

SetHeaderState CheckSetHeader(const _BKUPFILE_HEADER& header, uint32_t bytesRead,
                              const wchar_t* planName) {
  if (bytesRead < kSetHeaderSize || !IsOurSetHeader(header)) return SetHeaderState::kUnusable;
  if ((header.Flags & kSetFlagComplete) == 0) return SetHeaderState::kIncomplete;
  if (planName != nullptr && !SamePlanNameNoCase(header.PlanName, planName))
    return SetHeaderState::kOtherPlan;
  return SetHeaderState::kUsable;
}

_BKUPFILE_HEADER InitialSetHeader(const _BKUP_PLAN& plan, uint32_t sequence,
                                  const SYSTEMTIME& start) {
  _BKUPFILE_HEADER h;
  std::memset(&h, 0, sizeof h);
  std::memcpy(h.Magic, kSetMagic, sizeof h.Magic);
  h.Version = kSetVersion;
  size_t chars = BoundedLength(plan.PlanName, kPlanNameChars - 1);
  std::memcpy(h.PlanName, plan.PlanName, chars * sizeof(wchar_t));
  h.Flags = kSetFlagCreated;
  h.Sequence = sequence;
  h.BackupTime = start;
  return h;
}

bool ReadIndexRecord(CTFile& index, uint64_t o, IndexRecord* record) {
  if (o % 2 != 0) return false;
  const unsigned char* fixed = index.View(o, kEntryFixedSize);
  if (fixed == nullptr) return false;
  std::memcpy(&record->entry, fixed, kEntryFixedSize);
  const _BKUPFILE_ENTRY& e = record->entry;
  if (e.Length < kEntryFixedSize + sizeof(wchar_t) || e.Length > kMaxEntrySize ||
      e.Length % 2 != 0 || e.PathOffset < kEntryFixedSize || e.PathOffset >= e.Length ||
      e.PathOffset % 2 != 0)
    return false;
  // Records of a valid index point only forward: children and later siblings
  // follow their folder. A link back could make a walk go round for ever.
  if ((e.FirstChild != 0 && e.FirstChild <= o) || (e.NextSibling != 0 && e.NextSibling <= o))
    return false;
  const unsigned char* whole = index.View(o, e.Length);
  if (whole == nullptr) return false;
  const wchar_t* path = reinterpret_cast<const wchar_t*>(whole + e.PathOffset);
  size_t room = (e.Length - e.PathOffset) / sizeof(wchar_t);
  size_t chars = BoundedLength(path, room);
  if (chars == room) return false;  // no terminator inside the record
  record->path = path;
  record->pathChars = chars;
  return true;
}

namespace {

bool LaterThan(const SYSTEMTIME& time, const FILETIME& limit) {
  FILETIME t;
  if (!::SystemTimeToFileTime(&time, &t)) return false;
  return FileTimeValue(t) > FileTimeValue(limit);
}

// False when the file could not be opened or read.
bool ConsiderSetFile(CBkupEngine& context, const std::wstring& path, const _BKUP_PLAN& plan,
                     const FILETIME* timeLimit) {
  EngineFile file(FileSystem().CreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  if (!file) return ::GetLastError() == ERROR_FILE_NOT_FOUND;  // gone meanwhile
  _BKUPFILE_HEADER header;
  std::memset(&header, 0, sizeof header);
  DWORD got = 0;
  if (!FileSystem().ReadFile(file.Get(), &header, kSetHeaderSize, &got)) return false;
  switch (CheckSetHeader(header, got, plan.PlanName)) {
    case SetHeaderState::kUnusable:
    case SetHeaderState::kOtherPlan:
      return true;
    case SetHeaderState::kIncomplete:
      file.Reset();
      FileSystem().DeleteFile(path.c_str());
      return true;
    case SetHeaderState::kUsable:
      break;
  }
  if (timeLimit != nullptr && LaterThan(header.BackupTime, *timeLimit)) return true;
  _BACKUP_MAP& slot = context.index.openSets[header.Sequence];
  slot.File = std::move(file);
  slot.Header = header;
  return true;
}

bool NothingListed(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_NO_MORE_FILES;
}

}  // namespace

bool OpenBackupSets(CBkupEngine& context, const std::wstring& backupFolder,
                    const _BKUP_PLAN& plan, const FILETIME* timeLimit) {
  std::wstring folder = TrimTrailingBackslashes(backupFolder);
  std::wstring pattern = folder + L"\\*" + kSetExtension;
  WIN32_FIND_DATAW found;
  EngineFind find(FileSystem().FindFirstFile(pattern.c_str(), &found));
  if (!find) return NothingListed(::GetLastError());
  bool complete = true;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (!ConsiderSetFile(context, folder + L"\\" + found.cFileName, plan, timeLimit))
      complete = false;
  } while (FileSystem().FindNextFile(find.Get(), &found));
  return complete && NothingListed(::GetLastError());
}

}  // namespace vk
