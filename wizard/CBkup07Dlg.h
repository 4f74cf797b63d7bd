// Page 7: a backup in progress, its Cancel with the confirmation the job
// thread waits for, and the message that reports its end.
#pragma once
#include "controls/CProgressCtrlEx.h"
#include "wizard/WizardPage.h"

namespace vk {

class CBkup07Dlg : public WizardPage {
 public:
  void Enter(int slot, bool comingBack) override;

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnTimer(UINT_PTR id) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result) override;

 private:
  void StartOrWatch();
  void SetPercent(uint32_t percent);
  void UpdateCancel();
  void ConfirmCancel();
  void OnEnded();
  void Report(const ResultReport& report, uint32_t unreadable);

  CImageButton cancel_;
  CProgressCtrlEx bar_;
  bool timerOn_ = false;
  bool cancelAsked_ = false;  // the Cancel button set the request
  bool stopping_ = false;     // the confirmation was answered OK
};

}  // namespace vk
