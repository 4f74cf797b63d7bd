// The tray window's timers and its clock. The program runs on the fixed
// periods and the local clock. The test build (VK_SIMULATION) may shorten
// the periods and move the clock through its test key, which is read each
// time it is asked, so a test can change them while the program runs; the
// release program contains none of that.
#pragma once
#include <windows.h>

#include <cstdint>

namespace vk {

// Timer ids of the tray window.
constexpr UINT_PTR kTimerJob = 101;        // keep-awake, icon animation, percentage tip
constexpr UINT_PTR kTimerDrives = 104;     // the service's drive-list change counter
constexpr UINT_PTR kTimerSchedules = 105;  // due check of the schedules
constexpr UINT_PTR kTimerRelease = 107;    // new-release notice

// Their periods in the program.
constexpr UINT kJobTickMs = 300;
constexpr UINT kDrivePollMs = 300;
constexpr UINT kDueCheckMs = 30000;
constexpr UINT kReleaseCheckMs = 60000;

struct TrayTicks {
  UINT jobMs = kJobTickMs;
  UINT drivePollMs = kDrivePollMs;
  UINT dueCheckMs = kDueCheckMs;
  UINT releaseCheckMs = kReleaseCheckMs;
};

// The periods to start the timers with.
TrayTicks CurrentTrayTicks();

// "Now" for the schedule rules: the local time, moved by the test key's
// offset in the test build.
SYSTEMTIME TrayNow();

// `time` moved by `seconds` on the calendar (wall-clock fields, no time
// zone); milliseconds are kept. `time` itself when the result would leave
// the range of the calendar.
SYSTEMTIME ShiftLocalTime(const SYSTEMTIME& time, int64_t seconds);

}  // namespace vk
