// Page 0: no target disk; the remembered schedule, missed or coming.
#pragma once
#include "wizard/WizardPage.h"

namespace vk {

class CBkup00Dlg : public WizardPage {
 public:
  void Enter(int slot, bool comingBack) override;

 protected:
  BOOL OnInitDialog() override;
};

}  // namespace vk
