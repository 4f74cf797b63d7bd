// The licence window: the end-user licence agreement of the program's
// language, an RTF document of the program's resources streamed into a
// rich-edit control, with OK.
#pragma once
#include <windows.h>

#include <cstddef>

#include "controls/SkinnedModal.h"

namespace vk {

class CEulaDlg : public SkinnedModal {
 public:
  // Modal, centred on the screen: 1 for OK, 2 for the close button.
  INT_PTR Run(HWND owner);
  bool CreateForCheck(HWND owner);

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnPaint(HDC dc) override;

 private:
  static bool LoadRichEdit();
  static DWORD CALLBACK StreamChunk(DWORD_PTR cookie, LPBYTE buffer, LONG want, LONG* got);
  void SetUpButtons();
  void LoadLicence();

  // The document while it is streamed in.
  const BYTE* document_ = nullptr;
  size_t size_ = 0, offset_ = 0;
  CImageButton close_, ok_;
  SkinImage background_;
};

}  // namespace vk
