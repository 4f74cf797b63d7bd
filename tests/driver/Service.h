// The test build's service as a real process under the service manager, its
// simulated USB disks (described in the service's test key), and the command
// channel as the interactive program uses it.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "channel/SvcChannel.h"
#include "common/Handle.h"
#include "tests/driver/Wait.h"

namespace vk::driver {

// Runs ArkwellSvc.exe with `arguments` ("I" install, "U" remove) to its end;
// its exit code, or -1.
int RunServiceProgram(const wchar_t* arguments);

// The installed service as the service manager shows it. Handles are opened
// per object and closed with it.
class ServiceManager {
 public:
  ServiceManager();

  ServiceManager(const ServiceManager&) = delete;
  ServiceManager& operator=(const ServiceManager&) = delete;

  bool Installed() const { return service_.Valid(); }
  SC_HANDLE Service() const { return service_.Get(); }
  // SERVICE_RUNNING and so on; 0 when not installed or not answering.
  DWORD State() const;
  // Sends a control (SERVICE_CONTROL_STOP, _PAUSE, _CONTINUE); the state the
  // answer reported, 0 on failure.
  DWORD Control(DWORD control) const;
  bool Start() const;
  ::testing::AssertionResult WaitForState(DWORD state, DWORD deadlineMs = kServiceDeadlineMs) const;

 private:
  ServiceHandle manager_;
  ServiceHandle service_;
};

bool ServiceInstalled();

// Installs the service and waits until it runs. A service left by an earlier
// run is removed first. Simulated disks are taken when the test key exists at
// the service's start (ResetSimulation).
::testing::AssertionResult InstallService();
// Removes the service ("U") and waits until the service manager no longer
// knows it. Succeeds when it was not installed.
::testing::AssertionResult RemoveService();
// Stops a running service and waits until it has stopped; starts it again.
::testing::AssertionResult StopService();
::testing::AssertionResult StartService();

// ---- Simulated USB disks ----------------------------------------------------

// One disk of the simulation; its partitions are existing drive letters
// (the scratch volumes), so the program finds real folders on them.
struct SimulatedDisk {
  std::wstring name;          // key name; the device object is \Device\SimDisk<name>
  std::wstring friendlyName;  // the caption the service reports
  std::wstring letters;       // drive letters of its partitions, e.g. L"P"
  uint64_t lastLba = 999;     // capacity = (lastLba + 1) x blockLength
  DWORD blockLength = 512;
  DWORD vendorId = 0x1234;
  DWORD productId = 0xABCD;
};

// Empties the test key and describes no disk; `firstCheckMs` and
// `checkPeriodMs` set the update-check rhythm of the next service start.
void ResetSimulation(DWORD firstCheckMs, DWORD checkPeriodMs);
// Removes the test key: a service started afterwards uses the real devices.
void ClearSimulation();
// Describes or removes a disk and tells the service, as a device
// notification would.
void AttachDisk(const SimulatedDisk& disk);
void DetachDisk(const std::wstring& name);
// The stand-in for a device notification: the service rescans.
void RingDeviceChange();
// The drive letter string of drive index `drive` (0 = A).
std::wstring LetterOf(int drive);

// ---- The channel ------------------------------------------------------------

// The drive-list change counter, or -1 when the service does not answer.
int32_t DriveCounter();
// The service's drive list; false when the request failed.
bool ServiceDrives(std::vector<svc::_SVC_DRVINFO>* drives);
// Waits until the service reports a drive list for which `matches` holds.
::testing::AssertionResult WaitForDrives(
    const std::string& what, const std::function<bool(const std::vector<svc::_SVC_DRVINFO>&)>& matches,
    DWORD deadlineMs = kServiceDeadlineMs);
// Waits until the service lists a disk with this caption, or none with it.
::testing::AssertionResult WaitForDiskListed(const std::wstring& friendlyName,
                                             DWORD deadlineMs = kServiceDeadlineMs);
::testing::AssertionResult WaitForDiskGone(const std::wstring& friendlyName,
                                           DWORD deadlineMs = kServiceDeadlineMs);

}  // namespace vk::driver
