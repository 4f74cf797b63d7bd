#include "shell/SimulatedClock.h"

namespace vk {
namespace {

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

}  // namespace vk
