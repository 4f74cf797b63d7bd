#include "controls/CCheckBtn.h"

#include <windowsx.h>

#include <string>

namespace vk {

CCheckBtn::~CCheckBtn() { Detach(); }

void CCheckBtn::OnWindowGone() {
  unticked_.Release();
  tickedStrip_.Release();
  frameCount_ = 0;
}

bool CCheckBtn::SetImages(UINT untickedId, UINT tickedId, int frameWidth, int frameHeight) {
  const bool ok = unticked_.Load(untickedId) && tickedStrip_.Load(tickedId);
  frameCount_ = ok ? kStripFrames : 0;
  frameWidth_ = frameWidth;
  frameHeight_ = frameHeight;
  Invalidate();
  return ok;
}

void CCheckBtn::SetColours(COLORREF background, COLORREF text, COLORREF disabledText) {
  background_ = background;
  text_ = text;
  disabledText_ = disabledText;
}

void CCheckBtn::SetTicked(bool ticked) {
  ticked_ = ticked;
  Invalidate();
}

void CCheckBtn::InvalidateMark() const {
  RECT rc;
  ::GetClientRect(Hwnd(), &rc);
  rc.left = leftMargin_;
  rc.right = leftMargin_ + frameWidth_;
  ::InvalidateRect(Hwnd(), &rc, FALSE);
}

void CCheckBtn::OnMouseMove(LPARAM lp) {
  POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  RECT rc;
  ::GetClientRect(Hwnd(), &rc);
  POINT screen = pt;
  ::ClientToScreen(Hwnd(), &screen);
  const bool inside = ::PtInRect(&rc, pt) && ::WindowFromPoint(screen) == Hwnd();
  if (inside) {
    if (::GetCapture() != Hwnd()) ::SetCapture(Hwnd());
    if (!mouseOver_) {
      mouseOver_ = true;
      InvalidateMark();
    }
  } else {
    if (mouseOver_) {
      mouseOver_ = false;
      InvalidateMark();
    }
    // While the button is held the button's own processing keeps the capture.
    if (::GetCapture() == Hwnd() && !(wParamButtons_ & MK_LBUTTON)) ::ReleaseCapture();
  }
}

LRESULT CCheckBtn::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MOUSEMOVE:
      wParamButtons_ = wp;
      OnMouseMove(lp);
      break;
    case WM_CAPTURECHANGED:
      if (mouseOver_) {
        mouseOver_ = false;
        Invalidate();
      }
      break;
    case WM_SETFOCUS:
      focused_ = true;
      break;
    case WM_KILLFOCUS:
      focused_ = false;
      Invalidate();
      break;
    case WM_ERASEBKGND:
      return 1;
    default:
      break;
  }
  return DefProc(msg, wp, lp);
}

std::wstring CCheckBtn::Label() const {
  std::wstring label(static_cast<size_t>(::GetWindowTextLengthW(Hwnd())) + 1, L'\0');
  label.resize(static_cast<size_t>(::GetWindowTextW(Hwnd(), &label[0], static_cast<int>(label.size()))));
  return label;
}

RECT CCheckBtn::LabelArea() const {
  RECT rc;
  ::GetClientRect(Hwnd(), &rc);
  rc.left += frameWidth_ + 2 * leftMargin_;
  return rc;
}

bool CCheckBtn::DescribeTexts(std::vector<TextSlot>* out) const {
  const std::wstring label = Label();
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(Hwnd(), WM_GETFONT, 0, 0));
  if (!label.empty()) out->push_back({Hwnd(), label, LabelArea(), font, false});
  return true;
}

void CCheckBtn::DrawItem(const DRAWITEMSTRUCT& item) {
  CheckButtonLook look;
  look.disabled = (item.itemState & ODS_DISABLED) != 0;
  look.focused = focused_ || (item.itemState & ODS_FOCUS) != 0;
  look.mouseOver = mouseOver_;
  look.pressed = (item.itemState & ODS_SELECTED) != 0;
  look.frameCount = frameCount_;
  const int f = CheckButtonFrame(look);

  RECT rc;
  ::GetClientRect(Hwnd(), &rc);
  BufferDC buffer(item.hDC, rc);
  HDC b = buffer.Get();
  FillSolid(b, rc, background_);
  const SkinImage& strip = ticked_ ? tickedStrip_ : unticked_;
  strip.DrawPart(b, leftMargin_, (rc.bottom - rc.top - frameHeight_) / 2, f * frameWidth_, 0,
                 frameWidth_, frameHeight_);

  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(Hwnd(), WM_GETFONT, 0, 0));
  DrawLine(b, LabelArea(), Label(), font, f == kFrameDisabled ? disabledText_ : text_,
           DT_LEFT | DT_VCENTER);
  if (item.itemState & ODS_FOCUS) ::DrawFocusRect(b, &rc);
  buffer.Flush();
}

}  // namespace vk
