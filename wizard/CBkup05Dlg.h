// Page 5: the plan to confirm, and Save with its questions.
#pragma once
#include "wizard/WizardPage.h"

namespace vk {

class CBkup05Dlg : public WizardPage, private WizardHost {
 public:
  void Enter(int slot, bool comingBack) override;

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;

 private:
  // WizardHost.
  INT_PTR Ask(uint32_t textId, uint32_t type, bool back, uint32_t checkText) override;
  bool TargetPresent() override { return ChosenTargetPresent(); }
  bool SpaceLow() override;
  bool SavePlan() override;
  bool DeletePlan() override { return false; }
  void ClearReminder() override {}

  void OnSave();

  CImageButton save_, back_;
};

}  // namespace vk
