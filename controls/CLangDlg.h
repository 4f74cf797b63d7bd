// The Setting page (pages 12 and 13): two tab-like buttons over two
// sub-pages, the language list (CLangPgDlg) and the update page (CUpdPgDlg).
// The update button is there only while a new release is known.
#pragma once
#include <windows.h>

#include "controls/CImageButton.h"
#include "controls/CLangPgDlg.h"
#include "controls/LanguageRules.h"
#include "controls/Page.h"
#include "controls/SkinImage.h"
#include "servicelink/CUpdPgDlg.h"

namespace vk {

class CLangDlg : public CPage {
 public:
  // Slot 12 opens the language list, slot 13 the update page (when a new
  // release is known); coming back changes nothing.
  void Enter(int slot, bool comingBack) override;

  SettingSubPage Shown() const { return shown_; }

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnPaint(HDC dc) override;

 private:
  void ShowSubPage(SettingSubPage page);
  CPage& SubPage(SettingSubPage page);

  SettingSubPage shown_ = SettingSubPage::kLanguage;
  CImageButton languageButton_, updateButton_;
  CLangPgDlg languagePage_;
  CUpdPgDlg updatePage_;
  SkinImage separator_;
};

}  // namespace vk
