// Case folding of the C runtime's "C" locale, the one every name comparison
// of Vaultkeep uses: the letters A-Z equal a-z, every other character
// (accented letters included) compares by its code, whatever the user's
// locale.
#pragma once
#include <cstddef>

namespace vk {

constexpr wchar_t AsciiLower(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
}
constexpr wchar_t AsciiUpper(wchar_t c) {
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - (L'a' - L'A')) : c;
}
constexpr bool AsciiEqualNoCase(wchar_t a, wchar_t b) { return AsciiLower(a) == AsciiLower(b); }

// The first `chars` characters of a and b agree without regard to case.
constexpr bool AsciiEqualNoCase(const wchar_t* a, const wchar_t* b, size_t chars) {
  for (size_t i = 0; i < chars; ++i)
    if (!AsciiEqualNoCase(a[i], b[i])) return false;
  return true;
}

}  // namespace vk
