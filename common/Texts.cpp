#include "common/Texts.h"

#include <atomic>
#include <cstdio>
#include <vector>

namespace vk {
namespace {
std::atomic<uint32_t> g_appLanguage{kLangEnglish};
}  // namespace

uint32_t LocalizedTextId(uint32_t baseId, uint32_t language) {
  // Only the translated block moves with the language; the title and other
  // ids outside it are the same in every language.
  if (baseId < kFirstTextId || baseId > kLastTextId) return baseId;
  if (language >= kLanguageCount) language = kLangEnglish;
  return baseId + kLanguageIdStep * language;
}

std::wstring LoadResourceText(uint32_t id) {
  // With a zero buffer size LoadStringW hands out a pointer into the mapped
  // resource itself, so texts of any length load whole.
  const wchar_t* text = nullptr;
  int chars = ::LoadStringW(::GetModuleHandleW(nullptr), id,
                            reinterpret_cast<LPWSTR>(&text), 0);
  if (chars <= 0 || text == nullptr) return std::wstring();
  return std::wstring(text, static_cast<size_t>(chars));
}

std::wstring FormatTextV(const wchar_t* format, va_list args) {
  if (format == nullptr) return std::wstring();
  va_list count;
  va_copy(count, args);
  int chars = ::_vscwprintf(format, count);
  va_end(count);
  if (chars <= 0) return std::wstring();
  std::vector<wchar_t> out(static_cast<size_t>(chars) + 1);
  ::_vsnwprintf(out.data(), out.size(), format, args);
  return std::wstring(out.data(), static_cast<size_t>(chars));
}

std::wstring FormatText(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring s = FormatTextV(format, args);
  va_end(args);
  return s;
}

std::wstring LoadTextV(uint32_t baseId, uint32_t language, va_list args) {
  std::wstring format = LoadResourceText(LocalizedTextId(baseId, language));
  if (format.empty()) return format;
  return FormatTextV(format.c_str(), args);
}

std::wstring LoadText(uint32_t baseId, uint32_t language, ...) {
  va_list args;
  va_start(args, language);
  std::wstring s = LoadTextV(baseId, language, args);
  va_end(args);
  return s;
}

void SetAppLanguage(uint32_t language) { g_appLanguage = language; }
uint32_t AppLanguage() { return g_appLanguage; }

}  // namespace vk
