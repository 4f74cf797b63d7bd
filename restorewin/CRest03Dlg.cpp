#include "restorewin/CRest03Dlg.h"

#include <commctrl.h>
#include <cwchar>
#include <shellapi.h>

#include "engine/EngineUtil.h"
#include "common/Messages.h"
#include "controls/UiFonts.h"
#include "resources/ResourceIds.h"
#include "restorewin/COwDlg.h"
#include "restorewin/RestorePageLayout.h"
#include "restorewin/RestoreWizardState.h"
#include "shell/AppTexts.h"
#include "shell/MainWindowRules.h"
#include "shell/TrayHost.h"

namespace vk {
namespace {

constexpr int kCancelSize = 24;  // image 9014
constexpr PagePlacement kPlacements[] = {
    {IDC_REST_PROMPT, {40, 24, 480, 24}},
    {IDC_REST_ADVICE, {40, 72, 480, 120}},
    {IDC_REST_PROGRESS, {40, 216, 480, 24}},
    {IDC_REST_CANCEL, {520, 216, kCancelSize, kCancelSize}},
    {IDC_REST_PERCENT, {40, 240, 480, 24}},
    {IDC_REST_ITEM, {40, 264, 480, 96}},
};
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressTimerMs = 300;
constexpr uint32_t kFullPercent = 100;
constexpr wchar_t kPercentFormat[] = L"%u%%";  // the same in every language
constexpr size_t kPercentChars = 16;

bool IsFile(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

BOOL CRest03Dlg::OnInitDialog() {
  PlaceAll(*this, kPlacements);
  Attach(progress_, IDC_REST_PROGRESS);
  Attach(cancel_, IDC_REST_CANCEL);
  cancel_.SetImage(IDP_SQUARE_BUTTON, kCancelSize, kCancelSize);
  cancel_.SetBackground(kDarkBackground);
  return CPage::OnInitDialog();
}

void CRest03Dlg::Enter(int, bool comingBack) {
  if (!comingBack) Start();
}

void CRest03Dlg::ShowPercent(uint32_t percent) {
  ::SendMessageW(Item(IDC_REST_PROGRESS), PBM_SETPOS, percent, 0);
  wchar_t text[kPercentChars] = {};
  ::swprintf(text, kPercentChars, kPercentFormat, percent);
  ::SetWindowTextW(Item(IDC_REST_PERCENT), text);
}

void CRest03Dlg::Start() {
  const HFONT font = TextFont(AppLanguage());
  for (const PagePlacement& p : kPlacements) SetItemFont(p.id, font);
  ::SetWindowTextW(Item(IDC_REST_PROMPT), GetString(txt::kRestoreProgressHeading).c_str());
  ::SetWindowTextW(Item(IDC_REST_ADVICE), GetString(txt::kRestoreProgressKeepAwake).c_str());
  ::SetWindowTextW(Item(IDC_REST_ITEM), L"");
  ::SetWindowTextW(Item(IDC_REST_PERCENT), L"");
  ::SendMessageW(Item(IDC_REST_PROGRESS), PBM_SETRANGE32, 0, kFullPercent);
  ::SendMessageW(Item(IDC_REST_PROGRESS), PBM_SETPOS, 0, 0);
  answers_ = OverwriteMemory();
  cancelAsked_ = cancelDecided_ = false;
  MainWindowLink* main = MainWindow();
  TrayHost* tray = Tray();
  if (!main || !tray) return;
  const RestoreWizardState& state = RestoreWizard();
  const std::wstring list = ZeroEndedList(state.selection);
  driveIndex_ = main->Context().planDrive;
  const wchar_t* destination = state.newLocation ? state.location.c_str() : nullptr;
  running_ = tray->StartRestore(state.set, main->Context().plan, driveIndex_, list.c_str(), destination);
  if (running_) {
    ::SetTimer(Hwnd(), kProgressTimer, kProgressTimerMs, nullptr);
    main->UpdateButtons();
  }
  UpdateCancel();
}

void CRest03Dlg::UpdateCancel() {
  // Only while no cancel is asked or decided (this page alone sets the job
  // control's two marks, and keeps a copy of them).
  const bool on = running_ && !cancelAsked_ && !cancelDecided_;
  ::EnableWindow(Item(IDC_REST_CANCEL), on ? TRUE : FALSE);
}

void CRest03Dlg::OnTimer(UINT_PTR id) {
  if (id != kProgressTimer) return;
  ::SetThreadExecutionState(ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
  TrayHost* tray = Tray();
  if (!tray) return;
  ShowPercent(tray->Job().percent);
  ::SetWindowTextW(Item(IDC_REST_ITEM), L"");
}

void CRest03Dlg::OnCommand(UINT id, UINT code, HWND) {
  if (id != IDC_REST_CANCEL || code != BN_CLICKED) return;
  TrayHost* tray = Tray();
  if (!tray || !running_) return;
  tray->SetCancelRequest(true);
  cancelAsked_ = true;
  UpdateCancel();
}

// Sent by the worker while the cancel request stands; it waits for the answer.
void CRest03Dlg::OnConfirmCancel() {
  TrayHost* tray = Tray();
  MainWindowLink* main = MainWindow();
  if (!tray || !main) return;
  if (main->ShowMessage(GetString(txt::kMsgCancelRestore), kAskWarningStyle) == kMsgResultOk) {
    tray->SetCancelFlag(true);
    cancelDecided_ = true;
  } else {
    tray->SetCancelRequest(false);
    cancelAsked_ = false;
  }
  UpdateCancel();
}

// Sent by the worker for each file that already exists; it waits for the
// choice written into the query.
void CRest03Dlg::OnOverwrite(_OVERWRITE_QUERY* query) {
  if (!query) return;
  if (NeedsPrompt(answers_)) {
    COwDlg prompt(*query);
    INT_PTR end = -1;
    {
      ModalCounter modal;
      end = prompt.Run(MainWindow() ? MainWindow()->Hwnd() : Hwnd());
    }
    answers_ = RememberAnswer(static_cast<int>(end), prompt.Choice(), prompt.ApplyToRest());
  }
  query->choice = answers_.choice;
}

void CRest03Dlg::OnEnded() {
  ::KillTimer(Hwnd(), kProgressTimer);
  running_ = false;
  TrayHost* tray = Tray();
  MainWindowLink* main = MainWindow();
  if (!tray || !main) return;
  const uint32_t result = tray->Job().result;
  const uint32_t unreadable = tray->Job().accessDenied;
  const std::wstring log = driveIndex_ >= 0 ? RestoreDetailLogPath(driveIndex_) : std::wstring();
  const bool logThere = !log.empty() && IsFile(log);
  const RestoreOutcome outcome = RestoreOutcomeOf(result, unreadable);
  if (outcome.showsFull) ShowPercent(kFullPercent);
  const std::wstring text = RestoreOutcomeText(outcome, unreadable);
  const INT_PTR answer = outcome.withLog ? main->ShowMessageWithLog(text, outcome.style, logThere)
                                         : main->ShowMessage(text, outcome.style);
  if (answer == kMsgResultLog && logThere) {
    const std::wstring quoted = L"\"" + log + L"\"";
    ::ShellExecuteW(Hwnd(), L"open", quoted.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
  answers_ = OverwriteMemory();
  tray->RefreshDrives();
  main->RefreshDrivePanel();
  main->SwitchTab(kTabBackup);
  main->UpdateButtons();
  UpdateCancel();
  ShowPercent(0);
}

bool CRest03Dlg::OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR* result) {
  switch (msg) {
    case kMsgConfirmRestoreCancel: OnConfirmCancel(); break;
    case kMsgOverwriteQuestion: OnOverwrite(reinterpret_cast<_OVERWRITE_QUERY*>(wp)); break;
    case kMsgRestoreEnded: OnEnded(); break;
    default: return false;
  }
  *result = TRUE;
  return true;
}

}  // namespace vk
