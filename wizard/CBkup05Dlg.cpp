#include "wizard/CBkup05Dlg.h"

#include "engine/PlanFile.h"
#include "resources/ResourceIds.h"

namespace vk {

BOOL CBkup05Dlg::OnInitDialog() {
  WizardPage::OnInitDialog();
  SetUpText(IDC_WIZ_PROMPT, kWizPromptRect, txt::kBackupConfirmPrompt);
  SetUpText(IDC_WIZ_SUMMARY, kWizBodyRect, 0);
  SetUpButton(save_, IDC_WIZ_NEXT, kWizNextRect, txt::kBackupConfirmSave);
  SetUpButton(back_, IDC_WIZ_BACK, kWizBackRect, txt::kBackupConfirmBack);
  return TRUE;
}

void CBkup05Dlg::Enter(int, bool comingBack) {
  const PageContext* ctx = Context();
  if (!comingBack && ctx) {
    const ScheduleFields& f = ctx->schedule;
    const std::wstring schedule =
        FormatScheduleText(f.frequency, f.dayOfMonth, f.weekday, f.hour, f.minute);
    ShowSummary(IDC_WIZ_SUMMARY, PlanSummary(schedule, ctx->folders));
  }
  ::SetFocus(Item(IDC_WIZ_NEXT));
}

INT_PTR CBkup05Dlg::Ask(uint32_t textId, uint32_t type, bool back, uint32_t checkText) {
  MessageOptions options;
  options.back = back;
  if (checkText != 0) options.checkText = GetText(checkText);
  return WizardPage::Ask(GetText(textId), type, options);
}

bool CBkup05Dlg::SpaceLow() {
  const PageContext* ctx = Context();
  uint64_t freeBytes = 0, totalBytes = 0;
  TrayHost* tray = Tray();
  if (ctx == nullptr || tray == nullptr ||
      !tray->PartitionSpace(ctx->chosenDrive, freeBytes, totalBytes))
    return false;
  return FreeSpaceLow(totalBytes, freeBytes);
}

bool CBkup05Dlg::SavePlan() {
  PageContext* ctx = Context();
  const TrayHost* tray = Tray();
  if (ctx == nullptr || tray == nullptr) return false;
  SaveInputs in;
  wchar_t kept[kPlanNameChars];
  std::copy(std::begin(ctx->plan.PlanName), std::end(ctx->plan.PlanName), kept);
  kept[kPlanNameChars - 1] = L'\0';
  in.keptName = kept;
  in.pcId = tray->Who().pcId;
  in.user = tray->Who().user;
  in.schedule = ctx->schedule;
  in.folders = ctx->folders;
  ::GetLocalTime(&in.now);
  _BKUP_PLAN plan = PlanForSave(in);
  const std::wstring list = FolderListOf(ctx->folders);
  if (SavePlanFile(ctx->chosenDrive, &plan, list.c_str(), static_cast<uint32_t>(list.size())) !=
      kResultOk)
    return false;  // the plan on the disk is the previous one; the page keeps its choices
  ctx->planDrive = ctx->chosenDrive;
  ctx->plan = plan;
  ctx->folderList = list;
  if (TrayHost* t = Tray()) t->RefreshDrives();
  if (MainWindowLink* main = MainWindow()) main->RefreshDrivePanel();
  return true;
}

void CBkup05Dlg::OnSave() {
  const WizardOutcome outcome = RunSaveSequence(*this);
  MainWindowLink* main = MainWindow();
  if (main == nullptr) return;
  if (outcome == WizardOutcome::kStartPage) {
    GoToStartPage();
  } else if (outcome == WizardOutcome::kBackupPage) {
    // The page context survives the refresh only while this page shows;
    // the progress page takes the plan from it on entry.
    main->SwitchPage(kPageBackupProgress, false);
  }
}

void CBkup05Dlg::OnCommand(UINT id, UINT code, HWND) {
  if (id == IDC_WIZ_SUMMARY) {
    OnSummaryCommand(id, code);
  } else if (id == IDC_WIZ_NEXT) {
    OnSave();
  } else if (id == IDC_WIZ_BACK) {
    if (MainWindowLink* main = MainWindow()) main->SwitchPage(kPageSchedule, true);
  }
}

}  // namespace vk
