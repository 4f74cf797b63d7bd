#include "restore/Catalogue.h"

#include <cstring>
#include <cwchar>

#include "engine/FileSystem.h"
#include "engine/PlanFile.h"
#include "engine/BackupRun.h"
#include "engine/TargetVolume.h"
#include "restore/DataBlock.h"

namespace vk {
namespace {

constexpr uint32_t kIndexCopyPiece = 524288;  // 0x80000

bool SeekTo(HANDLE h, uint64_t offset) {
  LARGE_INTEGER want, got;
  want.QuadPart = static_cast<LONGLONG>(offset);
  return FileSystem().SetFilePointerEx(h, want, &got, FILE_BEGIN) &&
         got.QuadPart == want.QuadPart;
}

bool IsCompleteHeaderOfPlan(const _BKUPFILE_HEADER& header, const _BKUP_PLAN& plan) {
  if ((header.Flags & kSetFlagComplete) == 0) return false;
  wchar_t a[kPlanNameChars + 1] = {}, b[kPlanNameChars + 1] = {};
  std::memcpy(a, header.PlanName, sizeof(header.PlanName));
  std::memcpy(b, plan.PlanName, sizeof(plan.PlanName));
  return ::_wcsicmp(a, b) == 0;
}

}  // namespace

BkupResult CheckDriveAndPlan(int driveIndex, const _BKUP_PLAN& plan) {
  BkupResult r = CheckTargetVolume(driveIndex);
  if (r != kResultOk) return r;
  _BKUP_PLAN stored;
  r = static_cast<BkupResult>(CheckPlanFile(driveIndex, &stored));
  if (r != kResultOk) return r;
  return ::wcsncmp(stored.PlanName, plan.PlanName, kPlanNameChars) == 0 ? kResultOk
                                                                         : kResultInvalid;
}

BkupResult ReadSetHeader(HANDLE archive, _BKUPFILE_HEADER* header) {
  if (!SeekTo(archive, 0)) return DiskFullOr(kResultReadError);
  DWORD done = 0;
  if (!FileSystem().ReadFile(archive, header, sizeof(*header), &done) ||
      done != sizeof(*header))
    return DiskFullOr(kResultReadError);
  if (std::memcmp(header->Magic, kSetMagic, kMagicCompareBytes) != 0 ||
      header->Version > kSetVersion)
    return kResultInvalid;
  return kResultOk;
}

BkupResult ListBackupSets(int driveIndex, const _BKUP_PLAN& plan, _BKUPFILE_HEADER* headers,
                          uint32_t capacity, uint32_t* count) {
  try {
    *count = 0;
    BkupResult r = CheckDriveAndPlan(driveIndex, plan);
    if (r != kResultOk) return r;
    std::wstring folder = BackupFolderPath(driveIndex);
    std::wstring pattern = folder + L"\\*" + kSetExtension;
    WIN32_FIND_DATAW found;
    DoorFind find(FileSystem().FindFirstFile(pattern.c_str(), &found));
    if (!find) return kResultOk;
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      std::wstring path = folder + L"\\" + found.cFileName;
      _BKUPFILE_HEADER header;
      {
        DoorFile file(FileSystem().CreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
        if (!file || ReadSetHeader(file.Get(), &header) != kResultOk) continue;
      }
      if ((header.Flags & kSetFlagComplete) == 0) {
        FileSystem().DeleteFile(path.c_str());  // left by a run that never finished
        continue;
      }
      if (!IsCompleteHeaderOfPlan(header, plan)) continue;
      if (headers != nullptr && *count < capacity) headers[*count] = header;
      ++*count;
    } while (FileSystem().FindNextFile(find.Get(), &found));
    return kResultOk;
  } catch (...) {
    return kResultException;
  }
}

Catalogue::~Catalogue() { context.Reset(); }

Catalogue* OpenCatalogue(int driveIndex, const _BKUP_PLAN& plan, const SYSTEMTIME* limit) {
  try {
    if (CheckDriveAndPlan(driveIndex, plan) != kResultOk) return nullptr;
    std::unique_ptr<Catalogue> catalogue(new Catalogue);
    CBkupEngine& context = catalogue->context;
    context.Reset();
    std::wstring folder = BackupFolderPath(driveIndex);
    if (!catalogue->readBuffer.Allocate(kWorkBufferSize) ||
        !catalogue->compressBuffer.Allocate(kWorkBufferSize) ||
        !catalogue->entryBuffer.Allocate(kWorkBufferSize))
      return nullptr;
    OpenBackupSets(context, folder.c_str(), plan, limit);
    if (context.openSets.empty()) return nullptr;
    _BACKUP_MAP& newest = context.openSets.rbegin()->second;
    _BKUPFILE_HEADER header;
    if (ReadSetHeader(newest.File.Get(), &header) != kResultOk) return nullptr;
    context.previousIndex.handle = newest.File.Get();
    context.previousIndex.buffer = catalogue->entryBuffer.Data();
    if (header.IndexSize != 0) {
      context.previousIndex.base = header.IndexOffset;
      context.previousIndex.length = header.IndexSize;
    }
    return catalogue.release();
  } catch (...) {
    return nullptr;
  }
}

const IndexEntryView* ReadCatalogueEntry(Catalogue* catalogue, uint64_t offset) {
  if (catalogue == nullptr) return nullptr;
  if (!ReadIndexEntry(catalogue->context.previousIndex, offset, &catalogue->entry))
    return nullptr;
  return &catalogue->entry;
}

void CloseCatalogue(Catalogue* catalogue) {
  try {
    delete catalogue;
  } catch (...) {
  }
}

BkupResult CopyIndexToTemp(HANDLE archive, CBkupEngine& context) {
  _BKUPFILE_HEADER header;
  BkupResult r = ReadSetHeader(archive, &header);
  if (r != kResultOk) return r;
  if (header.IndexSize == 0) return kResultOk;
  PageBuffer piece;
  if (!piece.Allocate(kIndexCopyPiece)) return kResultNoMemory;
  if (!SeekTo(archive, header.IndexOffset)) return DiskFullOr(kResultReadError);
  // The index is the last area of a set; copying no more than IndexSize keeps
  // stray bytes after it (a damaged or foreign file) out of the copy.
  uint64_t copied = 0;
  while (copied < header.IndexSize) {
    uint64_t left = header.IndexSize - copied;
    DWORD want = left < kIndexCopyPiece ? static_cast<DWORD>(left) : kIndexCopyPiece;
    DWORD got = 0;
    if (!FileSystem().ReadFile(archive, piece.Data(), want, &got) || got == 0)
      break;  // a read error ends the copy like the end of the file
    uint32_t put = 0;
    if (!context.previousIndex.Write(copied, piece.Data(), got, &put) || put != got)
      return kResultTempIndexError;
    copied += got;
  }
  context.previousIndex.length = copied;
  return kResultOk;
}

}  // namespace vk
