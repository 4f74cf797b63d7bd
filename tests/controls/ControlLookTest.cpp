// State and frame choices of the skinned buttons and the progress fill.
#include <gtest/gtest.h>

#include "controls/ControlLook.h"

namespace vk {
namespace {

struct ImageCase {
  const char* name;
  ImageButtonLook look;
  int state;
  bool alternate;
  int frame;
};

ImageButtonLook Make(std::initializer_list<bool ImageButtonLook::*> on, int frames = kStripFrames) {
  ImageButtonLook look;
  for (auto member : on) look.*member = true;
  look.frameCount = frames;
  return look;
}

using L = ImageButtonLook;

TEST(ImageButtonLookTest, StateAndFrame) {
  const ImageCase cases[] = {
      {"normal", Make({}), 0, false, 0},
      {"over", Make({&L::mouseOver}), 1, false, 1},
      {"pressed beats over", Make({&L::pressed, &L::mouseOver}), 2, false, 2},
      {"disabled beats everything", Make({&L::disabled, &L::pressed, &L::mouseOver}), 4, false, 4},
      {"disabled without its frame", Make({&L::disabled, &L::noDisabledFrame}), 0, false, 0},
      {"focused with focus frame", Make({&L::focused, &L::focusFrame}), 3, false, 3},
      {"focused without focus frame", Make({&L::focused}), 0, false, 0},
      {"over beats focus frame", Make({&L::focused, &L::focusFrame, &L::mouseOver}), 1, false, 1},
      {"forced over while disabled", Make({&L::disabled, &L::forceOver}), 1, false, 1},
      {"selected tab under the mouse", Make({&L::selected, &L::mouseOver}), 1, false, 2},
      {"selected uses frame 3", Make({&L::selected, &L::selectedUsesFrame3}), 0, false, 3},
      {"selected with alternate strip", Make({&L::selected, &L::hasAlternate, &L::mouseOver}), 1,
       true, 1},
      {"not selected with alternate strip", Make({&L::hasAlternate, &L::pressed}), 2, false, 2},
      {"no strip: state falls to 0", Make({&L::mouseOver}, 0), 0, false, 0},
      {"short strip: disabled falls to 0", Make({&L::disabled}, 4), 0, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int state = ImageButtonState(c.look);
    EXPECT_EQ(state, c.state);
    const StripFrame f = ImageButtonFrame(c.look, state);
    EXPECT_EQ(f.alternate, c.alternate);
    EXPECT_EQ(f.frame, c.frame);
  }
}

TEST(CheckButtonLookTest, Frame) {
  struct Case {
    const char* name;
    bool disabled, focused, over, pressed;
    int frames, frame;
  } cases[] = {
      {"normal", false, false, false, false, 5, 0},
      {"focused", false, true, false, false, 5, 3},
      {"over", false, false, true, false, 5, 1},
      {"over while focused", false, true, true, false, 5, 1},
      {"pressed wins", false, true, true, true, 5, 2},
      {"disabled", true, true, true, true, 5, 4},
      {"no strip", false, true, false, false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CheckButtonLook look;
    look.disabled = c.disabled;
    look.focused = c.focused;
    look.mouseOver = c.over;
    look.pressed = c.pressed;
    look.frameCount = c.frames;
    EXPECT_EQ(CheckButtonFrame(look), c.frame);
  }
}

TEST(ProgressFillTest, Width) {
  struct Case {
    const char* name;
    int inner, low, high, pos, fill;
  } cases[] = {
      {"empty range", 200, 5, 5, 5, 0},
      {"reversed range", 200, 10, 0, 5, 0},
      {"at low", 200, 0, 100, 0, 0},
      {"at high", 200, 0, 100, 100, 200},
      {"middle, offset range", 200, 50, 150, 100, 100},
      {"rounds down", 10, 0, 3, 1, 3},
      {"below the range", 200, 0, 100, -20, 0},
      {"above the range", 200, 0, 100, 130, 200},
      {"wide range does not overflow", 1000, 0, 2000000000, 1000000000, 500},
      {"no inner area", 0, 0, 100, 50, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ProgressFillWidth(c.inner, c.low, c.high, c.pos), c.fill);
  }
}

}  // namespace
}  // namespace vk
