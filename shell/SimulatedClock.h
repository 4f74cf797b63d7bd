// Test builds only: the tray window's periods and clock taken from a test
// key, as the service takes its update rhythm and its disks from its own.
// Release builds do not contain this source.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "shell/TrayClock.h"

namespace vk {

// HKLM key of the tray's test settings. REG_DWORD "DrivePollMs",
// "DueCheckMs", "ReleaseCheckMs" replace those periods; REG_QWORD
// "ClockOffsetSeconds" (signed) moves the clock of the schedule rules.
// REG_DWORD "HoldJobs" (non-zero) holds a running job at its next progress
// call until the value goes or the job is stopped, so that a test can act
// while it runs; REG_DWORD "FreeSpacePercent" makes every partition report
// that share of its size as free to the due check; REG_SZ "LibraryFolder"
// puts the user's Documents, Music, Pictures and Videos folders below it.
inline constexpr wchar_t kTrayTestKeyPath[] = L"SOFTWARE\\CORVANE\\VaultkeepTest\\Arkwell";
inline constexpr wchar_t kTestDrivePollValue[] = L"DrivePollMs";
inline constexpr wchar_t kTestDueCheckValue[] = L"DueCheckMs";
inline constexpr wchar_t kTestReleaseCheckValue[] = L"ReleaseCheckMs";
inline constexpr wchar_t kTestClockOffsetValue[] = L"ClockOffsetSeconds";
inline constexpr wchar_t kTestHoldJobsValue[] = L"HoldJobs";
inline constexpr wchar_t kTestFreeSpaceValue[] = L"FreeSpacePercent";
inline constexpr wchar_t kTestLibraryValue[] = L"LibraryFolder";
constexpr uint32_t kMaxPercent = 100;

// A test period below this is raised to it, so that no key can make a timer
// spin.
constexpr UINT kMinTestTickMs = 50;

// `ticks` with the periods the test key names.
TrayTicks ApplyTestTicks(TrayTicks ticks);
// The test key's clock offset in seconds, 0 when there is none.
int64_t TestClockOffsetSeconds();
// True while the test key holds the jobs.
bool TestJobsHeld();
// The free share the test key names for every partition (0..100); false
// when it names none.
bool TestFreeSpacePercent(uint32_t* percent);
// The folder the test key puts the library folders in; false when none.
bool TestLibraryFolder(std::wstring* folder);

}  // namespace vk
