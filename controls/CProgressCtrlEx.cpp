#include "controls/CProgressCtrlEx.h"

#include <commctrl.h>

#include "controls/ControlLook.h"

namespace vk {

CProgressCtrlEx::~CProgressCtrlEx() { Detach(); }

void CProgressCtrlEx::Paint(HDC dc) const {
  PBRANGE range = {};
  ::SendMessageW(Hwnd(), PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  const int position = static_cast<int>(::SendMessageW(Hwnd(), PBM_GETPOS, 0, 0));
  RECT rc;
  ::GetClientRect(Hwnd(), &rc);
  BufferDC buffer(dc, rc);
  HDC b = buffer.Get();
  FillSolid(b, rc, kTextWhite);
  RECT inner = rc;
  ::InflateRect(&inner, -kProgressBorder, -kProgressBorder);
  FillSolid(b, inner, kDarkBackground);
  ::InflateRect(&inner, -kProgressGap, -kProgressGap);
  const int fill = ProgressFillWidth(inner.right - inner.left, range.iLow, range.iHigh, position);
  if (fill > 0) {
    inner.right = inner.left + fill;
    FillSolid(b, inner, kAccent);
  }
  buffer.Flush();
}

LRESULT CProgressCtrlEx::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(Hwnd(), &ps);
      if (dc) Paint(dc);
      ::EndPaint(Hwnd(), &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      return DefProc(msg, wp, lp);
  }
}

}  // namespace vk
