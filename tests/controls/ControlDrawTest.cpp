// What the skinned controls really draw: each control paints into an
// off-screen canvas and chosen pixels are compared with the strip frame
// (or colour) that should be there.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "controls/CCheckBtn.h"
#include "controls/CImageButton.h"
#include "controls/CProgressCtrlEx.h"
#include "controls/SkinImage.h"
#include "resources/ResourceIds.h"

namespace vk {
namespace {

// A 32-bit top-down bitmap selected into a memory DC.
class Canvas {
 public:
  Canvas(int w, int h) : w_(w) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_ = ::CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                 nullptr, 0);
    old_ = ::SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  HDC Dc() const { return dc_; }
  // 0xRRGGBB at (x, y).
  uint32_t Rgb(int x, int y) const {
    ::GdiFlush();
    return bits_[y * w_ + x] & 0xFFFFFF;
  }

 private:
  int w_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  uint32_t* bits_ = nullptr;
};

uint32_t Rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

class ControlDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr,
                               nullptr, nullptr);
  }
  void TearDown() override { ::DestroyWindow(parent); }

  HWND Child(const wchar_t* cls, DWORD style, int w, int h) const {
    return ::CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, w, h, parent,
                             nullptr, nullptr, nullptr);
  }
  static DRAWITEMSTRUCT Item(HWND hwnd, HDC dc, UINT state, int w, int h) {
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.hwndItem = hwnd;
    item.hDC = dc;
    item.itemState = state;
    item.rcItem = {0, 0, w, h};
    return item;
  }

  GdiplusSession gdiplus;
  HWND parent = nullptr;
};

TEST_F(ControlDrawTest, ImageButtonDrawsTheChosenFrame) {
  constexpr int kW = 96, kH = 96;
  SkinImage main, alternate;
  ASSERT_TRUE(main.Load(IDP_TAB_BACKUP));
  ASSERT_TRUE(alternate.Load(IDP_TAB_SETTING_NEW));
  struct Case {
    const char* name;
    UINT itemState;
    bool selected, useAlternate, noDisabledFrame, focusFrame, focused;
    bool expectAlternate;
    int frame;
  } cases[] = {
      {"normal", 0, false, false, false, false, false, false, 0},
      {"pressed", ODS_SELECTED, false, false, false, false, false, false, 2},
      {"disabled", ODS_DISABLED, false, false, false, false, false, false, 4},
      {"disabled, no disabled frame", ODS_DISABLED, false, false, true, false, false, false, 0},
      {"selected", 0, true, false, false, false, false, false, 2},
      {"focused with focus frame", ODS_FOCUS, false, false, false, true, true, false, 3},
      {"selected, alternate strip", 0, true, true, false, false, false, true, 0},
      {"selected, alternate, disabled", ODS_DISABLED, true, true, false, false, false, true, 4},
  };
  // Pixels of the picture and of the frame's rim; together they tell the
  // frames of both strips apart.
  const POINT probes[] = {{48, 30}, {5, 48}, {68, 26}, {30, 60}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HWND hwnd = Child(L"BUTTON", BS_OWNERDRAW, 10, 10);
    CImageButton button;
    ASSERT_TRUE(button.Attach(hwnd));
    ASSERT_TRUE(button.SetImage(IDP_TAB_BACKUP, kW, kH));
    if (c.useAlternate) {
      ASSERT_TRUE(button.SetAlternateImage(IDP_TAB_SETTING_NEW));
    }
    button.SetSelected(c.selected);
    button.SetNoDisabledFrame(c.noDisabledFrame);
    button.SetFocusFrame(c.focusFrame);
    if (c.focused) ::SetFocus(hwnd);
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    EXPECT_EQ(rc.right, kW);  // sized to one frame
    EXPECT_EQ(rc.bottom, kH);
    Canvas canvas(kW, kH);
    button.DrawItem(Item(hwnd, canvas.Dc(), c.itemState, kW, kH));
    const SkinImage& strip = c.expectAlternate ? alternate : main;
    for (const POINT& p : probes) {
      const uint32_t want = strip.Pixel(c.frame * kW + p.x, p.y);
      if ((want >> 24) != 0xFF) continue;  // only fully opaque pixels compare exactly
      EXPECT_EQ(canvas.Rgb(p.x, p.y), want & 0xFFFFFF) << p.x << "," << p.y;
    }
    ::DestroyWindow(hwnd);
  }
}

TEST_F(ControlDrawTest, ImageButtonReportsStateChangesOnce) {
  HWND hwnd = Child(L"BUTTON", BS_OWNERDRAW, 10, 10);
  CImageButton button;
  ASSERT_TRUE(button.Attach(hwnd));
  ASSERT_TRUE(button.SetImage(IDP_TEXT_BUTTON, 138, 52));
  constexpr UINT kMsg = WM_APP + 5;
  button.SetStateNotify(parent, kMsg, 77);
  Canvas canvas(138, 52);
  const UINT states[] = {0, 0, ODS_SELECTED, ODS_SELECTED, ODS_DISABLED, 0};
  for (UINT s : states) button.DrawItem(Item(hwnd, canvas.Dc(), s, 138, 52));
  std::vector<LPARAM> posted;
  MSG msg;
  while (::PeekMessageW(&msg, parent, kMsg, kMsg, PM_REMOVE)) {
    EXPECT_EQ(msg.wParam, 77u);
    posted.push_back(msg.lParam);
  }
  EXPECT_EQ(posted, (std::vector<LPARAM>{0, 2, 4, 0}));
}

TEST_F(ControlDrawTest, ImageButtonWithoutItsStripDrawsNoImage) {
  HWND hwnd = Child(L"BUTTON", BS_OWNERDRAW, 80, 30);
  CImageButton button;
  ASSERT_TRUE(button.Attach(hwnd));
  EXPECT_FALSE(button.SetImage(9019, 138, 52));
  EXPECT_FALSE(button.HasImage());
  RECT rc;
  ::GetClientRect(hwnd, &rc);
  EXPECT_EQ(rc.right, 80);  // not resized
  button.SetBackground(RGB(1, 2, 3));
  Canvas canvas(80, 30);
  button.DrawItem(Item(hwnd, canvas.Dc(), 0, 80, 30));
  EXPECT_EQ(canvas.Rgb(2, 2), 0x010203u);  // the plain fill, nothing else
}

TEST_F(ControlDrawTest, CheckButtonMarkAndLabel) {
  constexpr int kW = 200, kH = 24, kMargin = 5;
  SkinImage off, on;
  ASSERT_TRUE(off.Load(IDP_CHECK_OFF));
  ASSERT_TRUE(on.Load(IDP_CHECK_ON));
  struct Case {
    const char* name;
    bool ticked;
    UINT itemState;
    int frame;
  } cases[] = {
      {"unticked", false, 0, 0},
      {"ticked", true, 0, 0},
      {"ticked, pressed", true, ODS_SELECTED, 2},
      {"ticked, disabled", true, ODS_DISABLED, 4},
      {"unticked, disabled", false, ODS_DISABLED, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HWND hwnd = Child(L"BUTTON", BS_OWNERDRAW, kW, kH);
    ::SetWindowTextW(hwnd, L"Acknowledged");
    CCheckBtn check;
    ASSERT_TRUE(check.Attach(hwnd));
    ASSERT_TRUE(check.SetImages(IDP_CHECK_OFF, IDP_CHECK_ON, 16, 16));
    check.SetColours(RGB(0x19, 0x19, 0x19), RGB(255, 255, 255), RGB(0x80, 0x80, 0x80));
    check.SetLeftMargin(kMargin);
    check.SetTicked(c.ticked);
    Canvas canvas(kW, kH);
    check.DrawItem(Item(hwnd, canvas.Dc(), c.itemState, kW, kH));
    const SkinImage& strip = c.ticked ? on : off;
    const int top = (kH - 16) / 2;
    for (POINT p : {POINT{8, 8}, POINT{2, 1}, POINT{5, 8}}) {
      const uint32_t want = strip.Pixel(c.frame * 16 + p.x, p.y);
      if ((want >> 24) != 0xFF) continue;
      EXPECT_EQ(canvas.Rgb(kMargin + p.x, top + p.y), want & 0xFFFFFF);
    }
    EXPECT_EQ(canvas.Rgb(1, 1), 0x191919u);  // background left of the mark
    // The label is drawn right of the mark, white or grey.
    bool white = false, grey = false;
    for (int y = 0; y < kH; ++y)
      for (int x = 16 + 2 * kMargin; x < kW; ++x) {
        white |= canvas.Rgb(x, y) == 0xFFFFFFu;
        grey |= canvas.Rgb(x, y) == 0x808080u;
      }
    EXPECT_EQ(white, c.itemState != ODS_DISABLED);
    EXPECT_EQ(grey, c.itemState == ODS_DISABLED);
    ::DestroyWindow(hwnd);
  }
}

TEST_F(ControlDrawTest, ProgressBarFill) {
  constexpr int kW = 208, kH = 16;  // inner bar: 200 x 8 from (4, 4)
  struct Case {
    const char* name;
    int low, high, pos;
    int filled;  // bar pixels from the inner left edge
  } cases[] = {
      {"at low", 0, 100, 0, 0},
      {"half", 0, 100, 50, 100},
      {"at high", 0, 100, 100, 200},
      {"empty range", 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HWND hwnd = Child(PROGRESS_CLASSW, 0, kW, kH);
    CProgressCtrlEx bar;
    ASSERT_TRUE(bar.Attach(hwnd));
    ::SendMessageW(hwnd, PBM_SETRANGE32, c.low, c.high);
    ::SendMessageW(hwnd, PBM_SETPOS, c.pos, 0);
    Canvas canvas(kW, kH);
    ::SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    EXPECT_EQ(canvas.Rgb(0, 0), 0xFFFFFFu);          // border
    EXPECT_EQ(canvas.Rgb(kW - 1, kH - 1), 0xFFFFFFu);
    EXPECT_EQ(canvas.Rgb(2, 2), 0x191919u);          // gap inside the border
    EXPECT_EQ(canvas.Rgb(kW - 3, kH / 2), 0x191919u);
    const uint32_t accent = Rgb(kAccent);
    EXPECT_EQ(canvas.Rgb(4, kH / 2), c.filled > 0 ? accent : 0x191919u);
    if (c.filled > 0) {
      EXPECT_EQ(canvas.Rgb(4 + c.filled - 1, kH / 2), accent);
    }
    if (c.filled < 200) {
      EXPECT_EQ(canvas.Rgb(4 + c.filled, kH / 2), 0x191919u);
    }
    ::DestroyWindow(hwnd);
  }
}

}  // namespace
}  // namespace vk

namespace vk {
namespace {

// Two image buttons side by side in a visible window, and mouse moves sent
// the way the system sends them (to the window holding the capture).
class HoverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = ::CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 100, 300,
                               100, nullptr, nullptr, nullptr, nullptr);
    for (int i = 0; i < 2; ++i) {
      HWND h = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW,
                                 10 + 140 * i, 10, 10, 10, window, nullptr, nullptr, nullptr);
      buttons[i].Attach(h);
      buttons[i].SetImage(IDP_TEXT_BUTTON, 138, 52);
    }
    ::UpdateWindow(window);
  }
  void TearDown() override {
    ::ReleaseCapture();
    ::DestroyWindow(window);
  }
  // Moves the mouse to (x, y) of the window's client area.
  void MoveTo(int x, int y) {
    POINT pt = {x, y};
    ::ClientToScreen(window, &pt);
    HWND target = ::GetCapture();
    if (!target) target = ::WindowFromPoint(pt);
    ::ScreenToClient(target, &pt);
    ::SendMessageW(target, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
  }

  GdiplusSession gdiplus;
  HWND window = nullptr;
  CImageButton buttons[2];
};

TEST_F(HoverTest, OverLookFollowsTheMouse) {
  MoveTo(50, 30);  // over the first
  EXPECT_TRUE(buttons[0].MouseOver());
  EXPECT_EQ(::GetCapture(), buttons[0].Hwnd());
  MoveTo(200, 30);  // straight onto the second
  EXPECT_FALSE(buttons[0].MouseOver());
  MoveTo(200, 31);
  EXPECT_TRUE(buttons[1].MouseOver());
  EXPECT_EQ(::GetCapture(), buttons[1].Hwnd());
  MoveTo(290, 90);  // off both
  EXPECT_FALSE(buttons[1].MouseOver());
  EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(HoverTest, CheckButtonForgetsFocusAndHover) {
  HWND h = ::CreateWindowExW(0, L"BUTTON", L"Acknowledged", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW,
                             10, 70, 200, 24, window, nullptr, nullptr, nullptr);
  CCheckBtn check;
  ASSERT_TRUE(check.Attach(h));
  ASSERT_TRUE(check.SetImages(IDP_CHECK_OFF, IDP_CHECK_ON, 16, 16));
  SkinImage off;
  ASSERT_TRUE(off.Load(IDP_CHECK_OFF));
  // A pixel of the mark that is opaque in frames 0, 1 and 3 and tells them apart.
  POINT probe = {-1, -1};
  for (int y = 0; y < 16 && probe.x < 0; ++y)
    for (int x = 0; x < 16 && probe.x < 0; ++x) {
      const uint32_t a = off.Pixel(x, y), b = off.Pixel(16 + x, y), c = off.Pixel(48 + x, y);
      if ((a >> 24) == 0xFF && (b >> 24) == 0xFF && (c >> 24) == 0xFF && a != b && b != c && a != c)
        probe = {x, y};
    }
  ASSERT_GE(probe.x, 0);
  auto shownRim = [&] {
    Canvas canvas(200, 24);
    DRAWITEMSTRUCT item = {};
    item.hwndItem = h;
    item.hDC = canvas.Dc();
    item.rcItem = {0, 0, 200, 24};
    check.DrawItem(item);
    return canvas.Rgb(probe.x, (24 - 16) / 2 + probe.y);
  };
  auto rim = [&](int frame) { return off.Pixel(frame * 16 + probe.x, probe.y) & 0xFFFFFF; };
  ::SetFocus(h);
  EXPECT_EQ(shownRim(), rim(3));
  ::SetFocus(buttons[0].Hwnd());  // tabbing away
  EXPECT_EQ(shownRim(), rim(0));
  MoveTo(50, 80);
  EXPECT_TRUE(check.MouseOver());
  EXPECT_EQ(shownRim(), rim(1));
  MoveTo(290, 90);  // leaving
  EXPECT_FALSE(check.MouseOver());
  EXPECT_EQ(shownRim(), rim(0));
}

// Records the focus notifications a parent receives.
std::vector<WPARAM> g_focusNotes;
LRESULT CALLBACK NoteFocus(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == kMsgButtonFocused) g_focusNotes.push_back(wp);
  return ::DefSubclassProc(h, msg, wp, lp);
}

TEST_F(HoverTest, FocusNotificationCarriesTheStripId) {
  g_focusNotes.clear();
  ASSERT_TRUE(::SetWindowSubclass(window, NoteFocus, 1, 0));
  buttons[0].SetFocusNotify(true);
  ::SetFocus(buttons[1].Hwnd());  // no notification asked for
  ::SetFocus(buttons[0].Hwnd());
  EXPECT_EQ(g_focusNotes, (std::vector<WPARAM>{IDP_TEXT_BUTTON}));
  // A new strip while focused hands the focus back to the window, so that
  // the next focus is reported for the new strip.
  ASSERT_TRUE(buttons[0].SetImage(IDP_SMALL_TEXT_BUTTON, 50, 25));
  EXPECT_EQ(::GetFocus(), window);
  ::SetFocus(buttons[0].Hwnd());
  EXPECT_EQ(g_focusNotes, (std::vector<WPARAM>{IDP_TEXT_BUTTON, IDP_SMALL_TEXT_BUTTON}));
  ::RemoveWindowSubclass(window, NoteFocus, 1);
}

// The focus note reaches dialogs whose procedure does not handle it: the
// default dialog procedure must leave it alone, not take it for one of its
// own messages (in the WM_USER range DM_SETDEFID would make the strip's id the
// default button).
INT_PTR CALLBACK IgnoreAll(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(FocusNote, LeavesTheDefaultButtonOfADialogAlone) {
  struct alignas(DWORD) EmptyDialog {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
  } tmpl = {{WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 200, 60}, 0, 0, 0};
  HWND dialog = ::CreateDialogIndirectParamW(nullptr, &tmpl.header, nullptr, IgnoreAll, 0);
  ASSERT_NE(dialog, nullptr);
  HWND h = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 10, 10, 10,
                             10, dialog, nullptr, nullptr, nullptr);
  GdiplusSession gdiplus;
  CImageButton button;
  ASSERT_TRUE(button.Attach(h));
  ASSERT_TRUE(button.SetImage(IDP_TEXT_BUTTON, 138, 52));
  button.SetFocusNotify(true);
  const LRESULT before = ::SendMessageW(dialog, DM_GETDEFID, 0, 0);
  ::SetFocus(h);
  ASSERT_EQ(::GetFocus(), h);
  const LRESULT after = ::SendMessageW(dialog, DM_GETDEFID, 0, 0);
  EXPECT_NE(LOWORD(after), IDP_TEXT_BUTTON);
  EXPECT_EQ(after, before);
  ::DestroyWindow(dialog);
}

TEST_F(HoverTest, LosingTheCaptureClearsTheOverLook) {
  MoveTo(50, 30);
  ASSERT_TRUE(buttons[0].MouseOver());
  ::ReleaseCapture();
  EXPECT_FALSE(buttons[0].MouseOver());
}

// A window that takes the capture while the button is held (a modal window
// opening, a task switch) swallows the button-up: the button must not go on
// believing it is held, or it never lets the mouse go again.
TEST_F(HoverTest, CaptureTakenWhileHeldIsNotKeptAfterwards) {
  MoveTo(50, 30);
  ::SendMessageW(buttons[0].Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 20));
  ASSERT_EQ(::GetCapture(), buttons[0].Hwnd());
  ::SetCapture(window);
  ::ReleaseCapture();
  MoveTo(50, 30);
  EXPECT_EQ(::GetCapture(), buttons[0].Hwnd());  // hovering again
  MoveTo(290, 90);
  EXPECT_EQ(::GetCapture(), nullptr);
}

}  // namespace
}  // namespace vk
