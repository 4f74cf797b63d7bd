#include "restorewin/CLogDlg.h"

#include <shellapi.h>

#include <vector>

#include "common/Handle.h"
#include "controls/UiFonts.h"
#include "engine/TargetVolume.h"
#include "resources/ResourceIds.h"
#include "shell/AppTexts.h"
#include "shell/TrayHost.h"

namespace vk {
namespace {

constexpr int kTabWidth = 110, kTabHeight = 47;
constexpr int kButtonWidth = 138, kButtonHeight = 52;
constexpr POINT kSeparatorAt = {0, 54};
constexpr RECT kText = {10, 64, 10 + 540, 64 + 252};
constexpr POINT kFileViewAt = {412, 0};
constexpr UINT kTabIds[kLogTabCount] = {IDC_LOG_BACKUP, IDC_LOG_RESTORE, IDC_LOG_DETAIL};
constexpr int kTabX[kLogTabCount] = {10, 130, 250};
constexpr int kTabY = 10;
// The tab texts take two lines of the 47-pixel buttons; the text font
// (-16) would need 48 in Japanese and cut the longest German word.
constexpr int kTabFontHeight = -12;

class WaitCursor {
 public:
  WaitCursor() : previous_(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { ::SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

uint64_t LastWriteOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

bool IsExistingFile(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The whole file, or nothing when it cannot be read whole.
std::vector<uint8_t> ReadWholeFile(const std::wstring& path) {
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size = {};
  if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
      static_cast<uint64_t>(size.QuadPart) >= kMaxShownLogBytes)
    return {};
  try {
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() &&
        (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
         got != bytes.size()))
      return {};
    return bytes;
  } catch (...) {
    return {};  // no memory for it: the box stays empty
  }
}

}  // namespace

BOOL CLogDlg::OnInitDialog() {
  for (int i = 0; i < kLogTabCount; ++i) {
    CImageButton& b = tabs_[static_cast<size_t>(i)];
    Attach(b, kTabIds[i]);
    b.SetImage(IDP_LOG_TAB, kTabWidth, kTabHeight);
    b.SetTextMode(true);
    b.SetSelectedUsesFrame3(true);
    Place(kTabIds[i], kTabX[i], kTabY, kTabWidth, kTabHeight);
  }
  Attach(fileView_, IDC_LOG_FILE_VIEW);
  fileView_.SetImage(IDP_TEXT_BUTTON, kButtonWidth, kButtonHeight);
  fileView_.SetTextMode(true);
  fileView_.SetFocusFrame(true);
  Place(IDC_LOG_FILE_VIEW, kFileViewAt.x, kFileViewAt.y, kButtonWidth, kButtonHeight);
  Place(IDC_LOG_TEXT, kText.left, kText.top, kText.right - kText.left, kText.bottom - kText.top);
  // A summary log carries the history of every run: far more than the
  // 32,767 characters an edit control takes by default.
  ::SendMessageW(Item(IDC_LOG_TEXT), EM_SETLIMITTEXT, 0, 0);
  separator_.Load(IDP_SEPARATOR);
  return CPage::OnInitDialog();
}

void CLogDlg::Enter(int, bool comingBack) {
  if (comingBack) {
    ::SetFocus(tabs_[0].Hwnd());
    return;
  }
  Activate();
}

std::wstring CLogDlg::LogFolder() const {
  MainWindowLink* main = MainWindow();
  if (!main) return std::wstring();
  const int selected = main->SelectedDrive();
  const auto& drives = main->Drives();
  if (selected < 0 || static_cast<size_t>(selected) >= drives.size()) return std::wstring();
  const int drive = drives[static_cast<size_t>(selected)].PlanDrive;
  if (drive < kFirstDrive || drive > kLastDrive) return std::wstring();
  return LogFolderPath(drive);
}

void CLogDlg::Activate() {
  WaitCursor wait;
  const uint32_t language = AppLanguage();
  HFONT font = TextFont(language);
  tabFont_.Reset(::CreateFontW(kTabFontHeight, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0,
                               0, FontFace(language)));
  for (UINT id : kTabIds) SetItemFont(id, tabFont_.Get() ? tabFont_.Get() : font);
  SetItemFont(IDC_LOG_FILE_VIEW, font);
  SetItemFont(IDC_LOG_TEXT, font);
  const std::wstring folder = LogFolder();
  restoreDetailNewer_ =
      !folder.empty() && RestoreDetailIsNewer(LastWriteOf(folder + L"\\" + kBackupDetailLog),
                                              LastWriteOf(folder + L"\\" + kRestoreDetailLog));
  ::SetWindowTextW(Item(IDC_LOG_BACKUP), GetString(txt::kLogViewBackup).c_str());
  ::SetWindowTextW(Item(IDC_LOG_RESTORE), GetString(txt::kLogViewRestore).c_str());
  ::SetWindowTextW(Item(IDC_LOG_DETAIL),
                   GetString(restoreDetailNewer_ ? txt::kLogViewRestoreDetail
                                                 : txt::kLogViewBackupDetail).c_str());
  ::SetWindowTextW(Item(IDC_LOG_FILE_VIEW), GetString(txt::kLogViewFileView).c_str());
  ShowTab(LogTab::kBackup);
  ::SetFocus(tabs_[0].Hwnd());
}

void CLogDlg::ShowTab(LogTab tab) {
  selected_ = tab;
  for (int i = 0; i < kLogTabCount; ++i) {
    CImageButton& b = tabs_[static_cast<size_t>(i)];
    b.SetSelected(i == static_cast<int>(tab));
    ::InvalidateRect(b.Hwnd(), nullptr, FALSE);
  }
  ShowMode(ModeOfTab(tab, restoreDetailNewer_));
  UpdateButtons();
}

void CLogDlg::ShowMode(LogMode mode) {
  mode_ = mode;
  const std::wstring folder = LogFolder();
  path_ = folder.empty() ? std::wstring() : folder + L"\\" + LogFileNameOf(mode);
  HWND box = Item(IDC_LOG_TEXT);
  ::SetWindowTextW(box, L"");
  if (!path_.empty()) ::SetWindowTextW(box, LogTextOf(ReadWholeFile(path_)).c_str());
  ::InvalidateRect(Hwnd(), nullptr, TRUE);
}

void CLogDlg::UpdateButtons() {
  const LogButtons b = LogButtonsOf(selected_, !path_.empty() && IsExistingFile(path_));
  for (int i = 0; i < kLogTabCount; ++i)
    ::EnableWindow(tabs_[static_cast<size_t>(i)].Hwnd(), b.tabs[i] ? TRUE : FALSE);
  ::EnableWindow(fileView_.Hwnd(), b.fileView ? TRUE : FALSE);
}

void CLogDlg::OpenShownFile() const {
  const std::wstring quoted = L"\"" + path_ + L"\"";
  ::ShellExecuteW(nullptr, nullptr, quoted.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CLogDlg::OnCommand(UINT id, UINT, HWND) {
  for (int i = 0; i < kLogTabCount; ++i) {
    if (id != kTabIds[i]) continue;
    WaitCursor wait;
    ShowTab(static_cast<LogTab>(i));
    ::SetFocus(Hwnd());
    return;
  }
  if (id == IDC_LOG_FILE_VIEW) OpenShownFile();
  // Enter and Escape do nothing.
}

void CLogDlg::OnPaint(HDC dc) {
  RECT rc;
  ::GetClientRect(Hwnd(), &rc);
  FillSolid(dc, rc, kDarkBackground);
  separator_.Draw(dc, kSeparatorAt.x, kSeparatorAt.y);
}

}  // namespace vk
