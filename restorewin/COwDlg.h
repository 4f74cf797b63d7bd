// The overwrite prompt: one conflict of a restore (a file that already
// exists), the version in the backup beside the one on the disk, and the
// user's answer. The window only collects the answer; the restore acts on it.
// Its texts come from restorewin/OverwriteRules; the target path is shown
// as text only (read-only edit boxes without mnemonics, tips without
// prefixes), and a long name scrolls in its box.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/SkinnedModal.h"
#include "restorewin/OverwriteRules.h"

namespace vk {

class COwDlg : public SkinnedModal {
 public:
  // `query` is read while the window opens; its path must stay valid until then.
  explicit COwDlg(const _OVERWRITE_QUERY& query) : query_(query) {}

  // Runs the window modally, centred on `owner` (the screen when null); the
  // end code: kOverwriteEndChoice or kOverwriteEndClosed (-1 when it could
  // not be shown).
  INT_PTR Run(HWND owner);
  // Creates it modeless and hidden, for a check that measures its texts.
  bool CreateForCheck(HWND owner);

  // Read after the window has closed.
  int32_t Choice() const { return choice_; }
  bool ApplyToRest() const { return applyToRest_; }

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnPaint(HDC dc) override;

 private:
  void SetUpPanels(const OverwriteTexts& texts);
  void SetUpCheckBox();
  void SetUpTips();
  void Finish(OverwriteAction action);

  _OVERWRITE_QUERY query_;
  HWND owner_ = nullptr;
  int32_t choice_ = kChoiceNone;
  bool applyToRest_ = false;
  CImageButton close_, replace_, skip_;
  CCheckBtn apply_;
  SkinImage background_, picture_;
  HWND tips_ = nullptr;  // owned by this window, destroyed with it
};

}  // namespace vk
