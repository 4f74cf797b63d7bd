// Types shared by every engine job: result codes, the progress contract, the
// plan record, the backup-set records and the names used on a target volume.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

#include "common/Handle.h"
#include "engine/FileSystem.h"

namespace vk {

// ---- Result codes of engine jobs and plan-file operations -----------------
enum BkupResult : uint32_t {
  kResultOk = 0,
  kResultStopped = 1,          // the progress callback asked to stop
  kResultInvalid = 2,          // bad target, foreign/newer plan, bad data
  kResultDiskFull = 3,         // a write failed with ERROR_DISK_FULL
  kResultNoMemory = 4,         // a work buffer could not be allocated
  kResultReadError = 5,        // a file could not be opened or read
  kResultWriteError = 6,       // a file on the target could not be written
  kResultSkipItem = 7,         // internal to the data passes; never returned
  kResultTargetGone = 8,       // set by the job thread, not by the engine
  kResultTempIndexError = 9,   // the temporary index file failed
  kResultException = 255,      // an exception was caught in an entry point
};

// ---- Progress callback ------------------------------------------------------
enum ProgressPhase : uint32_t {
  kPhaseBackup = 1,
  kPhaseRestore = 2,
  kPhaseOverwriteQuery = 3,  // path argument carries an _OVERWRITE_QUERY*
};

// Returns 0 to go on, non-zero to stop the job. percent is 0..99.
typedef int(__stdcall* BkupProgressCallback)(uint32_t phase, const wchar_t* path,
                                             uint32_t percent, void* userData);

constexpr uint32_t kMaxReportedPercent = 99;

// ---- Sizes ------------------------------------------------------------------
constexpr uint32_t kWorkBufferSize = 1572864;  // 0x180000, each of the four job buffers
constexpr uint32_t kBlockSize = 524288;        // 0x80000, source bytes per data block
// Files copied through a buffer (an index into or out of a set, a log's
// history) move this many bytes per read.
constexpr uint32_t kCopyPieceSize = kBlockSize;
constexpr int kFirstDrive = 0;                 // A:
constexpr int kLastDrive = 25;                 // Z:
constexpr size_t kMaxTextChars = 260;          // fixed text fields: 259 characters + terminator

// ---- Names on the target volume ---------------------------------------------
constexpr wchar_t kRootFolderName[] = L"CorvaneVaultkeep";
constexpr wchar_t kBackupFolderName[] = L"Backup";
constexpr wchar_t kLogFolderName[] = L"Log";
constexpr wchar_t kPlanFileName[] = L"Backup.plan";
constexpr wchar_t kSetExtension[] = L".bkup";
constexpr wchar_t kTempIndexName[] = L"Arkwell.tmp";
constexpr wchar_t kRequiredFileSystem[] = L"NTFS";

// Logs in X:\CorvaneVaultkeep\Log; a run writes the "_" work files and
// renames them over the logs at its end.
constexpr wchar_t kBackupSummaryLog[] = L"storage-backup.log";
constexpr wchar_t kBackupDetailLog[] = L"backup-detail.log";
constexpr wchar_t kRestoreSummaryLog[] = L"storage-restore.log";
constexpr wchar_t kRestoreDetailLog[] = L"restore-detail.log";
constexpr wchar_t kBackupSummaryWork[] = L"_storage-backup.log";
constexpr wchar_t kBackupDetailWork[] = L"_backup-detail.log";
constexpr wchar_t kRestoreSummaryWork[] = L"_storage-restore.log";
constexpr wchar_t kRestoreDetailWork[] = L"_restore-detail.log";

constexpr wchar_t kRootPathPattern[] = L"%C:\\%s";                // X:\CorvaneVaultkeep
constexpr wchar_t kSubFolderPattern[] = L"%C:\\%s\\%s";           // X:\CorvaneVaultkeep\Backup
constexpr wchar_t kPlanPathPattern[] = L"%C:\\%s\\%s\\%s";        // ...\Backup\Backup.plan
constexpr wchar_t kSetNamePattern[] = L"%04d%02d%02d%02d%02d%02d%03d%s";  // 17 digits + ".bkup"
constexpr wchar_t kPlanNamePattern[] = L"%04d%02d%02d%02d%02d%02d";       // new plan's default name

#pragma pack(push, 1)

// ---- Plan record: 705 bytes, the head of Backup.plan -------------------------
constexpr char kPlanMagic[] = "CVNBKUPPLAN2017 ";  // 16 characters + the zero byte
constexpr uint16_t kPlanVersion = 1;
constexpr size_t kPlanNameChars = 33;   // 31 characters + terminator, field of 66 bytes
constexpr uint32_t kPlanRecordSize = 705;

enum PlanFrequency : uint32_t {
  kFreqNone = 0,
  kFreqMonthly = 1,
  kFreqWeekly = 2,
  kFreqDaily = 3,
  kFreqHourly = 4,
};
constexpr uint32_t kLastDayOfMonth = 32;

struct _BKUP_PLAN {
  char Magic[17];
  uint16_t Version;
  uint16_t Reserved;
  uint32_t OwnerPcId;
  wchar_t OwnerUser[kMaxTextChars + 1];
  wchar_t PlanName[kPlanNameChars];
  uint32_t Frequency;
  uint32_t DayOfMonth;
  uint32_t Weekday;
  uint32_t Hour;
  uint32_t Minute;
  SYSTEMTIME NextRun;
  SYSTEMTIME LastRun;
  uint32_t FolderListOffset;
  uint32_t FolderListSize;
  uint8_t Reserved2[32];
};

static_assert(sizeof(_BKUP_PLAN) == kPlanRecordSize, "plan record size");
static_assert(offsetof(_BKUP_PLAN, Magic) == 0, "");
static_assert(offsetof(_BKUP_PLAN, Version) == 17, "");
static_assert(offsetof(_BKUP_PLAN, Reserved) == 19, "");
static_assert(offsetof(_BKUP_PLAN, OwnerPcId) == 21, "");
static_assert(offsetof(_BKUP_PLAN, OwnerUser) == 25, "");
static_assert(offsetof(_BKUP_PLAN, PlanName) == 547, "");
static_assert(offsetof(_BKUP_PLAN, Frequency) == 613, "");
static_assert(offsetof(_BKUP_PLAN, DayOfMonth) == 617, "");
static_assert(offsetof(_BKUP_PLAN, Weekday) == 621, "");
static_assert(offsetof(_BKUP_PLAN, Hour) == 625, "");
static_assert(offsetof(_BKUP_PLAN, Minute) == 629, "");
static_assert(offsetof(_BKUP_PLAN, NextRun) == 633, "");
static_assert(offsetof(_BKUP_PLAN, LastRun) == 649, "");
static_assert(offsetof(_BKUP_PLAN, FolderListOffset) == 665, "");
static_assert(offsetof(_BKUP_PLAN, FolderListSize) == 669, "");
static_assert(offsetof(_BKUP_PLAN, Reserved2) == 673, "");

// ---- Backup-set header: 183 bytes at offset 0 of every set --------------------
constexpr char kSetMagic[] = "CORVANEBKUP2017 ";  // 16 characters + the zero byte
constexpr size_t kMagicCompareBytes = 16;
constexpr uint16_t kSetVersion = 1;
constexpr uint32_t kSetFlagCreated = 0x00000001;
constexpr uint32_t kSetFlagComplete = 0x80000000;
constexpr uint32_t kSetHeaderSize = 183;

struct _BKUPFILE_HEADER {
  char Magic[17];
  uint16_t Version;
  uint16_t Reserved;
  wchar_t PlanName[kPlanNameChars];
  uint32_t Flags;
  uint32_t FolderCount;
  uint32_t FileCount;
  uint32_t Sequence;
  uint64_t IndexOffset;
  uint64_t IndexSize;
  uint64_t DataOffset;
  uint64_t DataSize;
  SYSTEMTIME BackupTime;
  uint8_t Reserved2[32];
};

static_assert(sizeof(_BKUPFILE_HEADER) == kSetHeaderSize, "set header size");
static_assert(offsetof(_BKUPFILE_HEADER, Version) == 17, "");
static_assert(offsetof(_BKUPFILE_HEADER, Reserved) == 19, "");
static_assert(offsetof(_BKUPFILE_HEADER, PlanName) == 21, "");
static_assert(offsetof(_BKUPFILE_HEADER, Flags) == 87, "");
static_assert(offsetof(_BKUPFILE_HEADER, FolderCount) == 91, "");
static_assert(offsetof(_BKUPFILE_HEADER, FileCount) == 95, "");
static_assert(offsetof(_BKUPFILE_HEADER, Sequence) == 99, "");
static_assert(offsetof(_BKUPFILE_HEADER, IndexOffset) == 103, "");
static_assert(offsetof(_BKUPFILE_HEADER, IndexSize) == 111, "");
static_assert(offsetof(_BKUPFILE_HEADER, DataOffset) == 119, "");
static_assert(offsetof(_BKUPFILE_HEADER, DataSize) == 127, "");
static_assert(offsetof(_BKUPFILE_HEADER, BackupTime) == 135, "");
static_assert(offsetof(_BKUPFILE_HEADER, Reserved2) == 151, "");

// ---- Index record: 96 fixed bytes, then the zero-terminated path --------------
constexpr uint32_t kEntryFixedSize = 96;
constexpr uint32_t kMaxEntrySize = 524288;                       // whole record, at most
constexpr uint32_t kMaxEntryTail = kMaxEntrySize - kEntryFixedSize;  // 524,192
constexpr uint32_t kAttrFolder = FILE_ATTRIBUTE_DIRECTORY;       // 0x10

struct _BKUPFILE_ENTRY {
  uint32_t Length;
  uint32_t Attributes;
  uint64_t LastWriteTime;  // FILETIME as one 64-bit value
  uint64_t Size;
  uint8_t Reserved[32];
  uint32_t Sequence;
  uint64_t DataOffset;
  uint32_t BlockCount;
  uint64_t FirstChild;
  uint64_t NextSibling;
  uint32_t NameOffset;
  uint32_t PathOffset;
  // wchar_t Path[] follows.
};

static_assert(sizeof(_BKUPFILE_ENTRY) == kEntryFixedSize, "index record size");
static_assert(offsetof(_BKUPFILE_ENTRY, Attributes) == 4, "");
static_assert(offsetof(_BKUPFILE_ENTRY, LastWriteTime) == 8, "");
static_assert(offsetof(_BKUPFILE_ENTRY, Size) == 16, "");
static_assert(offsetof(_BKUPFILE_ENTRY, Reserved) == 24, "");
static_assert(offsetof(_BKUPFILE_ENTRY, Sequence) == 56, "");
static_assert(offsetof(_BKUPFILE_ENTRY, DataOffset) == 60, "");
static_assert(offsetof(_BKUPFILE_ENTRY, BlockCount) == 68, "");
static_assert(offsetof(_BKUPFILE_ENTRY, FirstChild) == 72, "");
static_assert(offsetof(_BKUPFILE_ENTRY, NextSibling) == 80, "");
static_assert(offsetof(_BKUPFILE_ENTRY, NameOffset) == 88, "");
static_assert(offsetof(_BKUPFILE_ENTRY, PathOffset) == 92, "");

// ---- Data block header: 8 bytes in front of each zlib stream -----------------
struct _BKUPFILE_BLOCK {
  uint32_t CompressedSize;
  uint32_t UncompressedSize;
};

static_assert(sizeof(_BKUPFILE_BLOCK) == 8, "block header size");
static_assert(offsetof(_BKUPFILE_BLOCK, UncompressedSize) == 4, "");

#pragma pack(pop)

// ---- Open-set map value -------------------------------------------------------
// The archive's handle (read, shared for reading) and a copy of its header.
// The map owns the handle; emptying the map at the job's end closes it.
struct _BACKUP_MAP {
  EngineFile File;
  _BKUPFILE_HEADER Header;
};

}  // namespace vk
