// The program's always-present window: hidden, its message loop is the
// program's main loop. It owns the notification icon and its menu, the list
// of attached drives, the timers that poll for drive changes, due schedules
// and new releases, the corner notification, the fonts, and the backup and
// restore jobs. Other windows reach it through Tray() (shell/TrayHost.h).
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "common/Handle.h"
#include "controls/CPopupDlg.h"
#include "controls/Window.h"
#include "shell/ArkwellApp.h"
#include "shell/Instance.h"
#include "shell/ScheduleDecisions.h"
#include "shell/TrayFonts.h"
#include "shell/TrayHost.h"
#include "shell/TrayIcon.h"
#include "shell/TrayJob.h"

namespace vk {

// The tray window's result when it ends: the program exits.
constexpr INT_PTR kTrayEnded = 1;
// How long the end of the session waits for a stopped job to end.
constexpr DWORD kEndSessionWaitMs = 5000;

class CTrayDlg : public Dialog, public TrayHost, private ScheduleHost, private JobWindow {
 public:
  explicit CTrayDlg(CArkwellApp& app);
  ~CTrayDlg() override;

  // Runs the hidden window until it ends.
  INT_PTR Run();

  // ---- TrayHost ----
  HWND Hwnd() const override { return Dialog::Hwnd(); }
  bool OpenMainWindow(bool onUpdatePage) override;
  void RefreshDrives() override;
  bool StartBackup(int driveIndex, const _BKUP_PLAN& plan, const wchar_t* folderList) override;
  bool StartRestore(const _BKUPFILE_HEADER& set, const _BKUP_PLAN& plan, int driveIndex,
                    const wchar_t* selection, const wchar_t* destination) override;
  void ShowNotification(const std::wstring& text, IconKind kind, bool closesByItself) override;
  uint32_t ShowMessage(const std::wstring& text, uint32_t style) override;
  int ShowUpdateNotice() override;
  void EndProgram() override;
  const std::vector<_BKUP_DRVINFO>& Drives() const override { return drives_; }
  const JobStatus& Job() const override { return job_.Status(); }
  std::wstring CurrentItem() const override { return job_.CurrentItem(); }
  const Identity& Who() const override { return identity_; }
  const UserFolders& Folders() const override { return folders_; }
  const wchar_t* ExclusionList() const override { return exclusions_.c_str(); }
  const svc::_SVC_UPDINFO& UpdateInfo() const override { return update_; }
  uint32_t ModalCount() const override { return modalCount_; }
  HFONT Font(FontSet set, uint32_t language) const override { return fonts_.Get(set, language); }
  HFONT LargeFont() const override { return fonts_.Large(); }
  const _SCHEDULE_SETTINGS* Settings() const override { return &app_.Settings(); }
  void ClearScheduleReminder() override { vk::ClearScheduleReminder(Context()); }
  bool PartitionSpace(int drive, uint64_t& freeBytes, uint64_t& totalBytes) override {
    return GetSpace(drive, freeBytes, totalBytes);
  }
  void SetCancelRequest(bool on) override { job_.SetCancelRequest(on); }
  void SetCancelFlag(bool on) override { job_.SetCancelFlag(on); }
  void MainWindowDestroyed(MainWindowLink* window) override;

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnTimer(UINT_PTR id) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result) override;
  void OnDestroy() override;

 private:
  // ---- ScheduleHost ----
  void SaveSettings() override { app_.SaveSettings(); }
  bool WritePlanTimes(int32_t planDrive, const _BKUP_PLAN& plan) override;
  bool ReloadPlan(size_t index, _BKUP_PLAN& fresh) override;
  bool GetSpace(int32_t planDrive, uint64_t& freeBytes, uint64_t& totalBytes) override;
  bool StartScheduledBackup(size_t index, const _BKUP_PLAN& fresh) override;

  // ---- JobWindow ----
  HWND JobTarget() const override { return Dialog::Hwnd(); }
  void MarkJobRunning(JobKind kind, bool running) override;
  void StartJobTimer() override;
  void StopJobTimer() override;

  // Initialisation steps.
  void StartHandOver();
  void AddIcon();
  void ReadIdentity();
  void ReadFolders();
  void StartTimers();
  void DeleteStaleTempIndex();

  // The icon and its menu.
  void OnIconMessage(UINT mouseMessage);
  void ShowIconMenu();
  void OnExit();
  bool MainWindowOpen() const { return mainWindow_ != nullptr; }
  bool MainWindowBusy() const;

  // Timers.
  void OnDrivePoll();
  void OnDueCheck();
  void OnReleaseCheck();
  void OnJobTick();
  // Timers 105 and 107 run only while idle and while this session holds the
  // global name (claimed here when it is free); false to skip the tick.
  bool ScheduleTickAllowed();

  // Job ends.
  void OnBackupEnded(WPARAM wp, LPARAM lp);
  void OnRestoreEnded(WPARAM wp, LPARAM lp);
  void ForwardToPage(JobKind kind, UINT msg, WPARAM wp, LPARAM lp);
  HWND ProgressPageOf(JobKind kind) const;

  ScheduleContext Context();
  void OnPopupDestroyed(CPopupDlg* popup);

  CArkwellApp& app_;
  TrayJob job_;
  TrayFonts fonts_;
  TrayIcon icon_;
  HICON appIcon_ = nullptr;
  HICON busyIcons_[kBusyFrameCount] = {};
  uint32_t busyFrame_ = 0;
  UINT taskbarCreated_ = 0;

  KernelHandle instance_, globalInstance_;
  CHandOver handOver_;

  Identity identity_;
  UserFolders folders_;
  std::wstring exclusions_;
  svc::_SVC_UPDINFO update_ = {};
  int32_t lastCounter_ = -1;
  std::vector<_BKUP_DRVINFO> drives_;
  // The folder list and letter of the last ReloadPlan, for the scheduled start.
  std::vector<wchar_t> reloadedList_;
  int32_t reloadedDrive_ = kNoPlanDrive;
  // A run's times the disk refused, written again by the next due check.
  UnwrittenRunTimes unwrittenTimes_;

  uint32_t modalCount_ = 0;
  bool sessionEnding_ = false;
  std::unique_ptr<MainWindowLink> mainWindow_, mainPending_;
  std::unique_ptr<CPopupDlg> popup_, popupPending_;
};

// Runs the program's tray window for `app` until it ends (the application's
// start-up step 7).
void RunTrayWindow(CArkwellApp& app);

}  // namespace vk
