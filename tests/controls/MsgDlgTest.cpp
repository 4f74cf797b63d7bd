// The message window driven as a user would: buttons clicked in a real
// modal window, results and button states checked.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "controls/CMsgDlg.h"
#include "controls/SkinImage.h"
#include "resources/ResourceIds.h"

namespace vk {
namespace {

constexpr UINT_PTR kDriveTimer = 0x7E57;
constexpr UINT_PTR kWatchdogTimer = 0x7E58;
constexpr INT_PTR kTimedOut = -99;

// A message window that runs `action` once it is on the screen, and gives up
// a second later so that a broken window cannot hang the test run. The modal
// loop shows the window only when its queue first runs dry, which a slow
// machine may reach after the first tick of the drive timer.
constexpr UINT kStartLimitMs = 10000;
constexpr UINT kAfterActionMs = 1000;

class DrivenMsgDlg : public CMsgDlg {
 public:
  using CMsgDlg::CMsgDlg;
  std::function<void(DrivenMsgDlg&)> action;

  void Click(UINT id) const { ::SendMessageW(Item(id), BM_CLICK, 0, 0); }
  bool Enabled(UINT id) const { return ::IsWindowEnabled(Item(id)) != 0; }
  bool Visible(UINT id) const { return ::IsWindowVisible(Item(id)) != 0; }
  std::wstring Text(UINT id) const {
    wchar_t buf[64] = {};
    ::GetWindowTextW(Item(id), buf, 64);
    return buf;
  }
  using CMsgDlg::Hwnd;
  using CMsgDlg::Item;

 protected:
  BOOL OnInitDialog() override {
    const BOOL r = CMsgDlg::OnInitDialog();
    ::SetTimer(Hwnd(), kDriveTimer, 10, nullptr);
    ::SetTimer(Hwnd(), kWatchdogTimer, kStartLimitMs, nullptr);
    return r;
  }
  void OnTimer(UINT_PTR id) override {
    ::KillTimer(Hwnd(), id);
    if (id == kWatchdogTimer) Close(kTimedOut);
    if (id != kDriveTimer) return;
    if (!::IsWindowVisible(Hwnd())) {
      ::SetTimer(Hwnd(), kDriveTimer, 10, nullptr);
      return;
    }
    ::SetTimer(Hwnd(), kWatchdogTimer, kAfterActionMs, nullptr);
    if (action) action(*this);
  }
};

class MsgDlgTest : public ::testing::Test {
 protected:
  GdiplusSession gdiplus;
};

TEST_F(MsgDlgTest, ResultOfEachButtonInEachMode) {
  enum Mode { kPlain, kLog, kLogOff, kBack };
  struct Case {
    const char* name;
    uint32_t style;
    Mode mode;
    UINT click;  // control clicked, or IDCANCEL for the Esc key
    INT_PTR result;
  } cases[] = {
      {"OK only: OK", 0x30, kPlain, IDC_OK, 1},
      {"OK only: close", 0x30, kPlain, IDC_CLOSE, 2},
      {"OK only: Esc", 0x10, kPlain, IDCANCEL, 2},
      {"OK only: hidden second does nothing", 0x30, kPlain, IDC_SECOND, kTimedOut},
      {"OK/Cancel: OK", 0x131, kPlain, IDC_OK, 1},
      {"OK/Cancel: Cancel", 0x131, kPlain, IDC_SECOND, 2},
      {"Log: Log", 0x181, kLog, IDC_SECOND, 100},
      {"Log: OK", 0x181, kLog, IDC_OK, 1},
      {"Log disabled: nothing", 0x181, kLogOff, IDC_SECOND, kTimedOut},
      {"Log disabled: close", 0x181, kLogOff, IDC_CLOSE, 2},
      {"Back: Back", 0x141, kBack, IDC_SECOND, 101},
      {"Back: close", 0x141, kBack, IDC_CLOSE, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DrivenMsgDlg dlg(L"A message.", c.style);
    dlg.logMode = c.mode == kLog || c.mode == kLogOff;
    dlg.logEnabled = c.mode == kLog;
    dlg.backMode = c.mode == kBack;
    const UINT click = c.click;
    dlg.action = [click](DrivenMsgDlg& d) {
      if (click == IDCANCEL)
        ::SendMessageW(d.Hwnd(), WM_COMMAND, IDCANCEL, 0);
      else
        d.Click(click);
    };
    EXPECT_EQ(dlg.Show(nullptr), c.result);
  }
}

TEST_F(MsgDlgTest, ButtonsTextsLayoutAndFocus) {
  struct Case {
    const char* name;
    uint32_t style;
    bool logMode, backMode;
    bool secondShown;
    const wchar_t* secondText;
    bool secondFocused;  // default-button bits 0x100
  } cases[] = {
      {"305: OK, Cancel focused", 305, false, false, true, L"Cancel", true},
      {"385 with log: Log focused", 385, true, false, true, L"Log", true},
      {"321 back: Back focused", 321, false, true, true, L"Back", true},
      {"0x31: OK focused", 0x31, false, false, true, L"Cancel", false},
      {"48: one button", 48, false, false, false, L"Cancel", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DrivenMsgDlg dlg(L"Text", c.style);
    dlg.logMode = c.logMode;
    dlg.logEnabled = true;
    dlg.backMode = c.backMode;
    dlg.action = [&c](DrivenMsgDlg& d) {
      EXPECT_EQ(d.Visible(IDC_SECOND), c.secondShown);
      EXPECT_EQ(d.Text(IDC_SECOND), c.secondText);
      EXPECT_EQ(d.Text(IDC_OK), L"OK");
      EXPECT_EQ(::GetFocus(), d.Item(c.secondFocused ? IDC_SECOND : IDC_OK));
      EXPECT_FALSE(d.Visible(IDC_CHECK));
      RECT client, ok;
      ::GetClientRect(d.Hwnd(), &client);
      EXPECT_EQ(client.right, 581);
      EXPECT_EQ(client.bottom, 343);
      ::GetWindowRect(d.Item(IDC_OK), &ok);
      ::MapWindowPoints(nullptr, d.Hwnd(), reinterpret_cast<POINT*>(&ok), 2);
      EXPECT_EQ(ok.left, c.secondShown ? 127 : 221);
      EXPECT_EQ(ok.top, 266);
      EXPECT_EQ(ok.right - ok.left, 138);  // sized to one frame of the strip
      d.Click(IDC_CLOSE);
    };
    EXPECT_EQ(dlg.Show(nullptr), 2);
  }
}

TEST_F(MsgDlgTest, OkWaitsForTheCheckBox) {
  DrivenMsgDlg dlg(L"Delete the plan?", 305);
  dlg.checkShown = true;
  dlg.checkText = L"Acknowledged";
  dlg.action = [](DrivenMsgDlg& d) {
    EXPECT_TRUE(d.Visible(IDC_CHECK));
    EXPECT_FALSE(d.Enabled(IDC_OK));
    d.Click(IDC_OK);  // refused while unticked
    EXPECT_TRUE(::IsWindowVisible(d.Hwnd()));
    d.Click(IDC_CHECK);
    EXPECT_TRUE(d.Enabled(IDC_OK));
    d.Click(IDC_CHECK);
    EXPECT_FALSE(d.Enabled(IDC_OK));
    d.Click(IDC_CHECK);
    d.Click(IDC_OK);
  };
  EXPECT_EQ(dlg.Show(nullptr), 1);
  EXPECT_TRUE(dlg.checkState);
}

// What the helper's window showed on its second button; found by class,
// since the helper keeps its dialog object to itself.
std::wstring g_secondText;

void CALLBACK ClickSecondOfOpenDialog(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dlg = ::FindWindowW(L"#32770", nullptr);
  if (!dlg || !::IsWindowVisible(dlg)) return;
  ::KillTimer(nullptr, id);
  wchar_t text[32] = {};
  ::GetWindowTextW(::GetDlgItem(dlg, IDC_SECOND), text, 32);
  g_secondText = text;
  ::SendMessageW(::GetDlgItem(dlg, IDC_SECOND), BM_CLICK, 0, 0);
}

TEST_F(MsgDlgTest, LogHelperOffersTheLog) {
  ::SetTimer(nullptr, 0, 20, ClickSecondOfOpenDialog);
  EXPECT_EQ(ShowMessageBoxWithLog(nullptr, L"Backup finished.", 385, true), 100);
  EXPECT_EQ(g_secondText, L"Log");
}

}  // namespace
}  // namespace vk
