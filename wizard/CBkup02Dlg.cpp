#include "wizard/CBkup02Dlg.h"

#include "resources/ResourceIds.h"

namespace vk {
namespace {

constexpr RECT kList = {20, 90, 540, 290};

}  // namespace

BOOL CBkup02Dlg::OnInitDialog() {
  WizardPage::OnInitDialog();
  SetUpText(IDC_WIZ_PROMPT, kWizPromptRect, txt::kBackupPartitionPrompt);
  SetUpText(IDC_WIZ_LIST, kList, 0);
  SetUpButton(next_, IDC_WIZ_NEXT, kWizNextRect, txt::kBackupPartitionNext);
  SetUpButton(back_, IDC_WIZ_BACK, kWizBackRect, txt::kBackupPartitionBack);
  return TRUE;
}

void CBkup02Dlg::Enter(int, bool comingBack) {
  if (!comingBack) Fill();
  ::SetFocus(Item(IDC_WIZ_LIST));
}

void CBkup02Dlg::Fill() {
  PageContext* ctx = Context();
  entries_ = ctx ? ReadPartitions(ctx->letterMask) : std::vector<PartitionEntry>();
  HWND list = Item(IDC_WIZ_LIST);
  ::SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const PartitionEntry& e : entries_)
    ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(PartitionLine(e).c_str()));
  const PartitionListState s = PartitionListOf(entries_, ctx ? ctx->planDrive : kNoPlanDrive);
  ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(s.selected), 0);
  Enable(IDC_WIZ_LIST, s.listEnabled);
  Enable(IDC_WIZ_NEXT, s.nextEnabled);
}

void CBkup02Dlg::OnNext() {
  const int selected = static_cast<int>(::SendMessageW(Item(IDC_WIZ_LIST), CB_GETCURSEL, 0, 0));
  int chosen = kNoPlanDrive;
  const WizardStep step = NextOfPartition(entries_, selected, &chosen);
  if (chosen != kNoPlanDrive) {
    Choose(chosen);
    if (!TargetStillThere()) return;
  }
  Go(step);
}

void CBkup02Dlg::OnCommand(UINT id, UINT, HWND) {
  if (id == IDC_WIZ_NEXT) OnNext();
  else if (id == IDC_WIZ_BACK) GoToStartPage();
}

}  // namespace vk
