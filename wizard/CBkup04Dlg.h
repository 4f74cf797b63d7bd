// Page 4: the schedule, in four lists whose visibility follows the frequency.
#pragma once
#include "wizard/WizardPage.h"

namespace vk {

class CBkup04Dlg : public WizardPage {
 public:
  void Enter(int slot, bool comingBack) override;

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnLanguageChanged() override { FillLists(); }

 private:
  void FillLists();
  void ApplyVisibility();
  int Selection(UINT id) const;
  void OnNext();

  CImageButton next_, back_;
};

}  // namespace vk
