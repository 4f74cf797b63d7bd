// The tray window's test key, for the Arkwell.exe of the test build: shorter
// timer periods and a moved clock. The program reads the key each time it
// needs a period or the time, so a test may change it while the program runs.
#pragma once
#include <windows.h>

#include <cstdint>

namespace vk::driver {

// Removes the key: the program's own periods and the local clock.
void ResetTrayHooks();
// What a test or a screenshot starts from: none of the tray's test values or
// the user's settings left by an earlier run, the tray's periods as given
// (0 leaves the program's own). ClearProgramSettings removes both again.
void ResetProgramSettings(DWORD drivePollMs, DWORD dueCheckMs, DWORD releaseCheckMs);
void ClearProgramSettings();
// Periods of the drive poll (timer 104), the due check (105) and the
// new-release check (107), in ms; 0 leaves that period as it is.
void SetTrayPeriods(DWORD drivePollMs, DWORD dueCheckMs, DWORD releaseCheckMs);
// Moves the clock the schedule rules see by `seconds` (negative: earlier).
void SetTrayClockOffset(int64_t seconds);
// Holds a running job at its next progress call until released (or stopped).
void HoldJobs(bool on);

}  // namespace vk::driver
