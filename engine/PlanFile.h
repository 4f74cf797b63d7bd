// The plan file Backup.plan in X:\CorvaneVaultkeep\Backup: the 705-byte plan
// record followed by the plan's folder list. The plan travels with the disk,
// so everything read from it is treated as untrusted.
//
// Every operation takes the drive index (0 = A:) of the target volume, checks
// the volume first (kResultInvalid when it cannot hold backups), returns a
// result code and never lets an exception escape (kResultException).
#pragma once
#include <cstdint>
#include <vector>

#include "engine/BkupTypes.h"

namespace vk {

// Writers build the new plan in this file beside Backup.plan and then move it
// over the plan, so an interrupted write leaves the old plan or the new one.
constexpr wchar_t kPlanTempFileName[] = L"Backup.plan.tmp";

// The largest folder list a plan may carry. A list above it is refused when
// saving and reported as invalid data when loading, so a damaged size field
// on a disk cannot make a reader allocate without bound.
constexpr uint32_t kMaxFolderListBytes = 16u * 1024 * 1024;

// Writes the plan and its folder list, replacing any plan on the volume.
// `folderListChars` counts the characters of the double-zero-terminated list,
// terminators included (0: no list). Sets Magic, Version, Reserved,
// FolderListOffset and FolderListSize in `plan`; other fields are stored as
// given. kResultOk, kResultInvalid (bad volume, missing or unterminated or
// oversized list), kResultWriteError, kResultException.
BkupResult SavePlanFile(int driveIndex, _BKUP_PLAN* plan, const wchar_t* folderList,
                        uint32_t folderListChars);

// Rewrites NextRun and LastRun of the stored plan with those of `plan`; no other
// byte of the file changes. Refuses (kResultInvalid) a foreign or newer file and
// a stored plan whose PlanName differs from plan->PlanName (case-sensitive):
// the disk then holds another plan. kResultOk, kResultInvalid,
// kResultReadError, kResultWriteError, kResultException.
BkupResult UpdatePlanFile(int driveIndex, const _BKUP_PLAN* plan);

// Reads the plan record into `plan`; the bytes read stay there whatever the
// result. kResultOk, kResultInvalid (foreign or newer file), kResultReadError
// (missing, unreadable or shorter than a record), kResultException.
BkupResult CheckPlanFile(int driveIndex, _BKUP_PLAN* plan);

// The check every job on a drive starts with: the drive can hold backups, its
// Backup.plan is readable and ours (CheckPlanFile's results), and it holds the
// caller's plan, the names compared exactly (else kResultInvalid).
BkupResult CheckDriveAndPlan(int driveIndex, const _BKUP_PLAN& plan);

// Reads the plan record and, when `folderList` is not null, the folder list.
// The list comes back with two zero guard bytes after the stored bytes (an odd
// stored size is rounded down), so it always ends in a zero character; it is
// empty when the plan holds no list or on any failure. Results as
// CheckPlanFile, plus kResultNoMemory, kResultReadError for a list that lies
// beyond the end of the file and kResultInvalid for one that is not
// double-zero-terminated or larger than kMaxFolderListBytes.
BkupResult LoadPlanFile(int driveIndex, _BKUP_PLAN* plan, std::vector<wchar_t>* folderList);

// Deletes the plan with all its data: the eight log and log work files, every
// backup set of ours (any plan), the plan file and a temporary plan file left
// behind by an interrupted write, then the Log, Backup and root folders where
// they are empty by then. Files of others stay, and so do their folders.
// Sets go newest first; a set that cannot be deleted stops the deletion of
// the older ones it may draw on, and keeps the plan file, so what is left
// can still be restored. kResultOk, kResultWriteError (a set or the plan
// stayed; a failed log deletion is not counted), kResultInvalid,
// kResultException.
BkupResult DeletePlanAndData(int driveIndex);

}  // namespace vk
