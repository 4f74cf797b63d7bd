#include "shell/CArkwellDlg.h"

#include <commctrl.h>

#include "common/Handle.h"
#include "common/Messages.h"
#include "controls/CEulaDlg.h"
#include "controls/CMsgDlg.h"
#include "controls/UiFonts.h"
#include "engine/FileSystem.h"
#include "resources/ResourceIds.h"
#include "servicelink/CVersionDlg.h"
#include "servicelink/ServiceClient.h"
#include "shell/AppTexts.h"
#include "shell/ArkwellApp.h"
#include "shell/MainPages.h"

namespace vk {
namespace {

// Layout of the window, in client pixels.
constexpr int kWidth = 768, kHeight = 542;
constexpr POINT kLogoAt = {5, 8};
constexpr RECT kTitle = {200, 22, 200 + 368, 22 + 32};
constexpr POINT kInfoAt = {656, 20}, kCloseAt = {712, 20};
constexpr int kCornerButton = 36;
constexpr int kDriveX = 0, kDriveTop = 78, kDriveWidth = 172, kDriveHeight = 93;
constexpr int kTabLeft = 210, kTabTop = 80, kTabStep = 140, kTabSize = 96;
constexpr int kMarkerTop = 186, kMarkerHeight = 15;
constexpr POINT kPageAt = {190, 205};
constexpr SIZE kPageSize = {560, 320};
constexpr int kDragBand = 77;  // a press at y <= 76 moves the window
constexpr int kMaxTipWidth = 1000;
constexpr uint32_t kWarningStyle = 48;
constexpr int32_t kDriveLetterCount = 26;  // A: .. Z:

// The page objects in slot order; slot 13 is object 12 in update mode.
constexpr UINT kPageTemplates[kPageObjectCount] = {
    IDD_PAGE_NO_DEVICE,     IDD_PAGE_PLAN_START,      IDD_PAGE_PARTITION,
    IDD_PAGE_FOLDERS,       IDD_PAGE_SCHEDULE,        IDD_PAGE_SUMMARY,
    IDD_PAGE_PLAN_VIEW,     IDD_PAGE_BACKUP_PROGRESS, IDD_PAGE_RESTORE_SETS,
    IDD_PAGE_RESTORE_FOLDERS, IDD_PAGE_RESTORE_PROGRESS, IDD_PAGE_LOG,
    IDD_PAGE_LANGUAGE};
constexpr UINT kTabImages[kTabSetting] = {IDP_TAB_BACKUP, IDP_TAB_RESTORE, IDP_TAB_LOG,
                                          IDP_TAB_SETTING};
static_assert(IDC_DRIVE_LAST - IDC_DRIVE_FIRST + 1 == kMaxDriveButtons, "one id per drive button");
static_assert(IDC_TAB_LAST - IDC_TAB_FIRST + 1 == kTabSetting, "one id per tab");

// The sixth-device warning, once the window is on the screen.
constexpr UINT kMsgDeferredWarning = kMsgPrivateFirst + 1;

RECT MarkerRect(int tab) {
  const int x = kTabLeft + kTabStep * (tab - kTabBackup);
  return {x, kMarkerTop, x + kTabSize, kMarkerTop + kMarkerHeight};
}

// A raised modal count for the life of one modal window.
class ModalScope {
 public:
  explicit ModalScope(uint32_t& count) : count_(count) { ++count_; }
  ~ModalScope() { --count_; }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  uint32_t& count_;
};

std::wstring JoinLines(const DriveLines& l) { return l.first + L"\n" + l.second + L"\n" + l.third; }

}  // namespace

CArkwellDlg::~CArkwellDlg() = default;

bool CArkwellDlg::Create(HWND tray) { return CreateModeless(tray, IDD_MAIN); }

// ---- Creation ---------------------------------------------------------------

BOOL CArkwellDlg::OnInitDialog() {
  SetMainWindow(this);
  SetUpWindow();
  // The language may have changed on the setting page of an earlier window.
  if (CArkwellApp* app = CArkwellApp::Current()) app->ReloadLanguage();
  CreatePages();
  SetUpButtons();
  SetUpTooltips();
  RefreshDrivePanel();
  OpenFirstView();
  CentreOn(nullptr);
  // The keyboard starts on the current page, not on the first button (which
  // would show its focus rectangle before the user did anything).
  if (CPage* page = PageObject(page_)) ::SetFocus(page->Hwnd());
  return FALSE;
}

void CArkwellDlg::SetUpWindow() {
  titleId_ = IDC_TITLE;
  dragBand_ = kDragBand;
  SetWindowIcons(Hwnd(), IDI_APP);
  const std::wstring title = LoadResourceText(txt::kAppTitle);
  ::SetWindowTextW(Hwnd(), title.c_str());
  ::SetWindowTextW(Item(IDC_TITLE), title.c_str());
  ::SendMessageW(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(LargeFont()), FALSE);
  SetItemFont(IDC_TITLE, LargeFont());
  SetClientSize(kWidth, kHeight);
  Place(IDC_TITLE, kTitle.left, kTitle.top, kTitle.right - kTitle.left, kTitle.bottom - kTitle.top);
  background_.Load(IDP_MAIN_BACKGROUND);
  logo_.Load(IDP_LOGO);
  marker_.Load(IDP_TAB_MARKER);
  SolidBrush(kDarkBackground);
  SolidBrush(kBlack);
}

// A page that cannot be created leaves its slot empty; the window still opens.
void CArkwellDlg::CreatePages() {
  HWND after = Item(IDC_TAB_LAST);
  for (int i = 0; i < kPageObjectCount; ++i) {
    std::unique_ptr<CPage> page = MakePageObject(i);
    if (!page->Create(Hwnd(), kPageTemplates[i], kPageAt, kPageSize, after)) continue;
    after = page->Hwnd();
    pages_[static_cast<size_t>(i)] = std::move(page);
  }
}

void CArkwellDlg::SetUpButtons() {
  Attach(info_, IDC_INFO);
  info_.SetImage(IDP_INFO_BUTTON, kCornerButton, kCornerButton);
  Place(IDC_INFO, kInfoAt.x, kInfoAt.y, kCornerButton, kCornerButton);
  Attach(close_, IDC_CLOSE);
  close_.SetImage(IDP_CLOSE_BUTTON, kCornerButton, kCornerButton);
  Place(IDC_CLOSE, kCloseAt.x, kCloseAt.y, kCornerButton, kCornerButton);
  for (int i = 0; i < kMaxDriveButtons; ++i) {
    const UINT id = IDC_DRIVE_FIRST + static_cast<UINT>(i);
    CImageButton& b = driveButtons_[static_cast<size_t>(i)];
    Attach(b, id);
    b.SetImage(IDP_DRIVE_BUTTON, kDriveWidth, kDriveHeight);
    b.SetDriveMode(true);
    // The letters and the size take the language's text font: the large
    // font needs more than the 24 pixels of their lines and would be cut.
    SetItemFont(id, TextFont(AppLanguage()));
    Place(id, kDriveX, kDriveTop + kDriveHeight * i, kDriveWidth, kDriveHeight);
  }
  for (int i = 0; i < kTabSetting; ++i) {
    const UINT id = IDC_TAB_FIRST + static_cast<UINT>(i);
    Attach(tabButtons_[static_cast<size_t>(i)], id);
    tabButtons_[static_cast<size_t>(i)].SetImage(kTabImages[i], kTabSize, kTabSize);
    Place(id, kTabLeft + kTabStep * i, kTabTop, kTabSize, kTabSize);
  }
}

void CArkwellDlg::SetUpTooltips() {
  tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(), nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
  if (!tooltip_) return;
  ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
  // The tool windows are subclassed by the tip control, which so sees every
  // mouse message before the button does.
  for (UINT id = IDC_DRIVE_FIRST; id <= IDC_TAB_LAST; ++id) {
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(Item(id));
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void CArkwellDlg::OpenFirstView() {
  TrayHost* tray = Tray();
  const JobStatus job = tray ? tray->Job() : JobStatus();
  const OpeningView view = OpeningViewOf(job.running, job.driveIndex, onUpdatePage_, panel_);
  if (view.selectDrive != kNoDriveSelected) SelectDrive(view.selectDrive, false);
  SwitchTab(view.tab);
  if (view.page >= 0) SwitchPage(view.page, false);
}

// ---- The drive panel ---------------------------------------------------------

void CArkwellDlg::RefreshDrivePanel() {
  const size_t previousCount = drives_.size();
  const std::wstring previous =
      selected_ != kNoDriveSelected ? panel_[static_cast<size_t>(selected_)].deviceObject : L"";
  drives_ = Tray() ? Tray()->Drives() : std::vector<_BKUP_DRVINFO>();
  panel_.clear();
  for (const _BKUP_DRVINFO& d : drives_) panel_.push_back(PanelDriveOf(d));
  selected_ = kNoDriveSelected;  // the old index may point past the new list
  for (int i = 0; i < kMaxDriveButtons; ++i) ShowDriveButton(i);
  const PanelChoice choice = ChoosePanelSelection(previous, previousCount, panel_);
  SelectDrive(choice.index, choice.keepPage);
  if (!choice.warnTooMany) return;
  if (::IsWindowVisible(Hwnd()))
    ShowSixthDeviceWarning();
  else if (!warningPending_ && ::PostMessageW(Hwnd(), kMsgDeferredWarning, 0, 0))
    warningPending_ = true;
}

void CArkwellDlg::ShowDriveButton(int i) {
  CImageButton& b = driveButtons_[static_cast<size_t>(i)];
  if (static_cast<size_t>(i) < panel_.size()) {
    const PanelDrive& d = panel_[static_cast<size_t>(i)];
    const DriveLines lines = DriveButtonLines(d);
    b.SetDriveLines(lines.first, lines.second, lines.third);
    // The lines also as the window text, for screen readers and tests.
    ::SetWindowTextW(b.Hwnd(), JoinLines(lines).c_str());
    b.SetPlanMark(d.planDrive != kNoPlanDrive, IDP_PLAN_MARK, IDP_PLAN_MARK_DISABLED);
    ::ShowWindow(b.Hwnd(), SW_SHOWNA);
  } else {
    b.SetDriveLines(L"", L"", L"");
    ::SetWindowTextW(b.Hwnd(), L"");
    b.SetPlanMark(false, IDP_PLAN_MARK, IDP_PLAN_MARK_DISABLED);
    ::ShowWindow(b.Hwnd(), SW_HIDE);
  }
  ::UpdateWindow(b.Hwnd());
}

void CArkwellDlg::ShowSixthDeviceWarning() {
  warningPending_ = false;
  ShowMessage(GetString(txt::kMsgSixthDeviceIgnored), kWarningStyle);
}

bool CArkwellDlg::SelectedHasPlan() const {
  return selected_ != kNoDriveSelected &&
         panel_[static_cast<size_t>(selected_)].planDrive != kNoPlanDrive;
}

void CArkwellDlg::SelectDrive(int index, bool keepPage) {
  selected_ = index;
  for (int i = 0; i < kMaxDriveButtons; ++i) {
    CImageButton& b = driveButtons_[static_cast<size_t>(i)];
    if (b.Selected() == (i == index)) continue;
    b.SetSelected(i == index);
    ::UpdateWindow(b.Hwnd());
  }
  if (FollowUpOfSelect(tab_, page_, keepPage) == SelectFollowUp::kEnterBackupTab)
    SwitchTab(kTabBackup);
  UpdateButtons();
}

// ---- Tabs and pages ----------------------------------------------------------

void CArkwellDlg::SwitchTab(int tab) {
  tab_ = tab;
  context_ = PageContext();
  if (selected_ != kNoDriveSelected) {
    const _BKUP_DRVINFO& d = drives_[static_cast<size_t>(selected_)];
    context_.letterMask = d.Device.dwDriveMask;
    context_.planDrive = d.PlanDrive;
  }
  SwitchPage(PageOfTab(tab, selected_ != kNoDriveSelected, SelectedHasPlan()), false);
  for (int t = kTabBackup; t <= kTabSetting; ++t) {
    const RECT rc = MarkerRect(t);
    ::InvalidateRect(Hwnd(), &rc, FALSE);
  }
  ApplyTextFont();
}

// The drive buttons' lines and the tips are in the language's text font; a
// language applied on the settings tab comes through here, so they follow it
// at once.
void CArkwellDlg::ApplyTextFont() {
  const HFONT font = TextFont(AppLanguage());
  const auto handle = reinterpret_cast<WPARAM>(font);
  for (int i = 0; i < kMaxDriveButtons; ++i) {
    HWND b = Item(IDC_DRIVE_FIRST + static_cast<UINT>(i));
    if (b && reinterpret_cast<HFONT>(::SendMessageW(b, WM_GETFONT, 0, 0)) != font)
      ::SendMessageW(b, WM_SETFONT, handle, TRUE);
  }
  if (tooltip_) ::SendMessageW(tooltip_, WM_SETFONT, handle, FALSE);
}

CPage* CArkwellDlg::PageObject(int page) const {
  const int object = PageObjectOf(page);
  if (object < 0 || object >= kPageObjectCount) return nullptr;
  return pages_[static_cast<size_t>(object)].get();
}

void CArkwellDlg::SwitchPage(int page, bool comingBack) {
  if (page < 0 || page >= kPageCount) return;
  page_ = page;
  const int tab = TabOfPage(page);
  for (int t = kTabBackup; t <= kTabSetting; ++t)
    tabButtons_[static_cast<size_t>(t - kTabBackup)].SetSelected(t == tab);
  CPage* current = PageObject(page);
  for (const auto& p : pages_)
    if (p) ::EnableWindow(p->Hwnd(), p.get() == current ? TRUE : FALSE);
  if (current) {
    current->ApplyLanguage();
    current->Enter(page, comingBack);
  }
  if (current) ::ShowWindow(current->Hwnd(), SW_SHOWNA);
  for (const auto& p : pages_)
    if (p && p.get() != current) ::ShowWindow(p->Hwnd(), SW_HIDE);
  UpdateButtons();
}

HWND CArkwellDlg::ProgressPage(JobKind kind) const {
  const int page = kind == JobKind::kBackup ? kPageBackupProgress : kPageRestoreProgress;
  if (page_ != page) return nullptr;
  CPage* p = PageObject(page);
  return p ? p->Hwnd() : nullptr;
}

// ---- Buttons -----------------------------------------------------------------

void CArkwellDlg::UpdateButtons() {
  ButtonInputs in;
  in.page = page_;
  in.driveCount = static_cast<int>(panel_.size() < static_cast<size_t>(kMaxDriveButtons)
                                       ? panel_.size() : static_cast<size_t>(kMaxDriveButtons));
  in.selected = selected_;
  in.selectedHasPlan = SelectedHasPlan();
  if (selected_ != kNoDriveSelected) in.selectedSets = panel_[static_cast<size_t>(selected_)].storedSets;
  if (TrayHost* tray = Tray()) {
    const JobStatus& job = tray->Job();
    in.jobRunning = job.running;
    in.scheduledJob = job.running && job.kind == JobKind::kBackup && job.scheduled;
  }
  ApplyButtonStates(ComputeButtons(in));
}

void CArkwellDlg::ApplyButtonStates(const ButtonStates& s) {
  auto enable = [](HWND h, bool on) {
    if ((::IsWindowEnabled(h) != 0) != on) ::EnableWindow(h, on ? TRUE : FALSE);
  };
  for (int i = 0; i < kMaxDriveButtons; ++i)
    enable(driveButtons_[static_cast<size_t>(i)].Hwnd(), s.drives[i]);
  const bool tabs[kTabSetting] = {s.backup, s.restore, s.log, s.setting};
  for (int i = 0; i < kTabSetting; ++i) enable(tabButtons_[static_cast<size_t>(i)].Hwnd(), tabs[i]);
  enable(info_.Hwnd(), s.info);
  enable(close_.Hwnd(), s.close);
  // The Setting tab shows that a new release is known.
  const bool release = Tray() && Tray()->UpdateInfo().bUpdateAvailable != 0;
  const UINT image = release ? IDP_TAB_SETTING_NEW : IDP_TAB_SETTING;
  CImageButton& setting = tabButtons_[kTabSetting - 1];
  if (setting.ImageId() != image) {
    setting.SetImage(image, kTabSize, kTabSize);
    ::InvalidateRect(setting.Hwnd(), nullptr, FALSE);
  }
}

// ---- Messages, the information menu, closing ---------------------------------

INT_PTR CArkwellDlg::ShowMessage(const std::wstring& text, uint32_t style) {
  ModalScope modal(modalCount_);
  return ShowMessageBox(Hwnd(), text, style);
}

INT_PTR CArkwellDlg::ShowMessageWithLog(const std::wstring& text, uint32_t style, bool logEnabled) {
  ModalScope modal(modalCount_);
  return ShowMessageBoxWithLog(Hwnd(), text, style, logEnabled);
}

INT_PTR CArkwellDlg::ShowMessageWith(const std::wstring& text, uint32_t style,
                                     const MessageOptions& options) {
  ModalScope modal(modalCount_);
  CMsgDlg dlg(text, style);
  dlg.backMode = options.back;
  dlg.checkShown = !options.checkText.empty();
  dlg.checkText = options.checkText;
  return dlg.Show(Hwnd());
}

void CArkwellDlg::ShowInfoMenu() {
  MenuHandle menu(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_INFO)));
  HMENU sub = menu ? ::GetSubMenu(menu.Get(), 0) : nullptr;
  if (!sub) return;
  const bool jobRunning = Tray() && Tray()->Job().running;
  const InfoMenuState state =
      InfoMenuOf(jobRunning, ReadMachineNumber(kServiceKeyPath, kUpdateNoticeValue, 0));
  const struct { UINT command; uint32_t text; } items[] = {
      {IDM_EULABOX, txt::kInfoMenuLicence},
      {IDM_ABOUTBOX, txt::kInfoMenuAbout},
      {IDM_UPDATENOTIFICATION, txt::kInfoMenuUpdateNotice}};
  for (const auto& item : items) {
    const UINT grey = state.greyed ? MF_GRAYED : MF_ENABLED;
    ::ModifyMenuW(sub, item.command, MF_BYCOMMAND | MF_STRING | grey, item.command,
                  GetString(item.text).c_str());
  }
  ::CheckMenuItem(sub, IDM_UPDATENOTIFICATION,
                  MF_BYCOMMAND | (state.updateChecked ? MF_CHECKED : MF_UNCHECKED));
  updateChecked_ = state.updateChecked;
  RECT rc;
  ::GetWindowRect(info_.Hwnd(), &rc);
  ::TrackPopupMenu(sub, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, rc.left, rc.bottom, 0,
                   Hwnd(), nullptr);
}

void CArkwellDlg::ToggleUpdateNotice() {
  // The service stores the value; the menu reads it again next time.
  link::SetUpdateNotice(nullptr, ToggledUpdateNotice(updateChecked_) != 0);
}

INT_PTR CArkwellDlg::RunModal(const std::function<INT_PTR(HWND owner)>& run) {
  ModalScope modal(modalCount_);
  return run(Hwnd());
}

// The licence and version windows of the information menu.
void CArkwellDlg::RunInfoWindow(UINT command) {
  ModalScope modal(modalCount_);
  if (command == IDM_EULABOX) {
    CEulaDlg licence;
    licence.Run(Hwnd());
  } else {
    CVersionDlg version;
    version.Run(Hwnd());
  }
}

void CArkwellDlg::RequestClose() {
  const JobStatus job = Tray() ? Tray()->Job() : JobStatus();
  if (MayClose(job.running, job.running && job.kind == JobKind::kBackup && job.scheduled))
    ::DestroyWindow(Hwnd());
}

void CArkwellDlg::OnCommand(UINT id, UINT, HWND) {
  if (id >= IDC_DRIVE_FIRST && id <= IDC_DRIVE_LAST) {
    const int i = static_cast<int>(id - IDC_DRIVE_FIRST);
    if (i != selected_ && static_cast<size_t>(i) < panel_.size()) SelectDrive(i, false);
    return;
  }
  if (id >= IDC_TAB_FIRST && id <= IDC_TAB_LAST) {
    const int tab = static_cast<int>(id - IDC_TAB_FIRST) + kTabBackup;
    if (tab != tab_) SwitchTab(tab);
    return;
  }
  switch (id) {
    case IDC_INFO: ShowInfoMenu(); break;
    case IDC_CLOSE: RequestClose(); break;
    case IDM_EULABOX:
    case IDM_ABOUTBOX: RunInfoWindow(id); break;
    case IDM_UPDATENOTIFICATION: ToggleUpdateNotice(); break;
    default: break;  // Enter and Escape (IDOK, IDCANCEL) do nothing here
  }
}

std::wstring CArkwellDlg::TipFor(HWND tool) {
  const UINT id = static_cast<UINT>(::GetDlgCtrlID(tool));
  if (id >= IDC_TAB_FIRST && id <= IDC_TAB_LAST)
    return TabTip(static_cast<int>(id - IDC_TAB_FIRST) + kTabBackup);
  if (id < IDC_DRIVE_FIRST || id > IDC_DRIVE_LAST) return std::wstring();
  const size_t i = id - IDC_DRIVE_FIRST;
  if (i >= panel_.size()) return std::wstring();
  const PanelDrive& d = panel_[i];
  ULARGE_INTEGER free = {};
  bool known = false;
  if (d.planDrive >= 0 && d.planDrive < kDriveLetterCount) {
    const wchar_t root[] = {static_cast<wchar_t>(L'A' + d.planDrive), L':', L'\\', 0};
    known = FileSystem().GetDiskFreeSpaceEx(root, nullptr, nullptr, &free) != FALSE;
  }
  return DriveTip(d, known, free.QuadPart);
}

bool CArkwellDlg::OnMessage(UINT msg, WPARAM, LPARAM lp, INT_PTR* result) {
  switch (msg) {
    case WM_CLOSE:
      RequestClose();
      *result = TRUE;
      return true;
    case WM_QUERYDRAGICON:
      *result = reinterpret_cast<INT_PTR>(
          ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP)));
      return true;
    case kMsgDeferredWarning:
      if (warningPending_) ShowSixthDeviceWarning();
      *result = TRUE;
      return true;
    case WM_NOTIFY: {
      auto* info = reinterpret_cast<NMTTDISPINFOW*>(lp);
      if (info->hdr.code != TTN_GETDISPINFOW || info->hdr.hwndFrom != tooltip_) return false;
      tipText_ = TipFor(reinterpret_cast<HWND>(info->hdr.idFrom));
      info->lpszText = const_cast<wchar_t*>(tipText_.c_str());
      *result = TRUE;
      return true;
    }
    default:
      return false;
  }
}

// ---- Painting and the end ----------------------------------------------------

void CArkwellDlg::OnPaint(HDC dc) {
  RECT rc;
  ::GetClientRect(Hwnd(), &rc);
  if (::IsIconic(Hwnd())) {
    HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP));
    const int w = ::GetSystemMetrics(SM_CXICON), h = ::GetSystemMetrics(SM_CYICON);
    ::DrawIcon(dc, (rc.right - w + 1) / 2, (rc.bottom - h + 1) / 2, icon);
    return;
  }
  BufferDC buffer(dc, rc);
  HDC b = buffer.Get();
  FillSolid(b, rc, kDarkBackground);
  background_.Draw(b, 0, 0);
  logo_.Draw(b, kLogoAt.x, kLogoAt.y);
  if (tab_ >= kTabBackup && tab_ <= kTabSetting) {
    const RECT m = MarkerRect(tab_);
    marker_.Draw(b, m.left, m.top);
  }
  buffer.Flush();
}

void CArkwellDlg::OnDestroy() {
  for (auto& p : pages_) p.reset();
  context_ = PageContext();
  background_.Release();
  logo_.Release();
  marker_.Release();
}

void CArkwellDlg::OnFinalMessage() {
  if (MainWindow() == this) SetMainWindow(nullptr);
  // The tray deletes the object at its next opening or at its own end.
  if (TrayHost* tray = Tray()) tray->MainWindowDestroyed(this);
}

// ---- Opening -----------------------------------------------------------------

MainWindowLink* CreateMainWindow(HWND tray, bool onUpdatePage) {
  auto window = std::make_unique<CArkwellDlg>(onUpdatePage);
  if (!window->Create(tray)) {
    if (MainWindow() == window.get()) SetMainWindow(nullptr);
    return nullptr;
  }
  ::ShowWindow(window->Hwnd(), SW_SHOW);
  ::SetForegroundWindow(window->Hwnd());
  return window.release();
}

}  // namespace vk
