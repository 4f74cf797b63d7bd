// Restore page 2: where the folders go (a new location, or their original
// place for the user's own plan), and the last checks before the run.
#pragma once
#include <windows.h>

#include <string>

#include "controls/CCheckBtn.h"
#include "controls/CImageButton.h"
#include "controls/Page.h"

namespace vk {

class CRest02Dlg : public CPage {
 public:
  void Enter(int slot, bool comingBack) override;

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;

 private:
  void Activate();
  void UpdateControls();
  bool OwnPlan() const;
  std::wstring PathText() const;
  void OnBrowse();
  void OnRestore();
  bool ConfirmSpace(const std::wstring& location);

  bool wantNew_ = true;
  CCheckBtn newChoice_, originalChoice_;
  CImageButton browse_, restore_, back_;
};

// The restore may write to `folder`: its volume is an internal fixed disk.
bool RestoreLocationAccepted(const std::wstring& folder);

}  // namespace vk
