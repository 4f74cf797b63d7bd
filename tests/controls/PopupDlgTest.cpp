// The corner notification: placement, closing by itself after a minute on a
// test clock, and a click that asks the owner for the main window.
#include <gtest/gtest.h>

#include "controls/CPopupDlg.h"
#include "controls/SkinImage.h"
#include "resources/ResourceIds.h"

namespace vk {
namespace {

// A stand-in for the tray window: counts the requests to open the main window.
class FakeTray {
 public:
  FakeTray() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VkFakeTray";
    ::RegisterClassW(&wc);
    hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             wc.hInstance, nullptr);
  }
  ~FakeTray() { ::DestroyWindow(hwnd); }
  HWND hwnd;
  static inline int openRequests = 0;

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMsgOpenMainWindow) ++openRequests;
    return ::DefWindowProcW(h, msg, wp, lp);
  }
};

class PopupDlgTest : public ::testing::Test {
 protected:
  void SetUp() override { FakeTray::openRequests = 0; }

  // A notification on the test clock; `gone` is set when it hands itself back.
  CPopupDlg* Open(bool closesByItself) {
    auto* p = new CPopupDlg(L"The scheduled backup was missed.", kIconWarning, closesByItself);
    p->clock = [this] { return now; };
    p->onDestroyed = [this](CPopupDlg* dlg) {
      gone = true;
      delete dlg;
    };
    EXPECT_TRUE(p->Create(tray.hwnd));
    return p;
  }
  void Tick(HWND popup) { ::SendMessageW(popup, WM_TIMER, kPopupTimer, 0); }

  GdiplusSession gdiplus;
  FakeTray tray;
  DWORD now = 0xFFFFF000u;  // near the wrap of the tick count
  bool gone = false;
};

TEST_F(PopupDlgTest, SitsInTheLowerRightCorner) {
  CPopupDlg* p = Open(false);
  RECT area, rc;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  ::GetWindowRect(p->Hwnd(), &rc);
  EXPECT_EQ(rc.right - rc.left, 450);
  EXPECT_EQ(rc.bottom - rc.top, 170);
  EXPECT_EQ(rc.right, area.right - 10);
  EXPECT_EQ(rc.bottom, area.bottom - 10);
  EXPECT_TRUE(::IsWindowVisible(p->Hwnd()));
  ::SendMessageW(p->Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(gone);
}

TEST_F(PopupDlgTest, ClosesItselfAfterOneMinuteOnlyWhenAsked) {
  for (bool closesByItself : {true, false}) {
    SCOPED_TRACE(closesByItself);
    gone = false;
    CPopupDlg* p = Open(closesByItself);
    HWND hwnd = p->Hwnd();
    now += 59999;
    Tick(hwnd);
    EXPECT_FALSE(gone);  // not yet a minute
    now += 1;
    Tick(hwnd);
    EXPECT_EQ(gone, closesByItself);
    EXPECT_EQ(::IsWindow(hwnd) != 0, !closesByItself);
    if (!gone) {
      now += 3600000;
      Tick(hwnd);
      EXPECT_FALSE(gone);  // stays until closed
      ::SendMessageW(::GetDlgItem(hwnd, IDC_CLOSE), BM_CLICK, 0, 0);
      EXPECT_TRUE(gone);
    }
  }
  EXPECT_EQ(FakeTray::openRequests, 0);
}

TEST_F(PopupDlgTest, TheRealTimerClosesIt) {
  CPopupDlg* p = Open(true);
  HWND hwnd = p->Hwnd();
  now += 60000;
  // Timer 106 fires once a second: pump messages until it has.
  const DWORD start = ::GetTickCount();
  MSG msg;
  while (!gone && ::GetTickCount() - start < 5000) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::Sleep(20);
  }
  EXPECT_TRUE(gone);
  EXPECT_FALSE(::IsWindow(hwnd));
}

TEST_F(PopupDlgTest, ClickAsksTheOwnerForTheMainWindowAndCloses) {
  CPopupDlg* p = Open(true);
  HWND hwnd = p->Hwnd();
  ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 100));
  EXPECT_EQ(FakeTray::openRequests, 1);
  EXPECT_TRUE(gone);
  EXPECT_FALSE(::IsWindow(hwnd));
}

TEST_F(PopupDlgTest, CloseButtonDoesNotOpenTheMainWindow) {
  CPopupDlg* p = Open(false);
  ::SendMessageW(::GetDlgItem(p->Hwnd(), IDC_CLOSE), BM_CLICK, 0, 0);
  EXPECT_TRUE(gone);
  EXPECT_EQ(FakeTray::openRequests, 0);
}

}  // namespace
}  // namespace vk
