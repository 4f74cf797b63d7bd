// The program's texts: string resources numbered base id + 1000 x language.
#pragma once
#include <windows.h>
#include <cstdarg>
#include <cstdint>
#include <string>

// The numbering (kLanguageCount, kLanguageIdStep, kFirstTextId, kLastTextId)
// and the name of every text (txt::kAppTitle, ...), generated from the
// English text file.
#include "resources/TextIds.h"

namespace vk {

// In the order of kLanguageCount's languages: en fr de it es pt zh-Hans ja.
enum Language : uint32_t {
  kLangEnglish = 0, kLangFrench, kLangGerman, kLangItalian,
  kLangSpanish, kLangPortuguese, kLangChinese, kLangJapanese,
};
static_assert(kLangJapanese + 1 == kLanguageCount, "one Language per language file");

// Resource id of base id `baseId` in `language`; a language outside 0..7
// counts as English. Ids outside 1000..1999 are the same in every language.
uint32_t LocalizedTextId(uint32_t baseId, uint32_t language);

// The string resource `id` of this program, as stored; empty when missing.
std::wstring LoadResourceText(uint32_t id);

// printf-style formatting with the system C library's conventions, which
// the stored texts are written for: %s takes a wide string, %I64d a 64-bit
// integer, %% is a percent sign.
std::wstring FormatTextV(const wchar_t* format, va_list args);
std::wstring FormatText(const wchar_t* format, ...);

// Loads base id `baseId` in `language` and formats it with the arguments.
std::wstring LoadTextV(uint32_t baseId, uint32_t language, va_list args);
std::wstring LoadText(uint32_t baseId, uint32_t language, ...);

// The language of the program's user interface, set once at start-up.
void SetAppLanguage(uint32_t language);
uint32_t AppLanguage();

}  // namespace vk
