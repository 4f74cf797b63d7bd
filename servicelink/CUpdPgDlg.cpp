#include "servicelink/CUpdPgDlg.h"

#include <shellapi.h>

#include <string>

#include "common/IconKind.h"
#include "controls/UiFonts.h"
#include "resources/ResourceIds.h"
#include "servicelink/CDlDlg.h"
#include "servicelink/UpdateRules.h"
#include "shell/AppTexts.h"
#include "shell/TrayHost.h"

namespace vk {
namespace {

constexpr int kButtonWidth = 138, kButtonHeight = 52;

struct Placement {
  UINT id;
  RECT rc;
};
constexpr Placement kPlacements[] = {
    {IDC_UPDPG_MESSAGE, {40, 20, 40 + 480, 20 + 72}},
    {IDC_UPDPG_CURRENT_LABEL, {40, 120, 40 + 180, 120 + 24}},
    {IDC_UPDPG_CURRENT, {220, 120, 220 + 200, 120 + 24}},
    {IDC_UPDPG_LATEST_LABEL, {40, 144, 40 + 180, 144 + 24}},
    {IDC_UPDPG_LATEST, {220, 144, 220 + 200, 144 + 24}},
    {IDC_UPDPG_DETAIL, {211, 198, 211 + kButtonWidth, 198 + kButtonHeight}},
    {IDC_UPDPG_UPDATE, {382, 198, 382 + kButtonWidth, 198 + kButtonHeight}},
};

svc::_SVC_UPDINFO UpdateRecord() {
  TrayHost* tray = Tray();
  return tray ? tray->UpdateInfo() : svc::_SVC_UPDINFO{};
}

// A fixed text field of the record, which another process filled: up to its
// terminator, or its whole length when it has none.
std::wstring FieldText(const wchar_t (&field)[svc::kPathChars]) {
  size_t n = 0;
  while (n < svc::kPathChars && field[n] != 0) ++n;
  return std::wstring(field, n);
}

}  // namespace

BOOL CUpdPgDlg::OnInitDialog() {
  Layout();
  for (CImageButton* b : {&detail_, &update_}) {
    Attach(*b, b == &detail_ ? IDC_UPDPG_DETAIL : IDC_UPDPG_UPDATE);
    b->SetImage(IDP_TEXT_BUTTON, kButtonWidth, kButtonHeight);
    b->SetTextMode(true);
    b->SetBackground(kDarkBackground);
    b->SetFocusFrame(true);
  }
  return CPage::OnInitDialog();
}

void CUpdPgDlg::Layout() const {
  for (const Placement& p : kPlacements)
    Place(p.id, p.rc.left, p.rc.top, p.rc.right - p.rc.left, p.rc.bottom - p.rc.top);
}

void CUpdPgDlg::Enter(int, bool) {
  HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  HFONT font = TextFont(AppLanguage());
  for (const Placement& p : kPlacements) SetItemFont(p.id, font);
  const svc::_SVC_UPDINFO info = UpdateRecord();
  const struct { UINT id; std::wstring text; } texts[] = {
      {IDC_UPDPG_MESSAGE, GetString(txt::kSettingUpdateReleased)},
      {IDC_UPDPG_CURRENT_LABEL, GetString(txt::kSettingUpdateCurrentVersion)},
      {IDC_UPDPG_LATEST_LABEL, GetString(txt::kSettingUpdateLatestVersion)},
      {IDC_UPDPG_CURRENT, link::CurrentVersionText(info)},
      {IDC_UPDPG_LATEST, link::LatestVersionText(info)},
      {IDC_UPDPG_DETAIL, GetString(txt::kSettingUpdateDetail)},
      {IDC_UPDPG_UPDATE, GetString(txt::kSettingUpdateDownload)},
  };
  for (const auto& t : texts) ::SetWindowTextW(Item(t.id), t.text.c_str());
  ::SetFocus(Item(IDC_UPDPG_DETAIL));
  ::SetCursor(previous);
}

void CUpdPgDlg::OpenDetail() const {
  const std::wstring url = FieldText(UpdateRecord().szURL);
  if (!link::IsWebPageAddress(url)) return;  // only ever a web page
  const std::wstring quoted = L"\"" + url + L"\"";
  ::ShellExecuteW(nullptr, L"open", quoted.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CUpdPgDlg::RunDownload() {
  MainWindowLink* main = MainWindow();
  TrayHost* tray = Tray();
  if (!main || !tray) return;
  CDlDlg download(FieldText(UpdateRecord().szSetupURL));
  const INT_PTR end = main->RunModal([&download](HWND owner) { return download.Run(owner); });
  if (end == kDownloadStarted) {
    tray->EndProgram();  // the installer runs and will replace this program
  } else if (end != kDownloadCancelledEnd) {
    main->ShowMessage(GetString(txt::kDownloadFailed), kIconError);
  }
}

void CUpdPgDlg::OnCommand(UINT id, UINT, HWND) {
  switch (id) {
    case IDC_UPDPG_DETAIL: OpenDetail(); break;
    case IDC_UPDPG_UPDATE: RunDownload(); break;
    default: break;
  }
}

}  // namespace vk
