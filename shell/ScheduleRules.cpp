#include "shell/ScheduleRules.h"

#include <cstring>

#include "common/Ascii.h"
#include "shell/AppTexts.h"

namespace vk {
namespace {

constexpr uint32_t kMonthsPerYear = 12;
constexpr uint32_t kDaysPerWeekInWeekly = 7;  // weekly plans repeat after a week
constexpr uint32_t kMinMonthDays = 28;

// The weekday and day-of-month texts are read by index from their first name.
static_assert(txt::kWeekdaySaturday == txt::kWeekdaySunday + kDaysPerWeek - 1,
              "the weekday texts are one run");
static_assert(txt::kDayLast == txt::kDay1st + kLastDayOfMonth - 1,
              "the day-of-month texts are one run");

// A local calendar date and time to the minute, the unit of every schedule.
struct Moment {
  int year, month, day, hour, minute;
};

SYSTEMTIME ToSystemTime(const Moment& m) {
  return MakeLocalTime(m.year, m.month, m.day, m.hour, m.minute);
}

bool IsLaterThan(const Moment& candidate, const SYSTEMTIME& now) {
  return CompareLocalTimes(ToSystemTime(candidate), now) > 0;
}

void NextMonth(int& year, int& month) {
  if (++month > static_cast<int>(kMonthsPerYear)) {
    month = 1;
    ++year;
  }
}

// The date `days` calendar days after year/month/day (days < 28).
void AddDays(int& year, int& month, int& day, uint32_t days) {
  day += static_cast<int>(days);
  int count = static_cast<int>(DaysInMonth(year, month));
  if (day > count) {
    day -= count;
    NextMonth(year, month);
  }
}

Moment FirstOfMonthAfter(int year, int month) {
  NextMonth(year, month);
  return Moment{year, month, 1, 0, 0};
}

Moment Monthly(const ScheduleFields& s, const SYSTEMTIME& now) {
  const int dom = static_cast<int>(s.dayOfMonth);
  const int h = static_cast<int>(s.hour), mi = static_cast<int>(s.minute);
  int year = now.wYear, month = now.wMonth;
  int days = static_cast<int>(DaysInMonth(year, month));
  int day = dom;
  if (dom > days) {
    // A day this month lacks is due at the end of the month, whatever the time.
    if (dom <= static_cast<int>(kMaxDayOfMonth)) return FirstOfMonthAfter(year, month);
    day = days;
  }
  Moment candidate{year, month, day, h, mi};
  if (IsLaterThan(candidate, now)) return candidate;

  NextMonth(year, month);
  days = static_cast<int>(DaysInMonth(year, month));
  if (dom <= days) return Moment{year, month, dom, h, mi};
  if (dom <= static_cast<int>(kMaxDayOfMonth)) return FirstOfMonthAfter(year, month);
  return Moment{year, month, days, h, mi};
}

// The first day >= fromDay in the weekday's column of the month, or 0.
int FirstWeekdayFrom(const MonthGrid& grid, uint32_t column, int fromDay) {
  for (uint32_t row = 0; row < kMonthGridRows; ++row) {
    int day = grid.At(row, column);
    if (day != 0 && day >= fromDay) return day;
  }
  return 0;
}

Moment Weekly(const ScheduleFields& s, const SYSTEMTIME& now) {
  const int h = static_cast<int>(s.hour), mi = static_cast<int>(s.minute);
  const uint32_t column = s.weekday - 1;
  int year = now.wYear, month = now.wMonth;
  int day = FirstWeekdayFrom(BuildMonthGrid(year, month), column, now.wDay);
  if (day == 0) {
    NextMonth(year, month);
    day = FirstWeekdayFrom(BuildMonthGrid(year, month), column, 1);
  }
  Moment candidate{year, month, day, h, mi};
  if (IsLaterThan(candidate, now)) return candidate;
  // Only today can be past: the run moves to the same weekday a week on.
  year = now.wYear, month = now.wMonth, day = now.wDay;
  AddDays(year, month, day, kDaysPerWeekInWeekly);
  return Moment{year, month, day, h, mi};
}

Moment Daily(const ScheduleFields& s, const SYSTEMTIME& now) {
  const int h = static_cast<int>(s.hour), mi = static_cast<int>(s.minute);
  int year = now.wYear, month = now.wMonth, day = now.wDay;
  Moment candidate{year, month, day, h, mi};
  if (IsLaterThan(candidate, now)) return candidate;
  AddDays(year, month, day, 1);
  return Moment{year, month, day, h, mi};
}

Moment Hourly(const SYSTEMTIME& now) {
  int year = now.wYear, month = now.wMonth, day = now.wDay;
  int hour = now.wHour + 1;
  if (hour > static_cast<int>(kLastHour)) {
    hour = 0;
    AddDays(year, month, day, 1);
  }
  return Moment{year, month, day, hour, 0};
}

bool ValidTimeOfDay(const ScheduleFields& s) {
  return s.hour <= kLastHour && s.minute <= kLastMinute;
}

bool ValidSchedule(const ScheduleFields& s) {
  switch (s.frequency) {
    case kFreqMonthly:
      return s.dayOfMonth >= 1 && s.dayOfMonth <= kLastDayOfMonth && ValidTimeOfDay(s);
    case kFreqWeekly:
      return s.weekday >= 1 && s.weekday <= kDaysPerWeek && ValidTimeOfDay(s);
    case kFreqDaily:
      return ValidTimeOfDay(s);
    case kFreqHourly:
      return true;
    default:
      return false;
  }
}

// The clock's month must be usable by the calendar helpers.
bool ValidNow(const SYSTEMTIME& now) {
  return now.wMonth >= 1 && now.wMonth <= kMonthsPerYear && now.wDay >= 1 &&
         now.wDay <= DaysInMonth(now.wYear, now.wMonth) && now.wHour <= kLastHour;
}

}  // namespace

uint32_t FirstWeekdayOfMonth(int year, int month) {
  int y = year, m = month;
  if (m < 3) {
    m += 12;
    y -= 1;
  }
  return static_cast<uint32_t>((y + y / 4 - y / 100 + y / 400 + (13 * m + 8) / 5 + 1) % 7);
}

MonthGrid BuildMonthGrid(int year, int month) {
  MonthGrid grid = {};
  const uint32_t first = FirstWeekdayOfMonth(year, month);
  const uint32_t next = FirstWeekdayOfMonth(year, month + 1);
  grid.dayCount = first <= next ? next - first + kMinMonthDays : next - first + kMinMonthDays + 7;
  for (uint32_t k = first; k < first + grid.dayCount && k < kMonthGridPositions; ++k) {
    grid.cells[k] = static_cast<uint8_t>(k - first + 1);
  }
  return grid;
}

uint32_t DaysInMonth(int year, int month) { return BuildMonthGrid(year, month).dayCount; }

int CompareLocalTimes(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  const WORD fa[] = {a.wYear, a.wMonth, a.wDay, a.wHour, a.wMinute, a.wSecond, a.wMilliseconds};
  const WORD fb[] = {b.wYear, b.wMonth, b.wDay, b.wHour, b.wMinute, b.wSecond, b.wMilliseconds};
  for (size_t i = 0; i < sizeof(fa) / sizeof(fa[0]); ++i) {
    if (fa[i] != fb[i]) return fa[i] < fb[i] ? -1 : 1;
  }
  return 0;
}

ScheduleFields ScheduleOf(const _BKUP_PLAN& plan) {
  return ScheduleFields{plan.Frequency, plan.DayOfMonth, plan.Weekday, plan.Hour, plan.Minute};
}

void ComputeNextRun(const ScheduleFields& schedule, const SYSTEMTIME& now, SYSTEMTIME& nextRun) {
  if (!ValidSchedule(schedule) || !ValidNow(now)) return;
  Moment next = {};
  switch (schedule.frequency) {
    case kFreqMonthly: next = Monthly(schedule, now); break;
    case kFreqWeekly: next = Weekly(schedule, now); break;
    case kFreqDaily: next = Daily(schedule, now); break;
    default: next = Hourly(now); break;
  }
  nextRun = ToSystemTime(next);
}

void ComputeNextRun(_BKUP_PLAN& plan, const SYSTEMTIME& now) {
  SYSTEMTIME next = plan.NextRun;  // a copy: the packed member is unaligned
  ComputeNextRun(ScheduleOf(plan), now, next);
  plan.NextRun = next;
}

void ComputeNextRun(_BKUP_PLAN& plan) {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  ComputeNextRun(plan, now);
}

std::wstring FormatScheduleText(uint32_t frequency, uint32_t dayOfMonth, uint32_t weekday,
                                uint32_t hour, uint32_t minute) {
  std::wstring dayText, weekdayText;
  if (dayOfMonth >= 1 && dayOfMonth <= kLastDayOfMonth) {
    dayText = GetString(txt::kDay1st + dayOfMonth - 1);
  }
  if (weekday >= 1 && weekday <= kDaysPerWeek) {
    weekdayText = GetString(txt::kWeekdaySunday + weekday - 1);
  }
  const std::wstring time = FormatText(L"%02d:%02d", hour, minute);
  switch (frequency) {
    case kFreqMonthly:
      return GetString(txt::kFrequencyMonthly) +
             FormatText(L" [%s %s]", dayText.c_str(), time.c_str());
    case kFreqWeekly:
      return GetString(txt::kFrequencyWeekly) +
             FormatText(L" [%s %s]", weekdayText.c_str(), time.c_str());
    case kFreqDaily:
      return GetString(txt::kFrequencyDaily) + FormatText(L" [%s]", time.c_str());
    case kFreqHourly:
      return GetString(txt::kFrequencyHourly);
    default:
      return std::wstring();
  }
}

OwnerIdentity CurrentOwner() {
  OwnerIdentity owner;
  wchar_t systemDir[MAX_PATH] = {};
  if (::GetSystemDirectoryW(systemDir, MAX_PATH) > 0) {
    const wchar_t root[] = {systemDir[0], L':', L'\\', 0};
    DWORD serial = 0;
    if (::GetVolumeInformationW(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
      owner.pcId = serial;
    }
  }
  wchar_t user[kMaxTextChars + 1] = {};
  DWORD chars = kMaxTextChars + 1;
  if (::GetUserNameW(user, &chars)) owner.user = user;
  return owner;
}

bool IsOwnPlan(const DrivePlan& drive, uint32_t pcId, const wchar_t* user) {
  if (drive.planDrive == -1 || drive.plan == nullptr || user == nullptr) return false;
  const _BKUP_PLAN& plan = *drive.plan;
  if (plan.Frequency == kFreqNone || plan.OwnerPcId != pcId) return false;
  // A schedule read from a damaged plan that yields no next run would stay
  // due for ever, and the scheduler would start it again every half minute.
  if (!ValidSchedule(ScheduleOf(plan))) return false;
  // The stored name comes from a disk: never read past its field.
  wchar_t owner[kMaxTextChars + 1];
  std::memcpy(owner, plan.OwnerUser, sizeof(owner));
  for (size_t i = 0; i <= kMaxTextChars; ++i) {
    if (!AsciiEqualNoCase(owner[i], user[i])) return false;
    if (owner[i] == 0) return true;
  }
  return false;  // no terminator inside the field
}

}  // namespace vk
