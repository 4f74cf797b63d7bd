#include "servicelink/CDlDlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include "common/Messages.h"
#include "controls/UiFonts.h"
#include "resources/ResourceIds.h"
#include "servicelink/ServiceClient.h"
#include "servicelink/UpdateRules.h"
#include "shell/AppTexts.h"

namespace vk {
namespace {

constexpr int kWidth = 581, kHeight = 343;
constexpr POINT kPictureAt = {20, 110};
constexpr int kCloseSize = 36;
constexpr int kButtonWidth = 138, kButtonHeight = 52;
constexpr int kDragBand = 76;
constexpr UINT_PTR kProgressTimer = 100;
constexpr UINT kProgressPeriodMs = 300;
constexpr int kBarMaximum = 100;
constexpr int kBarTop = 230;
// The message ends this far above the bar, so that it never covers it.
constexpr int kMessageGap = 7;

struct Placement {
  UINT id;
  RECT rc;
};
constexpr Placement kPlacements[] = {
    {IDC_TITLE, {40, 22, 40 + 368, 22 + 32}},
    {IDC_CLOSE, {525, 20, 525 + kCloseSize, 20 + kCloseSize}},
    {IDC_MESSAGE, {125, 110, 125 + 431, kBarTop - kMessageGap}},
    {IDC_DL_PROGRESS, {30, kBarTop, 30 + 521, kBarTop + 24}},
    {IDC_DL_CANCEL, {221, 266, 221 + kButtonWidth, 266 + kButtonHeight}},
};

}  // namespace

INT_PTR CDlDlg::Run(HWND owner) { return DoModal(owner, IDD_DOWNLOAD); }

bool CDlDlg::CreateForCheck(HWND owner) {
  forCheck_ = true;
  return CreateModeless(owner, IDD_DOWNLOAD);
}

void CDlDlg::Layout() const {
  SetClientSize(kWidth, kHeight);
  HFONT font = TextFont(AppLanguage());
  for (const Placement& p : kPlacements) {
    Place(p.id, p.rc.left, p.rc.top, p.rc.right - p.rc.left, p.rc.bottom - p.rc.top);
    SetItemFont(p.id, p.id == IDC_TITLE ? LargeFont() : font);
  }
}

void CDlDlg::SetUpControls() {
  Attach(close_, IDC_CLOSE);
  close_.SetImage(IDP_CLOSE_BUTTON, kCloseSize, kCloseSize);
  close_.SetBackground(kBlack);
  Attach(cancel_, IDC_DL_CANCEL);
  cancel_.SetImage(IDP_TEXT_BUTTON, kButtonWidth, kButtonHeight);
  cancel_.SetTextMode(true);
  cancel_.SetBackground(kDarkBackground);
  cancel_.SetFocusFrame(true);
  Attach(bar_, IDC_DL_PROGRESS);
  ::SendMessageW(Item(IDC_DL_PROGRESS), PBM_SETRANGE32, 0, kBarMaximum);
  ::SendMessageW(Item(IDC_DL_PROGRESS), PBM_SETPOS, 0, 0);
}

BOOL CDlDlg::OnInitDialog() {
  titleId_ = IDC_TITLE;
  dragBand_ = kDragBand;
  SetWindowIcons(Hwnd(), IDI_APP);
  const std::wstring title = LoadResourceText(txt::kAppTitle);
  ::SetWindowTextW(Hwnd(), title.c_str());
  ::SetWindowTextW(Item(IDC_TITLE), title.c_str());
  Layout();
  SetUpControls();
  background_.Load(IDP_MESSAGE_BACKGROUND);
  picture_.Load(IDP_ICON_INFORMATION);
  SolidBrush(kDarkBackground);
  SolidBrush(kBlack);
  ::SetWindowTextW(Item(IDC_MESSAGE), GetString(txt::kDownloadInProgress).c_str());
  ::SetWindowTextW(Item(IDC_DL_CANCEL), GetString(txt::kMsgButtonCancel).c_str());
  CentreOn(nullptr);
  if (forCheck_) return TRUE;
  ::MessageBeep(MB_ICONASTERISK);
  download_ = std::make_unique<link::InstallerDownload>(setupUrl_.c_str(), options_);
  if (!download_->Start(Hwnd(), kMsgDownloadEnded))
    ::PostMessageW(Hwnd(), kMsgDownloadEnded, 0, link::kDownloadFailed);
  ::SetTimer(Hwnd(), kProgressTimer, kProgressPeriodMs, nullptr);
  return TRUE;
}

void CDlDlg::OnTimer(UINT_PTR id) {
  if (id != kProgressTimer || !download_ || !download_->Started()) return;
  ::SendMessageW(Item(IDC_DL_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(download_->Percent()), 0);
}

void CDlDlg::OnCommand(UINT id, UINT, HWND) {
  // The window stays until the download reports its end.
  if ((id == IDC_DL_CANCEL || id == IDC_CLOSE) && download_) download_->Cancel();
}

bool CDlDlg::OnMessage(UINT msg, WPARAM, LPARAM lp, INT_PTR* result) {
  if (msg != kMsgDownloadEnded) return false;
  OnDownloadEnded(static_cast<int>(lp));
  *result = TRUE;
  return true;
}

// The file is deleted at the next restart, as the installer cannot delete
// itself; a refusal of the service does not keep the user from the update.
bool CDlDlg::StartInstaller() {
  const std::wstring& path = download_->LocalPath();
  link::DeleteFileAtRestart(nullptr, path.c_str());
  const std::wstring quoted = L"\"" + path + L"\"";
  const auto started = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, nullptr, quoted.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  constexpr INT_PTR kShellExecuteOk = 32;  // larger values are success
  return started > kShellExecuteOk;
}

void CDlDlg::OnDownloadEnded(int result) {
  ::KillTimer(Hwnd(), kProgressTimer);
  switch (link::DownloadEndOf(result)) {
    case link::DownloadEnd::kClose:
      Close(kDownloadCancelledEnd);
      return;
    case link::DownloadEnd::kStartInstaller:
      if (StartInstaller()) {
        Close(kDownloadStarted);
        return;
      }
      break;  // nothing started: the user hears of it
    case link::DownloadEnd::kShowFailure:
      break;
  }
  Close(kDownloadFailedEnd);
}

void CDlDlg::OnPaint(HDC dc) {
  RECT rc;
  ::GetClientRect(Hwnd(), &rc);
  BufferDC buffer(dc, rc);
  HDC b = buffer.Get();
  FillSolid(b, rc, kDarkBackground);
  background_.Draw(b, 0, 0);
  picture_.Draw(b, kPictureAt.x, kPictureAt.y);
  buffer.Flush();
}

}  // namespace vk
