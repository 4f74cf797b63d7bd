#include "tests/driver/TrayHooks.h"

#include "shell/SimulatedClock.h"
#include "tests/driver/Observe.h"

namespace vk::driver {
namespace {

void SetPeriod(const wchar_t* name, DWORD ms) {
  if (ms != 0) SetRegistryDword(HKEY_LOCAL_MACHINE, kTrayTestKeyPath, name, ms);
}

}  // namespace

void ResetTrayHooks() { DeleteRegistryTree(HKEY_LOCAL_MACHINE, kTrayTestKeyPath); }

void ClearProgramSettings() {
  ResetTrayHooks();
  DeleteRegistryTree(HKEY_CURRENT_USER, kUserSettingsKey);
}

void ResetProgramSettings(DWORD drivePollMs, DWORD dueCheckMs, DWORD releaseCheckMs) {
  ClearProgramSettings();
  SetTrayPeriods(drivePollMs, dueCheckMs, releaseCheckMs);
}

void SetTrayPeriods(DWORD drivePollMs, DWORD dueCheckMs, DWORD releaseCheckMs) {
  SetPeriod(kTestDrivePollValue, drivePollMs);
  SetPeriod(kTestDueCheckValue, dueCheckMs);
  SetPeriod(kTestReleaseCheckValue, releaseCheckMs);
}

void SetTrayClockOffset(int64_t seconds) {
  SetRegistryQword(HKEY_LOCAL_MACHINE, kTrayTestKeyPath, kTestClockOffsetValue,
                   static_cast<uint64_t>(seconds));
}

void HoldJobs(bool on) {
  SetRegistryDword(HKEY_LOCAL_MACHINE, kTrayTestKeyPath, kTestHoldJobsValue, on ? 1 : 0);
}

}  // namespace vk::driver
