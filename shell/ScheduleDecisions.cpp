#include "shell/ScheduleDecisions.h"

#include <cstring>
#include <cwchar>

#include "engine/FileSystem.h"
#include "shell/AppTexts.h"

namespace vk {
namespace {

bool IsOwn(const DrivePlan& drive, const ScheduleContext& ctx) {
  return IsOwnPlan(drive, ctx.owner.pcId, ctx.owner.user.c_str());
}

// Due = the next run is not later than now.
bool IsDue(const _BKUP_PLAN& plan, const SYSTEMTIME& now) {
  const SYSTEMTIME next = plan.NextRun;
  return CompareLocalTimes(next, now) <= 0;
}

SYSTEMTIME ReminderTime(const _SCHEDULE_SETTINGS& s) {
  return MakeLocalTime(static_cast<int>(s.ScheduleYear), static_cast<int>(s.ScheduleMonth),
                       static_cast<int>(s.ScheduleDay), static_cast<int>(s.ScheduleHour),
                       static_cast<int>(s.ScheduleMinute));
}

// Copies at most kMaxTextChars characters of a field of `fieldChars`.
void CopyName(wchar_t (&to)[kSettingsNameChars], const wchar_t* from, size_t fieldChars) {
  size_t chars = ::wcsnlen(from, fieldChars < kMaxTextChars ? fieldChars : kMaxTextChars);
  std::memcpy(to, from, chars * sizeof(wchar_t));
  std::memset(to + chars, 0, (kSettingsNameChars - chars) * sizeof(wchar_t));
}

bool HasRoom(uint64_t freeBytes, uint64_t totalBytes) {
  return freeBytes > (totalBytes / 100) * kMinFreePercent;
}

// A due plan without room: told, and moved to its next run.
void RescheduleForLackOfSpace(std::vector<DrivePlan>& drives, size_t index, _BKUP_PLAN& fresh,
                              const ScheduleContext& ctx, const SYSTEMTIME& now) {
  ctx.host->ShowNotification(GetString(txt::kNoticeLowSpace), kIconError, false);
  ComputeNextRun(fresh, now);
  *drives[index].plan = fresh;
  ctx.host->WritePlanTimes(drives[index].planDrive, fresh);
  UpdateScheduleReminder(drives, ctx);
}

// The remembered run passed while its drive was away: said once.
void AnnounceMissedWhileAbsent(const ScheduleContext& ctx, const SYSTEMTIME& now) {
  _SCHEDULE_SETTINGS& s = *ctx.settings;
  if (s.Schedule == kFreqNone || s.SchedulePopup != 0) return;
  if (CompareLocalTimes(ReminderTime(s), now) > 0) return;
  ctx.host->ShowNotification(GetString(txt::kNoticeMissedDeviceAbsent), kIconInformation, true);
  s.SchedulePopup = 1;
  ctx.host->SaveSettings();
}

// Writes again the times of a run that its stored plan refused, so that the
// plan does not look due and start the same run a second time. They are kept
// while the disk still refuses them, dropped once the stored plan is no
// longer the one the run started from (stored anew since) or once the run's
// next time has come (that run is due on its own).
void RetryUnwrittenTimes(std::vector<DrivePlan>& drives, const ScheduleContext& ctx,
                         const SYSTEMTIME& now) {
  UnwrittenRunTimes* kept = ctx.unwritten;
  if (kept == nullptr || !kept->pending) return;
  for (size_t i = 0; i < drives.size(); ++i) {
    if (drives[i].planDrive != kept->planDrive) continue;
    _BKUP_PLAN stored = {};
    if (!ctx.host->ReloadPlan(i, stored)) return;  // tried again at the next check
    if (std::memcmp(&stored, &kept->started, sizeof(stored)) != 0 ||
        CompareLocalTimes(kept->finished.NextRun, now) <= 0) {
      kept->pending = false;
      return;
    }
    *drives[i].plan = kept->finished;
    if (ctx.host->WritePlanTimes(kept->planDrive, kept->finished)) kept->pending = false;
    UpdateScheduleReminder(drives, ctx);
    return;
  }
}

}  // namespace

bool GetPartitionSpace(int32_t planDrive, uint64_t& freeBytes, uint64_t& totalBytes) {
  if (planDrive < kFirstDrive || planDrive > kLastDrive) return false;
  const wchar_t root[] = {static_cast<wchar_t>(L'A' + planDrive), L':', L'\\', 0};
  ULARGE_INTEGER available = {}, total = {};
  if (!FileSystem().GetDiskFreeSpaceEx(root, &available, &total, nullptr)) return false;
  freeBytes = available.QuadPart;
  totalBytes = total.QuadPart;
  return true;
}

void UpdateScheduleReminder(const std::vector<DrivePlan>& drives, const ScheduleContext& ctx) {
  const DrivePlan* kept = nullptr;
  SYSTEMTIME keptRun = {};
  for (const DrivePlan& drive : drives) {
    if (!IsOwn(drive, ctx)) continue;
    const SYSTEMTIME run = drive.plan->NextRun;
    if (kept == nullptr || CompareLocalTimes(run, keptRun) <= 0) {
      kept = &drive;
      keptRun = run;
    }
  }
  if (kept != nullptr) {
    _SCHEDULE_SETTINGS& s = *ctx.settings;
    s.Schedule = kept->plan->Frequency;
    CopyName(s.SchedulePlanName, kept->plan->PlanName, kPlanNameChars);
    CopyName(s.ScheduleFriendlyName, kept->caption ? kept->caption : L"", kMaxTextChars);
    s.ScheduleYear = keptRun.wYear;
    s.ScheduleMonth = keptRun.wMonth;
    s.ScheduleDay = keptRun.wDay;
    s.ScheduleHour = keptRun.wHour;
    s.ScheduleMinute = keptRun.wMinute;
    s.SchedulePopup = 0;
  }
  ctx.host->SaveSettings();
}

void ClearScheduleReminder(const ScheduleContext& ctx) {
  _SCHEDULE_SETTINGS& s = *ctx.settings;
  const uint32_t doingBackup = s.DoingBackup, doingRestore = s.DoingRestore;
  std::memset(&s, 0, sizeof(s));
  s.DoingBackup = doingBackup;
  s.DoingRestore = doingRestore;
  ctx.host->SaveSettings();
}

bool DueCheckAllowed(bool jobRunning, bool mainWindowOpen, uint32_t modalCount) {
  return !jobRunning && !mainWindowOpen && modalCount == 0;
}

int RunDueCheck(std::vector<DrivePlan>& drives, const ScheduleContext& ctx, const SYSTEMTIME& now) {
  RetryUnwrittenTimes(drives, ctx, now);
  for (size_t i = 0; i < drives.size(); ++i) {
    if (!IsOwn(drives[i], ctx) || !IsDue(*drives[i].plan, now)) continue;
    // The plan may have changed on its disk since the list was built.
    _BKUP_PLAN fresh = {};
    if (!ctx.host->ReloadPlan(i, fresh)) continue;
    DrivePlan freshDrive = drives[i];
    freshDrive.plan = &fresh;
    if (!IsOwn(freshDrive, ctx) || !IsDue(fresh, now)) continue;
    uint64_t freeBytes = 0, totalBytes = 0;
    // A partition that cannot be measured has gone: the next refresh drops it.
    if (!ctx.host->GetSpace(drives[i].planDrive, freeBytes, totalBytes)) continue;
    if (!HasRoom(freeBytes, totalBytes)) {
      RescheduleForLackOfSpace(drives, i, fresh, ctx, now);
      continue;
    }
    if (ctx.host->StartScheduledBackup(i, fresh)) return static_cast<int>(i);
  }
  AnnounceMissedWhileAbsent(ctx, now);
  return kNoBackupStarted;
}

void AnnounceMissedRuns(std::vector<DrivePlan>& drives, const ScheduleContext& ctx,
                        const SYSTEMTIME& now) {
  for (DrivePlan& drive : drives) {
    if (!drive.newlyAttached || !IsOwn(drive, ctx) || !IsDue(*drive.plan, now)) continue;
    ctx.host->ShowNotification(GetString(txt::kNoticeMissedDeviceAttached), kIconWarning, false);
    ComputeNextRun(*drive.plan, now);
    ctx.host->WritePlanTimes(drive.planDrive, *drive.plan);
    UpdateScheduleReminder(drives, ctx);
  }
}

void ShowStartupReminders(const ScheduleContext& ctx, const SYSTEMTIME& now) {
  _SCHEDULE_SETTINGS& s = *ctx.settings;
  if (s.DoingBackup != 0) {
    ctx.host->ShowNotification(GetString(txt::kNoticeBackupAborted), kIconError, false);
    s.DoingBackup = 0;
    ctx.host->SaveSettings();
  }
  if (s.DoingRestore != 0) {
    ctx.host->ShowNotification(GetString(txt::kNoticeRestoreAborted), kIconError, false);
    s.DoingRestore = 0;
    ctx.host->SaveSettings();
  }
  if (s.Schedule != kFreqNone && CompareLocalTimes(ReminderTime(s), now) > 0) {
    const SYSTEMTIME t = ReminderTime(s);
    const std::wstring when = FormatDateTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
    ctx.host->ShowNotification(GetString(txt::kNoticeComingSchedule) + L"\n" + when,
                               kIconInformation, true);
  }
}

void MarkJobRunning(const ScheduleContext& ctx, JobKind kind, bool running) {
  uint32_t& flag = kind == JobKind::kBackup ? ctx.settings->DoingBackup : ctx.settings->DoingRestore;
  flag = running ? 1 : 0;
  ctx.host->SaveSettings();
}

void FinishBackupRun(const ScheduleContext& ctx, int32_t planDrive, _BKUP_PLAN& plan,
                     uint32_t result, const SYSTEMTIME& startTime, bool scheduled,
                     const SYSTEMTIME& now) {
  const _BKUP_PLAN started = plan;
  if (result == kResultOk) plan.LastRun = startTime;
  ComputeNextRun(plan, now);
  // Times kept from an earlier refusal need no clearing on success: the plan
  // on the disk then differs from the one they were kept against.
  if (!ctx.host->WritePlanTimes(planDrive, plan) && ctx.unwritten)
    *ctx.unwritten = {true, planDrive, started, plan};
  if (scheduled && result != kResultOk && result != kResultStopped) {
    ctx.host->ShowNotification(GetString(txt::kNoticeScheduledBackupFailed), kIconError, false);
  }
}

}  // namespace vk
