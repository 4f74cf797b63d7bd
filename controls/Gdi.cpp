#include "controls/Gdi.h"

namespace vk {

BufferDC::BufferDC(HDC target, const RECT& rc)
    : target_(target), rc_(rc), dc_(::CreateCompatibleDC(target)) {
  bitmap_.Reset(::CreateCompatibleBitmap(target, rc.right - rc.left, rc.bottom - rc.top));
  if (dc_ && bitmap_) {
    old_ = ::SelectObject(dc_, bitmap_.Get());
    // Draw in the target's coordinates.
    ::SetViewportOrgEx(dc_, -rc.left, -rc.top, nullptr);
  }
}

BufferDC::~BufferDC() {
  if (old_) ::SelectObject(dc_, old_);
  if (dc_) ::DeleteDC(dc_);
}

void BufferDC::Flush() const {
  if (!old_) return;
  ::SetViewportOrgEx(dc_, 0, 0, nullptr);
  ::BitBlt(target_, rc_.left, rc_.top, rc_.right - rc_.left, rc_.bottom - rc_.top, dc_, 0, 0,
           SRCCOPY);
  ::SetViewportOrgEx(dc_, -rc_.left, -rc_.top, nullptr);
}

void FillSolid(HDC dc, const RECT& rc, COLORREF colour) {
  COLORREF old = ::SetBkColor(dc, colour);
  ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
  ::SetBkColor(dc, old);
}

void DrawWrappedText(HDC dc, const RECT& area, const std::wstring& text, HFONT font,
                     COLORREF colour, UINT align) {
  if (text.empty()) return;
  SelectGuard selectFont(dc, font);
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = ::SetTextColor(dc, colour);
  RECT measured = area;
  const UINT flags = align | DT_WORDBREAK | DT_NOPREFIX;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, flags | DT_CALCRECT);
  RECT rc = area;
  const int free = (area.bottom - area.top) - (measured.bottom - measured.top);
  if (free > 0) rc.top += free / 2;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, flags);
  ::SetTextColor(dc, oldColour);
  ::SetBkMode(dc, oldMode);
}

void DrawLine(HDC dc, const RECT& area, const std::wstring& text, HFONT font, COLORREF colour,
              UINT format) {
  if (text.empty()) return;
  SelectGuard selectFont(dc, font);
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = ::SetTextColor(dc, colour);
  RECT rc = area;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc,
              format | DT_SINGLELINE | DT_NOPREFIX);
  ::SetTextColor(dc, oldColour);
  ::SetBkMode(dc, oldMode);
}

}  // namespace vk
