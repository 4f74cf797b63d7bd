// Pure rules of the tray window: which items of the icon's menu are greyed,
// what the engine's progress callback does for each kind of call, and the
// busy icon's tip and frames. The window only applies the results; the
// progress callback acts through ProgressHost, so every branch runs in a
// test without threads or windows.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "shell/ScheduleDecisions.h"

namespace vk {

// ---- The icon's menu ----------------------------------------------------------

struct TrayMenuState {
  bool openEnabled;  // EXEC, "Open ..."
  bool exitEnabled;  // EXIT
};

// Both items are greyed while the main window is open or a modal window of
// the tray is up; EXIT also while a job runs. The EXIT command itself is
// carried out exactly when its item is enabled.
TrayMenuState TrayMenuItems(bool mainWindowOpen, uint32_t modalCount, bool jobRunning);

// ---- The engine's progress callback --------------------------------------------

// A call that only asks whether to stop; the engine's phases are 1 to 3.
constexpr uint32_t kPhaseCheckOnly = 0;

enum class ProgressPage { kBackup, kRestore };

// What the callback reaches, on the job's worker thread.
class ProgressHost {
 public:
  virtual ~ProgressHost() = default;
  virtual bool CancelFlag() const = 0;        // set: the job is to stop
  virtual bool CancelRequested() const = 0;   // the page's Cancel was pressed
  // Replaces the current item text (under the item semaphore).
  virtual void SetCurrentItem(const wchar_t* text) = 0;
  virtual void SetPercent(uint32_t percent) = 0;
  virtual bool PageOpen(ProgressPage page) const = 0;
  // Blocking sends to the open progress page; the page asks the user inside
  // them and may set the cancel flag before they return.
  virtual void ConfirmCancel(ProgressPage page, const wchar_t* text, uint32_t percent) = 0;
  virtual void AskOverwrite(const void* query, uint32_t percent) = 0;
};

// One call of the engine's callback: `phase` 0 (a bare check), 1 backup, 2
// restore or 3 overwrite question (`path` then carries the query). Returns
// the cancel flag as it stands after the call; non-zero stops the job.
// Without the page a question is not asked and the engine's default applies.
int HandleProgress(ProgressHost& host, uint32_t phase, const wchar_t* path, uint32_t percent);

// ---- The busy icon ---------------------------------------------------------------

// The notification icon's tip holds at most this many characters.
constexpr size_t kMaxIconTipChars = 127;
constexpr uint32_t kBusyFrameCount = 4;

// "Backup(37%)" or "Restore(37%)" in the program's language, cut to the tip.
std::wstring JobTipText(JobKind kind, uint32_t percent);

// The icon resource of animation frame `frame`, and the frame after it
// (0, 1, 2, 3, 0, ...). A frame out of range counts from 0 again.
UINT BusyFrameIcon(uint32_t frame);
uint32_t NextBusyFrame(uint32_t frame);

}  // namespace vk
