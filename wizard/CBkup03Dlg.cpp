#include "wizard/CBkup03Dlg.h"

#include "controls/UiFonts.h"
#include "resources/ResourceIds.h"
#include "shell/AppTexts.h"

namespace vk {
namespace {

constexpr RECT kTree = {20, 66, 540, 246};

// The length of a double-zero-terminated list, both zeros included.
std::wstring ListOf(const wchar_t* list) {
  if (list == nullptr || list[0] == L'\0') return std::wstring(1, L'\0');
  size_t n = 0;
  while (list[n] != L'\0' || list[n + 1] != L'\0') ++n;
  return std::wstring(list, n + 2);
}

}  // namespace

CBkup03Dlg::CBkup03Dlg()
    : probe_(CreateRealDriveProbe()),
      source_(CreateRealFolderSource(*probe_)),
      model_(std::make_unique<FolderTreeModel>(*source_)) {}

CBkup03Dlg::~CBkup03Dlg() = default;

BOOL CBkup03Dlg::OnInitDialog() {
  WizardPage::OnInitDialog();
  SetUpText(IDC_WIZ_PROMPT, kWizPromptRect, txt::kBackupFoldersPrompt);
  SetUpButton(next_, IDC_WIZ_NEXT, kWizNextRect, txt::kBackupFoldersNext);
  SetUpButton(back_, IDC_WIZ_BACK, kWizBackRect, txt::kBackupFoldersBack);
  if (tree_.Create(Hwnd(), IDC_WIZ_TREE, kTree)) OnLanguageChanged();
  return TRUE;
}

void CBkup03Dlg::OnLanguageChanged() {
  ::SendMessageW(tree_.Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(TextFont(AppLanguage())), TRUE);
}

void CBkup03Dlg::Enter(int, bool comingBack) {
  if (!comingBack) Rebuild();
  ::SetFocus(tree_.Hwnd());
}

void CBkup03Dlg::Rebuild() {
  FolderTreeInputs in;
  in.libraryText = GetText(txt::kFolderTreeLibrary);
  in.thisPcText = GetText(txt::kFolderTreeThisPc);
  if (const TrayHost* tray = Tray()) {
    const UserFolders& f = tray->Folders();
    in.special.available = !f.documents.empty();
    in.special.paths[0] = f.documents;
    in.special.paths[1] = f.music;
    in.special.paths[2] = f.pictures;
    in.special.paths[3] = f.videos;
    in.exclusionList = ListOf(tray->ExclusionList());
  }
  model_->Build(in);
  const PageContext* ctx = Context();
  if (ctx && !ctx->folderList.empty())
    model_->ApplyFolderList(ctx->folderList.c_str(), ctx->folderList.size());
  else
    model_->CheckLibraries();
  tree_.Show(*model_);
  Enable(IDC_WIZ_NEXT, model_->AnySelected());
}

void CBkup03Dlg::OnNext() {
  PageContext* ctx = Context();
  if (ctx == nullptr || !model_->AnySelected() || !TargetStillThere()) return;
  ctx->folders = model_->Selection();
  if (MainWindowLink* main = MainWindow()) main->SwitchPage(kPageSchedule, false);
}

void CBkup03Dlg::OnBack() {
  const PageContext* ctx = Context();
  if (ctx == nullptr) return;
  Go(BackOfFolders(ctx->planDrive, CountNtfs(ReadPartitions(ctx->letterMask))));
}

void CBkup03Dlg::OnCommand(UINT id, UINT, HWND) {
  if (id == IDC_WIZ_NEXT) OnNext();
  else if (id == IDC_WIZ_BACK) OnBack();
}

bool CBkup03Dlg::OnMessage(UINT msg, WPARAM, LPARAM lp, INT_PTR* result) {
  if (msg != WM_NOTIFY || lp == 0) return false;
  LRESULT answer = 0;
  bool changed = false;
  if (!tree_.OnNotify(*reinterpret_cast<const NMHDR*>(lp), &answer, &changed)) return false;
  if (changed) Enable(IDC_WIZ_NEXT, model_->AnySelected());
  ::SetWindowLongPtrW(Hwnd(), DWLP_MSGRESULT, answer);
  *result = TRUE;
  return true;
}

}  // namespace vk
