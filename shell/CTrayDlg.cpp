#include "shell/CTrayDlg.h"

#include <shlobj.h>

#include "controls/CMsgDlg.h"
#include "engine/EntryFilter.h"
#include "engine/TargetVolume.h"
#include "resources/ResourceIds.h"
#include "servicelink/CUpdDlg.h"
#include "servicelink/ServiceClient.h"
#include "shell/AppTexts.h"
#include "shell/TrayClock.h"
#include "shell/TrayRules.h"

#ifdef VK_SIMULATED_CLOCK
#include "shell/SimulatedClock.h"
#include "shell/SimulatedVolumes.h"
#endif

namespace vk {
namespace {

constexpr uint32_t kExitQuestionStyle = kMsgOkCancel | kIconWarning | kMsgDefaultSecond;  // 0x131
constexpr size_t kMaxFolderChars = MAX_PATH;
constexpr int kFirstSubMenu = 0;

HICON LoadProgramIcon(UINT id) {
  return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                         IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                         ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

std::wstring SpecialFolder(int csidl) {
  wchar_t path[kMaxFolderChars + 1] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) return L"";
  return path;
}

// Raises a modal count for the life of a modal window.
class ModalScope {
 public:
  explicit ModalScope(uint32_t& count) : count_(count) { ++count_; }
  ~ModalScope() { --count_; }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  uint32_t& count_;
};

}  // namespace

CTrayDlg::CTrayDlg(CArkwellApp& app) : app_(app), job_(*this) {}

CTrayDlg::~CTrayDlg() {
  if (Tray() == this) SetTray(nullptr);
}

INT_PTR CTrayDlg::Run() { return DoModal(nullptr, IDD_TRAY); }

void RunTrayWindow(CArkwellApp& app) {
  CTrayDlg tray(app);
  tray.Run();
}

// ---- Initialisation ---------------------------------------------------------

BOOL CTrayDlg::OnInitDialog() {
  SetTray(this);
  SetWindowIcons(Hwnd(), IDI_APP);
  if (!ClaimInstance(Hwnd(), instance_, kInstanceName)) {
    // Another copy won the race for the name.
    Close(kTrayEnded);
    return FALSE;
  }
  ClaimInstance(Hwnd(), globalInstance_, kGlobalInstanceName);
#ifdef VK_SIMULATED_CLOCK
  // Before the first volume is asked about, and before any job runs.
  InstallSimulatedVolumes();
#endif
  StartHandOver();
  ::SetWindowTextW(Hwnd(), GetString(txt::kAppTitle).c_str());
  fonts_.Create();
  appIcon_ = LoadProgramIcon(IDI_APP);
  for (uint32_t i = 0; i < kBusyFrameCount; ++i) busyIcons_[i] = LoadProgramIcon(BusyFrameIcon(i));
  busyFrame_ = 0;
  AddIcon();
  ReadIdentity();
  int32_t counter = 0;
  if (link::GetDriveCounter(nullptr, &counter) == svc::kResultOk) lastCounter_ = counter;
  RefreshDrives();
  ShowStartupReminders(Context(), TrayNow());
  ReadFolders();
  StartTimers();
  DeleteStaleTempIndex();
  return FALSE;
}

void CTrayDlg::StartHandOver() {
  // Without the objects a second copy still brings this one forward; it only
  // cannot make it open the main window.
  handOver_.Start(Hwnd());
}

void CTrayDlg::AddIcon() {
  taskbarCreated_ = ::RegisterWindowMessageW(kTaskbarCreatedMessage);
  std::wstring tip = GetString(txt::kAppTitle);
  if (tip.size() > kMaxIconTipChars) tip.resize(kMaxIconTipChars);
  icon_.Init(Hwnd(), kMsgTrayIcon, appIcon_, tip);
  icon_.Add();
}

void CTrayDlg::ReadIdentity() {
  const OwnerIdentity owner = CurrentOwner();
  identity_.pcId = owner.pcId;
  identity_.user = owner.user;
}

void CTrayDlg::ReadFolders() {
  folders_.documents = SpecialFolder(CSIDL_PERSONAL);
  folders_.music = SpecialFolder(CSIDL_MYMUSIC);
  folders_.pictures = SpecialFolder(CSIDL_MYPICTURES);
  folders_.videos = SpecialFolder(CSIDL_MYVIDEO);
#ifdef VK_SIMULATED_CLOCK
  std::wstring library;
  if (TestLibraryFolder(&library)) {
    folders_.documents = library + L"\\Documents";
    folders_.music = library + L"\\Music";
    folders_.pictures = library + L"\\Pictures";
    folders_.videos = library + L"\\Videos";
  }
#endif
  folders_.restore =
      folders_.documents.empty() ? L"" : folders_.documents + L"\\" + kRestoreFolderName;
  exclusions_ = BuildExclusionList(folders_.documents);
  SetJobSpecialFolders(ReadSpecialFolders());
}

void CTrayDlg::StartTimers() {
  const TrayTicks ticks = CurrentTrayTicks();
  ::SetTimer(Hwnd(), kTimerDrives, ticks.drivePollMs, nullptr);
  ::SetTimer(Hwnd(), kTimerSchedules, ticks.dueCheckMs, nullptr);
  ::SetTimer(Hwnd(), kTimerRelease, ticks.releaseCheckMs, nullptr);
}

void CTrayDlg::DeleteStaleTempIndex() {
  // Left behind by a restore that did not end.
  const std::wstring path = TempIndexPath();
  if (!path.empty()) ::DeleteFileW(path.c_str());
}

ScheduleContext CTrayDlg::Context() {
  ScheduleContext ctx;
  ctx.owner.pcId = identity_.pcId;
  ctx.owner.user = identity_.user;
  ctx.settings = &app_.Settings();
  ctx.host = this;
  ctx.unwritten = &unwrittenTimes_;
  return ctx;
}

// ---- Messages ---------------------------------------------------------------

bool CTrayDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result) {
  *result = TRUE;  // handled; an answer of its own goes through DWLP_MSGRESULT
  if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
    // The shell restarted and forgot the icon.
    icon_.Add();
    return true;
  }
  switch (msg) {
    case WM_WINDOWPOSCHANGING:
      // The window is never shown, not even by the modal loop's first idle.
      reinterpret_cast<WINDOWPOS*>(lp)->flags &= ~SWP_SHOWWINDOW;
      return false;
    case kMsgTrayIcon:
      OnIconMessage(static_cast<UINT>(lp));
      return true;
    case kMsgOpenMainWindow:
      OpenMainWindow(false);
      return true;
    case kMsgEndProgram:
      if (mainWindow_) ::DestroyWindow(mainWindow_->Hwnd());
      Close(kTrayEnded);
      return true;
    case kMsgBackupEnded:
      OnBackupEnded(wp, lp);
      return true;
    case kMsgRestoreEnded:
      OnRestoreEnded(wp, lp);
      return true;
    case kMsgJobProgressPage: {
      const JobKind kind = wp == static_cast<WPARAM>(ProgressPage::kBackup) ? JobKind::kBackup
                                                                             : JobKind::kRestore;
      ::SetWindowLongPtrW(Hwnd(), DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(ProgressPageOf(kind)));
      return true;
    }
    case WM_CLOSE:
      if (!job_.Running()) Close(kTrayEnded);
      return true;
    case WM_ENDSESSION:
      if (wp != 0) {
        // The session ends: a running job stops at its next progress call.
        // Its run flag stays set, so the next start tells the user.
        sessionEnding_ = true;
        job_.SetCancelRequest(true);
        job_.SetCancelFlag(true);
        job_.StopAndWait(kEndSessionWaitMs);
      }
      return true;
    default:
      return false;
  }
}

void CTrayDlg::OnCommand(UINT id, UINT code, HWND) {
  if (code != 0) return;  // menu commands only
  if (id == IDM_TRAY_EXEC) OpenMainWindow(false);
  if (id == IDM_TRAY_EXIT) OnExit();
}

void CTrayDlg::OnTimer(UINT_PTR id) {
  switch (id) {
    case kTimerJob: OnJobTick(); break;
    case kTimerDrives: OnDrivePoll(); break;
    case kTimerSchedules: OnDueCheck(); break;
    case kTimerRelease: OnReleaseCheck(); break;
    default: break;
  }
}

// ---- The icon and its menu -------------------------------------------------

void CTrayDlg::OnIconMessage(UINT mouseMessage) {
  switch (mouseMessage) {
    case WM_LBUTTONDOWN:
      ::SetForegroundWindow(Hwnd());
      break;
    case WM_LBUTTONDBLCLK:
      OpenMainWindow(false);
      break;
    case WM_RBUTTONDOWN:
      ShowIconMenu();
      break;
    default:
      break;
  }
}

void CTrayDlg::ShowIconMenu() {
  ::SetForegroundWindow(Hwnd());
  HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_MENU));
  if (!menu) return;
  HMENU popup = ::GetSubMenu(menu, kFirstSubMenu);
  if (popup) {
    const std::wstring open = GetString(txt::kTrayMenuOpen), exit = GetString(txt::kTrayMenuExit);
    ::ModifyMenuW(popup, IDM_TRAY_EXEC, MF_BYCOMMAND | MF_STRING, IDM_TRAY_EXEC, open.c_str());
    ::ModifyMenuW(popup, IDM_TRAY_EXIT, MF_BYCOMMAND | MF_STRING, IDM_TRAY_EXIT, exit.c_str());
    const TrayMenuState state = TrayMenuItems(MainWindowOpen(), modalCount_, job_.Running());
    ::EnableMenuItem(popup, IDM_TRAY_EXEC, MF_BYCOMMAND | (state.openEnabled ? 0 : MF_GRAYED));
    ::EnableMenuItem(popup, IDM_TRAY_EXIT, MF_BYCOMMAND | (state.exitEnabled ? 0 : MF_GRAYED));
    POINT at = {};
    ::GetCursorPos(&at);
    ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, Hwnd(), nullptr);
    // The menu closes properly when the window next gets a message.
    ::PostMessageW(Hwnd(), WM_NULL, 0, 0);
  }
  ::DestroyMenu(menu);
}

void CTrayDlg::OnExit() {
  if (!TrayMenuItems(MainWindowOpen(), modalCount_, job_.Running()).exitEnabled) return;
  if (ShowMessage(GetString(txt::kMsgExitWhileScheduled), kExitQuestionStyle) != kMsgResultOk)
    return;
  // A job may have started while the question was up.
  if (!job_.Running()) Close(kTrayEnded);
}

// ---- Windows the tray shows -------------------------------------------------

uint32_t CTrayDlg::ShowMessage(const std::wstring& text, uint32_t style) {
  ModalScope modal(modalCount_);
  return static_cast<uint32_t>(ShowMessageBox(nullptr, text, style));
}

int CTrayDlg::ShowUpdateNotice() {
  ModalScope modal(modalCount_);
  CUpdDlg notice;
  return static_cast<int>(notice.Run(nullptr));
}

void CTrayDlg::EndProgram() { ::PostMessageW(Hwnd(), kMsgEndProgram, 0, 0); }

void CTrayDlg::ShowNotification(const std::wstring& text, IconKind kind, bool closesByItself) {
  if (popup_ && popup_->Hwnd()) {
    // One notification at a time: the one on screen comes forward again.
    popup_->Reshow();
    return;
  }
  popupPending_.reset();
  auto popup = std::make_unique<CPopupDlg>(text, kind, closesByItself);
  popup->onDestroyed = [this](CPopupDlg* gone) { OnPopupDestroyed(gone); };
  if (!popup->Create(Hwnd())) return;
  popup_ = std::move(popup);
}

void CTrayDlg::OnPopupDestroyed(CPopupDlg* popup) {
  // Deleted later: the object is still on the stack of its own window.
  if (popup_.get() == popup) popupPending_ = std::move(popup_);
}

bool CTrayDlg::MainWindowBusy() const {
  return mainWindow_ != nullptr && mainWindow_->ModalCount() > 0;
}

bool CTrayDlg::OpenMainWindow(bool onUpdatePage) {
  ::SetForegroundWindow(Hwnd());
  if (MainWindowOpen() || modalCount_ > 0) return false;
  if (ProbeInstance(kGlobalInstanceName, false) == kCopyInOtherSession) {
    ShowMessage(GetString(txt::kMsgOtherUserRunning), kIconError);
    return false;
  }
  mainPending_.reset();
  RefreshDrives();
  if (TooManyDrives(drives_.size())) {
    ShowMessage(GetString(txt::kMsgTooManyDevices), kIconError);
    return false;
  }
  link::GetUpdateInfo(nullptr, &update_);
  if (!job_.Running() && !onUpdatePage &&
      ReadMachineNumber(kServiceKeyPath, kUpdateNoticeValue, 0) != 0) {
    svc::_SVC_UPDINFO fresh = {};
    if (link::GetUpdateInfo(nullptr, &fresh) == svc::kResultOk && fresh.bUpdateAvailable) {
      update_ = fresh;
      if (ShowUpdateNotice() == 1) onUpdatePage = true;
    }
  }
  MainWindowLink* window = CreateMainWindow(Hwnd(), onUpdatePage);
  if (window == nullptr) return false;
  mainWindow_.reset(window);
  SetMainWindow(window);
  ::ShowWindow(window->Hwnd(), SW_SHOW);
  ::SetForegroundWindow(window->Hwnd());
  return true;
}

void CTrayDlg::MainWindowDestroyed(MainWindowLink* window) {
  if (mainWindow_.get() != window) return;
  mainPending_ = std::move(mainWindow_);
  SetMainWindow(nullptr);
}

// ---- Ending -----------------------------------------------------------------

void CTrayDlg::OnDestroy() {
  job_.SetCancelRequest(true);
  job_.SetCancelFlag(true);
  job_.StopAndWait(kEndSessionWaitMs);
  handOver_.Stop();
  ReleaseInstance(Hwnd(), instance_, kInstanceName);
  ReleaseInstance(Hwnd(), globalInstance_, kGlobalInstanceName);
  SetMainWindow(nullptr);
  mainWindow_.reset();
  mainPending_.reset();
  popup_.reset();
  popupPending_.reset();
  icon_.Remove();
  fonts_.Destroy();
  SetTray(nullptr);
}

}  // namespace vk
