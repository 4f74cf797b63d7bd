#include "shell/DriveList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace vk {
namespace {

using svc::_SVC_DRVINFO;

// A service record whose identity is `object` and whose caption is
// `caption` (the identity when none is given).
_SVC_DRVINFO Device(const wchar_t* object, const wchar_t* caption = nullptr) {
  _SVC_DRVINFO d = {};
  std::wcsncpy(d.szDeviceObject, object, svc::kPathChars - 1);
  std::wcsncpy(d.szFriendlyName, caption ? caption : object, svc::kPathChars - 1);
  return d;
}

std::vector<_BKUP_DRVINFO> Known(const std::vector<const wchar_t*>& objects) {
  std::vector<_BKUP_DRVINFO> list;
  for (const wchar_t* o : objects) list.push_back(MakeDriveRecord(Device(o), false));
  return list;
}

std::vector<_SVC_DRVINFO> Answer(const std::vector<const wchar_t*>& objects) {
  std::vector<_SVC_DRVINFO> answer;
  for (const wchar_t* o : objects) answer.push_back(Device(o));
  return answer;
}

// The list as "identity:newly" entries, for one comparison per case.
std::vector<std::wstring> Shape(const std::vector<_BKUP_DRVINFO>& list) {
  std::vector<std::wstring> shape;
  for (const _BKUP_DRVINFO& d : list)
    shape.push_back(std::wstring(d.Device.szDeviceObject) + (d.NewlyAttached ? L":new" : L":old"));
  return shape;
}

TEST(DriveList, KnownDevicesKeepTheirOrderAndNewOnesFollow) {
  struct Case {
    const char* name;
    std::vector<const wchar_t*> previous, answer;
    std::vector<std::wstring> expected;
  } cases[] = {
      {"first refresh: all new, service order", {}, {L"A", L"B"}, {L"A:new", L"B:new"}},
      {"same devices reordered by the service", {L"A", L"B"}, {L"B", L"A"}, {L"A:old", L"B:old"}},
      {"one removed", {L"A", L"B", L"C"}, {L"C", L"A"}, {L"A:old", L"C:old"}},
      {"a new one first in the answer still comes last", {L"A", L"B"}, {L"C", L"A", L"B"},
       {L"A:old", L"B:old", L"C:new"}},
      {"identity compared without ASCII case; the fresh record is kept",
       {L"\\Device\\SimDiskA"}, {L"\\DEVICE\\simdiska"}, {L"\\DEVICE\\simdiska:old"}},
      {"other letters compare exactly", {L"\\Device\\\u00C4"}, {L"\\Device\\\u00E4"},
       {L"\\Device\\\u00E4:new"}},
      {"a sixth disk joins at the end", {L"A", L"B", L"C", L"D", L"E"},
       {L"A", L"B", L"C", L"D", L"E", L"F"},
       {L"A:old", L"B:old", L"C:old", L"D:old", L"E:old", L"F:new"}},
      {"a sixth disk does not take a removed one's place", {L"A", L"B", L"C", L"D", L"E"},
       {L"F", L"B", L"C", L"D", L"E"}, {L"B:old", L"C:old", L"D:old", L"E:old", L"F:new"}},
      {"a device named twice is listed once", {L"A"}, {L"a", L"B", L"A", L"b"},
       {L"a:old", L"B:new"}},
      {"all removed", {L"A", L"B"}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Shape(MergeDriveList(Known(c.previous), Answer(c.answer))), c.expected);
  }
}

TEST(DriveList, MergedRecordsCarryTheFreshCaptionAndNoPlan) {
  std::vector<_BKUP_DRVINFO> previous = {MakeDriveRecord(Device(L"A", L"Old name"), true)};
  previous[0].PlanDrive = 15;
  previous[0].StoredSetCount = 3;
  _SVC_DRVINFO fresh = Device(L"A", L"New name");
  fresh.dwDriveMask = 1u << 15;
  const std::vector<_BKUP_DRVINFO> list = MergeDriveList(previous, {fresh});
  ASSERT_EQ(list.size(), 1u);
  EXPECT_STREQ(list[0].Device.szFriendlyName, L"New name");
  EXPECT_EQ(list[0].Device.dwDriveMask, 1u << 15);
  EXPECT_EQ(list[0].NewlyAttached, 0u);
  EXPECT_EQ(list[0].PlanDrive, kNoPlanDrive);  // loaded again after the merge
  EXPECT_EQ(list[0].StoredSetCount, 0u);
}

TEST(DriveList, UnterminatedTextFromTheServiceStaysInsideItsField) {
  _SVC_DRVINFO full = {};
  for (wchar_t& c : full.szDeviceObject) c = L'X';
  for (wchar_t& c : full.szFriendlyName) c = L'N';
  for (wchar_t& c : full.szDevicePath) c = L'P';
  std::vector<_BKUP_DRVINFO> previous = {MakeDriveRecord(full, false)};
  const std::vector<_BKUP_DRVINFO> list = MergeDriveList(previous, {full});
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].NewlyAttached, 0u);  // same identity over the stored characters
  EXPECT_EQ(std::wcslen(list[0].Device.szFriendlyName), static_cast<size_t>(svc::kPathChars - 1));
  EXPECT_EQ(std::wcslen(list[0].Device.szDevicePath), static_cast<size_t>(svc::kPathChars - 1));
  EXPECT_EQ(std::wcslen(list[0].Device.szDeviceObject), static_cast<size_t>(svc::kPathChars - 1));
}

TEST(DriveList, FailedRequestKeepsTheListAndAReportedEmptyListEmptiesIt) {
  const std::vector<_BKUP_DRVINFO> previous = MergeDriveList({}, Answer({L"A", L"B"}));
  ASSERT_EQ(Shape(previous), (std::vector<std::wstring>{L"A:new", L"B:new"}));
  for (int failure : {svc::kResultRefused, svc::kResultUnreachable, svc::kResultReadBackFailed}) {
    SCOPED_TRACE(failure);
    // Nothing is newly attached when nothing was learnt: no missed-run notice.
    EXPECT_EQ(Shape(NextDriveList(previous, failure, {})),
              (std::vector<std::wstring>{L"A:old", L"B:old"}));
  }
  EXPECT_TRUE(NextDriveList(previous, svc::kResultOk, {}).empty());
  // After the service is back, the same disks are known, not new.
  EXPECT_EQ(Shape(NextDriveList(NextDriveList(previous, svc::kResultUnreachable, {}),
                                svc::kResultOk, Answer({L"B", L"A"}))),
            (std::vector<std::wstring>{L"A:old", L"B:old"}));
}

TEST(DriveList, PlanComesFromTheFirstLetterOfTheMaskThatHoldsOne) {
  constexpr int kP = 15, kQ = 16, kR = 17;
  struct Case {
    const char* name;
    uint32_t mask;
    std::vector<int> holding;  // letters whose plan file can be read
    int32_t planDrive;
  } cases[] = {
      {"only the second partition has a plan", (1u << kP) | (1u << kR), {kR}, kR},
      {"both have one: the lower letter", (1u << kQ) | (1u << kR), {kR, kQ}, kQ},
      {"a plan on a letter of another device is not looked at", 1u << kP, {kQ}, kNoPlanDrive},
      {"no letters", 0, {kP}, kNoPlanDrive},
      {"bits above Z are no letters", 0xFC000000u, {}, kNoPlanDrive},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    _SVC_DRVINFO device = Device(L"A");
    device.dwDriveMask = c.mask;
    _BKUP_DRVINFO drive = MakeDriveRecord(device, true);
    std::vector<int> tried;
    PlanLoader load = [&](int letter, _BKUP_PLAN* plan) {
      tried.push_back(letter);
      plan->Frequency = kFreqDaily;  // a reader may leave bytes behind on failure
      for (int h : c.holding) {
        if (h == letter) {
          plan->OwnerPcId = 100 + static_cast<uint32_t>(letter);
          return true;
        }
      }
      return false;
    };
    SetCounter count = [](int letter, const _BKUP_PLAN& plan) {
      return static_cast<uint32_t>(letter) * 10 + (plan.OwnerPcId == 100u + letter ? 1 : 0);
    };
    LoadDrivePlan(drive, load, count);
    EXPECT_EQ(drive.PlanDrive, c.planDrive);
    for (int letter : tried) EXPECT_NE(c.mask & (1u << letter), 0u);
    if (c.planDrive == kNoPlanDrive) {
      const _BKUP_PLAN zero = {};
      EXPECT_EQ(std::memcmp(&drive.Plan, &zero, sizeof(zero)), 0);
      EXPECT_EQ(drive.StoredSetCount, 0u);
    } else {
      EXPECT_EQ(drive.Plan.OwnerPcId, 100u + static_cast<uint32_t>(c.planDrive));
      EXPECT_EQ(drive.StoredSetCount, static_cast<uint32_t>(c.planDrive) * 10 + 1);
    }
  }
}

TEST(DriveList, MainWindowRefusesMoreThanFiveDisks) {
  EXPECT_FALSE(TooManyDrives(0));
  EXPECT_FALSE(TooManyDrives(5));
  EXPECT_TRUE(TooManyDrives(6));
}

TEST(DriveList, ScheduleViewLendsCaptionPlanAndMark) {
  std::vector<_BKUP_DRVINFO> list = MergeDriveList(Known({L"A"}), Answer({L"A", L"B"}));
  list[1].PlanDrive = 16;
  const std::vector<DrivePlan> view = DrivePlans(list);
  ASSERT_EQ(view.size(), 2u);
  EXPECT_STREQ(view[1].caption, L"B");
  EXPECT_EQ(view[1].planDrive, 16);
  EXPECT_EQ(view[1].plan, &list[1].Plan);
  EXPECT_FALSE(view[0].newlyAttached);
  EXPECT_TRUE(view[1].newlyAttached);
}

}  // namespace
}  // namespace vk
