#include "tests/driver/MainWindowView.h"

#include "tests/driver/Ui.h"

namespace vk::driver {
namespace {

constexpr UINT kAnswerMs = 5000;

}  // namespace

HWND FindMainWindow(DWORD pid) {
  for (HWND h : TopLevelWindows(pid))
    if (Shown(h) && Control(h, IDC_TAB_FIRST)) return h;
  return nullptr;
}

::testing::AssertionResult WaitForMainWindow(DWORD pid, HWND* main, DWORD deadlineMs) {
  *main = nullptr;
  return WaitFor("the main window", deadlineMs, [&] {
    *main = FindMainWindow(pid);
    return *main != nullptr;
  });
}

bool Selected(HWND main, UINT id) {
  DWORD_PTR r = 0;
  ::SendMessageTimeoutW(Control(main, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &r);
  return r == BST_CHECKED;
}

UINT ShownPage(HWND main) {
  UINT shown = 0;
  for (UINT id : kPages) {
    if (!Shown(Control(main, id))) continue;
    if (shown) return 0;
    shown = id;
  }
  return shown;
}

::testing::AssertionResult WaitForPage(HWND main, UINT page, DWORD deadlineMs) {
  return WaitFor("page " + std::to_string(page), deadlineMs,
                 [&] { return ShownPage(main) == page; });
}

void ExpectTabs(HWND main, const TabStates& want) {
  EXPECT_EQ(Enabled(Control(main, kBackupTab)), want.backup);
  EXPECT_EQ(Enabled(Control(main, kRestoreTab)), want.restore);
  EXPECT_EQ(Enabled(Control(main, kLogTab)), want.log);
  EXPECT_EQ(Enabled(Control(main, kSettingTab)), want.setting);
}

}  // namespace vk::driver
