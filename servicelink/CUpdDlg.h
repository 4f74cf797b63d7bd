// The update notice: the modal window that announces a new release, with
// Update, Cancel and the "Do not show this message again." box. Update and
// Cancel tell the service whether notices go on; the close button leaves
// that as it is.
#pragma once
#include <windows.h>

#include "controls/SkinnedModal.h"

namespace vk {

constexpr INT_PTR kNoticeUpdate = 1;
constexpr INT_PTR kNoticeNoUpdate = 2;

class CUpdDlg : public SkinnedModal {
 public:
  // Runs the notice modally, centred on the screen; kNoticeUpdate when
  // Update was pressed, else kNoticeNoUpdate (also when it cannot open).
  INT_PTR Run(HWND owner);
  // Creates it modeless and hidden, for a check that measures its texts.
  bool CreateForCheck(HWND owner) { return CreateModeless(owner, kTemplate); }

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnPaint(HDC dc) override;

 private:
  static constexpr UINT kTemplate = 159;
  void SetUpButtons();
  void Finish(INT_PTR result);

  CImageButton close_, update_, cancel_;
  CCheckBtn check_;
  SkinImage background_, picture_;
};

}  // namespace vk
