// The language sub-page of the Setting page: the languages the machine
// offers (the service key's "EnableLanguage") in a drop-down list, and
// Apply, which stores the choice through the service and switches the
// running program to it at once.
#pragma once
#include <windows.h>

#include <cstdint>

#include "controls/CImageButton.h"
#include "controls/Page.h"
#include "controls/SkinImage.h"

namespace vk {

class CLangPgDlg : public CPage {
 public:
  // Fills the list; called each time the sub-page is shown.
  void Enter(int slot, bool comingBack) override;

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnPaint(HDC dc) override;

 private:
  void FillList();
  void Apply();

  CImageButton apply_;
  SkinImage picture_;
};

// The enabled-language mask from the service key (all when unreadable).
uint32_t ReadEnabledLanguages();

}  // namespace vk
