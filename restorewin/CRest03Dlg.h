// Restore page 3: starts the run, shows its progress, asks the cancel and
// overwrite questions while the worker waits, and reports the outcome.
#pragma once
#include <windows.h>

#include <string>

#include "controls/CImageButton.h"
#include "controls/CProgressCtrlEx.h"
#include "controls/Page.h"
#include "restorewin/RestoreRules.h"

namespace vk {

class CRest03Dlg : public CPage {
 public:
  void Enter(int slot, bool comingBack) override;

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnTimer(UINT_PTR id) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result) override;

 private:
  void Start();
  void ShowPercent(uint32_t percent);
  void UpdateCancel();
  void OnConfirmCancel();
  void OnOverwrite(_OVERWRITE_QUERY* query);
  void OnEnded();

  OverwriteMemory answers_;
  int driveIndex_ = -1;
  bool running_ = false;
  bool cancelAsked_ = false, cancelDecided_ = false;
  CProgressCtrlEx progress_;
  CImageButton cancel_;
};

}  // namespace vk
