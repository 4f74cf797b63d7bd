// The program's texts: string resources numbered base id + 1000 x language.
#pragma once
#include <windows.h>
#include <cstdarg>
#include <cstdint>
#include <string>

namespace vk {

constexpr uint32_t kLanguageCount = 8;   // en fr de it es pt zh-Hans ja
constexpr uint32_t kLanguageIdStep = 1000;
constexpr uint32_t kFirstTextId = 1000;  // English block 1000..1999
constexpr uint32_t kLastTextId = 1999;
constexpr uint32_t kAppTitleId = 57344;  // 0xE000, the same in every language

enum Language : uint32_t {
  kLangEnglish = 0, kLangFrench, kLangGerman, kLangItalian,
  kLangSpanish, kLangPortuguese, kLangChinese, kLangJapanese,
};

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
