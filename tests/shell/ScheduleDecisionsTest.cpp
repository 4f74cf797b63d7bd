#include "shell/ScheduleDecisions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "shell/AppTexts.h"
#include "tests/support/TestVolume.h"

namespace vk {
namespace {

constexpr uint32_t kPc = 0xC0FFEE01;
constexpr wchar_t kUser[] = L"ann";

// Short name for the tables.
SYSTEMTIME At(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0) {
  return MakeLocalTime(y, mo, d, h, mi, s, ms);
}

bool Same(const SYSTEMTIME& a, const SYSTEMTIME& b) { return CompareLocalTimes(a, b) == 0; }

struct Notice {
  std::wstring text;
  IconKind kind;
  bool closesByItself;
};

// Records what the rules ask of the tray window.
class FakeHost : public ScheduleHost {
 public:
  void ShowNotification(const std::wstring& text, IconKind kind, bool closes) override {
    notices.push_back({text, kind, closes});
  }
  void SaveSettings() override { ++saves; }
  bool WritePlanTimes(int32_t planDrive, const _BKUP_PLAN& plan) override {
    written.push_back({planDrive, plan});
    return !refuseWrites;
  }
  bool ReloadPlan(size_t index, _BKUP_PLAN& fresh) override {
    auto it = onDisk.find(index);
    if (it == onDisk.end()) return false;
    fresh = it->second;
    return true;
  }
  bool GetSpace(int32_t planDrive, uint64_t& freeBytes, uint64_t& totalBytes) override {
    auto it = space.find(planDrive);
    if (it == space.end()) return false;
    freeBytes = it->second.first;
    totalBytes = it->second.second;
    return true;
  }
  bool StartScheduledBackup(size_t index, const _BKUP_PLAN& fresh) override {
    started.push_back(index);
    startedPlan = fresh;
    return refuseStart == 0;
  }

  std::vector<Notice> notices;
  int saves = 0;
  std::vector<std::pair<int32_t, _BKUP_PLAN>> written;
  std::map<size_t, _BKUP_PLAN> onDisk;                          // plans as re-read
  std::map<int32_t, std::pair<uint64_t, uint64_t>> space;       // free, total
  std::vector<size_t> started;
  _BKUP_PLAN startedPlan = {};
  int refuseStart = 0;
  bool refuseWrites = false;  // the disk refuses the plan's times
};

_BKUP_PLAN MakePlan(uint32_t frequency, const SYSTEMTIME& next, const wchar_t* name,
                    uint32_t pc = kPc, const wchar_t* user = kUser) {
  _BKUP_PLAN p = {};
  p.Frequency = frequency;
  p.Hour = 10;
  p.DayOfMonth = 1;
  p.Weekday = 1;
  p.OwnerPcId = pc;
  std::memcpy(p.OwnerUser, user, (std::wcslen(user) + 1) * sizeof(wchar_t));
  std::memcpy(p.PlanName, name, (std::wcslen(name) + 1) * sizeof(wchar_t));
  p.NextRun = next;
  return p;
}

// A drive list over plans the test owns; list index = position in `plans`.
class DecisionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetAppLanguage(kLangEnglish);
    ctx.owner.pcId = kPc;
    ctx.owner.user = L"ANN";  // names compare without ASCII case
    ctx.settings = &settings;
    ctx.host = &host;
    ctx.unwritten = &unwritten;
  }
  void AddDrive(const wchar_t* caption, int32_t letter, const _BKUP_PLAN& plan, bool fresh = true) {
    plans.push_back(plan);
    captions.push_back(caption);
    letters.push_back(letter);
    newly.push_back(fresh);
    if (fresh) host.onDisk[plans.size() - 1] = plan;
  }
  std::vector<DrivePlan>& Drives() {
    drives.clear();
    for (size_t i = 0; i < plans.size(); ++i) {
      DrivePlan d;
      d.caption = captions[i].c_str();
      d.planDrive = letters[i];
      d.plan = &plans[i];
      d.newlyAttached = newly[i];
      drives.push_back(d);
    }
    return drives;
  }
  std::vector<std::wstring> NoticeTexts() const {
    std::vector<std::wstring> t;
    for (const Notice& n : host.notices) t.push_back(n.text);
    return t;
  }

  FakeHost host;
  _SCHEDULE_SETTINGS settings = {};
  UnwrittenRunTimes unwritten;
  ScheduleContext ctx;
  std::vector<_BKUP_PLAN> plans;
  std::vector<std::wstring> captions;
  std::vector<int32_t> letters;
  std::vector<bool> newly;
  std::vector<DrivePlan> drives;
};

const std::wstring kLowSpace =
    L"Unable to back up data as you have less than 5% of the space in your storage device.";
const std::wstring kMissedAbsent =
    L"The scheduled backup was not executed as the target storage device was not connected.";

TEST_F(DecisionTest, ReminderTakesEarliestOwnPlanTiesToLaterDrive) {
  AddDrive(L"Disk A", 4, MakePlan(kFreqDaily, At(2017, 3, 2, 10, 0), L"PlanA"));
  AddDrive(L"Disk B", 5, MakePlan(kFreqWeekly, At(2017, 3, 1, 10, 0), L"PlanB"));
  AddDrive(L"Disk C", 6, MakePlan(kFreqMonthly, At(2017, 3, 1, 10, 0), L"PlanC"));  // tie: later wins
  AddDrive(L"Foreign", 7, MakePlan(kFreqHourly, At(2017, 1, 1, 0, 0), L"PlanX", kPc + 1));
  AddDrive(L"Other user", 8, MakePlan(kFreqHourly, At(2017, 1, 1, 0, 0), L"PlanY", kPc, L"bob"));
  settings.SchedulePopup = 1;
  UpdateScheduleReminder(Drives(), ctx);

  EXPECT_EQ(settings.Schedule, kFreqMonthly);
  EXPECT_STREQ(settings.SchedulePlanName, L"PlanC");
  EXPECT_STREQ(settings.ScheduleFriendlyName, L"Disk C");
  EXPECT_EQ(settings.ScheduleYear, 2017u);
  EXPECT_EQ(settings.ScheduleMonth, 3u);
  EXPECT_EQ(settings.ScheduleDay, 1u);
  EXPECT_EQ(settings.ScheduleHour, 10u);
  EXPECT_EQ(settings.SchedulePopup, 0u);
  EXPECT_EQ(host.saves, 1);
}

TEST_F(DecisionTest, ReminderKeptWhenNoOwnPlanPresentAndNamesBounded) {
  settings.Schedule = kFreqDaily;
  std::wcscpy(settings.SchedulePlanName, L"Kept");
  settings.SchedulePopup = 1;
  AddDrive(L"Foreign", 4, MakePlan(kFreqDaily, At(2017, 3, 2, 10, 0), L"PlanX", kPc + 1));
  UpdateScheduleReminder(Drives(), ctx);
  EXPECT_STREQ(settings.SchedulePlanName, L"Kept");
  EXPECT_EQ(settings.SchedulePopup, 1u);
  EXPECT_EQ(host.saves, 1);

  // A caption longer than a text field and a plan name filling its field.
  _BKUP_PLAN p = MakePlan(kFreqDaily, At(2017, 3, 2, 10, 0), L"x");
  for (wchar_t& c : p.PlanName) c = L'n';
  std::wstring caption(600, L'c');
  plans.clear(), captions.clear(), letters.clear(), newly.clear();
  AddDrive(caption.c_str(), 4, p);
  UpdateScheduleReminder(Drives(), ctx);
  EXPECT_EQ(std::wstring(settings.SchedulePlanName), std::wstring(kPlanNameChars, L'n'));
  EXPECT_EQ(std::wstring(settings.ScheduleFriendlyName), std::wstring(kMaxTextChars, L'c'));
}

TEST_F(DecisionTest, DueCheckStartsFirstOwnDuePlanWithRoom) {
  const SYSTEMTIME now = At(2017, 3, 1, 10, 0, 30);
  AddDrive(L"Foreign", 3, MakePlan(kFreqDaily, At(2017, 3, 1, 9, 0), L"F", kPc + 1));
  AddDrive(L"Later", 4, MakePlan(kFreqDaily, At(2017, 3, 1, 11, 0), L"L"));
  AddDrive(L"Due", 5, MakePlan(kFreqDaily, At(2017, 3, 1, 10, 0), L"D"));
  AddDrive(L"Due too", 6, MakePlan(kFreqDaily, At(2017, 3, 1, 9, 0), L"D2"));
  host.space[5] = {6, 100};
  host.space[6] = {50, 100};
  EXPECT_EQ(RunDueCheck(Drives(), ctx, now), 2);
  ASSERT_EQ(host.started, std::vector<size_t>{2});
  EXPECT_STREQ(host.startedPlan.PlanName, L"D");
  EXPECT_TRUE(host.notices.empty());
}

TEST_F(DecisionTest, DueCheckUsesTheFreshCopyOfThePlan) {
  const SYSTEMTIME now = At(2017, 3, 1, 10, 0);
  AddDrive(L"Moved on", 4, MakePlan(kFreqDaily, At(2017, 3, 1, 9, 0), L"A"));
  AddDrive(L"Now foreign", 5, MakePlan(kFreqDaily, At(2017, 3, 1, 9, 0), L"B"));
  AddDrive(L"Unreadable", 6, MakePlan(kFreqDaily, At(2017, 3, 1, 9, 0), L"C"), false);
  host.onDisk[0].NextRun = At(2017, 3, 2, 9, 0);  // rescheduled on its disk meanwhile
  host.onDisk[1].OwnerPcId = kPc + 1;
  host.space = {{4, {90, 100}}, {5, {90, 100}}, {6, {90, 100}}};
  EXPECT_EQ(RunDueCheck(Drives(), ctx, now), kNoBackupStarted);
  EXPECT_TRUE(host.started.empty());
}

// A plan whose schedule no next run can be computed for would stay due and
// be started again at every check: it is neither run nor announced.
TEST_F(DecisionTest, DamagedScheduleIsNeverDue) {
  const SYSTEMTIME now = At(2017, 3, 1, 10, 30);
  _BKUP_PLAN damaged = MakePlan(kFreqWeekly, At(2017, 3, 1, 9, 0), L"W");
  damaged.Weekday = 0;
  AddDrive(L"Damaged", 4, damaged);
  host.space[4] = {90, 100};
  EXPECT_EQ(RunDueCheck(Drives(), ctx, now), kNoBackupStarted);
  AnnounceMissedRuns(Drives(), ctx, now);
  EXPECT_TRUE(host.started.empty());
  EXPECT_TRUE(host.notices.empty());
  EXPECT_TRUE(host.written.empty());
}

TEST_F(DecisionTest, DueCheckRefusesAtFivePercentAndGoesOn) {
  const SYSTEMTIME now = At(2017, 3, 1, 10, 0);
  AddDrive(L"Full", 4, MakePlan(kFreqDaily, At(2017, 3, 1, 10, 0), L"A"));
  AddDrive(L"Roomy", 5, MakePlan(kFreqDaily, At(2017, 3, 1, 10, 0), L"B"));
  host.space[4] = {5000, 100099};  // exactly (100099 div 100) x 5: not more than 5 %
  host.space[5] = {5001, 100099};
  EXPECT_EQ(RunDueCheck(Drives(), ctx, now), 1);
  ASSERT_EQ(NoticeTexts(), std::vector<std::wstring>{kLowSpace});
  EXPECT_EQ(host.notices[0].kind, kIconError);
  EXPECT_FALSE(host.notices[0].closesByItself);
  // The refused plan moved to tomorrow, on its disk and in the list.
  ASSERT_EQ(host.written.size(), 1u);
  EXPECT_EQ(host.written[0].first, 4);
  const SYSTEMTIME written = host.written[0].second.NextRun, listed = plans[0].NextRun;
  EXPECT_TRUE(Same(written, At(2017, 3, 2, 10, 0)));
  EXPECT_TRUE(Same(listed, At(2017, 3, 2, 10, 0)));
  EXPECT_GE(host.saves, 1);  // the reminder was rewritten
}

TEST_F(DecisionTest, MissedWhileAbsentShownOnceUntilReminderRewritten) {
  settings.Schedule = kFreqDaily;
  settings.ScheduleYear = 2017, settings.ScheduleMonth = 3, settings.ScheduleDay = 1;
  settings.ScheduleHour = 10;
  EXPECT_EQ(RunDueCheck(Drives(), ctx, At(2017, 3, 1, 9, 59, 59)), kNoBackupStarted);
  EXPECT_TRUE(host.notices.empty());  // not yet

  EXPECT_EQ(RunDueCheck(Drives(), ctx, At(2017, 3, 1, 10, 0)), kNoBackupStarted);
  ASSERT_EQ(NoticeTexts(), std::vector<std::wstring>{kMissedAbsent});
  EXPECT_EQ(host.notices[0].kind, kIconInformation);
  EXPECT_TRUE(host.notices[0].closesByItself);
  EXPECT_EQ(settings.SchedulePopup, 1u);
  EXPECT_EQ(host.saves, 1);

  RunDueCheck(Drives(), ctx, At(2017, 3, 1, 10, 1));
  EXPECT_EQ(host.notices.size(), 1u);

  // The drive comes back: the reminder is rewritten and may be shown again.
  AddDrive(L"Back", 4, MakePlan(kFreqDaily, At(2017, 3, 2, 10, 0), L"A"), false);
  UpdateScheduleReminder(Drives(), ctx);
  plans.clear(), captions.clear(), letters.clear(), newly.clear();
  RunDueCheck(Drives(), ctx, At(2017, 3, 2, 10, 0));
  EXPECT_EQ(host.notices.size(), 2u);
}

TEST_F(DecisionTest, NewlyAttachedOverduePlanIsAnnouncedNotRun) {
  const SYSTEMTIME now = At(2017, 3, 1, 10, 30);
  AddDrive(L"Overdue", 4, MakePlan(kFreqDaily, At(2017, 3, 1, 10, 0), L"A"), true);
  AddDrive(L"Known", 5, MakePlan(kFreqDaily, At(2017, 3, 1, 10, 0), L"B"), false);
  AddDrive(L"Foreign", 6, MakePlan(kFreqDaily, At(2017, 3, 1, 10, 0), L"C", kPc + 1), true);
  AddDrive(L"Ahead", 7, MakePlan(kFreqDaily, At(2017, 3, 1, 11, 0), L"D"), true);
  AnnounceMissedRuns(Drives(), ctx, now);
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_EQ(host.notices[0].kind, kIconWarning);
  EXPECT_FALSE(host.notices[0].closesByItself);
  EXPECT_NE(host.notices[0].text.find(L"\"Backup Now\""), std::wstring::npos);
  ASSERT_EQ(host.written.size(), 1u);
  EXPECT_EQ(host.written[0].first, 4);
  const SYSTEMTIME next = plans[0].NextRun;
  EXPECT_TRUE(Same(next, At(2017, 3, 2, 10, 0)));
  EXPECT_TRUE(host.started.empty());
  // The reminder now holds the earliest own run: the known drive's, still due.
  EXPECT_STREQ(settings.SchedulePlanName, L"B");
}

TEST_F(DecisionTest, StartupRemindersInOrder) {
  settings.DoingBackup = 1;
  settings.DoingRestore = 1;
  settings.Schedule = kFreqWeekly;
  settings.ScheduleYear = 2017, settings.ScheduleMonth = 3, settings.ScheduleDay = 5;
  settings.ScheduleHour = 10;
  ShowStartupReminders(ctx, At(2017, 3, 1, 9, 0));
  ASSERT_EQ(host.notices.size(), 3u);
  EXPECT_EQ(host.notices[0].text.substr(0, 26), L"The former backup was fail");
  EXPECT_EQ(host.notices[0].kind, kIconError);
  EXPECT_EQ(host.notices[1].text, L"The former restoration was failed as your PC was aborted.");
  EXPECT_EQ(host.notices[1].kind, kIconError);
  EXPECT_EQ(host.notices[2].text,
            L"You have the scheduled backup below.\n" + FormatDateTime(2017, 3, 5, 10, 0));
  EXPECT_EQ(host.notices[2].kind, kIconInformation);
  EXPECT_TRUE(host.notices[2].closesByItself);
  EXPECT_EQ(settings.DoingBackup, 0u);
  EXPECT_EQ(settings.DoingRestore, 0u);
  EXPECT_EQ(host.saves, 2);

  // A reminder already past is left to the due check.
  host.notices.clear();
  ShowStartupReminders(ctx, At(2017, 3, 5, 10, 0));
  EXPECT_TRUE(host.notices.empty());
}

TEST_F(DecisionTest, AfterBackupRun) {
  struct Case {
    uint32_t result;
    bool scheduled;
    bool lastRunSet;
    bool failureShown;
  } cases[] = {
      {kResultOk, true, true, false},         {kResultStopped, true, false, false},
      {kResultDiskFull, true, false, true},   {kResultDiskFull, false, false, false},
      {kResultTargetGone, true, false, true}, {kResultOk, false, true, false},
  };
  const SYSTEMTIME start = At(2017, 3, 1, 10, 0, 12), end = At(2017, 3, 1, 10, 20);
  for (const Case& c : cases) {
    host.notices.clear();
    host.written.clear();
    _BKUP_PLAN plan = MakePlan(kFreqDaily, At(2017, 3, 1, 10, 0), L"A");
    FinishBackupRun(ctx, 7, plan, c.result, start, c.scheduled, end);
    const SYSTEMTIME last = plan.LastRun, next = plan.NextRun;
    EXPECT_EQ(Same(last, start), c.lastRunSet) << c.result;
    EXPECT_TRUE(Same(next, At(2017, 3, 2, 10, 0))) << c.result;
    ASSERT_EQ(host.written.size(), 1u);
    EXPECT_EQ(host.written[0].first, 7);
    EXPECT_EQ(host.notices.size(), c.failureShown ? 1u : 0u) << c.result;
  }
}

// The disk refuses a run's times: the plan still looks due (and does again
// each time the list is read from the disk), but the same run is not
// started again; its times are written at each check until the disk takes
// them.
TEST_F(DecisionTest, RunWhoseTimesTheDiskRefusedIsNotStartedAgain) {
  const SYSTEMTIME start = At(2017, 3, 1, 10, 0, 12), end = At(2017, 3, 1, 10, 20);
  const _BKUP_PLAN due = MakePlan(kFreqDaily, At(2017, 3, 1, 10, 0), L"A");
  AddDrive(L"Disk", 4, due);
  host.space[4] = {90, 100};
  host.refuseWrites = true;
  _BKUP_PLAN run = due;
  FinishBackupRun(ctx, 4, run, kResultOk, start, true, end);
  ASSERT_TRUE(unwritten.pending);

  EXPECT_EQ(RunDueCheck(Drives(), ctx, At(2017, 3, 1, 10, 21)), kNoBackupStarted);
  EXPECT_EQ(host.written.size(), 2u);  // refused again
  EXPECT_TRUE(unwritten.pending);

  host.refuseWrites = false;
  plans[0] = due;
  EXPECT_EQ(RunDueCheck(Drives(), ctx, At(2017, 3, 1, 10, 22)), kNoBackupStarted);
  EXPECT_TRUE(host.started.empty());
  ASSERT_EQ(host.written.size(), 3u);
  EXPECT_EQ(host.written[2].first, 4);
  EXPECT_TRUE(Same(host.written[2].second.LastRun, start));
  EXPECT_TRUE(Same(host.written[2].second.NextRun, At(2017, 3, 2, 10, 0)));
  EXPECT_FALSE(unwritten.pending);
}

// The kept times are dropped, and the plan as stored runs when it is due.
TEST_F(DecisionTest, RefusedTimesGiveWayToAPlanStoredAnewAndToTheNextRun) {
  const SYSTEMTIME start = At(2017, 3, 1, 10, 0, 12), end = At(2017, 3, 1, 10, 20);
  const _BKUP_PLAN due = MakePlan(kFreqDaily, At(2017, 3, 1, 10, 0), L"A");
  struct Case {
    const char* what;
    bool storedAnew;
    SYSTEMTIME check;
  } cases[] = {
      {"the plan stored anew on its disk", true, At(2017, 3, 1, 10, 21)},
      {"the run's next time has come", false, At(2017, 3, 2, 10, 1)},
  };
  AddDrive(L"Disk", 4, due);
  host.space[4] = {90, 100};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host.refuseWrites = true;
    host.started.clear();
    host.onDisk[0] = due;
    plans[0] = due;
    _BKUP_PLAN run = due;
    FinishBackupRun(ctx, 4, run, kResultOk, start, true, end);
    ASSERT_TRUE(unwritten.pending);
    if (c.storedAnew) host.onDisk[0].Hour = 9;
    EXPECT_EQ(RunDueCheck(Drives(), ctx, c.check), 0);
    EXPECT_FALSE(unwritten.pending);
  }
}

TEST_F(DecisionTest, RunFlagsAndClearing) {
  MarkJobRunning(ctx, JobKind::kBackup, true);
  MarkJobRunning(ctx, JobKind::kRestore, true);
  EXPECT_EQ(settings.DoingBackup, 1u);
  EXPECT_EQ(settings.DoingRestore, 1u);
  settings.Schedule = kFreqDaily;
  std::wcscpy(settings.SchedulePlanName, L"P");
  settings.ScheduleYear = 2017;
  settings.SchedulePopup = 1;
  ClearScheduleReminder(ctx);
  EXPECT_EQ(settings.Schedule, 0u);
  EXPECT_STREQ(settings.SchedulePlanName, L"");
  EXPECT_EQ(settings.ScheduleYear, 0u);
  EXPECT_EQ(settings.SchedulePopup, 0u);
  EXPECT_EQ(settings.DoingBackup, 1u);
  EXPECT_EQ(settings.DoingRestore, 1u);
  MarkJobRunning(ctx, JobKind::kBackup, false);
  EXPECT_EQ(settings.DoingBackup, 0u);
  EXPECT_EQ(host.saves, 4);

  EXPECT_TRUE(DueCheckAllowed(false, false, 0));
  EXPECT_FALSE(DueCheckAllowed(true, false, 0));
  EXPECT_FALSE(DueCheckAllowed(false, true, 0));
  EXPECT_FALSE(DueCheckAllowed(false, false, 1));
}

class PartitionSpaceTest : public test::VolumeTest {};

TEST_F(PartitionSpaceTest, MeasuresAPartitionAndRefusesBadLetters) {
  uint64_t freeBytes = 0, totalBytes = 0;
  ASSERT_TRUE(GetPartitionSpace(drive, freeBytes, totalBytes));
  EXPECT_GT(totalBytes, 0u);
  EXPECT_LE(freeBytes, totalBytes);

  for (int32_t bad : {-1, 26, 1000}) EXPECT_FALSE(GetPartitionSpace(bad, freeBytes, totalBytes)) << bad;
  // A letter with no partition behind it.
  const DWORD letters = ::GetLogicalDrives();
  for (int32_t i = kFirstDrive; i <= kLastDrive; ++i) {
    if ((letters & (1u << i)) == 0) {
      EXPECT_FALSE(GetPartitionSpace(i, freeBytes, totalBytes)) << i;
      break;
    }
  }
}

}  // namespace
}  // namespace vk
