// Where a control draws each of its texts: the text, the area it must stay
// inside and how it is drawn. Controls that paint their own texts describe
// them this way, so that a check can measure every text of a window with
// the control's font, in every language, against the space it has.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace vk {

struct TextSlot {
  HWND control = nullptr;
  std::wstring text;
  RECT area = {};      // in the control's client coordinates
  HFONT font = nullptr;
  bool wraps = false;  // word-wrapped (DT_WORDBREAK), else one line (DT_SINGLELINE)
};

}  // namespace vk
