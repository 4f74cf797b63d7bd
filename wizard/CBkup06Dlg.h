// Page 6: the disk's plan, with Edit, Delete and Backup Now.
#pragma once
#include "wizard/WizardPage.h"

namespace vk {

class CBkup06Dlg : public WizardPage, private WizardHost {
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
  bool SavePlan() override { return false; }
  bool DeletePlan() override;
  void ClearReminder() override;

  void Reload();
  void OnEdit();
  void OnBackupNow();
  void OnDelete();

  CImageButton edit_, delete_, backupNow_;
};

}  // namespace vk
