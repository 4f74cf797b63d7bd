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

// ---- The main window, as the tray and the pages see it ----------------------

class MainWindowLink {
 public:
  virtual ~MainWindowLink() = default;
  virtual HWND Hwnd() const = 0;
  // After every drive refresh of the tray window.
  virtual void RefreshDrivePanel() = 0;
  // The open backup (kBackup) or restore progress page, null when none: the
  // tray forwards the end messages to it, and the progress callback sends
  // the cancel confirmation and the overwrite question to it.
  virtual HWND ProgressPage(JobKind kind) const = 0;
  // Modal windows the main window has open; the tray defers drive refreshes
  // while it is above 0.
  virtual uint32_t ModalCount() const = 0;
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

  // The progress pages' Cancel: the request is set by the Cancel button; after
  // the confirmation the page either sets the flag (stop) or clears the request.
  virtual void SetCancelRequest(bool on) = 0;
  virtual void SetCancelFlag(bool on) = 0;

  // The main window tells the tray it is gone; the tray deletes the object
  // at the next opening or at its own end.
  virtual void MainWindowDestroyed(MainWindowLink* window) = 0;
};

// The tray window, or null before it initialised and after it is destroyed.
TrayHost* Tray();
void SetTray(TrayHost* tray);

}  // namespace vk
