#include "shell/TrayClock.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "shell/AppTexts.h"
#include "shell/ScheduleRules.h"
#include "tests/driver/TrayHooks.h"

namespace vk {
namespace {

// Seconds from `a` to `b`, both wall-clock times.
int64_t SecondsBetween(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  FILETIME fa, fb;
  ::SystemTimeToFileTime(&a, &fa);
  ::SystemTimeToFileTime(&b, &fb);
  ULARGE_INTEGER ua{{fa.dwLowDateTime, fa.dwHighDateTime}}, ub{{fb.dwLowDateTime, fb.dwHighDateTime}};
  return (static_cast<int64_t>(ub.QuadPart) - static_cast<int64_t>(ua.QuadPart)) / 10000000;
}

SYSTEMTIME LocalNow() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return now;
}

// Two readings of the clock taken a moment apart.
constexpr int64_t kSlackSeconds = 5;

TEST(TrayClock, ShiftMovesAcrossMonthsYearsAndLeapDays) {
  struct Case {
    const char* name;
    SYSTEMTIME from;
    int64_t seconds;
    SYSTEMTIME to;
  } cases[] = {
      {"into the next year", MakeLocalTime(2016, 12, 31, 23, 59, 30, 250), 45,
       MakeLocalTime(2017, 1, 1, 0, 0, 15, 250)},
      {"back over a leap day", MakeLocalTime(2016, 3, 1, 0, 30), -3600,
       MakeLocalTime(2016, 2, 29, 23, 30)},
      {"three days earlier", MakeLocalTime(2017, 3, 2, 10, 0), -3 * 86400,
       MakeLocalTime(2017, 2, 27, 10, 0)},
      {"out of the calendar: unchanged", MakeLocalTime(1601, 1, 1, 0, 0), -1,
       MakeLocalTime(1601, 1, 1, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CompareLocalTimes(ShiftLocalTime(c.from, c.seconds), c.to), 0);
  }
}

#ifdef VK_SIMULATED_CLOCK
class TrayTestKey : public ::testing::Test {
 protected:
  void SetUp() override { driver::ResetTrayHooks(); }
  void TearDown() override { driver::ResetTrayHooks(); }
};

TEST_F(TrayTestKey, NoKeyMeansTheProgramsPeriodsAndClock) {
  const TrayTicks t = CurrentTrayTicks();
  EXPECT_EQ(t.jobMs, 300u);
  EXPECT_EQ(t.drivePollMs, 300u);
  EXPECT_EQ(t.dueCheckMs, 30000u);
  EXPECT_EQ(t.releaseCheckMs, 60000u);
  EXPECT_LE(std::llabs(SecondsBetween(LocalNow(), TrayNow())), kSlackSeconds);
}

TEST_F(TrayTestKey, KeyShortensPeriodsButNeverBelowTheFloor) {
  driver::SetTrayPeriods(0, 1000, 2000);
  TrayTicks t = CurrentTrayTicks();
  EXPECT_EQ(t.drivePollMs, 300u);  // not named: unchanged
  EXPECT_EQ(t.dueCheckMs, 1000u);
  EXPECT_EQ(t.releaseCheckMs, 2000u);
  EXPECT_EQ(t.jobMs, 300u);
  driver::SetTrayPeriods(1, 0, 0);  // read again on each call
  EXPECT_EQ(CurrentTrayTicks().drivePollMs, 50u);
}

TEST_F(TrayTestKey, OffsetMovesTheClockWhileTheProgramRuns) {
  driver::SetTrayClockOffset(-3 * 86400);
  EXPECT_LE(std::llabs(SecondsBetween(LocalNow(), TrayNow()) + 3 * 86400), kSlackSeconds);
  driver::SetTrayClockOffset(7200);
  EXPECT_LE(std::llabs(SecondsBetween(LocalNow(), TrayNow()) - 7200), kSlackSeconds);
}
#endif

}  // namespace
}  // namespace vk
