// Test builds only: the tray window's periods and clock taken from a test
// key, as the service takes its update rhythm and its disks from its own.
// Release builds do not contain this source.
#pragma once
#include <windows.h>

#include <cstdint>

#include "shell/TrayClock.h"

namespace vk {

// HKLM key of the tray's test settings. REG_DWORD "DrivePollMs",
// "DueCheckMs", "ReleaseCheckMs" replace those periods; REG_QWORD
// "ClockOffsetSeconds" (signed) moves the clock of the schedule rules.
inline constexpr wchar_t kTrayTestKeyPath[] = L"SOFTWARE\\CORVANE\\VaultkeepTest\\Arkwell";
inline constexpr wchar_t kTestDrivePollValue[] = L"DrivePollMs";
inline constexpr wchar_t kTestDueCheckValue[] = L"DueCheckMs";
inline constexpr wchar_t kTestReleaseCheckValue[] = L"ReleaseCheckMs";
inline constexpr wchar_t kTestClockOffsetValue[] = L"ClockOffsetSeconds";

// A test period below this is raised to it, so that no key can make a timer
// spin.
constexpr UINT kMinTestTickMs = 50;

// `ticks` with the periods the test key names.
TrayTicks ApplyTestTicks(TrayTicks ticks);
// The test key's clock offset in seconds, 0 when there is none.
int64_t TestClockOffsetSeconds();

}  // namespace vk
