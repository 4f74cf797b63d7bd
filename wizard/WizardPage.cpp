#include "wizard/WizardPage.h"

#include "common/Handle.h"
#include "controls/CMsgDlg.h"
#include "controls/Gdi.h"
#include "controls/UiFonts.h"
#include "engine/FileSystem.h"
#include "shell/AppTexts.h"
#include "resources/ResourceIds.h"
#include "shell/MainWindowRules.h"

namespace vk {
namespace {

constexpr int kTextButtonWidth = 138, kTextButtonHeight = 52;
constexpr size_t kFileSystemNameChars = kMaxTextChars + 1;

std::wstring RootOf(int drive) {
  std::wstring root = L"A:\\";
  root[0] = static_cast<wchar_t>(L'A' + drive);
  return root;
}

}  // namespace

std::vector<PartitionEntry> ReadPartitions(uint32_t letterMask) {
  std::vector<PartitionEntry> entries;
  for (int drive = 0; drive < kMaxPartitions; ++drive) {
    if ((letterMask & (1u << drive)) == 0) continue;
    const std::wstring root = RootOf(drive);
    PartitionEntry e;
    e.driveIndex = drive;
    std::wstring fs;
    if (FileSystem().GetVolumeFileSystem(root.c_str(), &fs))
      e.fileSystem = fs.substr(0, kFileSystemNameChars - 1);
    ULARGE_INTEGER total = {};
    if (FileSystem().GetDiskFreeSpaceEx(root.c_str(), nullptr, &total, nullptr))
      e.totalBytes = total.QuadPart;
    entries.push_back(e);
  }
  return entries;
}

bool VolumeStampOf(int drive, uint32_t* serial, uint64_t* rootIndex) {
  if (drive < 0 || drive >= kMaxPartitions || serial == nullptr || rootIndex == nullptr) return false;
  const std::wstring root = RootOf(drive);
  DWORD value = 0;
  if (!::GetVolumeInformationW(root.c_str(), nullptr, 0, &value, nullptr, nullptr, nullptr, 0))
    return false;
  FileHandle folder(::CreateFileW(root.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!folder.Valid() || !::GetFileInformationByHandle(folder.Get(), &info)) return false;
  *serial = value;
  *rootIndex = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

void WizardPage::SetUpText(UINT id, const RECT& rc, uint32_t textId) {
  Place(id, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
  SetItemFont(id, TextFont(AppLanguage()));
  if (textId != 0) SetText(id, GetText(textId));
  slots_.push_back({id, textId});
  slotsLanguage_ = AppLanguage();
}

void WizardPage::ApplyLanguage() {
  const uint32_t language = AppLanguage();
  if (language == slotsLanguage_) return;
  slotsLanguage_ = language;
  for (const TextSlot& slot : slots_) {
    SetItemFont(slot.id, TextFont(language));
    if (slot.textId != 0) SetText(slot.id, GetText(slot.textId));
  }
  OnLanguageChanged();
  ::InvalidateRect(Hwnd(), nullptr, TRUE);
}

void WizardPage::SetUpButton(CImageButton& button, UINT id, const RECT& rc, uint32_t textId) {
  Attach(button, id);
  button.SetImage(IDP_TEXT_BUTTON, kTextButtonWidth, kTextButtonHeight);
  button.SetTextMode(true);
  button.SetBackground(kDarkBackground);
  button.SetFocusFrame(true);
  SetUpText(id, rc, textId);
}

void WizardPage::SetText(UINT id, const std::wstring& text) const {
  ::SetWindowTextW(Item(id), text.c_str());
}

void WizardPage::ShowSummary(UINT id, const std::wstring& text) const {
  HWND box = Item(id);
  ::ShowScrollBar(box, SB_VERT, FALSE);
  SetText(id, text);
  RECT format = {};
  ::SendMessageW(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  TEXTMETRICW metrics = {};
  {
    WindowDC dc(box);
    SelectGuard font(dc.Get(), reinterpret_cast<HGDIOBJ>(::SendMessageW(box, WM_GETFONT, 0, 0)));
    ::GetTextMetricsW(dc.Get(), &metrics);
  }
  const LONG lineHeight = metrics.tmHeight > 0 ? metrics.tmHeight : 1;
  const LRESULT lines = ::SendMessageW(box, EM_GETLINECOUNT, 0, 0);
  if (lines > (format.bottom - format.top) / lineHeight) ::ShowScrollBar(box, SB_VERT, TRUE);
}

void WizardPage::OnSummaryCommand(UINT id, UINT code) const {
  if (code != EN_SETFOCUS) return;
  // Nothing to type or select in it: no selection, no caret.
  ::SendMessageW(Item(id), EM_SETSEL, 0, 0);
  ::HideCaret(Item(id));
}

void WizardPage::Enable(UINT id, bool on) const {
  HWND h = Item(id);
  if ((::IsWindowEnabled(h) != 0) != on) ::EnableWindow(h, on ? TRUE : FALSE);
}

void WizardPage::Show(UINT id, bool on) const { ::ShowWindow(Item(id), on ? SW_SHOWNA : SW_HIDE); }

std::wstring WizardPage::GetText(uint32_t textId) { return GetString(textId); }

INT_PTR WizardPage::Ask(const std::wstring& text, uint32_t type, const MessageOptions& options) const {
  MainWindowLink* main = MainWindow();
  if (main == nullptr) return kMsgResultCancel;
  return main->ShowMessageWith(text, type, options);
}

void WizardPage::Go(const WizardStep& step) const {
  if (step.errorText != 0) Ask(step.errorText, kTypeError);
  MainWindowLink* main = MainWindow();
  if (main == nullptr) return;
  if (step.kind == WizardStep::kStartPage) main->SwitchTab(kTabBackup);
  else if (step.kind == WizardStep::kPage) main->SwitchPage(step.page, step.comingBack);
}

void WizardPage::GoToStartPage() {
  if (MainWindowLink* main = MainWindow()) main->SwitchTab(kTabBackup);
}

PageContext* WizardPage::Context() {
  MainWindowLink* main = MainWindow();
  return main ? &main->Context() : nullptr;
}

void WizardPage::Choose(int drive) {
  PageContext* ctx = Context();
  if (ctx == nullptr) return;
  ctx->chosenDrive = drive;
  ctx->chosenSerial = 0;
  ctx->chosenRootIndex = 0;
  VolumeStampOf(drive, &ctx->chosenSerial, &ctx->chosenRootIndex);
}

bool WizardPage::ChosenTargetPresent() {
  MainWindowLink* main = MainWindow();
  PageContext* ctx = Context();
  if (main == nullptr || ctx == nullptr) return false;
  const int drive = ctx->chosenDrive;
  if (drive < 0 || drive >= kMaxPartitions) return false;
  const int selected = main->SelectedDrive();
  const std::vector<_BKUP_DRVINFO>& drives = main->Drives();
  if (selected < 0 || static_cast<size_t>(selected) >= drives.size()) return false;
  if ((drives[static_cast<size_t>(selected)].Device.dwDriveMask & (1u << drive)) == 0) return false;
  uint32_t serial = 0;
  uint64_t rootIndex = 0;
  return VolumeStampOf(drive, &serial, &rootIndex) && serial == ctx->chosenSerial &&
         rootIndex == ctx->chosenRootIndex;
}

bool WizardPage::TargetStillThere() const {
  if (ChosenTargetPresent()) return true;
  Ask(txt::kMsgBackupDeviceRemoved, kTypeError);
  GoToStartPage();
  return false;
}

}  // namespace vk
