#include "shell/TrayFonts.h"

#include "controls/UiFonts.h"

namespace vk {
namespace {

constexpr const wchar_t* kLargeFontFace = L"Segoe UI";

uint32_t Clamp(uint32_t language) { return language < kLanguageCount ? language : 0; }

HFONT MakeBoldFont(int height, const wchar_t* face) {
  return ::CreateFontW(height, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
}

}  // namespace

int FontSetHeight(FontSet set, uint32_t language) {
  language = Clamp(language);
  switch (set) {
    case FontSet::kA: return kFontSetAHeight;
    case FontSet::kB: return kFontSetBHeight;
    case FontSet::kC:
      return language == kLangChinese || language == kLangJapanese ? kFontSetCHeightCjk
                                                                   : kFontSetCHeight;
  }
  return kFontSetAHeight;
}

void TrayFonts::Create() {
  const FontSet sets[kSetCount] = {FontSet::kA, FontSet::kB, FontSet::kC};
  for (int s = 0; s < kSetCount; ++s) {
    for (uint32_t lang = 0; lang < kLanguageCount; ++lang)
      sets_[s][lang].Reset(MakeBoldFont(FontSetHeight(sets[s], lang), FontFace(lang)));
  }
  large_.Reset(MakeBoldFont(kLargeFontHeight, kLargeFontFace));
  HFONT setA[kLanguageCount] = {};
  for (uint32_t lang = 0; lang < kLanguageCount; ++lang) setA[lang] = sets_[0][lang].Get();
  LendUiFonts(large_.Get(), setA);
}

void TrayFonts::Destroy() {
  const HFONT none[kLanguageCount] = {};
  LendUiFonts(nullptr, none);
  for (auto& set : sets_)
    for (Font& f : set) f.Reset();
  large_.Reset();
}

HFONT TrayFonts::Get(FontSet set, uint32_t language) const {
  return sets_[static_cast<int>(set)][Clamp(language)].Get();
}

}  // namespace vk
