// A flat progress bar: white border, dark inside, the accent colour filled
// in proportion to the position within the control's range.
#pragma once
#include <windows.h>

#include "controls/Window.h"

namespace vk {

// Gap between the border and the filled bar, inside the 1-pixel border.
constexpr int kProgressBorder = 1;
constexpr int kProgressGap = 3;

class CProgressCtrlEx : public Control {
 public:
  ~CProgressCtrlEx() override;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void Paint(HDC dc) const;
};

}  // namespace vk
