#include "controls/UiFonts.h"

#include "controls/Gdi.h"
#include "common/Texts.h"

namespace vk {
namespace {

HFONT g_lentLarge = nullptr;
HFONT g_lentSetA[kLanguageCount] = {};

uint32_t Clamp(uint32_t language) { return language < kLanguageCount ? language : 0; }

HFONT MakeFont(int height, const wchar_t* face) {
  return ::CreateFontW(height, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
}

}  // namespace

void LendUiFonts(HFONT large, const HFONT (&setA)[8]) {
  g_lentLarge = large;
  for (uint32_t i = 0; i < kLanguageCount; ++i) g_lentSetA[i] = setA[i];
}

const wchar_t* FontFace(uint32_t language) {
  switch (Clamp(language)) {
    case kLangChinese: return L"SimSun";
    case kLangJapanese: return L"Meiryo UI";
    default: return L"Segoe UI";
  }
}

HFONT LargeFont() {
  if (g_lentLarge) return g_lentLarge;
  static Font own(MakeFont(kLargeFontHeight, L"Segoe UI"));
  return own.Get();
}

HFONT TextFont(uint32_t language) {
  language = Clamp(language);
  if (g_lentSetA[language]) return g_lentSetA[language];
  static Font own[kLanguageCount];
  if (!own[language]) own[language].Reset(MakeFont(kFontSetAHeight, FontFace(language)));
  return own[language].Get();
}

}  // namespace vk
