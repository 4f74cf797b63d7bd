// Page 1: the disk has no plan; Next starts one on its NTFS partition.
#pragma once
#include "wizard/WizardPage.h"

namespace vk {

class CBkup01Dlg : public WizardPage {
 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;

 private:
  CImageButton next_;
};

}  // namespace vk
