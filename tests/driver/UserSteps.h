// Steps a user takes in the real program that several walks share: starting
// it, opening the main window from the icon's menu and its tabs, answering a
// message window, picking a line of a drop-down list, waiting for a button or
// the overwrite prompt. Everything goes through what another process may see
// and send.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/driver/Program.h"
#include "tests/driver/Ui.h"
#include "tests/driver/Wait.h"

namespace vk::driver {

// Text for a failure message: anything past ASCII as '?'.
std::string NarrowText(const std::wstring& text);

// The hidden tray window of process `pid`, told by the instance name it is
// marked with; null while there is none.
HWND TrayWindow(DWORD pid);
// Starts the test build's Arkwell.exe in `program` and waits for its tray window.
::testing::AssertionResult StartArkwell(Program* program);

// The icon menu's first command, then the main window of process `pid`.
::testing::AssertionResult OpenMainWindow(HWND tray, DWORD pid, HWND* main);
// Presses tab button `tab` of `main` and waits until `page` is the page shown.
::testing::AssertionResult OpenTab(HWND main, UINT tab, UINT page);
// The Setting tab opened on `main`, and its language page: the child
// dialog that holds the language list.
::testing::AssertionResult OpenLanguagePage(HWND main, HWND* languages);
// Line `line` of that page's list chosen and applied: the window turns to
// the Backup tab's plan page.
::testing::AssertionResult ApplyLanguageLine(HWND main, HWND languages, int line);
// Presses control `id` of `window` and waits until the window has gone: a
// close button, or the button that answers a prompt.
::testing::AssertionResult PressAndWaitGone(HWND window, UINT id);

// Waits for a message window of `pid` and checks that it shows `text`.
::testing::AssertionResult WaitForMessageText(DWORD pid, const std::wstring& text,
                                              MessageWindow* found,
                                              DWORD deadlineMs = kWindowDeadlineMs);
// Presses `button` on it and waits until it has closed.
::testing::AssertionResult PressAndWaitClosed(const MessageWindow& message, UINT button);
// Both: the message showing `text` answered with `button`.
::testing::AssertionResult AnswerMessage(DWORD pid, const std::wstring& text, UINT button,
                                         DWORD deadlineMs = kWindowDeadlineMs);
// The same for a message whose OK waits for its check box: OK must be
// disabled until the box is ticked and enabled after it.
::testing::AssertionResult AnswerWithBoxTicked(DWORD pid, const std::wstring& text, UINT button,
                                               DWORD deadlineMs = kWindowDeadlineMs);

// Selects line `line` of drop-down list `comboId` of `page` and tells the
// page, as a user's choice with the mouse does.
::testing::AssertionResult PickComboLine(HWND page, UINT comboId, int line);
// The line of drop-down list `comboId` whose item data is `data`; -1 when none.
int ComboLineWithData(HWND page, UINT comboId, LPARAM data);

// Waits until control `id` of `window` can be pressed.
::testing::AssertionResult WaitForEnabled(HWND window, UINT id,
                                          DWORD deadlineMs = kWindowDeadlineMs);

// Cancel `cancelId` pressed on `progress` while the job runs held at a
// progress call (HoldJobs): the button turns off while the job is let go to
// ask `question`, and the job is held again before `answer` is pressed, so
// that it stops at the call after when the answer is OK.
::testing::AssertionResult CancelHeldJob(DWORD pid, HWND progress, UINT cancelId,
                                         const std::wstring& question, UINT answer);

// Waits for the overwrite prompt of `pid` (told by its Replace button).
::testing::AssertionResult WaitForOverwritePrompt(DWORD pid, HWND* prompt, DWORD deadlineMs);

}  // namespace vk::driver
