// The tray window's drive list, its timers and its jobs' ends.
#include <cstring>

#include "engine/PlanFile.h"
#include "restore/Catalogue.h"
#include "servicelink/ServiceClient.h"
#include "shell/AppTexts.h"
#include "shell/CTrayDlg.h"
#include "shell/TrayClock.h"
#include "shell/TrayRules.h"

#ifdef VK_SIMULATED_CLOCK
#include "shell/SimulatedClock.h"
#endif

namespace vk {
namespace {

constexpr EXECUTION_STATE kKeepAwake = ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED;
constexpr int kUpdateChosen = 1;

bool LoadPlanOnly(int letter, _BKUP_PLAN* plan) {
  return LoadPlanFile(letter, plan, nullptr) == kResultOk;
}

uint32_t CountSets(int letter, const _BKUP_PLAN& plan) {
  uint32_t count = 0;
  if (ListBackupSets(letter, plan, nullptr, 0, &count) != kResultOk) return 0;
  return count;
}

}  // namespace

// ---- The drive list ---------------------------------------------------------

void CTrayDlg::RefreshDrives() {
  std::vector<svc::_SVC_DRVINFO> answer;
  const int result = link::GetDriveList(nullptr, answer);
  drives_ = NextDriveList(drives_, result, answer);
  for (_BKUP_DRVINFO& drive : drives_) LoadDrivePlan(drive, &LoadPlanOnly, &CountSets);
  std::vector<DrivePlan> plans = DrivePlans(drives_);
  const ScheduleContext ctx = Context();
  UpdateScheduleReminder(plans, ctx);
  AnnounceMissedRuns(plans, ctx, TrayNow());
  if (mainWindow_) mainWindow_->RefreshDrivePanel();
}

bool CTrayDlg::WritePlanTimes(int32_t planDrive, const _BKUP_PLAN& plan) {
  return UpdatePlanFile(planDrive, &plan) == kResultOk;
}

bool CTrayDlg::ReloadPlan(size_t index, _BKUP_PLAN& fresh) {
  reloadedList_.clear();
  reloadedDrive_ = kNoPlanDrive;
  if (index >= drives_.size()) return false;
  const uint32_t mask = drives_[index].Device.dwDriveMask;
  // The same search as the list's: the first partition of the device that
  // holds a plan.
  for (int letter = kFirstDrive; letter <= kLastDrive; ++letter) {
    if ((mask & (1u << letter)) == 0) continue;
    _BKUP_PLAN plan = {};
    std::vector<wchar_t> list;
    if (LoadPlanFile(letter, &plan, &list) != kResultOk) continue;
    fresh = plan;
    reloadedList_ = std::move(list);
    reloadedDrive_ = letter;
    return true;
  }
  return false;
}

bool CTrayDlg::GetSpace(int32_t planDrive, uint64_t& freeBytes, uint64_t& totalBytes) {
  if (!GetPartitionSpace(planDrive, freeBytes, totalBytes)) return false;
#ifdef VK_SIMULATED_CLOCK
  uint32_t percent = 0;
  if (TestFreeSpacePercent(&percent)) freeBytes = totalBytes / kMaxPercent * percent;
#endif
  return true;
}

bool CTrayDlg::StartScheduledBackup(size_t index, const _BKUP_PLAN& fresh) {
  if (index >= drives_.size() || reloadedDrive_ == kNoPlanDrive || reloadedList_.empty())
    return false;
  return job_.StartBackup(reloadedDrive_, fresh, reloadedList_.data(), exclusions_.c_str(), true);
}

// ---- Jobs -------------------------------------------------------------------

bool CTrayDlg::StartBackup(int driveIndex, const _BKUP_PLAN& plan, const wchar_t* folderList) {
  return job_.StartBackup(driveIndex, plan, folderList, exclusions_.c_str(), false);
}

bool CTrayDlg::StartRestore(const _BKUPFILE_HEADER& set, const _BKUP_PLAN& plan, int driveIndex,
                            const wchar_t* selection, const wchar_t* destination) {
  return job_.StartRestore(set, plan, driveIndex, selection, destination);
}

void CTrayDlg::MarkJobRunning(JobKind kind, bool running) {
  vk::MarkJobRunning(Context(), kind, running);
}

void CTrayDlg::StartJobTimer() {
  busyFrame_ = 0;
  ::SetTimer(Hwnd(), kTimerJob, CurrentTrayTicks().jobMs, nullptr);
}

void CTrayDlg::StopJobTimer() {
  ::KillTimer(Hwnd(), kTimerJob);
  icon_.Reset();
}

void CTrayDlg::OnJobTick() {
  if (!job_.Running()) return;
  ::SetThreadExecutionState(kKeepAwake);
  const JobStatus& status = job_.Status();
  icon_.Show(busyIcons_[busyFrame_ % kBusyFrameCount], JobTipText(status.kind, status.percent));
  busyFrame_ = NextBusyFrame(busyFrame_);
}

HWND CTrayDlg::ProgressPageOf(JobKind kind) const {
  return mainWindow_ ? mainWindow_->ProgressPage(kind) : nullptr;
}

void CTrayDlg::ForwardToPage(JobKind kind, UINT msg, WPARAM wp, LPARAM lp) {
  HWND page = ProgressPageOf(kind);
  if (page) ::SendMessageW(page, msg, wp, lp);
}

void CTrayDlg::OnBackupEnded(WPARAM wp, LPARAM lp) {
  EndedJob ended = job_.Finish();
  // A session that ends leaves the run marked, so the next start says so.
  if (!sessionEnding_) MarkJobRunning(JobKind::kBackup, false);
  FinishBackupRun(Context(), ended.driveIndex, ended.plan, ended.result, ended.start,
                  ended.scheduled, TrayNow());
  ForwardToPage(JobKind::kBackup, kMsgBackupEnded, wp, lp);
  RefreshDrives();
}

void CTrayDlg::OnRestoreEnded(WPARAM wp, LPARAM lp) {
  job_.Finish();
  if (!sessionEnding_) MarkJobRunning(JobKind::kRestore, false);
  ForwardToPage(JobKind::kRestore, kMsgRestoreEnded, wp, lp);
  RefreshDrives();
}

// ---- Timers -----------------------------------------------------------------

void CTrayDlg::OnDrivePoll() {
  int32_t counter = 0;
  if (link::GetDriveCounter(nullptr, &counter) != svc::kResultOk) return;
  // Not taken while busy: the refresh comes at the first tick after.
  if (counter == lastCounter_ || job_.Running() || MainWindowBusy()) return;
  lastCounter_ = counter;
  RefreshDrives();
}

bool CTrayDlg::ScheduleTickAllowed() {
  if (!DueCheckAllowed(job_.Running(), MainWindowOpen(), modalCount_)) return false;
  switch (ProbeInstance(kGlobalInstanceName, false)) {
    case kCopyInOtherSession:
      return false;
    case kNoCopyRunning:
      if (!ClaimInstance(Hwnd(), globalInstance_, kGlobalInstanceName)) return false;
      RefreshDrives();
      return true;
    default:
      return true;
  }
}

void CTrayDlg::OnDueCheck() {
  if (!ScheduleTickAllowed()) return;
  std::vector<DrivePlan> plans = DrivePlans(drives_);
  RunDueCheck(plans, Context(), TrayNow());
}

void CTrayDlg::OnReleaseCheck() {
  if (!ScheduleTickAllowed()) return;
  if (ReadMachineNumber(kServiceKeyPath, kUpdateNoticeValue, 0) == 0) return;
  svc::_SVC_UPDINFO fresh = {};
  if (link::GetUpdateInfo(nullptr, &fresh) != svc::kResultOk) return;
  if (!fresh.bUpdateAvailable || fresh.nCheckCount == update_.nCheckCount) return;
  update_ = fresh;
  // The notice may have been shown already while the window is busy.
  if (MainWindowOpen() || modalCount_ > 0 || job_.Running()) return;
  if (ShowUpdateNotice() == kUpdateChosen) OpenMainWindow(true);
}

}  // namespace vk
