#include "restorewin/CRest01Dlg.h"

#include "controls/UiFonts.h"
#include "engine/PlanFile.h"
#include "resources/ResourceIds.h"
#include "restore/Catalogue.h"
#include "restorewin/CatalogueReader.h"
#include "restorewin/RestoreRules.h"
#include "restorewin/RestoreWizardState.h"
#include "restorewin/RestorePageLayout.h"
#include "shell/AppTexts.h"
#include "shell/MainWindowRules.h"
#include "shell/TrayHost.h"

namespace vk {
namespace {

constexpr PagePlacement kPlacements[] = {
    {IDC_REST_PROMPT, {40, 0, 480, 24}},
    {IDC_REST_SETS, {80, 24, 400, 24}},
    {IDC_REST_NEXT, {211, 258, kTextButtonWidth, kTextButtonHeight}},
};
constexpr RECT kTreeRect = {40, 64, 40 + 480, 64 + 176};
constexpr int kDropDownLines = 8;

}  // namespace

BOOL CRest01Dlg::OnInitDialog() {
  PlaceAll(*this, kPlacements);
  tree_.Create(Hwnd(), IDC_REST_TREE, kTreeRect);
  Attach(next_, IDC_REST_NEXT);
  SetUpTextButton(next_);
  // The drop-down's list below it: a few lines high.
  const PagePlacement& sets = kPlacements[1];
  ::SetWindowPos(Item(IDC_REST_SETS), nullptr, sets.rc.x, sets.rc.y, sets.rc.w,
                 sets.rc.h * kDropDownLines, SWP_NOZORDER | SWP_NOACTIVATE);
  return CPage::OnInitDialog();
}

int CRest01Dlg::DriveIndex() const {
  MainWindowLink* main = MainWindow();
  return main ? main->Context().planDrive : kNoPlanDrive;
}

void CRest01Dlg::Enter(int, bool comingBack) {
  if (!comingBack) {
    Activate();
    return;
  }
  if (::IsWindowEnabled(Item(IDC_REST_SETS))) ::SetFocus(Item(IDC_REST_SETS));
}

void CRest01Dlg::Activate() {
  WaitCursor wait;
  const HFONT font = TextFont(AppLanguage());
  for (const PagePlacement& p : kPlacements) SetItemFont(p.id, font);
  ::SendMessageW(tree_.Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  ::SetWindowTextW(Item(IDC_REST_PROMPT), GetString(txt::kRestoreFoldersPrompt).c_str());
  ::SetWindowTextW(Item(IDC_REST_NEXT), GetString(txt::kRestoreFoldersNext).c_str());
  MainWindowLink* main = MainWindow();
  if (main && DriveIndex() >= 0) {
    // The plan again, as the disk holds it now; what comes back is not acted on.
    std::vector<wchar_t> folders;
    PageContext& context = main->Context();
    if (LoadPlanFile(DriveIndex(), &context.plan, &folders) == kResultOk)
      context.folderList.assign(folders.begin(), folders.end());
  }
  FillSetList();
  RebuildTree();
  const bool any = !sets_.empty();
  ::EnableWindow(Item(IDC_REST_SETS), any ? TRUE : FALSE);
  UpdateNext();
  if (any) ::SetFocus(Item(IDC_REST_SETS));
}

void CRest01Dlg::FillSetList() {
  sets_.clear();
  selected_ = -1;
  HWND combo = Item(IDC_REST_SETS);
  ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  MainWindowLink* main = MainWindow();
  const int drive = DriveIndex();
  if (!main || drive < 0) return;
  const _BKUP_PLAN& plan = main->Context().plan;
  uint32_t first = 0;
  if (ListBackupSets(drive, plan, nullptr, 0, &first) != kResultOk || first == 0) return;
  std::vector<_BKUPFILE_HEADER> listed(static_cast<size_t>(first) + 1);
  uint32_t second = 0;
  if (ListBackupSets(drive, plan, listed.data(), first, &second) != kResultOk) return;
  sets_ = NewestFirst(listed, first, second);
  for (const _BKUPFILE_HEADER& set : sets_)
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SetLineText(set).c_str()));
  if (!sets_.empty()) {
    ::SendMessageW(combo, CB_SETCURSEL, 0, 0);
    selected_ = 0;
  }
}

void CRest01Dlg::RebuildTree() {
  tree_.Clear();
  model_.Clear();
  MainWindowLink* main = MainWindow();
  if (main && selected_ >= 0 && static_cast<size_t>(selected_) < sets_.size()) {
    CatalogueReader reader(DriveIndex(), main->Context().plan,
                           sets_[static_cast<size_t>(selected_)].BackupTime);
    if (reader.Opened()) model_.LoadTop(reader);
  }
  tree_.Show(model_, [this](NodeId node) { LoadAhead(node); });
}

void CRest01Dlg::LoadAhead(NodeId node) {
  MainWindowLink* main = MainWindow();
  if (!main || selected_ < 0 || static_cast<size_t>(selected_) >= sets_.size()) return;
  CatalogueReader reader(DriveIndex(), main->Context().plan,
                         sets_[static_cast<size_t>(selected_)].BackupTime);
  if (reader.Opened()) model_.LoadAhead(node, reader);
}

void CRest01Dlg::UpdateNext() {
  const bool on = !sets_.empty() && model_.AnySelected();
  ::EnableWindow(Item(IDC_REST_NEXT), on ? TRUE : FALSE);
}

void CRest01Dlg::OnNext() {
  if (selected_ < 0 || static_cast<size_t>(selected_) >= sets_.size() || !model_.AnySelected())
    return;
  RestoreWizardState& state = RestoreWizard();
  state.set = sets_[static_cast<size_t>(selected_)];
  state.selection = model_.Selection();
  if (MainWindowLink* main = MainWindow()) main->SwitchPage(kPageRestoreFolders, false);
}

void CRest01Dlg::OnCommand(UINT id, UINT code, HWND) {
  if (id == IDC_REST_NEXT && code == BN_CLICKED) OnNext();
  if (id == IDC_REST_SETS && code == CBN_SELCHANGE) {
    const int now = static_cast<int>(::SendMessageW(Item(IDC_REST_SETS), CB_GETCURSEL, 0, 0));
    if (now == selected_ || now < 0) return;
    selected_ = now;
    WaitCursor wait;
    RebuildTree();
    UpdateNext();
  }
}

bool CRest01Dlg::OnMessage(UINT msg, WPARAM, LPARAM lp, INT_PTR* result) {
  if (msg != WM_NOTIFY) return false;
  LRESULT answer = 0;
  bool changed = false;
  if (!tree_.OnNotify(*reinterpret_cast<const NMHDR*>(lp), &answer, &changed)) return false;
  if (changed) UpdateNext();
  ::SetWindowLongPtrW(Hwnd(), DWLP_MSGRESULT, answer);
  *result = TRUE;
  return true;
}

}  // namespace vk
