#include "wizard/CBkup01Dlg.h"

#include "resources/ResourceIds.h"

namespace vk {
namespace {

constexpr RECT kSecondLine = {20, 70, 540, 110};

}  // namespace

BOOL CBkup01Dlg::OnInitDialog() {
  WizardPage::OnInitDialog();
  SetUpText(IDC_WIZ_PROMPT, kWizPromptRect, txt::kBackupNoPlan);
  SetUpText(IDC_WIZ_TEXT2, kSecondLine, txt::kBackupCreatePlan);
  SetUpButton(next_, IDC_WIZ_NEXT, kWizNextRect, txt::kBackupStartNext);
  return TRUE;
}

void CBkup01Dlg::OnCommand(UINT id, UINT, HWND) {
  if (id != IDC_WIZ_NEXT) return;
  PageContext* ctx = Context();
  if (ctx == nullptr) return;
  int chosen = kNoPlanDrive;
  const WizardStep step = NextOfPlanStart(ReadPartitions(ctx->letterMask), &chosen);
  if (chosen != kNoPlanDrive) Choose(chosen);
  Go(step);
}

}  // namespace vk
