// The decisions of the Setting page, apart from its windows: which languages
// the machine offers (the service key's "EnableLanguage" text), the language
// list with its selection, the name of each language, and which sub-page the
// page opens on.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vk {

constexpr uint32_t kAllLanguages = 0xFF;  // bit i: language i, for the eight languages
// The value is read into 64 bytes: 31 characters and a terminator.
constexpr size_t kEnableLanguageBytes = 64;

// The enabled-language mask of the value's text (hexadecimal, bit i enables
// language i), or null when the value is missing or could not be read.
// Missing, unreadable, no hexadecimal digits, or a value that enables none
// of the eight languages: all are enabled (a list with nothing in it would
// leave no way to pick a language).
uint32_t EnabledLanguagesOf(const std::wstring* text);

// The list of the language page: the enabled languages in index order and
// the entry to select (the current language, else the first).
struct LanguageList {
  std::vector<uint32_t> languages;
  size_t selected = 0;
};
LanguageList LanguageListOf(uint32_t mask, uint32_t currentLanguage);

// The text id of language `language`'s name (0..7; others: English).
uint32_t LanguageNameId(uint32_t language);

// The Setting page's sub-pages.
enum class SettingSubPage { kLanguage, kUpdate };
// The update sub-page only when asked for (mode 1) and a new release is known.
SettingSubPage SettingSubPageOf(int mode, bool releaseKnown);
constexpr int kSettingModeLanguage = 0;
constexpr int kSettingModeUpdate = 1;

}  // namespace vk
