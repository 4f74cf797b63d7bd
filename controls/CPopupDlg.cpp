#include "controls/CPopupDlg.h"

#include "controls/CMsgDlg.h"
#include "controls/UiFonts.h"
#include "common/Texts.h"
#include "resources/ResourceIds.h"

namespace vk {
namespace {

constexpr int kWidth = 450, kHeight = 170;
constexpr POINT kClose = {422, 12};
constexpr int kCloseSize = 16;
constexpr POINT kIcon = {20, 49};
constexpr RECT kText = {110, 20, 110 + 320, 20 + 130};
constexpr int kCornerGap = 10;
constexpr COLORREF kPopupBackground = RGB(0xCC, 0xCC, 0xCC);

}  // namespace

bool CPopupDlg::Create(HWND tray) {
  tray_ = tray;
  if (!CreateModeless(tray, IDD_POPUP)) return false;
  ::ShowWindow(Hwnd(), SW_SHOWNOACTIVATE);
  return true;
}

void CPopupDlg::Reshow() const {
  if (!Hwnd()) return;
  ::ShowWindow(Hwnd(), SW_SHOW);
  ::SetForegroundWindow(Hwnd());
}

UINT CPopupDlg::IconImage() const {
  if (kind_ == kIconError) return IDP_ICON_ERROR;
  if (kind_ == kIconInformation) return IDP_ICON_INFORMATION;
  return IDP_ICON_WARNING;
}

void CPopupDlg::MoveToCorner() const {
  // The work area of the primary screen: the corner above the task bar.
  RECT area;
  if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
    area = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  RECT rc;
  ::GetWindowRect(Hwnd(), &rc);
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  ::SetWindowPos(Hwnd(), nullptr, area.right - w - kCornerGap, area.bottom - h - kCornerGap, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CPopupDlg::OnInitDialog() {
  background_ = kPopupBackground;
  SetWindowIcons(Hwnd(), IDI_APP);
  ::SetWindowTextW(Hwnd(), LoadResourceText(txt::kAppTitle).c_str());
  SetClientSize(kWidth, kHeight);
  Attach(close_, IDC_CLOSE);
  close_.SetImage(IDP_POPUP_CLOSE, kCloseSize, kCloseSize);
  Place(IDC_CLOSE, kClose.x, kClose.y, kCloseSize, kCloseSize);
  Place(IDC_MESSAGE, kText.left, kText.top, kText.right - kText.left, kText.bottom - kText.top);
  SetItemFont(IDC_MESSAGE, TextFont(AppLanguage()));
  // Painted by the window; the hidden static carries the text for other
  // programs to read.
  ::SetWindowTextW(Item(IDC_MESSAGE), text_.c_str());
  backImage_.Load(IDP_POPUP_BACKGROUND);
  icon_.Load(IconImage());
  MoveToCorner();
  created_ = clock();
  ::SetTimer(Hwnd(), kPopupTimer, kPopupTimerPeriod, nullptr);
  return FALSE;  // a notification does not take the focus
}

void CPopupDlg::OnCommand(UINT id, UINT, HWND) {
  if (id == IDC_CLOSE || id == IDCANCEL) Close(0);
}

void CPopupDlg::OnPaint(HDC dc) {
  PaintMessageFace(Hwnd(), dc, {kPopupBackground, &backImage_, &icon_, kIcon, kText, kBlack}, text_);
}

void CPopupDlg::OnTimer(UINT_PTR id) {
  if (id != kPopupTimer || !closesByItself_) return;
  // Unsigned difference: correct across the wrap of the tick count.
  if (clock() - created_ >= kPopupLifetime) {
    ::KillTimer(Hwnd(), kPopupTimer);
    Close(0);
  }
}

bool CPopupDlg::OnLButtonDown(POINT) {
  if (tray_) ::SendMessageW(tray_, kMsgOpenMainWindow, 0, 0);
  Close(0);
  return true;
}

bool CPopupDlg::OnMessage(UINT msg, WPARAM, LPARAM, INT_PTR* result) {
  if (msg != WM_CLOSE) return false;
  Close(0);
  *result = TRUE;
  return true;
}

void CPopupDlg::OnDestroy() { ::KillTimer(Hwnd(), kPopupTimer); }

void CPopupDlg::OnFinalMessage() {
  if (onDestroyed) onDestroyed(this);
}

}  // namespace vk
