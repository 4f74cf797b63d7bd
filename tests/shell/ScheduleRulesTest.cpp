#include "shell/ScheduleRules.h"

#include <gtest/gtest.h>

#include <cstring>

#include "shell/AppTexts.h"

namespace vk {
namespace {

// Short name for the tables.
SYSTEMTIME At(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0) {
  return MakeLocalTime(y, mo, d, h, mi, s, ms);
}

std::string Show(const SYSTEMTIME& t) {
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%04u-%02u-%02u %02u:%02u:%02u.%03u dow%u", t.wYear, t.wMonth,
                t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek);
  return buf;
}

TEST(Calendar, FirstWeekdayOfMonth) {
  struct Case {
    int year, month;
    uint32_t want;
  } cases[] = {
      {2017, 1, 0},   // Sunday
      {2017, 2, 3},   // Wednesday
      {2016, 2, 1},   // Monday
      {2000, 3, 3},   // Wednesday, a leap century
      {2017, 13, 1},  // January 2018, a Monday
      {2016, 12, 4},  // Thursday
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FirstWeekdayOfMonth(c.year, c.month), c.want) << c.year << "-" << c.month;
  }
}

TEST(Calendar, DayCounts) {
  struct Case {
    int year, month;
    uint32_t want;
  } cases[] = {{2016, 2, 29}, {2017, 2, 28}, {1900, 2, 28}, {2000, 2, 29},
               {2017, 4, 30}, {2017, 12, 31}, {2017, 1, 31}};
  for (const Case& c : cases) EXPECT_EQ(DaysInMonth(c.year, c.month), c.want) << c.year << "-" << c.month;
}

// Rows of a grid as text, one line per week, for readable failures.
std::string Rows(const MonthGrid& g) {
  std::string s;
  for (uint32_t r = 0; r < kMonthGridRows; ++r) {
    for (uint32_t c = 0; c < kDaysPerWeek; ++c) s += std::to_string(g.At(r, c)) + " ";
    s += "|";
  }
  return s;
}

TEST(Calendar, MonthGrids) {
  struct Case {
    int year, month;
    uint32_t days;
    const char* rows;
  } cases[] = {
      // February 2015: 28 days from a Sunday fill exactly four rows.
      {2015, 2, 28,
       "1 2 3 4 5 6 7 |8 9 10 11 12 13 14 |15 16 17 18 19 20 21 |22 23 24 25 26 27 28 |"
       "0 0 0 0 0 0 0 |0 0 0 0 0 0 0 |0 0 0 0 0 0 0 |"},
      // October 2016: 31 days from a Saturday reach row 5.
      {2016, 10, 31,
       "0 0 0 0 0 0 1 |2 3 4 5 6 7 8 |9 10 11 12 13 14 15 |16 17 18 19 20 21 22 |"
       "23 24 25 26 27 28 29 |30 31 0 0 0 0 0 |0 0 0 0 0 0 0 |"},
      // December 2017 borrows January 2018 for its length.
      {2017, 12, 31,
       "0 0 0 0 0 1 2 |3 4 5 6 7 8 9 |10 11 12 13 14 15 16 |17 18 19 20 21 22 23 |"
       "24 25 26 27 28 29 30 |31 0 0 0 0 0 0 |0 0 0 0 0 0 0 |"},
      // February 2016, a leap month starting on Monday.
      {2016, 2, 29,
       "0 1 2 3 4 5 6 |7 8 9 10 11 12 13 |14 15 16 17 18 19 20 |21 22 23 24 25 26 27 |"
       "28 29 0 0 0 0 0 |0 0 0 0 0 0 0 |0 0 0 0 0 0 0 |"},
  };
  for (const Case& c : cases) {
    MonthGrid g = BuildMonthGrid(c.year, c.month);
    EXPECT_EQ(g.dayCount, c.days) << c.year << "-" << c.month;
    EXPECT_EQ(Rows(g), c.rows) << c.year << "-" << c.month;
  }
}

constexpr uint32_t M = kFreqMonthly, W = kFreqWeekly, D = kFreqDaily, H = kFreqHourly;
constexpr uint32_t kLast = kLastDayOfMonth;
constexpr uint32_t kSunday = 1, kMonday = 2;

TEST(ComputeNextRun, EveryFrequencyAndEdge) {
  struct Case {
    const char* what;
    ScheduleFields schedule;  // frequency, day of month, weekday, hour, minute
    SYSTEMTIME now;
    SYSTEMTIME want;
  } cases[] = {
      {"monthly, later this month", {M, 20, 0, 10, 0}, At(2017, 3, 5, 8, 0), At(2017, 3, 20, 10, 0)},
      {"monthly, already past", {M, 2, 0, 10, 0}, At(2017, 3, 5, 8, 0), At(2017, 4, 2, 10, 0)},
      {"day 31 in April", {M, 31, 0, 10, 0}, At(2017, 4, 15, 10, 0), At(2017, 5, 1, 0, 0)},
      {"day 31 right after its stand-in run", {M, 31, 0, 10, 0}, At(2017, 5, 1, 0, 0, 5),
       At(2017, 5, 31, 10, 0)},
      {"day 31 late in January skips February", {M, 31, 0, 10, 0}, At(2017, 1, 31, 11, 0),
       At(2017, 3, 1, 0, 0)},
      {"day 30 late in January", {M, 30, 0, 10, 0}, At(2017, 1, 30, 11, 0), At(2017, 3, 1, 0, 0)},
      {"day 29 late in January of a leap year", {M, 29, 0, 10, 0}, At(2016, 1, 29, 11, 0),
       At(2016, 2, 29, 10, 0)},
      {"last day, February 2017", {M, kLast, 0, 10, 0}, At(2017, 2, 10, 9, 0), At(2017, 2, 28, 10, 0)},
      {"last day, February 2016", {M, kLast, 0, 10, 0}, At(2016, 2, 10, 9, 0), At(2016, 2, 29, 10, 0)},
      {"last day, past in January", {M, kLast, 0, 10, 0}, At(2017, 1, 31, 10, 30),
       At(2017, 2, 28, 10, 0)},
      {"candidate equal to now is past", {M, 15, 0, 10, 0}, At(2017, 6, 15, 10, 0, 0, 0),
       At(2017, 7, 15, 10, 0)},
      {"one millisecond before is still ahead", {M, 15, 0, 10, 0}, At(2017, 6, 15, 9, 59, 59, 999),
       At(2017, 6, 15, 10, 0)},
      {"monthly, December to January", {M, 10, 0, 8, 0}, At(2017, 12, 20, 8, 0),
       At(2018, 1, 10, 8, 0)},
      {"day 31 in December after the time", {M, 31, 0, 8, 0}, At(2017, 12, 31, 9, 0),
       At(2018, 1, 31, 8, 0)},
      {"last day in December after the time", {M, kLast, 0, 8, 0}, At(2017, 12, 31, 9, 0),
       At(2018, 1, 31, 8, 0)},
      {"plan minute kept", {M, 3, 0, 7, 45}, At(2017, 3, 1, 0, 0), At(2017, 3, 3, 7, 45)},

      {"weekly, Sunday before the time", {W, 0, kSunday, 10, 0}, At(2017, 1, 1, 9, 0),
       At(2017, 1, 1, 10, 0)},
      {"weekly, Sunday after the time", {W, 0, kSunday, 10, 0}, At(2017, 1, 1, 11, 0),
       At(2017, 1, 8, 10, 0)},
      {"weekly, later in the week", {W, 0, kMonday, 10, 0}, At(2017, 1, 4, 11, 0),
       At(2017, 1, 9, 10, 0)},
      {"weekly, Monday 31st after the time", {W, 0, kMonday, 10, 0}, At(2017, 7, 31, 11, 0),
       At(2017, 8, 7, 10, 0)},
      {"weekly, no such weekday left in the month", {W, 0, kMonday, 10, 0}, At(2017, 8, 29, 9, 0),
       At(2017, 9, 4, 10, 0)},
      {"weekly, December grid rolls to January", {W, 0, kMonday, 10, 0}, At(2017, 12, 26, 9, 0),
       At(2018, 1, 1, 10, 0)},
      {"weekly, a week on crosses New Year", {W, 0, 4, 10, 0}, At(2017, 12, 27, 11, 0),
       At(2018, 1, 3, 10, 0)},

      {"daily, later today", {D, 0, 0, 23, 0}, At(2017, 12, 31, 22, 0), At(2017, 12, 31, 23, 0)},
      {"daily across New Year", {D, 0, 0, 23, 0}, At(2017, 12, 31, 23, 30), At(2018, 1, 1, 23, 0)},
      {"daily across a leap day", {D, 0, 0, 6, 0}, At(2016, 2, 28, 7, 0), At(2016, 2, 29, 6, 0)},

      {"hourly at :59:30", {H, 0, 0, 0, 0}, At(2017, 5, 2, 10, 59, 30), At(2017, 5, 2, 11, 0)},
      {"hourly at :00:00", {H, 0, 0, 0, 0}, At(2017, 5, 2, 10, 0, 0), At(2017, 5, 2, 11, 0)},
      {"hourly ignores plan hour and minute", {H, 5, 3, 7, 30}, At(2017, 5, 2, 10, 10),
       At(2017, 5, 2, 11, 0)},
      {"hourly across New Year", {H, 0, 0, 0, 0}, At(2017, 12, 31, 23, 15), At(2018, 1, 1, 0, 0)},

      // Days whose clock changes: runs stay on the calendar, a day or a week
      // later at the plan's time, whatever the length of the day.
      {"daily on a 25-hour day", {D, 0, 0, 0, 0}, At(2017, 10, 29, 0, 30), At(2017, 10, 30, 0, 0)},
      {"daily on a 23-hour day", {D, 0, 0, 23, 30}, At(2017, 3, 26, 23, 45), At(2017, 3, 27, 23, 30)},
      {"weekly on a 25-hour Sunday", {W, 0, kSunday, 0, 0}, At(2017, 10, 29, 0, 30),
       At(2017, 11, 5, 0, 0)},
      {"hourly in the repeated hour", {H, 0, 0, 0, 0}, At(2017, 10, 29, 2, 30), At(2017, 10, 29, 3, 0)},
      {"hourly before the skipped hour", {H, 0, 0, 0, 0}, At(2017, 3, 26, 1, 30), At(2017, 3, 26, 2, 0)},
  };
  for (const Case& c : cases) {
    SYSTEMTIME next = At(1999, 9, 9, 9, 9, 9, 9);
    next.wDayOfWeek = 5;
    ComputeNextRun(c.schedule, c.now, next);
    EXPECT_EQ(Show(next), Show(c.want)) << c.what;
  }
}

TEST(ComputeNextRun, DamagedOrUnknownScheduleLeavesNextRun) {
  const ScheduleFields cases[] = {
      {0, 1, 1, 1, 1},        // no schedule
      {5, 1, 1, 1, 1},        // unknown frequency
      {M, 0, 0, 10, 0},       // day 0
      {M, 33, 0, 10, 0},      // past "Last day"
      {W, 0, 0, 10, 0},       // weekday 0
      {W, 0, 8, 10, 0},       // weekday 8 would read past the grid
      {D, 0, 0, 24, 0},       // hour 24
      {D, 0, 0, 10, 60},      // minute 60
      {M, 0xFFFFFFFFu, 0, 1, 1},
  };
  for (const ScheduleFields& s : cases) {
    SYSTEMTIME next = At(2020, 2, 2, 2, 2);
    ComputeNextRun(s, At(2017, 5, 5, 5, 5), next);
    EXPECT_EQ(Show(next), Show(At(2020, 2, 2, 2, 2))) << s.frequency << " " << s.dayOfMonth;
  }
}

TEST(ComputeNextRun, WritesThePlanRecord) {
  _BKUP_PLAN plan = {};
  plan.Frequency = D;
  plan.Hour = 6;
  ComputeNextRun(plan, At(2017, 3, 1, 7, 0));
  const SYSTEMTIME next = plan.NextRun;
  EXPECT_EQ(Show(next), Show(At(2017, 3, 2, 6, 0)));
}

class LanguageGuard {
 public:
  explicit LanguageGuard(uint32_t language) : saved_(AppLanguage()) { SetAppLanguage(language); }
  ~LanguageGuard() { SetAppLanguage(saved_); }

 private:
  uint32_t saved_;
};

TEST(FormatScheduleText, EachFrequency) {
  LanguageGuard english(kLangEnglish);
  struct Case {
    uint32_t frequency, day, weekday, hour, minute;
    const wchar_t* want;
  } cases[] = {
      {M, 1, 0, 0, 0, L"Monthly [1st 00:00]"},
      {M, 22, 0, 9, 5, L"Monthly [22nd 09:05]"},
      {M, kLast, 0, 23, 0, L"Monthly [Last day 23:00]"},
      {M, 40, 0, 1, 0, L"Monthly [ 01:00]"},  // damaged day: no day text
      {W, 0, 1, 10, 0, L"Weekly [Sunday 10:00]"},
      {W, 0, 7, 7, 30, L"Weekly [Saturday 07:30]"},
      {D, 0, 0, 23, 0, L"Daily [23:00]"},
      {H, 3, 3, 3, 3, L"Hourly"},
      {kFreqNone, 1, 1, 1, 1, L""},
      {9, 1, 1, 1, 1, L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatScheduleText(c.frequency, c.day, c.weekday, c.hour, c.minute), c.want);
  }
}

TEST(IsOwnPlan, OwnerPcAndSchedule) {
  _BKUP_PLAN plan = {};
  plan.Frequency = D;
  plan.OwnerPcId = 0x1234ABCD;
  std::memcpy(plan.OwnerUser, L"Ann.Lee", 8 * sizeof(wchar_t));
  DrivePlan drive;
  drive.planDrive = 4;
  drive.plan = &plan;

  EXPECT_TRUE(IsOwnPlan(drive, 0x1234ABCD, L"Ann.Lee"));
  EXPECT_TRUE(IsOwnPlan(drive, 0x1234ABCD, L"ANN.lee"));
  EXPECT_FALSE(IsOwnPlan(drive, 0x1234ABCE, L"Ann.Lee"));  // another PC
  EXPECT_FALSE(IsOwnPlan(drive, 0x1234ABCD, L"Ann.Le"));   // another user
  EXPECT_FALSE(IsOwnPlan(drive, 0x1234ABCD, L"Ann.Leex"));

  // Only ASCII letters fold: an accented capital is another name.
  std::memcpy(plan.OwnerUser, L"\u00c9lise", 6 * sizeof(wchar_t));
  EXPECT_FALSE(IsOwnPlan(drive, 0x1234ABCD, L"\u00e9lise"));
  EXPECT_TRUE(IsOwnPlan(drive, 0x1234ABCD, L"\u00c9LISE"));

  plan.Frequency = kFreqNone;
  EXPECT_FALSE(IsOwnPlan(drive, 0x1234ABCD, L"\u00c9lise"));
  plan.Frequency = D;

  // Schedules from a damaged plan that no next run can be computed for.
  struct Damage {
    const char* what;
    uint32_t frequency, dayOfMonth, weekday, hour, minute;
  } damaged[] = {
      {"unknown frequency", 7, 1, 1, 10, 0},
      {"weekly on weekday 0", W, 1, 0, 10, 0},
      {"monthly on day 33", M, 33, 1, 10, 0},
      {"daily at hour 24", D, 1, 1, 24, 0},
  };
  for (const Damage& d : damaged) {
    _BKUP_PLAN bad = plan;
    bad.Frequency = d.frequency;
    bad.DayOfMonth = d.dayOfMonth;
    bad.Weekday = d.weekday;
    bad.Hour = d.hour;
    bad.Minute = d.minute;
    drive.plan = &bad;
    EXPECT_FALSE(IsOwnPlan(drive, 0x1234ABCD, L"\u00c9lise")) << d.what;
  }
  drive.plan = &plan;
  drive.planDrive = -1;
  EXPECT_FALSE(IsOwnPlan(drive, 0x1234ABCD, L"\u00c9lise"));
}

TEST(IsOwnPlan, UnterminatedOwnerFieldIsNotRead) {
  _BKUP_PLAN plan = {};
  plan.Frequency = D;
  for (wchar_t& c : plan.OwnerUser) c = L'a';  // no terminator in the field
  DrivePlan drive;
  drive.planDrive = 0;
  drive.plan = &plan;
  std::wstring longer(kMaxTextChars + 5, L'a');
  EXPECT_FALSE(IsOwnPlan(drive, 0, longer.c_str()));
}

}  // namespace
}  // namespace vk
