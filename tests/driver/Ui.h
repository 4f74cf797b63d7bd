// The windows of another process, seen and used as a user would: found by
// class and caption, their controls found by id, read through WM_GETTEXT and
// clicked with the WM_COMMAND a click sends to the parent. Nothing here
// reaches into the program's objects.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/driver/Wait.h"

namespace vk::driver {

// The class of every dialog the program shows.
constexpr wchar_t kDialogClass[] = L"#32770";

// Top-level windows of process `pid` (0: of any process), in z-order.
std::vector<HWND> TopLevelWindows(DWORD pid);

// The first visible top-level window of process `pid` (0: any) whose class
// and caption equal the given ones (null: any). Null when there is none.
HWND FindTopWindow(DWORD pid, const wchar_t* className, const wchar_t* caption);
// The same, waited for.
::testing::AssertionResult WaitForWindow(DWORD pid, const wchar_t* className,
                                         const wchar_t* caption, HWND* found,
                                         DWORD deadlineMs = kWindowDeadlineMs);
// Waits until `hwnd` is no longer a window (or no longer visible).
::testing::AssertionResult WaitUntilGone(HWND hwnd, DWORD deadlineMs = kWindowDeadlineMs);

// Child control `id` of `window`, or null.
HWND Control(HWND window, UINT id);
bool Shown(HWND hwnd);
bool Enabled(HWND hwnd);
// A window's text, asked with WM_GETTEXT (answered by its own thread, also
// across processes); empty when the window does not answer in time.
std::wstring WindowText(HWND hwnd);
std::wstring ControlText(HWND window, UINT id);

// Clicks control `id` of `window`: refused, as the mouse would be, when the
// control is missing, hidden or disabled; otherwise the parent is posted the
// WM_COMMAND (BN_CLICKED) of a click. Posted, not sent: a click that opens a
// modal window must not hold the test until that window closes.
::testing::AssertionResult Click(HWND window, UINT id);
// A menu or accelerator command: WM_COMMAND with notification code 0.
void PostCommand(HWND window, UINT id);

// A message window (the program's skinned modal message, never the system
// one) of process `pid`, recognised by its controls.
class MessageWindow {
 public:
  // Waits for a visible message window of process `pid` (0: any).
  static ::testing::AssertionResult WaitFor(DWORD pid, MessageWindow* found,
                                            DWORD deadlineMs = kWindowDeadlineMs);
  HWND Hwnd() const { return hwnd_; }
  std::wstring Caption() const { return WindowText(hwnd_); }
  std::wstring Text() const;                      // the message
  std::wstring ButtonText(UINT id) const { return ControlText(hwnd_, id); }
  bool ButtonShown(UINT id) const { return Shown(Control(hwnd_, id)); }
  bool ButtonEnabled(UINT id) const { return Enabled(Control(hwnd_, id)); }
  // Presses a button (IDC_OK, IDC_SECOND, IDC_CLOSE) or the check box.
  ::testing::AssertionResult Press(UINT id) const { return Click(hwnd_, id); }
  ::testing::AssertionResult WaitUntilClosed(DWORD deadlineMs = kWindowDeadlineMs) const {
    return WaitUntilGone(hwnd_, deadlineMs);
  }

 private:
  HWND hwnd_ = nullptr;
};

// The corner notification of process `pid`.
class CornerNotification {
 public:
  static ::testing::AssertionResult WaitFor(DWORD pid, CornerNotification* found,
                                            DWORD deadlineMs = kWindowDeadlineMs);
  HWND Hwnd() const { return hwnd_; }
  std::wstring Text() const;
  // Its close button.
  ::testing::AssertionResult Close() const;
  // A click on its face (which asks the tray window to open the main window).
  void ClickFace() const;
  ::testing::AssertionResult WaitUntilClosed(DWORD deadlineMs = kWindowDeadlineMs) const {
    return WaitUntilGone(hwnd_, deadlineMs);
  }

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace vk::driver
