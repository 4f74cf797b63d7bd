#include "shell/TrayClock.h"

#ifdef VK_SIMULATED_CLOCK
#include "shell/SimulatedClock.h"
#endif

namespace vk {
namespace {

constexpr int64_t kFileTimeUnitsPerSecond = 10000000;
// About 9500 years: any shift within it fits the 64-bit file time.
constexpr int64_t kMaxShiftSeconds = 300000000000;

}  // namespace

TrayTicks CurrentTrayTicks() {
  TrayTicks ticks;
#ifdef VK_SIMULATED_CLOCK
  ticks = ApplyTestTicks(ticks);
#endif
  return ticks;
}

SYSTEMTIME TrayNow() {
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
#ifdef VK_SIMULATED_CLOCK
  now = ShiftLocalTime(now, TestClockOffsetSeconds());
#endif
  return now;
}

SYSTEMTIME ShiftLocalTime(const SYSTEMTIME& time, int64_t seconds) {
  if (seconds > kMaxShiftSeconds || seconds < -kMaxShiftSeconds) return time;
  FILETIME ft = {};
  if (!::SystemTimeToFileTime(&time, &ft)) return time;
  ULARGE_INTEGER units = {};
  units.LowPart = ft.dwLowDateTime;
  units.HighPart = ft.dwHighDateTime;
  const int64_t delta = seconds * kFileTimeUnitsPerSecond;
  const int64_t moved = static_cast<int64_t>(units.QuadPart) + delta;
  if (moved < 0) return time;
  units.QuadPart = static_cast<uint64_t>(moved);
  ft.dwLowDateTime = units.LowPart;
  ft.dwHighDateTime = units.HighPart;
  SYSTEMTIME shifted = {};
  if (!::FileTimeToSystemTime(&ft, &shifted)) return time;
  return shifted;
}

}  // namespace vk
