// Page 2: which partition of the disk takes the plan.
#pragma once
#include <vector>

#include "wizard/WizardPage.h"

namespace vk {

class CBkup02Dlg : public WizardPage {
 public:
  void Enter(int slot, bool comingBack) override;

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;

 private:
  void Fill();
  void OnNext();

  CImageButton next_, back_;
  std::vector<PartitionEntry> entries_;
};

}  // namespace vk
