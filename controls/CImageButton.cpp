#include "controls/CImageButton.h"

#include <windowsx.h>

namespace vk {
namespace {

// Drive entry layout: line 1 (own font), line 2, line 3 right-aligned at
// the bottom, the plan mark at the bottom left.
constexpr int kDriveLeft = 10, kDriveRightGap = 20, kDriveTop = 10, kLineHeight = 24;
constexpr int kDriveBottomBand = 34, kDriveBottomGap = 10;
constexpr int kPlanMarkSize = 16, kDriveMarkGap = 4;
constexpr int kDriveFontHeight = -14;
// Panel layout: a title line, three lines right of a 64 x 64 picture.
constexpr int kPanelTitleLeft = 20, kPanelTextLeft = 150, kPanelRightGap = 20;
constexpr int kPanelTop = 10, kPanelPictureX = 32, kPanelPictureY = 32, kPanelPicture = 64;

HFONT WindowFont(HWND hwnd) {
  return reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0));
}

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, &text[0], static_cast<int>(text.size()))));
  return text;
}

}  // namespace

CImageButton::~CImageButton() { Detach(); }

void CImageButton::OnWindowGone() {
  // Each holder frees its bitmap before the stream the bitmap reads from.
  strip_.Release();
  alternate_.Release();
  markEnabled_.Release();
  markDisabled_.Release();
  panelPicture_.Release();
  clickRegion_.Reset();
  frameCount_ = 0;
}

bool CImageButton::SetImage(UINT id, int frameWidth, int frameHeight) {
  clickRegion_.Reset();
  if (focusNotify_) {
    // The button may be about to change role (a tab turning into another):
    // it starts over without the focus, so that the next focus is reported.
    mouseOver_ = 0;
    focused_ = false;
    lastState_ = -1;
    if (Hwnd() && ::GetFocus() == Hwnd()) ::SetFocus(::GetParent(Hwnd()));
  }
  imageId_ = id;
  frameCount_ = 0;
  if (!strip_.Load(id)) return false;
  frameCount_ = kStripFrames;
  frameWidth_ = frameWidth;
  frameHeight_ = frameHeight;
  if (Hwnd())
    ::SetWindowPos(Hwnd(), nullptr, 0, 0, frameWidth, frameHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

bool CImageButton::SetAlternateImage(UINT id) { return alternate_.Load(id); }

void CImageButton::SetClickRegion(HRGN region) { clickRegion_.Reset(region); }

void CImageButton::SetSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  Invalidate();
}

void CImageButton::SetForceOver(bool on) {
  if (forceOver_ == on) return;
  forceOver_ = on;
  Invalidate();
}

void CImageButton::SetDriveMode(bool on) {
  driveMode_ = on;
  if (on && !driveFont_)
    driveFont_.Reset(::CreateFontW(kDriveFontHeight, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET,
                                   0, 0, 0, 0, L"Segoe UI"));
}

void CImageButton::SetDriveLines(const std::wstring& l1, const std::wstring& l2,
                                 const std::wstring& l3) {
  driveLines_ = {l1, l2, l3};
  Invalidate();
}

void CImageButton::SetPlanMark(bool on, UINT enabledId, UINT disabledId) {
  planMark_ = on;
  if (on && !markEnabled_.Loaded()) markEnabled_.Load(enabledId);
  if (on && !markDisabled_.Loaded()) markDisabled_.Load(disabledId);
  Invalidate();
}

void CImageButton::SetStateNotify(HWND target, UINT msg, WPARAM param) {
  notifyWindow_ = target;
  notifyMsg_ = msg;
  notifyParam_ = param;
  lastState_ = -1;
}

ImageButtonLook CImageButton::Look(UINT itemState) const {
  ImageButtonLook look;
  look.disabled = (itemState & ODS_DISABLED) != 0;
  look.pressed = (itemState & ODS_SELECTED) != 0;
  look.mouseOver = mouseOver_ != 0;
  look.focused = focused_;
  look.focusFrame = focusFrame_;
  look.forceOver = forceOver_;
  look.noDisabledFrame = noDisabledFrame_;
  look.selected = selected_;
  look.selectedUsesFrame3 = selectedUsesFrame3_;
  look.hasAlternate = alternate_.Loaded();
  look.frameCount = frameCount_;
  return look;
}

// ---- Mouse and focus ------------------------------------------------------

bool CImageButton::PointInside(POINT client) const {
  bool inside;
  if (clickRegion_) {
    inside = ::PtInRegion(clickRegion_.Get(), client.x, client.y) != 0;
  } else {
    RECT rc;
    ::GetClientRect(Hwnd(), &rc);
    inside = ::PtInRect(&rc, client) != 0;
  }
  POINT screen = client;
  ::ClientToScreen(Hwnd(), &screen);
  return inside && ::WindowFromPoint(screen) == Hwnd();
}

void CImageButton::OnMouseMove(LPARAM lp) {
  const POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  if (PointInside(pt)) {
    if (::GetCapture() != Hwnd()) ::SetCapture(Hwnd());
    if (!mouseOver_) {
      mouseOver_ = 1;
      ::InvalidateRect(Hwnd(), nullptr, FALSE);
      ::UpdateWindow(Hwnd());
    }
    if (overCursor_ && !leftHeld_) ::SetCursor(overCursor_);
  } else {
    if (mouseOver_) {
      mouseOver_ = 0;
      Invalidate();
    }
    if (!leftHeld_ && ::GetCapture() == Hwnd()) ::ReleaseCapture();
  }
}

LRESULT CImageButton::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MOUSEMOVE:
      OnMouseMove(lp);
      break;
    case WM_CAPTURECHANGED:
      // Another window took the mouse: the button-up goes there, so the
      // button is no longer held as far as we will ever learn.
      if (reinterpret_cast<HWND>(lp) != Hwnd()) leftHeld_ = false;
      if (mouseOver_) {
        mouseOver_ = 0;
        Invalidate();
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      ::SetFocus(Hwnd());
      leftHeld_ = true;
      ::SetCapture(Hwnd());
      if (pressedCursor_) ::SetCursor(pressedCursor_);
      break;
    case WM_LBUTTONUP: {
      leftHeld_ = false;
      if (overCursor_) ::SetCursor(overCursor_);
      // The default processing sends the click, after which the parent may
      // have destroyed the button: touch only the handle from here on.
      HWND self = Hwnd();
      const LRESULT r = DefProc(msg, wp, lp);
      if (::GetCapture() == self) ::ReleaseCapture();
      return r;
    }
    case WM_SETFOCUS:
      focused_ = true;
      if (focusNotify_ && ::GetParent(Hwnd()))
        ::SendMessageW(::GetParent(Hwnd()), kMsgButtonFocused, imageId_, 0);
      break;
    case WM_KILLFOCUS:
      focused_ = false;
      break;
    case WM_ERASEBKGND:
      return 1;  // the button paints every pixel
    case BM_GETCHECK:
      return selected_ ? BST_CHECKED : BST_UNCHECKED;
    default:
      break;
  }
  return DefProc(msg, wp, lp);
}

// ---- Drawing --------------------------------------------------------------

COLORREF CImageButton::TextColour(bool enabled) const {
  return enabled || textAlwaysWhite_ ? kTextWhite : kTextGrey;
}

void CImageButton::DrawStripFrame(HDC dc, const StripFrame& f) const {
  const SkinImage& strip = f.alternate ? alternate_ : strip_;
  strip.DrawPart(dc, 0, 0, f.frame * frameWidth_, 0, frameWidth_, frameHeight_);
}

std::array<RECT, 4> CImageButton::PanelLineAreas(const RECT& rc) const {
  const int right = rc.right - kPanelRightGap;
  std::array<RECT, 4> areas;
  areas[0] = {kPanelTitleLeft, kPanelTop, right, kPanelTop + kLineHeight};
  for (int i = 1; i < 4; ++i) {
    const int top = kPanelTop + i * kLineHeight;
    areas[static_cast<size_t>(i)] = {kPanelTextLeft, top, right, top + kLineHeight};
  }
  return areas;
}

std::array<RECT, 3> CImageButton::DriveLineAreas(const RECT& rc) const {
  const int right = rc.right - kDriveRightGap;
  // The capacity is right-aligned on the plan mark's line and must not run
  // into the mark.
  const int thirdLeft = kDriveLeft + kPlanMarkSize + kDriveMarkGap;
  return {RECT{kDriveLeft, kDriveTop, right, kDriveTop + kLineHeight},
          RECT{kDriveLeft, kDriveTop + kLineHeight, right, kDriveTop + 2 * kLineHeight},
          RECT{thirdLeft, rc.bottom - kDriveBottomBand, right, rc.bottom - kDriveBottomGap}};
}

void CImageButton::DrawPanel(HDC dc, const RECT& rc) const {
  BufferDC buffer(dc, rc);
  HDC b = buffer.Get();
  FillSolid(b, rc, background_);
  HFONT font = WindowFont(Hwnd());
  const std::array<RECT, 4> areas = PanelLineAreas(rc);
  for (size_t i = 0; i < areas.size(); ++i)
    DrawLine(b, areas[i], panelLines_[i], font, kTextWhite, DT_LEFT | DT_VCENTER | DT_END_ELLIPSIS);
  panelPicture_.DrawPart(b, kPanelPictureX, kPanelPictureY, 0, 0, kPanelPicture, kPanelPicture);
  buffer.Flush();
}

void CImageButton::DrawDrive(HDC dc, const RECT& rc, const StripFrame& f, bool enabled) const {
  BufferDC buffer(dc, rc);
  HDC b = buffer.Get();
  FillSolid(b, rc, background_);
  DrawStripFrame(b, f);
  const COLORREF colour = TextColour(enabled);
  const std::array<RECT, 3> areas = DriveLineAreas(rc);
  // A caption comes from the device: one that is too long ends in an
  // ellipsis rather than being cut anywhere.
  DrawLine(b, areas[0], driveLines_[0], driveFont_ ? driveFont_.Get() : WindowFont(Hwnd()), colour,
           DT_LEFT | DT_VCENTER | DT_END_ELLIPSIS);
  DrawLine(b, areas[1], driveLines_[1], WindowFont(Hwnd()), colour,
           DT_LEFT | DT_VCENTER | DT_END_ELLIPSIS);
  DrawLine(b, areas[2], driveLines_[2], WindowFont(Hwnd()), colour, DT_RIGHT | DT_VCENTER);
  if (planMark_) {
    const SkinImage& mark = enabled ? markEnabled_ : markDisabled_;
    mark.DrawPart(b, kDriveLeft, rc.bottom - kDriveBottomBand, 0, 0, kPlanMarkSize, kPlanMarkSize);
  }
  buffer.Flush();
}

void CImageButton::DrawTextMode(HDC dc, const RECT& rc, const StripFrame& f, bool enabled) const {
  BufferDC buffer(dc, rc);
  HDC b = buffer.Get();
  FillSolid(b, rc, background_);
  DrawStripFrame(b, f);
  DrawWrappedText(b, rc, WindowText(Hwnd()), WindowFont(Hwnd()), TextColour(enabled), DT_CENTER);
  buffer.Flush();
}

void CImageButton::DrawImageOnly(HDC dc, const RECT& rc, const StripFrame& f) const {
  // The strip has transparent parts and the button erases nothing: what
  // shows through them is the parent's own background.
  BufferDC buffer(dc, rc);
  HDC b = buffer.Get();
  FillSolid(b, rc, background_);
  PaintParentBackground(b);
  DrawStripFrame(b, f);
  buffer.Flush();
}

void CImageButton::DrawPlainText(HDC dc, const RECT& rc, bool enabled) const {
  FillSolid(dc, rc, background_);
  const COLORREF colour = selected_ ? kAccent : (enabled ? kTextWhite : kTextGrey);
  DrawLine(dc, rc, WindowText(Hwnd()), WindowFont(Hwnd()), colour, DT_CENTER | DT_VCENTER);
}

void CImageButton::NotifyState(int state) {
  if (!notifyWindow_ || state == lastState_) return;
  ::PostMessageW(notifyWindow_, notifyMsg_, notifyParam_, state);
  lastState_ = state;
}

void CImageButton::DrawItem(const DRAWITEMSTRUCT& item) {
  const ImageButtonLook look = Look(item.itemState);
  const int state = ImageButtonState(look);
  const StripFrame frame = ImageButtonFrame(look, state);
  const bool enabled = !look.disabled;
  const RECT& rc = item.rcItem;
  if (panelMode_)
    DrawPanel(item.hDC, rc);
  else if (!strip_.Loaded())
    DrawPlainText(item.hDC, rc, enabled);
  else if (driveMode_)
    DrawDrive(item.hDC, rc, frame, enabled);
  else if (textMode_)
    DrawTextMode(item.hDC, rc, frame, enabled);
  else
    DrawImageOnly(item.hDC, rc, frame);
  NotifyState(state);
  if (!focusFrame_ && (item.itemState & ODS_FOCUS)) ::DrawFocusRect(item.hDC, &rc);
}

bool CImageButton::DescribeTexts(std::vector<TextSlot>* out) const {
  RECT rc;
  ::GetClientRect(Hwnd(), &rc);
  HFONT font = WindowFont(Hwnd());
  auto add = [&](const std::wstring& text, const RECT& area, HFONT f, bool wraps) {
    if (!text.empty()) out->push_back({Hwnd(), text, area, f, wraps});
  };
  if (panelMode_) {
    const std::array<RECT, 4> areas = PanelLineAreas(rc);
    for (size_t i = 0; i < areas.size(); ++i) add(panelLines_[i], areas[i], font, false);
  } else if (!strip_.Loaded()) {
    add(WindowText(Hwnd()), rc, font, false);
  } else if (driveMode_) {
    const std::array<RECT, 3> areas = DriveLineAreas(rc);
    add(driveLines_[0], areas[0], driveFont_ ? driveFont_.Get() : font, false);
    add(driveLines_[1], areas[1], font, false);
    add(driveLines_[2], areas[2], font, false);
  } else if (textMode_) {
    add(WindowText(Hwnd()), rc, font, true);
  }
  return true;
}

}  // namespace vk
