#include "restore/Catalogue.h"

#include <cstring>
#include <cwchar>
#include <memory>

#include "engine/EngineUtil.h"
#include "engine/FileSystem.h"
#include "engine/PlanFile.h"
#include "engine/TargetVolume.h"
#include "restore/DataBlock.h"

namespace vk {
namespace {

// What the enumeration makes of one file of the Backup folder.
SetHeaderState ExamineSetFile(const std::wstring& path, const _BKUP_PLAN& plan,
                              _BKUPFILE_HEADER* header) {
  EngineFile file(FileSystem().CreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  if (!file) return SetHeaderState::kUnusable;
  std::memset(header, 0, sizeof(*header));
  DWORD got = 0;
  if (!FileSystem().ReadFile(file.Get(), header, sizeof(*header), &got)) got = 0;
  return CheckSetHeader(*header, got, plan.PlanName);
}

}  // namespace

const FILETIME* RestoreLimit(const SYSTEMTIME* limit, FILETIME* storage) {
  if (limit == nullptr || !::SystemTimeToFileTime(limit, storage)) return nullptr;
  if (storage->dwLowDateTime == 0 && storage->dwHighDateTime == 0) return nullptr;
  return storage;
}

BkupResult ReadSetHeader(HANDLE archive, _BKUPFILE_HEADER* header) {
  if (!SeekTo(archive, 0)) return DiskFullOr(kResultReadError);
  if (ReadExactly(archive, header, sizeof(*header)) != ReadOutcome::kWhole)
    return DiskFullOr(kResultReadError);
  return IsOurSetHeader(*header) ? kResultOk : kResultInvalid;
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
    EngineFind find(FileSystem().FindFirstFile(pattern.c_str(), &found));
    if (!find) return kResultOk;
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      std::wstring path = folder + L"\\" + found.cFileName;
      _BKUPFILE_HEADER header;
      switch (ExamineSetFile(path, plan, &header)) {
        case SetHeaderState::kIncomplete:
          FileSystem().DeleteFile(path.c_str());  // left by a run that never finished
          break;
        case SetHeaderState::kUsable:
          if (headers != nullptr && *count < capacity) headers[*count] = header;
          ++*count;
          break;
        default:
          break;
      }
    } while (FileSystem().FindNextFile(find.Get(), &found));
    return kResultOk;
  } catch (...) {
    return kResultException;
  }
}

Catalogue::~Catalogue() { context.ResetRun(); }

Catalogue* OpenCatalogue(int driveIndex, const _BKUP_PLAN& plan, const SYSTEMTIME* limit) {
  try {
    if (CheckDriveAndPlan(driveIndex, plan) != kResultOk) return nullptr;
    std::unique_ptr<Catalogue> catalogue(new Catalogue);
    CBkupEngine& context = catalogue->context;
    std::wstring folder = BackupFolderPath(driveIndex);
    if (!catalogue->entryBuffer.Allocate(kWorkBufferSize)) return nullptr;
    FILETIME limitTime;
    if (!OpenBackupSets(context, folder, plan, RestoreLimit(limit, &limitTime)) ||
        context.index.openSets.empty())
      return nullptr;
    HANDLE newest = context.index.openSets.rbegin()->second.File.Get();
    _BKUPFILE_HEADER header;
    if (ReadSetHeader(newest, &header) != kResultOk) return nullptr;
    CTFile& window = context.index.previous;
    window.buffer = catalogue->entryBuffer.Data();
    window.bufferSize = kWorkBufferSize;
    // An empty index is browsed as empty, never from the header's bytes.
    if (header.IndexSize != 0)
      window.Attach(newest, header.IndexOffset, header.IndexSize);
    else
      window.Attach(newest, 0, 0);
    return catalogue.release();
  } catch (...) {
    return nullptr;
  }
}

const IndexRecord* ReadCatalogueEntry(Catalogue* catalogue, uint64_t offset) {
  if (catalogue == nullptr) return nullptr;
  if (!ReadIndexRecord(catalogue->context.index.previous, offset, &catalogue->record))
    return nullptr;
  return &catalogue->record;
}

void CloseCatalogue(Catalogue* catalogue) {
  try {
    delete catalogue;
  } catch (...) {
  }
}

BkupResult CopyIndexToTemp(HANDLE archive, CBkupEngine& context, BkupResult* shortCopy) {
  *shortCopy = kResultOk;
  _BKUPFILE_HEADER header;
  BkupResult r = ReadSetHeader(archive, &header);
  if (r != kResultOk) return r;
  if (header.IndexSize == 0) return kResultOk;
  PageBuffer piece;
  if (!piece.Allocate(kCopyPieceSize)) return kResultNoMemory;
  if (!SeekTo(archive, header.IndexOffset)) return DiskFullOr(kResultReadError);
  // The index is the last area of a set; copying no more than IndexSize keeps
  // stray bytes after it (a damaged or foreign file) out of the copy.
  CTFile& temp = context.index.previous;
  uint64_t copied = 0;
  while (copied < header.IndexSize) {
    uint64_t left = header.IndexSize - copied;
    DWORD want = left < kCopyPieceSize ? static_cast<DWORD>(left) : kCopyPieceSize;
    DWORD got = 0;
    if (!FileSystem().ReadFile(archive, piece.Data(), want, &got)) {
      *shortCopy = DiskFullOr(kResultReadError);
      break;
    }
    if (got == 0) {
      *shortCopy = kResultInvalid;  // the set ends inside its index
      break;
    }
    uint32_t put = 0;
    if (!temp.Write(copied, piece.Data(), got, &put) || put != got)
      return kResultTempIndexError;
    copied += got;
  }
  temp.Attach(temp.handle, 0, copied);
  return kResultOk;
}

}  // namespace vk
