// Test builds only: USB disks described in the registry, each backed by a
// drive letter, so the service's scan can be driven under an emulator that
// has no USB disks. Release builds do not contain this source.
#pragma once
#include <windows.h>

#include <memory>

#include "service/DeviceAccess.h"

namespace vk::svc {

// HKLM key of the test settings. Below it, "Disks\<name>" describes one disk:
// "FriendlyName" (REG_SZ), "Letters" (REG_SZ, e.g. "PQ"), "LastLba" (REG_QWORD),
// "BlockLength", "Vid", "Pid", "Removable", "FailCapacity16" (REG_DWORD).
// The DWORD "Generation" stands for a device notification: a new value
// makes the service rescan. "FirstCheckMs" and "CheckPeriodMs" shorten the
// update-check rhythm.
inline constexpr wchar_t kTestKeyPath[] = L"SOFTWARE\\CORVANE\\VaultkeepTest\\Service";

bool SimulatedDevicesConfigured();
std::unique_ptr<DeviceSource> CreateSimulatedDeviceSource();
// A DWORD from the test key, or `fallback` when it is missing.
DWORD ReadTestDword(const wchar_t* name, DWORD fallback);

}  // namespace vk::svc
