#include "tests/shell/TrayScenario.h"

#include <cstring>
#include <cwchar>
#include <cwctype>

#include "engine/PlanFile.h"
#include "tests/driver/Observe.h"
#include "tests/driver/Program.h"
#include "tests/support/TestVolume.h"

namespace vk::driver {

uint32_t SystemVolumeSerial() {
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  const wchar_t root[] = {system[0], L':', L'\\', 0};
  DWORD serial = 0;
  ::GetVolumeInformationW(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
  return serial;
}

std::wstring LogonName() {
  wchar_t name[kMaxTextChars + 1] = {};
  DWORD chars = kMaxTextChars + 1;
  ::GetUserNameW(name, &chars);
  return name;
}

void MakeOwnPlan(_BKUP_PLAN* plan) {
  plan->OwnerPcId = SystemVolumeSerial();
  const std::wstring me = LogonName();
  std::wmemset(plan->OwnerUser, 0, kMaxTextChars);
  std::wcsncpy(plan->OwnerUser, me.c_str(), kMaxTextChars - 1);
}

SYSTEMTIME Now() {
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  return now;
}

SYSTEMTIME PlanTime(const SYSTEMTIME& t) {
  SYSTEMTIME p = t;
  p.wSecond = p.wMilliseconds = p.wDayOfWeek = 0;
  return p;
}

bool SameMinute(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
         a.wMinute == b.wMinute;
}

uint64_t Ticks(const SYSTEMTIME& t) {
  FILETIME ft = {};
  SYSTEMTIME s = t;
  s.wDayOfWeek = 0;
  if (!::SystemTimeToFileTime(&s, &ft)) return 0;
  return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

SYSTEMTIME MakeReminder(WORD year) {
  SYSTEMTIME t = {};
  t.wYear = year;
  t.wMonth = 1;
  t.wDay = 1;
  return t;
}

void WriteSettings(const StoredSettings& s) {
  const HKEY root = HKEY_CURRENT_USER;
  SetRegistryDword(root, kUserSettingsKey, L"Schedule", s.schedule);
  SetRegistryString(root, kUserSettingsKey, L"SchedulePlanName", L"");
  SetRegistryString(root, kUserSettingsKey, L"ScheduleFriendlyName", L"");
  SetRegistryDword(root, kUserSettingsKey, L"ScheduleYear", s.reminder.wYear);
  SetRegistryDword(root, kUserSettingsKey, L"ScheduleMonth", s.reminder.wMonth);
  SetRegistryDword(root, kUserSettingsKey, L"ScheduleDay", s.reminder.wDay);
  SetRegistryDword(root, kUserSettingsKey, L"ScheduleHour", s.reminder.wHour);
  SetRegistryDword(root, kUserSettingsKey, L"ScheduleMinute", s.reminder.wMinute);
  SetRegistryDword(root, kUserSettingsKey, L"SchedulePopup", s.popup);
  SetRegistryDword(root, kUserSettingsKey, L"DoingBackup", s.doingBackup);
  SetRegistryDword(root, kUserSettingsKey, L"DoingRestore", s.doingRestore);
}

int SecondScratchDrive() {
  wchar_t letter[8] = {};
  if (::GetEnvironmentVariableW(L"VAULTKEEP_TEST_VOLUME2", letter, 8) != 1) return -1;
  return static_cast<int>(::towupper(letter[0]) - L'A');
}

std::wstring VolumeFolder(int drive) {
  wchar_t build[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"VAULTKEEP_BUILD_DIR", build, MAX_PATH);
  std::string host;
  for (const wchar_t* c = build; *c; ++c) host += static_cast<char>(*c);
  host += "/volumes/";
  host += static_cast<char>('a' + drive);
  return HostPathToWindows(host.c_str());
}

std::wstring MakeSourceFolder() {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"TraySource";
  test::EmptyFolder(folder);
  test::WriteFileBytes(folder + L"\\notes.txt", std::vector<uint8_t>(5000, 'n'));
  test::WriteFileBytes(folder + L"\\sub\\photo.raw", std::vector<uint8_t>(70000, 7));
  return folder;
}

bool WriteHourlyPlan(int drive, const SYSTEMTIME& nextRun, const std::wstring& user,
                     const wchar_t* name, const std::wstring& source) {
  _BKUP_PLAN plan = {};
  plan.Frequency = kHourly;
  plan.DayOfMonth = 1;
  plan.Weekday = 1;
  plan.NextRun = PlanTime(nextRun);
  plan.OwnerPcId = SystemVolumeSerial();
  std::wcsncpy(plan.OwnerUser, user.c_str(), kMaxTextChars);
  std::wcsncpy(plan.PlanName, name, kPlanNameChars - 1);
  std::vector<wchar_t> list(source.begin(), source.end());
  list.push_back(L'\0');
  list.push_back(L'\0');
  return SavePlanFile(drive, &plan, list.data(), static_cast<uint32_t>(list.size())) == kResultOk;
}

}  // namespace vk::driver
