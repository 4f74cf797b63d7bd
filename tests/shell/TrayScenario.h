// What the tray window's end-to-end tests and its screenshots set up: plans
// and settings written as another program would, and the scratch volumes'
// host folders. Read and written independently of the program's code.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/BkupTypes.h"

namespace vk::driver {

constexpr uint32_t kHourly = 4;

// This PC (serial number of the system volume) and this user (logon name).
uint32_t SystemVolumeSerial();
std::wstring LogonName();
// Makes `plan` one of this PC and user, as the wizard would have made it here.
void MakeOwnPlan(_BKUP_PLAN* plan);

SYSTEMTIME Now();
// A plan's time field: whole minutes only.
SYSTEMTIME PlanTime(const SYSTEMTIME& t);
bool SameMinute(const SYSTEMTIME& a, const SYSTEMTIME& b);
// A local time as a number that orders times; 0 for an invalid one.
uint64_t Ticks(const SYSTEMTIME& t);
// Midnight on 1 January of `year`.
SYSTEMTIME MakeReminder(WORD year);

// The per-user settings as stored.
struct StoredSettings {
  DWORD schedule = 0;
  SYSTEMTIME reminder = {};
  DWORD popup = 0;
  DWORD doingBackup = 0;
  DWORD doingRestore = 0;
};
// All eleven values: the program takes the record only when every one is there.
void WriteSettings(const StoredSettings& s);

// The drive index of the second scratch volume (VAULTKEEP_TEST_VOLUME2), or -1.
int SecondScratchDrive();
// The host folder behind a scratch drive letter; moving it away makes the
// partition vanish as a pulled-out disk would.
std::wstring VolumeFolder(int drive);

// A small folder to back up, in the temporary folder.
std::wstring MakeSourceFolder();
// An hourly plan of `user` on `drive`, next run at `nextRun`, backing up
// `source`; false when it could not be written.
bool WriteHourlyPlan(int drive, const SYSTEMTIME& nextRun, const std::wstring& user,
                     const wchar_t* name, const std::wstring& source);

}  // namespace vk::driver
