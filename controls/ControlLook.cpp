#include "controls/ControlLook.h"

namespace vk {

int ImageButtonState(const ImageButtonLook& look) {
  int s = kFrameNormal;
  if (look.disabled)
    s = kFrameDisabled;
  else if (look.pressed)
    s = kFramePressed;
  else if (look.mouseOver)
    s = kFrameOver;
  else if (look.focused && look.focusFrame)
    s = kFrameFocused;
  if (look.forceOver) s = kFrameOver;
  if (s >= look.frameCount) s = kFrameNormal;
  if (look.noDisabledFrame && s == kFrameDisabled) s = kFrameNormal;
  return s;
}

StripFrame ImageButtonFrame(const ImageButtonLook& look, int state) {
  if (look.hasAlternate) return {look.selected, state};
  if (look.selected) return {false, look.selectedUsesFrame3 ? kFrameFocused : kFramePressed};
  return {false, state};
}

int CheckButtonFrame(const CheckButtonLook& look) {
  int f = kFrameNormal;
  if (look.disabled) {
    f = kFrameDisabled;
  } else {
    if (look.focused) f = kFrameFocused;
    if (look.mouseOver) f = kFrameOver;
    if (look.pressed) f = kFramePressed;
  }
  return f >= look.frameCount ? kFrameNormal : f;
}

int ProgressFillWidth(int innerWidth, int low, int high, int position) {
  if (innerWidth <= 0 || high <= low) return 0;
  if (position < low) position = low;
  if (position > high) position = high;
  // 64-bit: inner width times a full 32-bit range overflows 32 bits.
  const long long fill = static_cast<long long>(innerWidth) * (static_cast<long long>(position) - low) /
                         (static_cast<long long>(high) - low);
  return static_cast<int>(fill);
}

}  // namespace vk
