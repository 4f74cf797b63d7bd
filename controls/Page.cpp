#include "controls/Page.h"

namespace vk {

bool CPage::Create(HWND parent, UINT templateId, POINT at, SIZE size, HWND after) {
  templateId_ = templateId;
  if (!CreateModeless(parent, templateId)) return false;
  ::SetWindowLongPtrW(Hwnd(), GWLP_ID, static_cast<LONG_PTR>(templateId));
  ::EnableWindow(Hwnd(), FALSE);
  ::SetWindowPos(Hwnd(), after ? after : HWND_TOP, at.x, at.y, size.cx, size.cy,
                 SWP_NOACTIVATE | SWP_HIDEWINDOW);
  return true;
}

BOOL CPage::OnInitDialog() { return FALSE; }  // the focus stays where the user has it

}  // namespace vk
