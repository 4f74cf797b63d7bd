#include "controls/Window.h"

#include <commctrl.h>

namespace vk {
namespace {

constexpr UINT_PTR kSubclassId = 0x564B;   // one subclass of ours per control
const wchar_t kControlProp[] = L"VkControl";

}  // namespace

// ---- Control --------------------------------------------------------------

Control::~Control() { Detach(); }

bool Control::Attach(HWND hwnd) {
  if (!hwnd || hwnd_) return false;
  if (!::SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
    return false;
  ::SetPropW(hwnd, kControlProp, this);
  hwnd_ = hwnd;
  return true;
}

void Control::Detach() {
  if (!hwnd_) return;
  ::RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
  ::RemovePropW(hwnd_, kControlProp);
  hwnd_ = nullptr;
}

Control* Control::FromHwnd(HWND hwnd) {
  return hwnd ? static_cast<Control*>(::GetPropW(hwnd, kControlProp)) : nullptr;
}

LRESULT Control::WndProc(UINT msg, WPARAM wp, LPARAM lp) { return DefProc(msg, wp, lp); }

LRESULT Control::DefProc(UINT msg, WPARAM wp, LPARAM lp) {
  return ::DefSubclassProc(hwnd_, msg, wp, lp);
}

void Control::PaintParentBackground(HDC dc) const {
  HWND parent = ::GetParent(hwnd_);
  if (!parent) return;
  POINT origin = {0, 0};
  ::MapWindowPoints(hwnd_, parent, &origin, 1);
  POINT old;
  ::OffsetViewportOrgEx(dc, -origin.x, -origin.y, &old);
  ::SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  ::SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

void Control::Invalidate(const RECT* rc) const {
  if (hwnd_) ::InvalidateRect(hwnd_, rc, FALSE);
}

LRESULT CALLBACK Control::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                       DWORD_PTR ref) {
  auto* self = reinterpret_cast<Control*>(ref);
  try {
    if (msg == WM_NCDESTROY) {
      self->OnWindowGone();
      self->Detach();
      return ::DefSubclassProc(hwnd, msg, wp, lp);
    }
    return self->WndProc(msg, wp, lp);
  } catch (...) {
    return ::DefSubclassProc(hwnd, msg, wp, lp);
  }
}

// ---- Dialog ---------------------------------------------------------------

Dialog::~Dialog() {
  if (hwnd_) {
    // The object is going: the window must not call back into it.
    ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    HWND hwnd = hwnd_;
    hwnd_ = nullptr;
    ::DestroyWindow(hwnd);
  }
}

INT_PTR Dialog::DoModal(HWND owner, UINT templateId) {
  modal_ = true;
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner,
                           Proc, reinterpret_cast<LPARAM>(this));
}

bool Dialog::CreateModeless(HWND owner, UINT templateId) {
  modal_ = false;
  HWND hwnd = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId),
                                   owner, Proc, reinterpret_cast<LPARAM>(this));
  return hwnd != nullptr;
}

void Dialog::Close(INT_PTR result) {
  if (!hwnd_) return;
  if (modal_)
    ::EndDialog(hwnd_, result);
  else
    ::DestroyWindow(hwnd_);
}

INT_PTR CALLBACK Dialog::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    if (msg == WM_INITDIALOG) {
      auto* self = reinterpret_cast<Dialog*>(lp);
      ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
      self->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    if (msg == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      self->hwnd_ = nullptr;
      self->brushes_.clear();
      self->OnFinalMessage();  // may delete the object
      return FALSE;
    }
    return self->Dispatch(msg, wp, lp);
  } catch (...) {
    return FALSE;
  }
}

INT_PTR Dialog::Answer(LRESULT result) const {
  ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR Dialog::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return TRUE;
    case WM_PAINT:
      Paint();
      return TRUE;
    case WM_ERASEBKGND: {
      RECT rc;
      ::GetClientRect(hwnd_, &rc);
      FillSolid(reinterpret_cast<HDC>(wp), rc, background_);
      return Answer(1);
    }
    case WM_TIMER:
      OnTimer(wp);
      return TRUE;
    case WM_PRINTCLIENT:  // a transparent child asks for what lies behind it
      OnPaint(reinterpret_cast<HDC>(wp));
      return TRUE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      Control* c = Control::FromHwnd(item->hwndItem);
      if (!c) return FALSE;
      c->DrawItem(*item);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<INT_PTR>(
          OnCtlColorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(SolidBrush(background_));
    case WM_NCHITTEST: {
      if (dragBand_ <= 0) break;
      POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      ::ScreenToClient(hwnd_, &pt);
      if (pt.y >= 0 && pt.y < dragBand_) return Answer(HTCAPTION);
      break;
    }
    case WM_LBUTTONDOWN: {
      POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      return OnLButtonDown(pt) ? TRUE : FALSE;
    }
    case WM_HELP:
      return TRUE;  // the help key does nothing in this program
    case WM_DESTROY:
      OnDestroy();
      return TRUE;
    default:
      break;
  }
  INT_PTR result = 0;
  return OnMessage(msg, wp, lp, &result) ? result : FALSE;
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR*) { return false; }

HBRUSH Dialog::OnCtlColorStatic(HDC dc, HWND ctl) {
  const bool title = titleId_ && ctl == Item(titleId_);
  const COLORREF back = title ? kBlack : background_;
  ::SetTextColor(dc, kTextWhite);
  ::SetBkColor(dc, back);
  return SolidBrush(back);
}

void Dialog::Paint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(hwnd_, &ps);
  if (!dc) return;
  OnPaint(dc);
  ::EndPaint(hwnd_, &ps);
}

bool Dialog::Attach(Control& control, UINT id) { return control.Attach(Item(id)); }

HBRUSH Dialog::SolidBrush(COLORREF colour) {
  for (auto& [c, brush] : brushes_)
    if (c == colour) return brush.Get();
  brushes_.emplace_back(colour, Brush(::CreateSolidBrush(colour)));
  return brushes_.back().second.Get();
}

void Dialog::Place(UINT id, int x, int y, int w, int h) const {
  ::SetWindowPos(Item(id), nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Dialog::SetClientSize(int w, int h) const {
  RECT rc = {0, 0, w, h};
  ::AdjustWindowRectEx(&rc, static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  ::SetWindowPos(hwnd_, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Dialog::CentreOn(HWND owner) const {
  RECT area;
  if (!owner || !::IsWindowVisible(owner) || !::GetWindowRect(owner, &area))
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  RECT rc;
  ::GetWindowRect(hwnd_, &rc);
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  const int x = area.left + (area.right - area.left - w) / 2;
  const int y = area.top + (area.bottom - area.top - h) / 2;
  ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Dialog::SetItemFont(UINT id, HFONT font) const {
  if (font) ::SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void SetWindowIcons(HWND hwnd, UINT iconId) {
  HINSTANCE module = ::GetModuleHandleW(nullptr);
  auto load = [&](int metric) {
    return ::LoadImageW(module, MAKEINTRESOURCEW(iconId), IMAGE_ICON, ::GetSystemMetrics(metric),
                        ::GetSystemMetrics(metric + 1), LR_SHARED);
  };
  ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(load(SM_CXICON)));
  ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(load(SM_CXSMICON)));
}

}  // namespace vk
