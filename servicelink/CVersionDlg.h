// The version window ("About"): the product name, the program's own file
// version and copyright line as its version resource holds them when the
// window opens, and OK.
#pragma once
#include <windows.h>

#include "controls/SkinnedModal.h"

namespace vk {

class CVersionDlg : public SkinnedModal {
 public:
  // Modal, centred on the screen: 1 for OK, 2 for the close button.
  INT_PTR Run(HWND owner);
  bool CreateForCheck(HWND owner);

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnPaint(HDC dc) override;

 private:
  void SetUpButtons();
  void ShowVersionTexts() const;

  CImageButton close_, ok_;
  SkinImage background_, product_;
};

}  // namespace vk
