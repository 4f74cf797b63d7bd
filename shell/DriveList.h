// The tray window's list of attached disks: one record per device as the
// service reports it, with the plan found on its partitions. The rules that
// rebuild the list are plain functions, so they run in tests without a
// service or disks; the window supplies the service's answer and the plan
// reader.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "channel/SvcChannel.h"
#include "engine/BkupTypes.h"
#include "shell/ScheduleRules.h"

namespace vk {

constexpr int32_t kNoPlanDrive = -1;
// The main window shows at most this many disks; with more it refuses to open.
constexpr size_t kMaxDrivesShown = 5;

#pragma pack(push, 1)
struct _BKUP_DRVINFO {
  svc::_SVC_DRVINFO Device;  // as the service reported it; the caption is its szFriendlyName
  uint32_t NewlyAttached;    // 1 when the device was not in the previous list
  int32_t PlanDrive;         // 0 = A .. 25 = Z holding the device's plan, kNoPlanDrive
  _BKUP_PLAN Plan;           // the plan loaded from PlanDrive, all zero when none
  uint32_t StoredSetCount;   // complete backup sets of that plan on PlanDrive
};
#pragma pack(pop)
static_assert(sizeof(_BKUP_DRVINFO) == 2309, "drive record size");
static_assert(offsetof(_BKUP_DRVINFO, NewlyAttached) == 1592, "");
static_assert(offsetof(_BKUP_DRVINFO, PlanDrive) == 1596, "");
static_assert(offsetof(_BKUP_DRVINFO, Plan) == 1600, "");
static_assert(offsetof(_BKUP_DRVINFO, StoredSetCount) == 2305, "");

// The device identity: szDeviceObject, compared ignoring the case of ASCII
// letters (other letters compare exactly), never past the field.
bool SameDevice(const svc::_SVC_DRVINFO& a, const svc::_SVC_DRVINFO& b);

// A zero-filled record holding `device`, with no plan. The text fields come
// from another process: the copy is always terminated inside its field.
_BKUP_DRVINFO MakeDriveRecord(const svc::_SVC_DRVINFO& device, bool newlyAttached);

// The new list from the previous one and the service's answer: devices
// already known keep their order (with the service's fresh record), new
// ones follow in the service's order marked newly attached. A device the
// answer names twice is listed once.
std::vector<_BKUP_DRVINFO> MergeDriveList(const std::vector<_BKUP_DRVINFO>& previous,
                                          const std::vector<svc::_SVC_DRVINFO>& answer);

// The same after a request whose exchange result is `requestResult`
// (channel/SvcClient.h). A request that failed (service stopped, paused or
// not answering) keeps the previous list, none of it newly attached: the
// disks must not vanish and come back as new, with spurious missed-run
// notices. An empty list that the service did report empties it.
std::vector<_BKUP_DRVINFO> NextDriveList(const std::vector<_BKUP_DRVINFO>& previous,
                                         int requestResult,
                                         const std::vector<svc::_SVC_DRVINFO>& answer);

// Reads the plan file of drive index `letter` into `plan`; false when there
// is none that can be used.
using PlanLoader = std::function<bool(int letter, _BKUP_PLAN* plan)>;
// Counts the complete backup sets of `plan` on drive index `letter`.
using SetCounter = std::function<uint32_t(int letter, const _BKUP_PLAN& plan)>;

// Finds the device's plan: the drive letters of its partitions are tried in
// ascending order and the first that holds a plan is taken, with the count
// of its sets. With none, the record has no plan (kNoPlanDrive, zero plan).
void LoadDrivePlan(_BKUP_DRVINFO& drive, const PlanLoader& load, const SetCounter& countSets);

// The schedule rules' view of the list; valid while `drives` is unchanged.
std::vector<DrivePlan> DrivePlans(std::vector<_BKUP_DRVINFO>& drives);

// True when the main window must refuse to open for the number of disks.
inline bool TooManyDrives(size_t count) { return count > kMaxDrivesShown; }

}  // namespace vk
