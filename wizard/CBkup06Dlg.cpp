#include "wizard/CBkup06Dlg.h"

#include "engine/PlanFile.h"
#include "resources/ResourceIds.h"
#include "shell/AppTexts.h"

namespace vk {
namespace {

constexpr RECT kTitle = {20, 14, 380, 44};
constexpr RECT kBox = {20, 52, 380, 250};
constexpr RECT kStatus = {20, 262, 380, 300};
constexpr int kButtonX = 402, kButtonW = 138, kButtonH = 52;
constexpr int kEditY = 52, kDeleteY = 122, kBackupNowY = 192;

RECT ButtonAt(int y) { return {kButtonX, y, kButtonX + kButtonW, y + kButtonH}; }

std::wstring PreviousBackupText(const SYSTEMTIME& last) {
  const std::wstring when =
      last.wYear == 0 ? std::wstring(L"--")
                      : FormatDateTime(last.wYear, last.wMonth, last.wDay, last.wHour, last.wMinute);
  return GetString(txt::kBackupPlanPrevious) + L" " + when;
}

}  // namespace

BOOL CBkup06Dlg::OnInitDialog() {
  WizardPage::OnInitDialog();
  SetUpText(IDC_WIZ_PROMPT, kTitle, txt::kBackupPlanTitle);
  SetUpText(IDC_WIZ_SUMMARY, kBox, 0);
  SetUpText(IDC_WIZ_STATUS, kStatus, 0);
  SetUpButton(edit_, IDC_WIZ_EDIT, ButtonAt(kEditY), txt::kBackupPlanEdit);
  SetUpButton(delete_, IDC_WIZ_DELETE, ButtonAt(kDeleteY), txt::kBackupPlanDelete);
  SetUpButton(backupNow_, IDC_WIZ_BACKUP_NOW, ButtonAt(kBackupNowY), txt::kBackupPlanBackupNow);
  return TRUE;
}

void CBkup06Dlg::Enter(int, bool comingBack) {
  if (!comingBack) Reload();
  ::SetFocus(Item(IDC_WIZ_DELETE));
}

void CBkup06Dlg::Reload() {
  PageContext* ctx = Context();
  const TrayHost* tray = Tray();
  if (ctx == nullptr || tray == nullptr) return;
  std::vector<wchar_t> list;
  LoadPlanFile(ctx->planDrive, &ctx->plan, &list);
  ctx->folderList.assign(list.begin(), list.end());
  Choose(ctx->planDrive);
  const bool own = PlanOwnedBy(ctx->plan, tray->Who().pcId, tray->Who().user);
  const PlanViewState view = PlanViewOf(own);
  SetText(IDC_WIZ_PROMPT, GetText(view.titleText));
  Enable(IDC_WIZ_EDIT, view.editEnabled);
  Enable(IDC_WIZ_BACKUP_NOW, view.backupEnabled);
  Enable(IDC_WIZ_DELETE, view.deleteEnabled);
  const _BKUP_PLAN& p = ctx->plan;
  const std::wstring schedule = FormatScheduleText(p.Frequency, p.DayOfMonth, p.Weekday, p.Hour, p.Minute);
  ShowSummary(IDC_WIZ_SUMMARY, PlanSummary(schedule, FoldersOfList(list.data(), list.size())));
  SetText(IDC_WIZ_STATUS, PreviousBackupText(p.LastRun));
}

INT_PTR CBkup06Dlg::Ask(uint32_t textId, uint32_t type, bool back, uint32_t checkText) {
  MessageOptions options;
  options.back = back;
  if (checkText != 0) options.checkText = GetText(checkText);
  return WizardPage::Ask(GetText(textId), type, options);
}

bool CBkup06Dlg::SpaceLow() {
  const PageContext* ctx = Context();
  uint64_t freeBytes = 0, totalBytes = 0;
  TrayHost* tray = Tray();
  if (ctx == nullptr || tray == nullptr ||
      !tray->PartitionSpace(ctx->planDrive, freeBytes, totalBytes))
    return false;
  return FreeSpaceLow(totalBytes, freeBytes);
}

bool CBkup06Dlg::DeletePlan() {
  const PageContext* ctx = Context();
  return ctx != nullptr && DeletePlanAndData(ctx->planDrive) == kResultOk;
}

void CBkup06Dlg::ClearReminder() {
  if (TrayHost* tray = Tray()) tray->ClearScheduleReminder();
}

void CBkup06Dlg::OnEdit() {
  PageContext* ctx = Context();
  if (ctx == nullptr) return;
  Choose(ctx->planDrive);
  if (MainWindowLink* main = MainWindow()) main->SwitchPage(kPageFolders, false);
}

void CBkup06Dlg::OnBackupNow() {
  const WizardOutcome outcome = RunBackupNowSequence(*this);
  if (outcome == WizardOutcome::kStartPage) GoToStartPage();
  else if (outcome == WizardOutcome::kBackupPage)
    if (MainWindowLink* main = MainWindow()) main->SwitchPage(kPageBackupProgress, false);
}

void CBkup06Dlg::OnDelete() {
  if (RunDeleteSequence(*this) != WizardOutcome::kStartPage) return;
  if (PageContext* ctx = Context()) {
    ctx->planDrive = kNoPlanDrive;
    ctx->plan = _BKUP_PLAN();
    ctx->folderList.clear();
  }
  if (TrayHost* tray = Tray()) tray->RefreshDrives();
  if (MainWindowLink* main = MainWindow()) main->RefreshDrivePanel();
  GoToStartPage();
}

void CBkup06Dlg::OnCommand(UINT id, UINT code, HWND) {
  if (id == IDC_WIZ_SUMMARY) OnSummaryCommand(id, code);
  else if (id == IDC_WIZ_EDIT) OnEdit();
  else if (id == IDC_WIZ_BACKUP_NOW) OnBackupNow();
  else if (id == IDC_WIZ_DELETE) OnDelete();
}

}  // namespace vk
