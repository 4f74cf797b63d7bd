#include "controls/CLangPgDlg.h"

#include <string>

#include "common/Handle.h"
#include "common/SharedNames.h"
#include "common/Texts.h"
#include "controls/LanguageRules.h"
#include "controls/UiFonts.h"
#include "resources/ResourceIds.h"
#include "servicelink/ServiceClient.h"
#include "shell/ArkwellApp.h"
#include "shell/MainWindowRules.h"
#include "shell/TrayHost.h"

namespace vk {
namespace {

constexpr wchar_t kEnableLanguageValue[] = L"EnableLanguage";
constexpr POINT kPictureAt = {32, 64};
constexpr RECT kLabel = {180, 84, 180 + 300, 84 + 24};
constexpr RECT kList = {180, 108, 180 + 300, 108 + 24};
constexpr int kListDropHeight = 240;  // room for the eight names when dropped down
constexpr POINT kApplyAt = {382, 198};
constexpr int kButtonWidth = 138, kButtonHeight = 52;

}  // namespace

uint32_t ReadEnabledLanguages() {
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kServiceKeyPath, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
    return EnabledLanguagesOf(nullptr);
  RegKey key(raw);
  wchar_t buffer[kEnableLanguageBytes / sizeof(wchar_t)] = {};
  DWORD type = 0, bytes = sizeof(buffer) - sizeof(wchar_t);  // room for a terminator
  if (::RegQueryValueExW(key.Get(), kEnableLanguageValue, nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS ||
      type != REG_SZ)
    return EnabledLanguagesOf(nullptr);
  const std::wstring text(buffer, bytes / sizeof(wchar_t));
  return EnabledLanguagesOf(&text);
}

BOOL CLangPgDlg::OnInitDialog() {
  Place(IDC_LANG_LABEL, kLabel.left, kLabel.top, kLabel.right - kLabel.left, kLabel.bottom - kLabel.top);
  Place(IDC_LANG_LIST, kList.left, kList.top, kList.right - kList.left, kListDropHeight);
  Attach(apply_, IDC_LANG_APPLY);
  apply_.SetImage(IDP_TEXT_BUTTON, kButtonWidth, kButtonHeight);
  apply_.SetTextMode(true);
  apply_.SetBackground(kDarkBackground);
  apply_.SetFocusFrame(true);
  Place(IDC_LANG_APPLY, kApplyAt.x, kApplyAt.y, kButtonWidth, kButtonHeight);
  picture_.Load(IDP_LANGUAGE);
  return CPage::OnInitDialog();
}

void CLangPgDlg::Enter(int, bool) {
  const uint32_t language = AppLanguage();
  HFONT font = TextFont(language);
  for (UINT id : {IDC_LANG_LABEL, IDC_LANG_LIST, IDC_LANG_APPLY}) SetItemFont(id, font);
  ::SetWindowTextW(Item(IDC_LANG_LABEL), LoadText(txt::kSettingSelectLanguage, language).c_str());
  FillList();
  ::SetWindowTextW(Item(IDC_LANG_APPLY), LoadText(txt::kSettingApply, language).c_str());
  ::SetFocus(Item(IDC_LANG_LIST));
}

void CLangPgDlg::FillList() {
  HWND list = Item(IDC_LANG_LIST);
  const uint32_t current = AppLanguage();
  ::SendMessageW(list, CB_RESETCONTENT, 0, 0);
  const LanguageList entries = LanguageListOf(ReadEnabledLanguages(), current);
  for (uint32_t language : entries.languages) {
    const std::wstring name = LoadText(LanguageNameId(language), current);
    const LRESULT at = ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (at >= 0) ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(at), language);
  }
  ::SendMessageW(list, CB_SETCURSEL, entries.selected, 0);
}

// The service keeps the choice for the next start; the running program
// changes at once even when the service cannot be reached, and keeps the
// choice while it waits for the service to take it.
void CLangPgDlg::Apply() {
  HWND list = Item(IDC_LANG_LIST);
  const LRESULT at = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
  if (at < 0) return;
  const auto language = static_cast<uint32_t>(::SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
  if (language >= kLanguageCount) return;
  if (CArkwellApp* app = CArkwellApp::Current()) {
    app->ApplyLanguage(language);  // stores it through the service, again later if refused
  } else {
    link::SetServiceLanguage(nullptr, static_cast<int32_t>(language));
    SetAppLanguage(language);
  }
  if (MainWindowLink* main = MainWindow()) main->SwitchTab(kTabBackup);  // the pages load their texts again
}

void CLangPgDlg::OnCommand(UINT id, UINT, HWND) {
  if (id == IDC_LANG_APPLY) Apply();
}

void CLangPgDlg::OnPaint(HDC dc) {
  RECT rc;
  ::GetClientRect(Hwnd(), &rc);
  FillSolid(dc, rc, kDarkBackground);
  picture_.Draw(dc, kPictureAt.x, kPictureAt.y);
}

}  // namespace vk
