#include "shell/DriveList.h"

#include <cstring>

namespace vk {
namespace {

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

template <size_t N>
void Terminate(wchar_t (&field)[N]) {
  field[N - 1] = L'\0';
}

bool Listed(const std::vector<_BKUP_DRVINFO>& list, const svc::_SVC_DRVINFO& device) {
  for (const _BKUP_DRVINFO& d : list) {
    if (SameDevice(d.Device, device)) return true;
  }
  return false;
}

}  // namespace

bool SameDevice(const svc::_SVC_DRVINFO& a, const svc::_SVC_DRVINFO& b) {
  // The last character of the field is always the terminator of a stored
  // record; an answer that fills it is compared as stored.
  for (int i = 0; i < svc::kPathChars - 1; ++i) {
    const wchar_t x = AsciiLower(a.szDeviceObject[i]), y = AsciiLower(b.szDeviceObject[i]);
    if (x != y) return false;
    if (x == L'\0') return true;
  }
  return true;  // equal over the whole text
}

_BKUP_DRVINFO MakeDriveRecord(const svc::_SVC_DRVINFO& device, bool newlyAttached) {
  _BKUP_DRVINFO d;
  std::memset(&d, 0, sizeof(d));
  d.Device = device;
  Terminate(d.Device.szFriendlyName);
  Terminate(d.Device.szDevicePath);
  Terminate(d.Device.szDeviceObject);
  d.NewlyAttached = newlyAttached ? 1 : 0;
  d.PlanDrive = kNoPlanDrive;
  return d;
}

std::vector<_BKUP_DRVINFO> MergeDriveList(const std::vector<_BKUP_DRVINFO>& previous,
                                          const std::vector<svc::_SVC_DRVINFO>& answer) {
  std::vector<_BKUP_DRVINFO> list;
  for (const _BKUP_DRVINFO& known : previous) {
    for (const svc::_SVC_DRVINFO& device : answer) {
      if (SameDevice(known.Device, device) && !Listed(list, device)) {
        list.push_back(MakeDriveRecord(device, false));
        break;
      }
    }
  }
  for (const svc::_SVC_DRVINFO& device : answer) {
    if (!Listed(list, device)) list.push_back(MakeDriveRecord(device, true));
  }
  return list;
}

std::vector<_BKUP_DRVINFO> NextDriveList(const std::vector<_BKUP_DRVINFO>& previous,
                                         int requestResult,
                                         const std::vector<svc::_SVC_DRVINFO>& answer) {
  if (requestResult == svc::kResultOk) return MergeDriveList(previous, answer);
  std::vector<_BKUP_DRVINFO> kept = previous;
  for (_BKUP_DRVINFO& d : kept) d.NewlyAttached = 0;
  return kept;
}

void LoadDrivePlan(_BKUP_DRVINFO& drive, const PlanLoader& load, const SetCounter& countSets) {
  drive.PlanDrive = kNoPlanDrive;
  std::memset(&drive.Plan, 0, sizeof(drive.Plan));
  drive.StoredSetCount = 0;
  for (int letter = kFirstDrive; letter <= kLastDrive; ++letter) {
    if ((drive.Device.dwDriveMask & (1u << letter)) == 0) continue;
    _BKUP_PLAN plan = {};
    // A reader that failed may have left part of a record behind.
    if (!load(letter, &plan)) continue;
    drive.PlanDrive = letter;
    drive.Plan = plan;
    drive.StoredSetCount = countSets(letter, drive.Plan);
    return;
  }
}

std::vector<DrivePlan> DrivePlans(std::vector<_BKUP_DRVINFO>& drives) {
  std::vector<DrivePlan> plans;
  plans.reserve(drives.size());
  for (_BKUP_DRVINFO& d : drives) {
    DrivePlan p;
    p.caption = d.Device.szFriendlyName;
    p.planDrive = d.PlanDrive;
    p.plan = &d.Plan;
    p.newlyAttached = d.NewlyAttached != 0;
    plans.push_back(p);
  }
  return plans;
}

}  // namespace vk
