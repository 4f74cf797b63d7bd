#include "wizard/CBkup07Dlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>

#include "common/Messages.h"
#include "controls/CMsgDlg.h"
#include "controls/UiFonts.h"
#include "engine/TargetVolume.h"
#include "resources/ResourceIds.h"
#include "shell/AppTexts.h"

namespace vk {
namespace {

constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressPeriodMs = 300;
constexpr uint32_t kFullPercent = 100;
constexpr size_t kPercentTextChars = 8;
constexpr EXECUTION_STATE kKeepAwake = ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED;
constexpr RECT kPrompt = {20, 20, 540, 60};
constexpr RECT kAdvice = {20, 66, 540, 140};
constexpr RECT kBar = {20, 160, 540, 184};
constexpr RECT kPercent = {20, 192, 540, 220};

std::wstring DetailLogPath(int drive) { return LogFolderPath(drive) + L"\\" + kBackupDetailLog; }

bool IsFile(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

BOOL CBkup07Dlg::OnInitDialog() {
  WizardPage::OnInitDialog();
  SetUpText(IDC_WIZ_PROMPT, kPrompt, txt::kBackupProgressHeading);
  SetUpText(IDC_WIZ_TEXT2, kAdvice, txt::kBackupProgressKeepAwake);
  SetUpText(IDC_WIZ_PROGRESS, kBar, 0);
  SetUpText(IDC_WIZ_PERCENT, kPercent, 0);
  Attach(bar_, IDC_WIZ_PROGRESS);
  ::SendMessageW(Item(IDC_WIZ_PROGRESS), PBM_SETRANGE32, 0, kFullPercent);
  // The text button, not the small one: "Cancel" in German or Japanese
  // does not fit 50 x 25 pixels.
  SetUpButton(cancel_, IDC_WIZ_CANCEL, kWizNextRect, txt::kMsgButtonCancel);
  return TRUE;
}

void CBkup07Dlg::Enter(int, bool comingBack) {
  if (comingBack) return;
  cancelAsked_ = false;
  stopping_ = false;
  SetPercent(0);
  SetText(IDC_WIZ_PERCENT, L"");
  UpdateCancel();
  StartOrWatch();
}

void CBkup07Dlg::StartOrWatch() {
  TrayHost* tray = Tray();
  const PageContext* ctx = Context();
  if (tray == nullptr || ctx == nullptr) return;
  if (!tray->Job().running) {
    const wchar_t* list = ctx->folderList.empty() ? nullptr : ctx->folderList.c_str();
    if (!tray->StartBackup(ctx->planDrive, ctx->plan, list)) return;  // the page stays, no timer
  }
  if (::SetTimer(Hwnd(), kProgressTimer, kProgressPeriodMs, nullptr) != 0) timerOn_ = true;
  UpdateCancel();
}

void CBkup07Dlg::SetPercent(uint32_t percent) {
  ::SendMessageW(Item(IDC_WIZ_PROGRESS), PBM_SETPOS, percent, 0);
  wchar_t text[kPercentTextChars];
  std::swprintf(text, kPercentTextChars, L"%d%%", static_cast<int>(percent));
  SetText(IDC_WIZ_PERCENT, text);
}

void CBkup07Dlg::UpdateCancel() {
  const TrayHost* tray = Tray();
  const bool running = tray && tray->Job().running;
  Enable(IDC_WIZ_CANCEL, running && !cancelAsked_ && !stopping_);
}

void CBkup07Dlg::OnTimer(UINT_PTR id) {
  if (id != kProgressTimer) return;
  ::SetThreadExecutionState(kKeepAwake);
  if (const TrayHost* tray = Tray()) SetPercent(tray->Job().percent);
}

void CBkup07Dlg::OnCommand(UINT id, UINT, HWND) {
  if (id != IDC_WIZ_CANCEL) return;
  TrayHost* tray = Tray();
  if (tray == nullptr || !tray->Job().running) return;
  cancelAsked_ = true;
  tray->SetCancelRequest(true);
  UpdateCancel();
}

// Sent by the job thread, which waits inside its progress call until the
// question is answered.
void CBkup07Dlg::ConfirmCancel() {
  TrayHost* tray = Tray();
  if (tray == nullptr) return;
  if (stopping_) return;
  if (Ask(txt::kMsgCancelBackup, kTypeWarningQuestion) == kAnswerOk) {
    stopping_ = true;
    tray->SetCancelFlag(true);
  } else {
    cancelAsked_ = false;
    tray->SetCancelRequest(false);
  }
  UpdateCancel();
}

void CBkup07Dlg::Report(const ResultReport& report, uint32_t unreadable) {
  const std::wstring text = report.withCount
                                ? GetString(report.textId, static_cast<int>(unreadable))
                                : GetString(report.textId);
  MainWindowLink* main = MainWindow();
  if (main == nullptr) return;
  if (!report.withLog) {
    main->ShowMessage(text, report.type);
    return;
  }
  const PageContext* ctx = Context();
  const std::wstring log = ctx ? DetailLogPath(ctx->planDrive) : std::wstring();
  const bool logThere = !log.empty() && IsFile(log);
  if (main->ShowMessageWithLog(text, report.type, logThere) == kMsgResultLog && logThere) {
    const std::wstring quoted = L"\"" + log + L"\"";
    ::ShellExecuteW(nullptr, nullptr, quoted.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
}

void CBkup07Dlg::OnEnded() {
  if (timerOn_) ::KillTimer(Hwnd(), kProgressTimer);
  timerOn_ = false;
  const TrayHost* tray = Tray();
  const uint32_t result = tray ? tray->Job().result : kResultException;
  const uint32_t unreadable = tray ? tray->Job().accessDenied : 0;
  const ResultReport report = ReportOfResult(result, unreadable);
  if (report.fullBar) SetPercent(kFullPercent);
  Report(report, unreadable);
  cancelAsked_ = false;
  stopping_ = false;
  SetPercent(0);
  SetText(IDC_WIZ_PERCENT, L"");
  if (TrayHost* t = Tray()) t->RefreshDrives();
  if (MainWindowLink* main = MainWindow()) main->RefreshDrivePanel();
  GoToStartPage();
  UpdateCancel();
}

bool CBkup07Dlg::OnMessage(UINT msg, WPARAM, LPARAM, INT_PTR* result) {
  if (msg == kMsgConfirmBackupCancel) {
    ConfirmCancel();
  } else if (msg == kMsgBackupEnded) {
    OnEnded();
  } else {
    return false;
  }
  *result = TRUE;
  return true;
}

}  // namespace vk
