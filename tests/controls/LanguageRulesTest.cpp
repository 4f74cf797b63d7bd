#include "controls/LanguageRules.h"

#include <gtest/gtest.h>

#include "common/Texts.h"

namespace vk {
namespace {

TEST(EnableLanguage, HexadecimalTextWithEverythingUnusableMeaningAll) {
  struct Case {
    const wchar_t* text;  // null: the value is missing or unreadable
    uint32_t mask;
  } cases[] = {
      {nullptr, kAllLanguages},
      {L"", kAllLanguages},
      {L"0", kAllLanguages},
      {L"00", kAllLanguages},
      {L"zz", kAllLanguages},
      {L"41", 0x41},          // English and Simplified Chinese
      {L"0x41", 0x41},
      {L" 41", 0x41},
      {L"c0", 0xC0},
      {L"C0", 0xC0},
      {L"ff", 0xFF},
      {L"1", 0x01},
      {L"80", 0x80},
      {L"41zz", 0x41},        // the digits up to the first other character
      {L"100", kAllLanguages},  // only languages that do not exist: all
      {L"141", 0x41},
      {L"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF41", 0xFF},  // longer than the 64-byte buffer
  };
  for (const Case& c : cases) {
    const std::wstring text = c.text ? c.text : L"";
    EXPECT_EQ(EnabledLanguagesOf(c.text ? &text : nullptr), c.mask) << (c.text ? c.text : L"(none)");
  }
}

TEST(LanguageList, EnabledLanguagesInOrderWithTheCurrentOneSelected) {
  struct Case {
    uint32_t mask, current;
    std::vector<uint32_t> languages;
    size_t selected;
  } cases[] = {
      {0x41, kLangEnglish, {kLangEnglish, kLangChinese}, 0},
      {0x41, kLangChinese, {kLangEnglish, kLangChinese}, 1},
      {0x41, kLangJapanese, {kLangEnglish, kLangChinese}, 0},  // not enabled: the first entry
      {0xC0, kLangEnglish, {kLangChinese, kLangJapanese}, 0},
      {kAllLanguages, kLangJapanese, {0, 1, 2, 3, 4, 5, 6, 7}, 7},
      {kAllLanguages, 99, {0, 1, 2, 3, 4, 5, 6, 7}, 0},
  };
  for (const Case& c : cases) {
    const LanguageList list = LanguageListOf(c.mask, c.current);
    EXPECT_EQ(list.languages, c.languages) << c.mask << " " << c.current;
    EXPECT_EQ(list.selected, c.selected) << c.mask << " " << c.current;
  }
}

TEST(LanguageList, NamesByLanguageIndex) {
  const uint32_t names[] = {txt::kLanguageEnglish, txt::kLanguageFrench,     txt::kLanguageGerman,
                            txt::kLanguageItalian, txt::kLanguageSpanish,    txt::kLanguagePortuguese,
                            txt::kLanguageChinese, txt::kLanguageJapanese};
  for (uint32_t i = 0; i < kLanguageCount; ++i) EXPECT_EQ(LanguageNameId(i), names[i]) << i;
  EXPECT_EQ(LanguageNameId(8), txt::kLanguageEnglish);
}

TEST(SettingPage, UpdateSubPageOnlyWhenAskedForAndAReleaseIsKnown) {
  EXPECT_EQ(SettingSubPageOf(kSettingModeUpdate, true), SettingSubPage::kUpdate);
  EXPECT_EQ(SettingSubPageOf(kSettingModeUpdate, false), SettingSubPage::kLanguage);
  EXPECT_EQ(SettingSubPageOf(kSettingModeLanguage, true), SettingSubPage::kLanguage);
  EXPECT_EQ(SettingSubPageOf(kSettingModeLanguage, false), SettingSubPage::kLanguage);
}

}  // namespace
}  // namespace vk
