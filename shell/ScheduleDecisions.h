// The decisions the tray window takes at its timers and after each job: which
// plan is due, which runs were missed or aborted, and which schedule the
// settings remember while its drive is away. The window lends its drive list
// and carries out the actions through ScheduleHost, so every rule runs in a
// test without windows, disks or a clock.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/IconKind.h"
#include "shell/ScheduleRules.h"
#include "shell/Settings.h"

namespace vk {

// A scheduled backup needs more than this share of the partition free.
constexpr uint64_t kMinFreePercent = 5;

// What the rules ask of the tray window.
class ScheduleHost {
 public:
  virtual ~ScheduleHost() = default;
  // A corner notification; `closesByItself` = it closes after 60 seconds.
  virtual void ShowNotification(const std::wstring& text, IconKind kind, bool closesByItself) = 0;
  // Writes the settings record to the registry.
  virtual void SaveSettings() = 0;
  // Writes the plan's NextRun and LastRun back to its partition; false when
  // the stored plan did not take them.
  virtual bool WritePlanTimes(int32_t planDrive, const _BKUP_PLAN& plan) = 0;
  // Reads drives[index]'s plan again from its partition together with its
  // folder list (kept by the host for StartScheduledBackup). False when it
  // cannot be read.
  virtual bool ReloadPlan(size_t index, _BKUP_PLAN& fresh) = 0;
  // Free and total bytes of the partition; false when it cannot be asked.
  virtual bool GetSpace(int32_t planDrive, uint64_t& freeBytes, uint64_t& totalBytes) = 0;
  // Starts the scheduled backup of drives[index] with the fresh plan and the
  // folder list of the last ReloadPlan; false when nothing was started.
  virtual bool StartScheduledBackup(size_t index, const _BKUP_PLAN& fresh) = 0;
};

// Bytes the user may still write to partition `planDrive` (0 = A) and its
// size, for ScheduleHost::GetSpace. False for a bad index or a partition that
// does not answer.
bool GetPartitionSpace(int32_t planDrive, uint64_t& freeBytes, uint64_t& totalBytes);

// The times of a backup run that its stored plan did not take (the disk
// refused the write): the plan as the run started from it, and the plan with
// the run's times. While the stored plan is still the one the run started
// from, it would look due again; the due check then writes these times once
// more instead of starting the same run a second time.
struct UnwrittenRunTimes {
  bool pending = false;
  int32_t planDrive = 0;
  _BKUP_PLAN started = {};
  _BKUP_PLAN finished = {};
};

// Everything a rule reads and changes besides the drive list.
struct ScheduleContext {
  OwnerIdentity owner;
  _SCHEDULE_SETTINGS* settings;
  ScheduleHost* host;
  UnwrittenRunTimes* unwritten = nullptr;  // kept by the tray between checks
};

constexpr int kNoBackupStarted = -1;

// Remembers the earliest own schedule among the drives (ties go to the later
// drive) and saves the settings. With no own plan the record keeps its
// previous schedule, so it outlives the removal of its drive.
void UpdateScheduleReminder(const std::vector<DrivePlan>& drives, const ScheduleContext& ctx);

// Empties the remembered schedule (the plan was deleted); the run flags stay.
void ClearScheduleReminder(const ScheduleContext& ctx);

// The tray window runs the due check only while idle.
bool DueCheckAllowed(bool jobRunning, bool mainWindowOpen, uint32_t modalCount);

// The due check: starts the first own plan that is due and has room, and
// reschedules the due ones without room. Returns the index of the drive
// whose backup started, or kNoBackupStarted; in that case a remembered run
// that passed while its drive was away is announced, once. Times the disk
// refused after the last run (ctx.unwritten) are written again first.
int RunDueCheck(std::vector<DrivePlan>& drives, const ScheduleContext& ctx, const SYSTEMTIME& now);

// After a refresh: overdue own plans on newly attached drives are announced
// and rescheduled, never run.
void AnnounceMissedRuns(std::vector<DrivePlan>& drives, const ScheduleContext& ctx,
                        const SYSTEMTIME& now);

// After the first refresh at start: runs that the program's end cut short,
// then the coming remembered run.
void ShowStartupReminders(const ScheduleContext& ctx, const SYSTEMTIME& now);

// Marks a backup or restore run as in progress (true) or ended (false).
enum class JobKind { kBackup, kRestore };
void MarkJobRunning(const ScheduleContext& ctx, JobKind kind, bool running);

// After a backup run of `plan` (a copy of the plan on `planDrive`): records
// the start time of a successful run, computes the next run from `now` and
// writes both times back (kept in ctx.unwritten when the disk refuses them);
// a scheduled run that failed is reported.
void FinishBackupRun(const ScheduleContext& ctx, int32_t planDrive, _BKUP_PLAN& plan,
                     uint32_t result, const SYSTEMTIME& startTime, bool scheduled,
                     const SYSTEMTIME& now);

}  // namespace vk
