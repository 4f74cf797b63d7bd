// Texts of the interactive program: the string loader every window uses, the
// date text, and the machine-wide values the program reads from the
// service's key.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

#include "common/SharedNames.h"
#include "common/Texts.h"

namespace vk {

constexpr size_t kMaxDateTimePartChars = 128;

// Text `id` (a base id 1000..1999, or a language-independent id such as
// txt::kAppTitle) in the program's language, formatted printf-style with the
// arguments; "%%" gives "%". A language outside 0..7 counts as English; a
// missing text is empty.
std::wstring GetString(uint32_t id, ...);

// A local time from its calendar fields; day of week 0.
SYSTEMTIME MakeLocalTime(int year, int month, int day, int hour, int minute, int second = 0,
                         int milliseconds = 0);

// The user's short date, a blank, and the time without seconds or AM/PM.
std::wstring FormatDateTime(int year, int month, int day, int hour, int minute);

// A REG_DWORD under HKEY_LOCAL_MACHINE\`keyPath`; `fallback` when the key or
// value is missing or is not a 4-byte number.
uint32_t ReadMachineNumber(const wchar_t* keyPath, const wchar_t* name, uint32_t fallback);

}  // namespace vk
