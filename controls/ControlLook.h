// The decisions behind the skinned controls' looks, as plain functions so
// that they are tested apart from the windows that draw them.
#pragma once
#include <cstdint>

namespace vk {

// Frames of a five-frame button strip.
enum ButtonFrame : int {
  kFrameNormal = 0,
  kFrameOver = 1,
  kFramePressed = 2,   // also the selected look
  kFrameFocused = 3,   // focus frame, or the alternative selected look
  kFrameDisabled = 4,
};
constexpr int kStripFrames = 5;

// What an image button knows when it draws.
struct ImageButtonLook {
  bool disabled = false;
  bool pressed = false;
  bool mouseOver = false;
  bool focused = false;
  bool focusFrame = false;        // focused state uses frame 3, no dotted rectangle
  bool forceOver = false;         // always the mouse-over look
  bool noDisabledFrame = false;   // disabled shows frame 0
  bool selected = false;
  bool selectedUsesFrame3 = false;
  bool hasAlternate = false;      // an alternate strip for the selected look
  int frameCount = kStripFrames;  // 0 when the button has no strip
};

// The drawn state 0..4 (also what the state notification carries).
int ImageButtonState(const ImageButtonLook& look);

struct StripFrame {
  bool alternate;  // from the alternate strip
  int frame;       // frame index in that strip
};
// Which strip and frame show state `state`.
StripFrame ImageButtonFrame(const ImageButtonLook& look, int state);

// The frame of a check button strip.
struct CheckButtonLook {
  bool disabled = false;
  bool focused = false;
  bool mouseOver = false;
  bool pressed = false;
  int frameCount = kStripFrames;
};
int CheckButtonFrame(const CheckButtonLook& look);

// Width of the filled part of a progress bar whose inner area is
// `innerWidth` pixels, for `position` in the range low..high. An empty or
// reversed range fills nothing; positions outside the range are clamped.
int ProgressFillWidth(int innerWidth, int low, int high, int position);

}  // namespace vk
