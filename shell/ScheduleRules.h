// Schedule rules of a backup plan: the calendar helpers, the next-run
// computation with its month-end rule, the one-line schedule text and the
// test that a plan belongs to this user on this PC. Pure functions: "now" is
// always a parameter, so every rule can be checked against a fixed clock.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

#include "engine/BkupTypes.h"

namespace vk {

constexpr uint32_t kDaysPerWeek = 7;
constexpr uint32_t kMonthGridRows = 7;
constexpr uint32_t kMonthGridCells = kMonthGridRows * kDaysPerWeek;  // 49
constexpr uint32_t kMonthGridPositions = 37;  // the 1st falls on cell 0..6, a month has <= 31 days
constexpr uint32_t kMaxDayOfMonth = 31;
constexpr uint32_t kLastHour = 23;
constexpr uint32_t kLastMinute = 59;

// Weekday of the 1st of `month` in `year`, 0 = Sunday. Month 13 is January of
// the following year.
uint32_t FirstWeekdayOfMonth(int year, int month);

// Rows are the weeks of the month (row 0 holds the 1st), columns the weekdays
// (0 = Sunday); a cell holds its day number or 0. Row 6 always stays 0.
struct MonthGrid {
  uint8_t cells[kMonthGridCells];
  uint32_t dayCount;
  uint8_t At(uint32_t row, uint32_t column) const { return cells[row * kDaysPerWeek + column]; }
};
MonthGrid BuildMonthGrid(int year, int month);
uint32_t DaysInMonth(int year, int month);

// Orders two local wall-clock times by their calendar fields (year down to
// milliseconds); no time-zone conversion. <0, 0 or >0.
int CompareLocalTimes(const SYSTEMTIME& a, const SYSTEMTIME& b);

// The schedule fields of a plan, as the wizard lists number them.
struct ScheduleFields {
  uint32_t frequency;   // PlanFrequency
  uint32_t dayOfMonth;  // 1..31, or kLastDayOfMonth
  uint32_t weekday;     // 1 = Sunday .. 7 = Saturday
  uint32_t hour;        // 0..23
  uint32_t minute;      // 0..59
};
ScheduleFields ScheduleOf(const _BKUP_PLAN& plan);

// Writes the next run after `now` into `nextRun` (seconds, milliseconds and
// day of week 0). A day the month lacks (29..31) runs at 00:00 on the 1st of
// the following month; "Last day" runs on the month's last day. Hourly plans
// run on the full hours. A candidate equal to `now` is past.
// Dates move by calendar days, never by a fixed count of seconds, so a
// daylight-saving change cannot land a run on the wrong day. When the
// frequency is unknown or a field is out of range (a damaged plan file),
// `nextRun` is left as it was.
void ComputeNextRun(const ScheduleFields& schedule, const SYSTEMTIME& now, SYSTEMTIME& nextRun);
// The same on a plan record's NextRun, from `now` or from the local clock.
void ComputeNextRun(_BKUP_PLAN& plan, const SYSTEMTIME& now);
void ComputeNextRun(_BKUP_PLAN& plan);

// "Monthly [1st 00:00]", "Weekly [Sunday 10:00]", "Daily [23:00]", "Hourly",
// or empty for no schedule; words in the program's language.
std::wstring FormatScheduleText(uint32_t frequency, uint32_t dayOfMonth, uint32_t weekday,
                                uint32_t hour, uint32_t minute);

// A drive as the schedule rules see it: the tray window's drive record lends
// its caption, plan letter and plan record for the length of one call.
struct DrivePlan {
  const wchar_t* caption = L"";  // the drive's caption
  int32_t planDrive = -1;        // 0 = A .. 25 = Z holding the plan, -1 none
  _BKUP_PLAN* plan = nullptr;    // the loaded plan (never null when planDrive != -1)
  bool newlyAttached = false;    // not in the previous drive list
};

// Who is running: the system volume's serial number and the logon name.
struct OwnerIdentity {
  uint32_t pcId = 0;
  std::wstring user;
};
OwnerIdentity CurrentOwner();

// True when the drive holds a scheduled plan made on this PC by this user
// (user names compared ignoring the case of ASCII letters). A plan whose
// schedule fields are out of range has no next run and counts as unscheduled.
bool IsOwnPlan(const DrivePlan& drive, uint32_t pcId, const wchar_t* user);

}  // namespace vk
