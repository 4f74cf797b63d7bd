#include "shell/AppTexts.h"

#include <cstdarg>

#include "common/Handle.h"

namespace vk {

std::wstring GetString(uint32_t id, ...) {
  va_list args;
  va_start(args, id);
  std::wstring text = LoadTextV(id, AppLanguage(), args);
  va_end(args);
  return text;
}

SYSTEMTIME MakeLocalTime(int year, int month, int day, int hour, int minute, int second,
                         int milliseconds) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  st.wSecond = static_cast<WORD>(second);
  st.wMilliseconds = static_cast<WORD>(milliseconds);
  return st;
}

std::wstring FormatDateTime(int year, int month, int day, int hour, int minute) {
  const SYSTEMTIME st = MakeLocalTime(year, month, day, hour, minute);
  wchar_t date[kMaxDateTimePartChars + 1] = {};
  wchar_t time[kMaxDateTimePartChars + 1] = {};
  // A part the system cannot format stays empty; the other still shows.
  if (::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date,
                       kMaxDateTimePartChars) == 0) {
    date[0] = 0;
  }
  // Without its AM/PM marker a 12-hour time is ambiguous: a backup made at
  // 00:01 would read as one made at noon. The 24-hour clock keeps the time
  // short and unmistakable.
  if (::GetTimeFormatW(LOCALE_USER_DEFAULT,
                       TIME_NOSECONDS | TIME_NOTIMEMARKER | TIME_FORCE24HOURFORMAT, &st, nullptr,
                       time, kMaxDateTimePartChars) == 0) {
    time[0] = 0;
  }
  return std::wstring(date) + L" " + time;
}

uint32_t ReadMachineNumber(const wchar_t* keyPath, const wchar_t* name, uint32_t fallback) {
  RegKey key = OpenRegKey(HKEY_LOCAL_MACHINE, keyPath, KEY_READ);
  if (!key) return fallback;
  DWORD value = 0, type = 0, size = sizeof(value);
  LONG status = ::RegQueryValueExW(key.Get(), name, nullptr, &type,
                                   reinterpret_cast<BYTE*>(&value), &size);
  if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value)) return fallback;
  return value;
}

}  // namespace vk
