// The program's main window as a test sees it from another process: found by
// its tab buttons, its shown page told by the page's template id (the id of
// the page's window), its buttons' selection read as a user sees the marks.
// Shared by the tests of the window behind a fake tray window and those of
// the real program.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include "resources/ResourceIds.h"
#include "tests/driver/Wait.h"

namespace vk::driver {

constexpr UINT kBackupTab = IDC_TAB_FIRST, kRestoreTab = IDC_TAB_FIRST + 1,
               kLogTab = IDC_TAB_FIRST + 2, kSettingTab = IDC_TAB_FIRST + 3;
constexpr UINT kTabs[] = {kBackupTab, kRestoreTab, kLogTab, kSettingTab};
// Every page slot's template, in the order of the slots.
constexpr UINT kPages[] = {IDD_PAGE_NO_DEVICE,       IDD_PAGE_PLAN_START,      IDD_PAGE_PARTITION,
                           IDD_PAGE_FOLDERS,         IDD_PAGE_SCHEDULE,        IDD_PAGE_SUMMARY,
                           IDD_PAGE_PLAN_VIEW,       IDD_PAGE_BACKUP_PROGRESS, IDD_PAGE_RESTORE_SETS,
                           IDD_PAGE_RESTORE_FOLDERS, IDD_PAGE_RESTORE_PROGRESS, IDD_PAGE_LOG,
                           IDD_PAGE_LANGUAGE};

// The shown main window of process `pid`, or null. Told by its tab buttons:
// a message window may share its class and caption.
HWND FindMainWindow(DWORD pid);
::testing::AssertionResult WaitForMainWindow(DWORD pid, HWND* main,
                                             DWORD deadlineMs = kWindowDeadlineMs);

// Whether button `id` of `main` (a drive or a tab) shows as selected.
bool Selected(HWND main, UINT id);
// The one page shown, by its template id; 0 when none or several are.
UINT ShownPage(HWND main);
// Waits until page `page` is the one shown.
::testing::AssertionResult WaitForPage(HWND main, UINT page, DWORD deadlineMs = kWindowDeadlineMs);

struct TabStates {
  bool backup, restore, log, setting;
};
// Expects each tab button enabled or disabled as `want` says.
void ExpectTabs(HWND main, const TabStates& want);

}  // namespace vk::driver
