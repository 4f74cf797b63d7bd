// The per-user settings record and its copy in the registry under
// HKEY_CURRENT_USER\SOFTWARE\CORVANE\Arkwell (each Windows user has its own).
#pragma once
#include <windows.h>
#include <cstdint>

#include "common/Handle.h"

namespace vk {

constexpr size_t kSettingsNameChars = 270;  // both names, terminator included
constexpr DWORD kSettingsNameBytes = kSettingsNameChars * sizeof(wchar_t);  // 540

struct _SCHEDULE_SETTINGS {
  uint32_t Schedule;  // frequency of the remembered schedule, 0 = none
  wchar_t SchedulePlanName[kSettingsNameChars];
  wchar_t ScheduleFriendlyName[kSettingsNameChars];  // caption of the plan's drive
  uint32_t ScheduleYear;  // next run of the remembered schedule
  uint32_t ScheduleMonth;
  uint32_t ScheduleDay;
  uint32_t ScheduleHour;
  uint32_t ScheduleMinute;
  uint32_t SchedulePopup;  // 1 once the "missed" notice was shown
  uint32_t DoingBackup;    // 1 while a backup run is in progress
  uint32_t DoingRestore;   // 1 while a restore run is in progress
};

// Where the record lives: root\parent\vendor\product. Tests point it at a
// key of their own.
struct SettingsLocation {
  HKEY root = HKEY_CURRENT_USER;
  const wchar_t* parent = L"SOFTWARE";
  const wchar_t* vendor = L"CORVANE";
  const wchar_t* product = L"Arkwell";
};

// Reads the eleven values. True when all were read; otherwise (no key, a
// value missing or too long) the whole record is zero. Names always end up
// terminated inside their fields.
bool LoadSettings(_SCHEDULE_SETTINGS& settings, const SettingsLocation& where = {});

// Creates the key when needed and writes the eleven values, stopping at the
// first failure. True when every value was written.
bool SaveSettings(const _SCHEDULE_SETTINGS& settings, const SettingsLocation& where = {});

}  // namespace vk
