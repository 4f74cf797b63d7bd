#include "restorewin/CRest02Dlg.h"

#include <shlobj.h>

#include "common/Handle.h"
#include "controls/UiFonts.h"
#include "engine/EngineUtil.h"
#include "engine/FileSystem.h"
#include "resources/ResourceIds.h"
#include "restore/RestoreRun.h"
#include "restorewin/RestorePageLayout.h"
#include "restorewin/RestoreRules.h"
#include "restorewin/RestoreWizardState.h"
#include "shell/AppTexts.h"
#include "shell/MainWindowRules.h"
#include "shell/TrayHost.h"
#include "wizard/FolderSource.h"

namespace vk {
namespace {

constexpr int kBrowseWidth = 50, kBrowseHeight = 25;  // image 9015
constexpr PagePlacement kPlacements[] = {
    {IDC_REST_PROMPT, {40, 12, 480, 48}},
    {IDC_REST_NEW, {40, 72, 400, 24}},
    {IDC_REST_PATH, {68, 108, 394, 26}},
    {IDC_REST_BROWSE, {470, 108, kBrowseWidth, kBrowseHeight}},
    {IDC_REST_ORIGINAL, {40, 192, 400, 24}},
    {IDC_REST_NEXT, {211, 258, kTextButtonWidth, kTextButtonHeight}},
    {IDC_REST_BACK, {382, 258, kTextButtonWidth, kTextButtonHeight}},
};
constexpr size_t kMaxPickedChars = MAX_PATH;

Owner Me() {
  Owner me;
  if (TrayHost* tray = Tray()) {
    me.pcId = tray->Who().pcId;
    me.user = tray->Who().user;
  }
  return me;
}

// The volume root of `folder` as the system names it ("D:\"), empty when
// it has none.
std::wstring VolumeOf(const std::wstring& folder) {
  wchar_t volume[kMaxPickedChars + 1] = {};
  if (!::GetVolumePathNameW(folder.c_str(), volume, kMaxPickedChars)) return L"";
  return VolumeQueryPath(volume);
}

void SetEnabled(HWND h, bool on) { ::EnableWindow(h, on ? TRUE : FALSE); }

int CALLBACK PickerCallback(HWND picker, UINT msg, LPARAM, LPARAM start) {
  try {
    if (msg == BFFM_INITIALIZED) ::SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, start);
  } catch (...) {
  }
  return 0;
}

}  // namespace

bool RestoreLocationAccepted(const std::wstring& folder) {
  const std::wstring volume = VolumeOf(folder);
  if (volume.empty()) return false;
  std::unique_ptr<DriveProbe> probe = CreateRealDriveProbe();
  PickedVolume picked;
  picked.driveType = probe->DriveType(volume.c_str());
  if (volume.size() == 3 && volume[1] == L':') {
    picked.queried = probe->QueryHotplug(volume[0], &picked.removableMedia, &picked.hotplugDevice);
  }
  return LocationAccepted(picked);
}

BOOL CRest02Dlg::OnInitDialog() {
  PlaceAll(*this, kPlacements);
  Attach(newChoice_, IDC_REST_NEW);
  Attach(originalChoice_, IDC_REST_ORIGINAL);
  SetUpOption(newChoice_);
  SetUpOption(originalChoice_);
  Attach(browse_, IDC_REST_BROWSE);
  browse_.SetImage(IDP_SMALL_TEXT_BUTTON, kBrowseWidth, kBrowseHeight);
  browse_.SetBackground(kDarkBackground);
  Attach(restore_, IDC_REST_NEXT);
  Attach(back_, IDC_REST_BACK);
  SetUpTextButton(restore_);
  SetUpTextButton(back_);
  return CPage::OnInitDialog();
}

void CRest02Dlg::Enter(int, bool comingBack) {
  if (!comingBack) Activate();
  ::SetFocus(Item(IDC_REST_NEW));
}

void CRest02Dlg::Activate() {
  const HFONT font = TextFont(AppLanguage());
  for (const PagePlacement& p : kPlacements) SetItemFont(p.id, font);
  const struct { UINT id; uint32_t text; } texts[] = {
      {IDC_REST_PROMPT, txt::kRestoreLocationPrompt},
      {IDC_REST_NEW, txt::kRestoreLocationNew},
      {IDC_REST_ORIGINAL, txt::kRestoreLocationOriginal},
      {IDC_REST_NEXT, txt::kRestoreLocationRestore},
      {IDC_REST_BACK, txt::kRestoreLocationBack}};
  for (const auto& t : texts) ::SetWindowTextW(Item(t.id), GetString(t.text).c_str());
  wantNew_ = true;
  std::wstring folder = Tray() ? Tray()->Folders().restore : std::wstring();
  if (!folder.empty() && !CreateFolderPath(folder)) folder.clear();
  ::SetWindowTextW(Item(IDC_REST_PATH), folder.c_str());
  UpdateControls();
}

bool CRest02Dlg::OwnPlan() const {
  MainWindowLink* main = MainWindow();
  return main && IsOwnPlan(main->Context().plan, Me());
}

std::wstring CRest02Dlg::PathText() const {
  HWND box = Item(IDC_REST_PATH);
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(box)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(box, &text[0], static_cast<int>(text.size()))));
  return text;
}

void CRest02Dlg::UpdateControls() {
  const LocationStates s = ComputeLocationStates(wantNew_, PathText().empty(), OwnPlan());
  wantNew_ = s.newOn;
  newChoice_.SetTicked(s.newOn);
  originalChoice_.SetTicked(!s.newOn);
  SetEnabled(Item(IDC_REST_ORIGINAL), s.originalEnabled);
  SetEnabled(Item(IDC_REST_PATH), s.pathEnabled);
  SetEnabled(Item(IDC_REST_BROWSE), s.pathEnabled);
  SetEnabled(Item(IDC_REST_NEXT), s.restoreEnabled);
}

void CRest02Dlg::OnBrowse() {
  const std::wstring documents = Tray() ? Tray()->Folders().documents : std::wstring();
  const std::wstring start = PickerStartFolder(PathText(), documents);
  wchar_t picked[kMaxPickedChars + 1] = {};
  BROWSEINFOW info = {};
  info.hwndOwner = Hwnd();
  info.pszDisplayName = picked;
  info.lpszTitle = L"";
  info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX | BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
  info.lpfn = &PickerCallback;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  PIDLIST_ABSOLUTE list = nullptr;
  {
    ModalCounter modal;
    list = ::SHBrowseForFolderW(&info);
  }
  if (!list) return;
  const bool got = ::SHGetPathFromIDListW(list, picked) != FALSE;
  ::CoTaskMemFree(list);
  const DWORD attributes = got ? ::GetFileAttributesW(picked) : INVALID_FILE_ATTRIBUTES;
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return;
  if (RestoreLocationAccepted(picked)) {
    ::SetWindowTextW(Item(IDC_REST_PATH), picked);
  } else if (MainWindowLink* main = MainWindow()) {
    main->ShowMessage(GetString(txt::kMsgSelectOtherLocation), kRefusedStyle);
  }
  UpdateControls();
}

// The free bytes of the location's volume against the selection's size.
bool CRest02Dlg::ConfirmSpace(const std::wstring& location) {
  MainWindowLink* main = MainWindow();
  const RestoreWizardState& state = RestoreWizard();
  uint64_t size = 0;
  ULARGE_INTEGER freeBytes = {};
  {
    WaitCursor wait;
    const std::wstring list = ZeroEndedList(state.selection);
    if (MeasureRestore(&state.set.BackupTime, &size, main->Context().planDrive, &main->Context().plan,
                       list.c_str()) != kResultOk)
      size = 0;
    CreateFolderPath(location);
    ULARGE_INTEGER available = {}, total = {};
    if (!FileSystem().GetDiskFreeSpaceEx(VolumeQueryPath(location).c_str(), &available, &total,
                                         &freeBytes))
      freeBytes.QuadPart = 0;
  }
  if (!NeedsSpaceWarning(size, freeBytes.QuadPart)) return true;
  return main->ShowMessage(GetString(txt::kMsgRestoreLowSpace), kAskWarningStyle) == kMsgResultOk;
}

void CRest02Dlg::OnRestore() {
  MainWindowLink* main = MainWindow();
  if (!main) return;
  RestoreWizardState& state = RestoreWizard();
  state.newLocation = wantNew_;
  state.location = wantNew_ ? PathText() : std::wstring();
  if (state.newLocation && state.location.empty()) return;
  if (main->ShowMessage(GetString(txt::kMsgStartRestore), kAskInfoStyle) != kMsgResultOk) return;
  if (IsOtherPcPlan(main->Context().plan, Me()) &&
      main->ShowMessage(GetString(txt::kMsgRestoreFromOtherPc), kAskWarningStyle) != kMsgResultOk)
    return;
  if (state.newLocation) {
    // The location may have gone since it was picked (a disk unplugged, a
    // share dropped): it is checked again before anything is written there.
    if (!RestoreLocationAccepted(state.location)) {
      main->ShowMessage(GetString(txt::kMsgSelectOtherLocation), kRefusedStyle);
      return;
    }
    if (!ConfirmSpace(state.location)) return;
  }
  main->SwitchPage(kPageRestoreProgress, false);
}

void CRest02Dlg::OnCommand(UINT id, UINT code, HWND) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case IDC_REST_NEW:
      wantNew_ = true;
      UpdateControls();
      break;
    case IDC_REST_ORIGINAL:
      wantNew_ = false;
      UpdateControls();
      break;
    case IDC_REST_BROWSE: OnBrowse(); break;
    case IDC_REST_NEXT: OnRestore(); break;
    case IDC_REST_BACK:
      if (MainWindowLink* main = MainWindow()) main->SwitchPage(kPageRestoreSets, true);
      break;
    default: break;
  }
}

}  // namespace vk
