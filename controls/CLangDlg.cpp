#include "controls/CLangDlg.h"

#include "controls/UiFonts.h"
#include "resources/ResourceIds.h"
#include "shell/AppTexts.h"
#include "shell/MainWindowRules.h"
#include "shell/TrayHost.h"

namespace vk {
namespace {

constexpr int kButtonWidth = 162, kButtonHeight = 47;
constexpr POINT kLanguageAt = {10, 10}, kUpdateAt = {182, 10};
constexpr POINT kSeparatorAt = {0, 54};
constexpr POINT kSubPageAt = {0, 60};
constexpr SIZE kSubPageSize = {560, 260};

bool ReleaseKnown() { return Tray() && Tray()->UpdateInfo().bUpdateAvailable != 0; }

}  // namespace

BOOL CLangDlg::OnInitDialog() {
  struct { CImageButton& b; UINT id; POINT at; } buttons[] = {
      {languageButton_, IDC_SET_LANGUAGE, kLanguageAt}, {updateButton_, IDC_SET_UPDATE, kUpdateAt}};
  for (auto& x : buttons) {
    Attach(x.b, x.id);
    x.b.SetImage(IDP_SETTING_TAB, kButtonWidth, kButtonHeight);
    x.b.SetTextMode(true);
    x.b.SetBackground(kDarkBackground);
    x.b.SetSelectedUsesFrame3(true);
    Place(x.id, x.at.x, x.at.y, kButtonWidth, kButtonHeight);
  }
  separator_.Load(IDP_SEPARATOR);
  languagePage_.Create(Hwnd(), IDD_LANGUAGE_LIST, kSubPageAt, kSubPageSize, nullptr);
  updatePage_.Create(Hwnd(), IDD_UPDATE_PAGE, kSubPageAt, kSubPageSize, nullptr);
  return CPage::OnInitDialog();
}

CPage& CLangDlg::SubPage(SettingSubPage page) {
  return page == SettingSubPage::kUpdate ? static_cast<CPage&>(updatePage_) : languagePage_;
}

void CLangDlg::Enter(int slot, bool comingBack) {
  if (comingBack) return;
  HFONT font = TextFont(AppLanguage());
  SetItemFont(IDC_SET_LANGUAGE, font);
  SetItemFont(IDC_SET_UPDATE, font);
  ::SetWindowTextW(Item(IDC_SET_LANGUAGE), GetString(txt::kSettingLanguage).c_str());
  ::SetWindowTextW(Item(IDC_SET_UPDATE), GetString(txt::kSettingUpdate).c_str());
  const bool release = ReleaseKnown();
  ::ShowWindow(updateButton_.Hwnd(), release ? SW_SHOWNA : SW_HIDE);
  const int mode = slot == kPageUpdate ? kSettingModeUpdate : kSettingModeLanguage;
  ShowSubPage(SettingSubPageOf(mode, release));
}

void CLangDlg::ShowSubPage(SettingSubPage page) {
  shown_ = page;
  const bool update = page == SettingSubPage::kUpdate;
  languageButton_.SetSelected(!update);
  updateButton_.SetSelected(update);
  CPage& other = SubPage(update ? SettingSubPage::kLanguage : SettingSubPage::kUpdate);
  ::ShowWindow(other.Hwnd(), SW_HIDE);
  ::EnableWindow(other.Hwnd(), FALSE);
  const RECT area = {kSubPageAt.x, kSubPageAt.y, kSubPageAt.x + kSubPageSize.cx,
                     kSubPageAt.y + kSubPageSize.cy};
  ::InvalidateRect(Hwnd(), &area, TRUE);
  CPage& shown = SubPage(page);
  ::EnableWindow(shown.Hwnd(), TRUE);
  ::ShowWindow(shown.Hwnd(), SW_SHOWNA);
  shown.Enter(0, false);
  ::EnableWindow(languageButton_.Hwnd(), update ? TRUE : FALSE);
  ::EnableWindow(updateButton_.Hwnd(), update ? FALSE : TRUE);
  ::InvalidateRect(languageButton_.Hwnd(), nullptr, FALSE);
  ::InvalidateRect(updateButton_.Hwnd(), nullptr, FALSE);
}

void CLangDlg::OnCommand(UINT id, UINT, HWND) {
  if (id == IDC_SET_LANGUAGE && shown_ != SettingSubPage::kLanguage)
    ShowSubPage(SettingSubPage::kLanguage);
  else if (id == IDC_SET_UPDATE && shown_ != SettingSubPage::kUpdate)
    ShowSubPage(SettingSubPage::kUpdate);
}

void CLangDlg::OnPaint(HDC dc) {
  RECT rc;
  ::GetClientRect(Hwnd(), &rc);
  FillSolid(dc, rc, kDarkBackground);
  separator_.Draw(dc, kSeparatorAt.x, kSeparatorAt.y);
}

}  // namespace vk
