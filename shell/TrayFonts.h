// The program's fonts, owned by the tray window for its whole life: three
// sets of eight bold fonts (one per language) and one large font. Windows
// take the set they need at the current language.
#pragma once
#include <windows.h>

#include <cstdint>

#include "common/Texts.h"
#include "controls/Gdi.h"
#include "shell/TrayHost.h"

namespace vk {

constexpr int kFontSetBHeight = -20;
constexpr int kFontSetCHeight = -12;
constexpr int kFontSetCHeightCjk = -16;  // Chinese and Japanese stay readable

// The height of `set` for `language` (clamped to 0..7).
int FontSetHeight(FontSet set, uint32_t language);

class TrayFonts {
 public:
  // Creates every font and lends set A and the large font to the skinned
  // windows; a font that cannot be made stays null.
  void Create();
  // Takes the loan back and frees the fonts.
  void Destroy();
  HFONT Get(FontSet set, uint32_t language) const;
  HFONT Large() const { return large_.Get(); }

 private:
  static constexpr int kSetCount = 3;
  Font sets_[kSetCount][kLanguageCount];
  Font large_;
};

}  // namespace vk
