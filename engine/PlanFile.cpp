#include "engine/PlanFile.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "common/Handle.h"
#include "engine/BkupArchive.h"
#include "engine/EngineUtil.h"
#include "engine/FileSystem.h"
#include "engine/TargetVolume.h"

namespace vk {
namespace {

// An update copies the folder list from the old file to the new one in pieces
// of this size, whatever the list's stored length.
constexpr DWORD kCopyChunkBytes = 64 * 1024;

// The new plan replaces the old one in a single step that is on the disk
// before the call returns.
constexpr DWORD kReplaceFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

// Another program (a virus scanner, an indexer, a second reader of ours) may
// have the plan open for a moment. Opening and replacing it are tried again
// for up to this long before the call fails: a run's times that could not be
// written back would leave the run due, to be started once more.
constexpr int kSharingRetries = 20;
constexpr DWORD kSharingRetryMs = 50;

enum class Step { kOpen, kReplace };

bool HeldByAnother(DWORD error, Step step) {
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return true;
  // Replacing a file that another handle has open without delete sharing is
  // refused as access denied; an open refused so is refused for good.
  return step == Step::kReplace && error == ERROR_ACCESS_DENIED;
}

// Calls `attempt` until it succeeds, fails for another reason than the file
// being held, or the retries are spent.
template <typename Attempt>
bool RetryWhileHeld(Step step, Attempt attempt) {
  for (int i = 0;; ++i) {
    if (attempt()) return true;
    const DWORD error = ::GetLastError();
    if (i == kSharingRetries || !HeldByAnother(error, step)) return false;
    ::Sleep(kSharingRetryMs);
  }
}

EngineFile OpenPlan(int driveIndex, DWORD access, DWORD share) {
  EngineFile file;
  RetryWhileHeld(Step::kOpen, [&] {
    file.Reset(FileSystem().CreateFile(PlanFilePath(driveIndex).c_str(), access, share,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    return file.Valid();
  });
  return file;
}

// NextRun and LastRun lie back to back: the bytes an update rewrites.
constexpr size_t kRunTimesOffset = offsetof(_BKUP_PLAN, NextRun);
constexpr size_t kRunTimesBytes = offsetof(_BKUP_PLAN, FolderListOffset) - kRunTimesOffset;
static_assert(kRunTimesOffset == 633 && kRunTimesBytes == 32, "run times are bytes 633..664");

constexpr const wchar_t* kLogFileNames[] = {
    kBackupSummaryLog,  kRestoreSummaryLog,  kBackupDetailLog,  kRestoreDetailLog,
    kBackupSummaryWork, kRestoreSummaryWork, kBackupDetailWork, kRestoreDetailWork,
};

std::wstring InFolder(const std::wstring& folder, const wchar_t* name) {
  return folder + L"\\" + name;
}

std::wstring TempPlanPath(int driveIndex) {
  return InFolder(BackupFolderPath(driveIndex), kPlanTempFileName);
}

// Reads exactly n bytes; a failed call or the end of the file before n bytes
// is a failure.
bool ReadExact(HANDLE file, void* data, DWORD n) {
  return ReadExactly(file, data, n) == ReadOutcome::kWhole;
}

bool IsOurPlan(const _BKUP_PLAN& plan) {
  return std::memcmp(plan.Magic, kPlanMagic, kMagicCompareBytes) == 0 &&
         plan.Version <= kPlanVersion;
}

// Exact comparison, bounded by the field: a name read from a disk need not
// be terminated.
bool SamePlanName(const _BKUP_PLAN& a, const _BKUP_PLAN& b) {
  return std::wcsncmp(a.PlanName, b.PlanName, kPlanNameChars) == 0;
}

// True when walking the list string by string meets the closing empty string
// within `chars` characters.
bool IsTerminatedList(const wchar_t* list, size_t chars) {
  size_t p = 0;
  while (p < chars) {
    if (list[p] == 0) return true;
    while (p < chars && list[p] != 0) ++p;
    ++p;
  }
  return false;
}

EngineFile OpenPlanForReading(int driveIndex) {
  return OpenPlan(driveIndex, GENERIC_READ, FILE_SHARE_READ);
}

EngineFile CreateTempPlan(int driveIndex) {
  return EngineFile(FileSystem().CreateFile(TempPlanPath(driveIndex).c_str(),
                                          GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL));
}

// Flushes and closes the temporary plan, then moves it over Backup.plan. On
// any failure the temporary file is removed and Backup.plan is untouched.
BkupResult CommitTempPlan(int driveIndex, EngineFile* temp, bool written) {
  bool ok = written && FileSystem().FlushFileBuffers(temp->Get());
  temp->Reset();
  const std::wstring tempPath = TempPlanPath(driveIndex);
  if (ok) {
    const std::wstring planPath = PlanFilePath(driveIndex);
    ok = RetryWhileHeld(Step::kReplace, [&] {
      return FileSystem().MoveFileEx(tempPath.c_str(), planPath.c_str(), kReplaceFlags) != FALSE;
    });
  }
  if (ok) return kResultOk;
  FileSystem().DeleteFile(tempPath.c_str());
  return kResultWriteError;
}

// Reads the record at the start of an open plan file.
BkupResult ReadPlanRecord(HANDLE file, _BKUP_PLAN* plan) {
  if (!ReadExact(file, plan, kPlanRecordSize)) return kResultReadError;
  return IsOurPlan(*plan) ? kResultOk : kResultInvalid;
}

// Appends everything after the record of `source` to `target`.
BkupResult CopyAfterRecord(HANDLE source, HANDLE target) {
  std::vector<uint8_t> chunk(kCopyChunkBytes);
  for (;;) {
    DWORD done = 0;
    if (!FileSystem().ReadFile(source, chunk.data(), kCopyChunkBytes, &done))
      return kResultReadError;
    if (done == 0) return kResultOk;
    if (done > kCopyChunkBytes) return kResultReadError;
    if (!WriteExactly(target, chunk.data(), done)) return kResultWriteError;
  }
}

// Reads the folder list that `plan` (already read from `file`) describes. The
// stored size is checked against the bytes really in the file and against
// kMaxFolderListBytes before anything is allocated.
BkupResult ReadFolderList(HANDLE file, const _BKUP_PLAN& plan, std::vector<wchar_t>* list) {
  if (plan.FolderListOffset == 0 || plan.FolderListSize <= 1) return kResultOk;
  const uint64_t bytes = plan.FolderListSize & ~uint64_t{1};
  LARGE_INTEGER fileSize;
  if (!FileSystem().GetFileSizeEx(file, &fileSize)) return kResultReadError;
  if (uint64_t{plan.FolderListOffset} + bytes > static_cast<uint64_t>(fileSize.QuadPart))
    return kResultReadError;
  if (bytes > kMaxFolderListBytes) return kResultInvalid;
  try {
    // One more zero character after the stored bytes terminates the last string.
    list->assign(static_cast<size_t>(bytes / sizeof(wchar_t)) + 1, L'\0');
  } catch (const std::bad_alloc&) {
    return kResultNoMemory;
  }
  if (!SeekTo(file, plan.FolderListOffset)) return kResultReadError;
  if (!ReadExact(file, list->data(), static_cast<DWORD>(bytes))) return kResultReadError;
  return IsTerminatedList(list->data(), list->size()) ? kResultOk : kResultInvalid;
}

BkupResult SavePlan(int driveIndex, _BKUP_PLAN* plan, const wchar_t* list, uint32_t chars) {
  if (BkupResult r = CheckTargetVolume(driveIndex)) return r;
  if (!plan || (chars > 0 && !list)) return kResultInvalid;
  // Refuse what the loader would refuse: the plan must be readable again.
  if (chars > kMaxFolderListBytes / sizeof(wchar_t)) return kResultInvalid;
  if (chars > 0 && !IsTerminatedList(list, chars)) return kResultInvalid;

  CreateFolderPath(BackupFolderPath(driveIndex));  // a failure shows in the create below
  EngineFile temp = CreateTempPlan(driveIndex);
  if (!temp) return kResultWriteError;
  std::memcpy(plan->Magic, kPlanMagic, sizeof plan->Magic);
  plan->Version = kPlanVersion;
  plan->Reserved = 0;
  plan->FolderListOffset = kPlanRecordSize;
  plan->FolderListSize = chars * static_cast<uint32_t>(sizeof(wchar_t));
  const bool written = WriteExactly(temp.Get(), plan, kPlanRecordSize) &&
                       WriteExactly(temp.Get(), list, plan->FolderListSize);
  return CommitTempPlan(driveIndex, &temp, written);
}

BkupResult UpdatePlan(int driveIndex, const _BKUP_PLAN* plan) {
  if (BkupResult r = CheckTargetVolume(driveIndex)) return r;
  if (!plan) return kResultInvalid;
  // Read and write access without sharing, as for an update in place: no
  // other writer can change the plan while it is copied.
  EngineFile source = OpenPlan(driveIndex, GENERIC_READ | GENERIC_WRITE, 0);
  if (!source) return kResultWriteError;
  _BKUP_PLAN stored;
  if (BkupResult r = ReadPlanRecord(source.Get(), &stored)) return r;
  if (!SamePlanName(stored, *plan)) return kResultInvalid;  // the disk holds another plan
  std::memcpy(reinterpret_cast<uint8_t*>(&stored) + kRunTimesOffset,
              reinterpret_cast<const uint8_t*>(plan) + kRunTimesOffset, kRunTimesBytes);

  EngineFile temp = CreateTempPlan(driveIndex);
  if (!temp) return kResultWriteError;
  BkupResult copied = WriteExactly(temp.Get(), &stored, kPlanRecordSize)
                          ? CopyAfterRecord(source.Get(), temp.Get())
                          : kResultWriteError;
  source.Reset();  // the move below replaces this file
  if (copied != kResultOk) {
    temp.Reset();
    FileSystem().DeleteFile(TempPlanPath(driveIndex).c_str());
    return copied;
  }
  return CommitTempPlan(driveIndex, &temp, true);
}

BkupResult LoadPlan(int driveIndex, _BKUP_PLAN* plan, std::vector<wchar_t>* list) {
  if (list) list->clear();
  if (BkupResult r = CheckTargetVolume(driveIndex)) return r;
  if (!plan) return kResultInvalid;
  EngineFile file = OpenPlanForReading(driveIndex);
  if (!file) return kResultReadError;
  if (BkupResult r = ReadPlanRecord(file.Get(), plan)) return r;
  if (!list) return kResultOk;
  return ReadFolderList(file.Get(), *plan, list);
}

// True for a backup set of ours, of any plan: a whole header with the set
// magic and a version we know.
bool IsOurSet(const std::wstring& path) {
  EngineFile file(FileSystem().CreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  if (!file) return false;
  _BKUPFILE_HEADER header;
  return ReadExact(file.Get(), &header, kSetHeaderSize) && IsOurSetHeader(header);
}

// The names of the files (not folders) in `folder` that end in ".bkup".
std::vector<std::wstring> ListSetFiles(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  EngineFind find(FileSystem().FindFirstFile((folder + L"\\*" + kSetExtension).c_str(), &data));
  if (!find) return names;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      names.emplace_back(data.cFileName);
  } while (FileSystem().FindNextFile(find.Get(), &data));
  return names;
}

// Sets are named by their start time, so the names sorted in reverse give the
// newest first. A set may take files from any older one, so deleting newest
// first and stopping at the first set that stays leaves only older sets, each
// still whole with everything it needs.
std::vector<std::wstring> OurSetsNewestFirst(const std::wstring& backup) {
  std::vector<std::wstring> paths;
  for (const std::wstring& name : ListSetFiles(backup)) {
    const std::wstring path = InFolder(backup, name.c_str());
    if (IsOurSet(path)) paths.push_back(path);
  }
  std::sort(paths.rbegin(), paths.rend());
  return paths;
}

bool Gone(const std::wstring& path) {
  return FileSystem().DeleteFile(path.c_str()) ||
         FileSystem().GetFileAttributes(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

BkupResult DeletePlanAndDataOf(int driveIndex) {
  if (BkupResult r = CheckTargetVolume(driveIndex)) return r;
  const std::wstring root = RootFolderPath(driveIndex);
  const std::wstring logs = LogFolderPath(driveIndex);
  const std::wstring backup = BackupFolderPath(driveIndex);

  for (const wchar_t* name : kLogFileNames) FileSystem().DeleteFile(InFolder(logs, name).c_str());
  // The list is taken first so that deleting does not disturb the search.
  bool setStays = false;
  for (const std::wstring& path : OurSetsNewestFirst(backup)) {
    if (Gone(path)) continue;
    setStays = true;
    break;
  }
  // Sets that stay keep their plan, so that they can still be restored.
  const bool planStays = setStays || !Gone(PlanFilePath(driveIndex));
  FileSystem().DeleteFile(TempPlanPath(driveIndex).c_str());
  // Each removal succeeds only on an empty folder, so files of others keep theirs.
  FileSystem().RemoveDirectory(logs.c_str());
  FileSystem().RemoveDirectory(backup.c_str());
  FileSystem().RemoveDirectory(root.c_str());
  return planStays ? kResultWriteError : kResultOk;
}

template <class Body>
BkupResult Guarded(Body&& body) {
  try {
    return body();
  } catch (...) {
    return kResultException;
  }
}

}  // namespace

BkupResult SavePlanFile(int driveIndex, _BKUP_PLAN* plan, const wchar_t* folderList,
                        uint32_t folderListChars) {
  return Guarded([&] { return SavePlan(driveIndex, plan, folderList, folderListChars); });
}

BkupResult UpdatePlanFile(int driveIndex, const _BKUP_PLAN* plan) {
  return Guarded([&] { return UpdatePlan(driveIndex, plan); });
}

BkupResult CheckPlanFile(int driveIndex, _BKUP_PLAN* plan) {
  return Guarded([&] { return LoadPlan(driveIndex, plan, nullptr); });
}

BkupResult CheckDriveAndPlan(int driveIndex, const _BKUP_PLAN& plan) {
  _BKUP_PLAN stored;
  BkupResult r = CheckPlanFile(driveIndex, &stored);
  if (r != kResultOk) return r;
  return SamePlanName(stored, plan) ? kResultOk : kResultInvalid;
}

BkupResult LoadPlanFile(int driveIndex, _BKUP_PLAN* plan, std::vector<wchar_t>* folderList) {
  BkupResult r = Guarded([&] { return LoadPlan(driveIndex, plan, folderList); });
  if (r != kResultOk && folderList) folderList->clear();
  return r;
}

BkupResult DeletePlanAndData(int driveIndex) {
  return Guarded([&] { return DeletePlanAndDataOf(driveIndex); });
}

}  // namespace vk
