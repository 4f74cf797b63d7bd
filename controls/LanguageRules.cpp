#include "controls/LanguageRules.h"

#include <cwctype>

#include "common/Texts.h"

namespace vk {
namespace {
constexpr unsigned kHexBase = 16;
constexpr size_t kMaxMaskChars = kEnableLanguageBytes / sizeof(wchar_t) - 1;

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}
}  // namespace

uint32_t EnabledLanguagesOf(const std::wstring* text) {
  if (!text) return kAllLanguages;
  size_t i = 0;
  const size_t end = text->size() < kMaxMaskChars ? text->size() : kMaxMaskChars;
  while (i < end && std::iswspace((*text)[i])) ++i;
  if (i + 1 < end && (*text)[i] == L'0' && ((*text)[i + 1] == L'x' || (*text)[i + 1] == L'X')) i += 2;
  // Only the low eight bits matter: earlier digits shift out of them.
  uint32_t mask = 0;
  for (; i < end && HexDigit((*text)[i]) >= 0; ++i)
    mask = ((mask * kHexBase) + static_cast<uint32_t>(HexDigit((*text)[i]))) & kAllLanguages;
  return mask == 0 ? kAllLanguages : mask;
}

LanguageList LanguageListOf(uint32_t mask, uint32_t currentLanguage) {
  LanguageList list;
  for (uint32_t i = 0; i < kLanguageCount; ++i) {
    if ((mask & (1u << i)) == 0) continue;
    if (i == currentLanguage) list.selected = list.languages.size();
    list.languages.push_back(i);
  }
  return list;
}

uint32_t LanguageNameId(uint32_t language) {
  static constexpr uint32_t kNames[kLanguageCount] = {
      txt::kLanguageEnglish, txt::kLanguageFrench,     txt::kLanguageGerman,  txt::kLanguageItalian,
      txt::kLanguageSpanish, txt::kLanguagePortuguese, txt::kLanguageChinese, txt::kLanguageJapanese};
  return kNames[language < kLanguageCount ? language : kLangEnglish];
}

SettingSubPage SettingSubPageOf(int mode, bool releaseKnown) {
  return mode == kSettingModeUpdate && releaseKnown ? SettingSubPage::kUpdate
                                                    : SettingSubPage::kLanguage;
}

}  // namespace vk
