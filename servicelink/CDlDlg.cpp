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
constexpr int kCloseSize = kSkinCloseSize;
constexpr int kButtonWidth = kSkinButtonWidth, kButtonHeight = kSkinButtonHeight;
constexpr UINT_PTR kProgressTimer = 100;
constexpr UINT kProgressPeriodMs = 300;
// How long a cancelled download may take to end before the window closes
// without it: a read from a server that stopped sending ends only by its
// time-out, and the user who pressed Cancel does not wait for that.
constexpr UINT_PTR kCancelTimer = 101;
constexpr UINT kCancelGraceMs = 1000;
constexpr int kBarMaximum = 100;
constexpr int kBarTop = 230;
// The message ends this far above the bar, so that it never covers it.
constexpr int kMessageGap = 7;

constexpr ControlPlacement kPlacements[] = {
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

void CDlDlg::SetUpControls() {
  AttachCloseButton(close_);
  AttachTextButton(cancel_, IDC_DL_CANCEL);
  Attach(bar_, IDC_DL_PROGRESS);
  ::SendMessageW(Item(IDC_DL_PROGRESS), PBM_SETRANGE32, 0, kBarMaximum);
  ::SendMessageW(Item(IDC_DL_PROGRESS), PBM_SETPOS, 0, 0);
}

BOOL CDlDlg::OnInitDialog() {
  OpenFrame();
  LayOut(kWidth, kHeight, kPlacements);
  SetUpControls();
  background_.Load(IDP_MESSAGE_BACKGROUND);
  picture_.Load(IDP_ICON_INFORMATION);
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
  if (id == kCancelTimer) {
    ::KillTimer(Hwnd(), kCancelTimer);
    if (!download_ || download_->Finished()) return;  // its end is on the way
    ::KillTimer(Hwnd(), kProgressTimer);
    link::FinishInBackground(std::move(download_));
    Close(kDownloadCancelledEnd);
    return;
  }
  if (id != kProgressTimer || !download_ || !download_->Started()) return;
  ::SendMessageW(Item(IDC_DL_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(download_->Percent()), 0);
}

void CDlDlg::OnCommand(UINT id, UINT, HWND) {
  // The window stays until the download reports its end, or the grace
  // after a cancel has passed.
  if ((id == IDC_DL_CANCEL || id == IDC_CLOSE) && download_) {
    download_->Cancel();
    ::SetTimer(Hwnd(), kCancelTimer, kCancelGraceMs, nullptr);
  }
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
  if (!download_) return;  // let go after a cancel: the window is closing
  ::KillTimer(Hwnd(), kProgressTimer);
  ::KillTimer(Hwnd(), kCancelTimer);
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

void CDlDlg::OnPaint(HDC dc) { PaintFace(dc, background_, &picture_, kPictureAt); }

}  // namespace vk
