#include "shell/SimulatedClock.h"

namespace vk {
namespace {

bool TestNumber(const wchar_t* name, DWORD* value) {
  DWORD bytes = sizeof(*value);
  return ::RegGetValueW(HKEY_LOCAL_MACHINE, kTrayTestKeyPath, name, RRF_RT_REG_DWORD, nullptr,
                        value, &bytes) == ERROR_SUCCESS;
}

UINT TestPeriod(const wchar_t* name, UINT fallback) {
  DWORD value = 0, bytes = sizeof(value);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kTrayTestKeyPath, name, RRF_RT_REG_DWORD, nullptr, &value,
                     &bytes) != ERROR_SUCCESS)
    return fallback;
  return value < kMinTestTickMs ? kMinTestTickMs : value;
}

}  // namespace

TrayTicks ApplyTestTicks(TrayTicks ticks) {
  ticks.drivePollMs = TestPeriod(kTestDrivePollValue, ticks.drivePollMs);
  ticks.dueCheckMs = TestPeriod(kTestDueCheckValue, ticks.dueCheckMs);
  ticks.releaseCheckMs = TestPeriod(kTestReleaseCheckValue, ticks.releaseCheckMs);
  return ticks;
}

int64_t TestClockOffsetSeconds() {
  int64_t value = 0;
  DWORD bytes = sizeof(value);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kTrayTestKeyPath, kTestClockOffsetValue, RRF_RT_REG_QWORD,
                     nullptr, &value, &bytes) != ERROR_SUCCESS)
    return 0;
  return value;
}

bool TestJobsHeld() {
  DWORD value = 0;
  return TestNumber(kTestHoldJobsValue, &value) && value != 0;
}

bool TestFreeSpacePercent(uint32_t* percent) {
  DWORD value = 0;
  if (!TestNumber(kTestFreeSpaceValue, &value)) return false;
  *percent = value > kMaxPercent ? kMaxPercent : value;
  return true;
}

bool TestLibraryFolder(std::wstring* folder) {
  wchar_t value[MAX_PATH] = {};
  DWORD bytes = sizeof(value);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kTrayTestKeyPath, kTestLibraryValue, RRF_RT_REG_SZ, nullptr,
                     value, &bytes) != ERROR_SUCCESS || value[0] == L'\0')
    return false;
  *folder = value;
  return true;
}

}  // namespace vk
