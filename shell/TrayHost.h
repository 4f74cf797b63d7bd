// What the program's windows reach of each other. The tray window owns the
// drive list, the jobs, the fonts, the identity and the folders; the main
// window owns the pages and their shared context. Each is reached through
// one process-wide pointer, set while the window exists, so that the pages
// (wizard/, restorewin/) depend on these interfaces and not on the windows
// that implement them.
// All members are called on the main (window) thread unless said otherwise.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "channel/SvcChannel.h"
#include "common/IconKind.h"
#include "engine/BkupTypes.h"
#include "shell/DriveList.h"
#include "shell/ScheduleDecisions.h"

namespace vk {

// The running job as the pages read it. Written by the tray window before a
// worker starts and after its end message; `percent` and `accessDenied` are
// also written by the worker while it runs.
struct JobStatus {
  bool running = false;
  JobKind kind = JobKind::kBackup;   // meaningful while running or after an end
  bool scheduled = false;            // the running backup was started by the schedule
  int driveIndex = -1;               // 0 = A: .. 25 = Z: of the job's partition
  uint32_t result = 0;               // the engine's result code, after the end message
  uint32_t percent = 0;
  uint32_t accessDenied = 0;         // files that could not be read or written
};

// This PC and this user, as plans record them.
struct Identity {
  uint32_t pcId = 0;                 // serial number of the system volume
  std::wstring user;                 // logon name
};

// The user's four library folders and the restore folder.
struct UserFolders {
  std::wstring documents, music, pictures, videos;
  std::wstring restore;              // Documents\CorvaneRestore
};

// The tray window's fonts (all bold): set A (height -16), set B (-20) and
// set C (-12, -16 for Chinese and Japanese), one of each per language.
enum class FontSet { kA, kB, kC };

// ---- The main window, as the tray and the pages see it ----------------------

// What the pages share while one of them edits a plan or a restore.
struct PageContext {
  uint32_t letterMask = 0;           // drive letters of the selected device
  int32_t planDrive = kNoPlanDrive;  // its plan's partition, kNoPlanDrive
  _BKUP_PLAN plan = {};              // the plan being edited
  std::wstring folderList;           // the folder list being edited (double-zero-terminated)
  // The plan wizard's choices while it runs.
  int32_t chosenDrive = kNoPlanDrive;  // the partition chosen on page 1 or 2 (or the plan's)
  uint32_t chosenSerial = 0;           // its volume serial and the file index of its root
  uint64_t chosenRootIndex = 0;        // folder: another disk under the letter differs
  std::vector<std::wstring> folders;   // page 3's selection
  ScheduleFields schedule = {};        // page 4's choice
};

// A message window's extras: Back in place of Cancel, or a check box (its
// text) that must be ticked before OK is enabled.
struct MessageOptions {
  bool back = false;
  std::wstring checkText;
};

class MainWindowLink {
 public:
  virtual ~MainWindowLink() = default;
  virtual HWND Hwnd() const = 0;

  // For the pages: move between pages (comingBack when returning with Back),
  // re-apply the button table, and ask questions with the main window's
  // modal count raised (the pressed button's end code).
  virtual void SwitchTab(int tab) = 0;
  virtual void SwitchPage(int page, bool comingBack) = 0;
  virtual void UpdateButtons() = 0;
  virtual INT_PTR ShowMessage(const std::wstring& text, uint32_t style) = 0;
  virtual INT_PTR ShowMessageWithLog(const std::wstring& text, uint32_t style, bool logEnabled) = 0;
  // Runs a page's own modal window (the download window) with the main
  // window's modal count raised; `run` gets the owner and returns the end code.
  virtual INT_PTR RunModal(const std::function<INT_PTR(HWND owner)>& run) = 0;
  virtual INT_PTR ShowMessageWith(const std::wstring& text, uint32_t style,
                                  const MessageOptions& /*options*/) {
    return ShowMessage(text, style);
  }
  // The main window's copy of the drive list, the selected record (null when
  // none) and the shared page context.
  virtual const std::vector<_BKUP_DRVINFO>& Drives() const = 0;
  virtual int SelectedDrive() const = 0;
  virtual PageContext& Context() = 0;
  // After every drive refresh of the tray window.
  virtual void RefreshDrivePanel() = 0;
  // The open backup (kBackup) or restore progress page, null when none: the
  // tray forwards the end messages to it, and the progress callback sends
  // the cancel confirmation and the overwrite question to it.
  virtual HWND ProgressPage(JobKind kind) const = 0;
  // Modal windows the main window has open; the tray defers drive refreshes
  // while it is above 0.
  virtual uint32_t ModalCount() const = 0;
  // A page opens (+1) or closes (-1) a modal window of its own (the folder
  // picker, the overwrite prompt), so that the count covers it too.
  virtual void AddModal(int /*delta*/) {}
};

// The main window, or null when it is closed.
MainWindowLink* MainWindow();
void SetMainWindow(MainWindowLink* window);

// Creates and shows the main window owned by `tray` (the last step of
// opening it), on the update page when asked; null when it could not be
// created. Defined by the main window's file.
MainWindowLink* CreateMainWindow(HWND tray, bool onUpdatePage);

// ---- The tray window, as the main window and the pages see it ----------------

class TrayHost {
 public:
  virtual ~TrayHost() = default;
  virtual HWND Hwnd() const = 0;

  virtual bool OpenMainWindow(bool onUpdatePage) = 0;
  virtual void RefreshDrives() = 0;
  // Start a job on its worker thread; false when nothing was started (no
  // plan or list, a job already running, or no thread to be had).
  virtual bool StartBackup(int driveIndex, const _BKUP_PLAN& plan, const wchar_t* folderList) = 0;
  virtual bool StartRestore(const _BKUPFILE_HEADER& set, const _BKUP_PLAN& plan, int driveIndex,
                            const wchar_t* selection, const wchar_t* destination) = 0;

  virtual void ShowNotification(const std::wstring& text, IconKind kind, bool closesByItself) = 0;
  // A modal message window parented to the desktop, the tray's modal count
  // raised while it is open; the button pressed.
  virtual uint32_t ShowMessage(const std::wstring& text, uint32_t style) = 0;
  // The modal update notice; 1 when the user chose to update.
  virtual int ShowUpdateNotice() = 0;

  // Read access for the windows.
  virtual const std::vector<_BKUP_DRVINFO>& Drives() const = 0;
  virtual const JobStatus& Job() const = 0;
  virtual std::wstring CurrentItem() const = 0;  // under the item semaphore
  virtual const Identity& Who() const = 0;
  virtual const UserFolders& Folders() const = 0;
  virtual const wchar_t* ExclusionList() const = 0;
  virtual const svc::_SVC_UPDINFO& UpdateInfo() const = 0;
  virtual uint32_t ModalCount() const = 0;
  // A font of `set` for `language` (clamped to 0..7), and the large font
  // ("Segoe UI", -24); null where the host has none.
  virtual HFONT Font(FontSet /*set*/, uint32_t /*language*/) const { return nullptr; }
  virtual HFONT LargeFont() const { return nullptr; }
  // The per-user settings (the schedule reminder), null where the host has
  // none; and emptying the reminder after its plan was deleted.
  virtual const _SCHEDULE_SETTINGS* Settings() const { return nullptr; }
  virtual void ClearScheduleReminder() {}
  // Free and total bytes of partition `drive` as the schedule sees them;
  // false when it does not answer.
  virtual bool PartitionSpace(int drive, uint64_t& freeBytes, uint64_t& totalBytes) {
    return GetPartitionSpace(drive, freeBytes, totalBytes);
  }

  // The progress pages' Cancel: the request is set by the Cancel button; after
  // the confirmation the page either sets the flag (stop) or clears the request.
  virtual void SetCancelRequest(bool on) = 0;
  virtual void SetCancelFlag(bool on) = 0;

  // Ends the program as Exit does, without asking (the downloaded installer
  // has started and will replace it). Returns at once; the end follows.
  virtual void EndProgram() = 0;

  // The main window tells the tray it is gone; the tray deletes the object
  // at the next opening or at its own end.
  virtual void MainWindowDestroyed(MainWindowLink* window) = 0;
};

// The tray window, or null before it initialised and after it is destroyed.
TrayHost* Tray();
void SetTray(TrayHost* tray);

}  // namespace vk
