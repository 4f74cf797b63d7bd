// What the three restore pages share in their look: placements in page
// pixels, the text buttons, the pair of option buttons and a wait cursor.
#pragma once
#include <windows.h>

#include "controls/CCheckBtn.h"
#include "controls/CImageButton.h"
#include "controls/Window.h"

namespace vk {

constexpr int kTextButtonWidth = 138, kTextButtonHeight = 52;  // image 9010

struct PageRect {
  int x, y, w, h;
};
struct PagePlacement {
  UINT id;
  PageRect rc;
};

template <size_t N>
void PlaceAll(const Dialog& page, const PagePlacement (&placements)[N]) {
  for (const PagePlacement& p : placements)
    ::SetWindowPos(page.Item(p.id), nullptr, p.rc.x, p.rc.y, p.rc.w, p.rc.h,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

// A wide button drawn from image 9010 with its text.
void SetUpTextButton(CImageButton& button);
// One of page 2's two choices: a check button drawn from 9016/9017.
void SetUpOption(CCheckBtn& option);

// The main window's modal count raised for the life of the object.
class ModalCounter {
 public:
  ModalCounter();
  ~ModalCounter();
  ModalCounter(const ModalCounter&) = delete;
  ModalCounter& operator=(const ModalCounter&) = delete;
};

// The wait cursor for the life of the object.
class WaitCursor {
 public:
  WaitCursor() : previous_(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { ::SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

}  // namespace vk
