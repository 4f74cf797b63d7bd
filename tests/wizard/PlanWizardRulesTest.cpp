#include "wizard/PlanWizardRules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/Texts.h"
#include "engine/EngineUtil.h"
#include "shell/AppTexts.h"
#include "shell/MainWindowRules.h"

namespace vk {
namespace {

constexpr uint64_t kGB = 1000ull * 1000 * 1000;
constexpr int kE = 4, kF = 5, kG = 6;

PartitionEntry Part(int drive, const wchar_t* fs, uint64_t bytes) { return {drive, fs, bytes}; }

TEST(PlanStart, NextFollowsTheCountOfNtfsPartitions) {
  struct Case {
    const char* name;
    std::vector<PartitionEntry> parts;
    WizardStep::Kind kind;
    int page;
    uint32_t error;
    int chosen;
  } cases[] = {
      {"no partition", {}, WizardStep::kStay, -1, txt::kMsgDeviceNotAllowed, -1},
      {"only FAT32", {Part(kE, L"FAT32", kGB)}, WizardStep::kStay, -1, txt::kMsgDeviceNotAllowed, -1},
      {"ntfs in lower case is not NTFS", {Part(kE, L"ntfs", kGB)}, WizardStep::kStay, -1,
       txt::kMsgDeviceNotAllowed, -1},
      {"one NTFS beside a FAT32", {Part(kE, L"FAT32", 9 * kGB), Part(kF, L"NTFS", kGB)},
       WizardStep::kPage, kPageFolders, 0, kF},
      {"two NTFS", {Part(kE, L"NTFS", kGB), Part(kF, L"NTFS", kGB)}, WizardStep::kPage,
       kPagePartition, 0, -1},
  };
  for (const Case& c : cases) {
    int chosen = -1;
    const WizardStep s = NextOfPlanStart(c.parts, &chosen);
    EXPECT_EQ(s.kind, c.kind) << c.name;
    EXPECT_EQ(s.page, c.page) << c.name;
    EXPECT_FALSE(s.comingBack) << c.name;
    EXPECT_EQ(s.errorText, c.error) << c.name;
    EXPECT_EQ(chosen, c.chosen) << c.name;
  }
}

TEST(PartitionList, LineShowsLetterSizeAndFileSystem) {
  EXPECT_EQ(PartitionLine(Part(kE, L"NTFS", 2 * kGB)), L"(E:) " + FormatSize(2 * kGB) + L" (NTFS)");
  EXPECT_EQ(PartitionLine(Part(25, L"FAT32", 0)), L"(Z:) " + FormatSize(0) + L" (FAT32)");
}

TEST(PartitionList, DefaultIsTheLargestNtfsAndAPlanLocksItsOwn) {
  struct Case {
    const char* name;
    std::vector<PartitionEntry> parts;
    int32_t planDrive;
    PartitionListState want;
  } cases[] = {
      {"empty list", {}, kNoPlanDrive, {-1, false, false}},
      {"largest NTFS, a larger FAT ignored",
       {Part(kE, L"NTFS", 2 * kGB), Part(kF, L"FAT32", 9 * kGB), Part(kG, L"NTFS", 3 * kGB)},
       kNoPlanDrive, {2, true, true}},
      {"a tie goes to the first", {Part(kE, L"NTFS", kGB), Part(kF, L"NTFS", kGB)}, kNoPlanDrive,
       {0, true, true}},
      {"no NTFS: the first entry", {Part(kE, L"FAT32", kGB), Part(kF, L"exFAT", 2 * kGB)},
       kNoPlanDrive, {0, true, true}},
      {"the plan's partition, locked, though smaller",
       {Part(kE, L"NTFS", kGB), Part(kF, L"NTFS", 5 * kGB)}, kE, {0, false, true}},
      {"a plan drive not on this disk leaves the list free",
       {Part(kE, L"NTFS", kGB), Part(kF, L"NTFS", 5 * kGB)}, kG, {1, true, true}},
  };
  for (const Case& c : cases) {
    const PartitionListState s = PartitionListOf(c.parts, c.planDrive);
    EXPECT_EQ(s.selected, c.want.selected) << c.name;
    EXPECT_EQ(s.listEnabled, c.want.listEnabled) << c.name;
    EXPECT_EQ(s.nextEnabled, c.want.nextEnabled) << c.name;
  }
}

TEST(PartitionList, NextRefusesAnythingButNtfs) {
  const std::vector<PartitionEntry> parts = {Part(kE, L"NTFS", kGB), Part(kF, L"FAT32", kGB)};
  int chosen = -1;
  WizardStep s = NextOfPartition(parts, 1, &chosen);
  EXPECT_EQ(s.kind, WizardStep::kStay);
  EXPECT_EQ(s.errorText, static_cast<uint32_t>(txt::kMsgPartitionNotAllowed));
  EXPECT_EQ(chosen, -1);
  s = NextOfPartition(parts, 0, &chosen);
  EXPECT_EQ(s.kind, WizardStep::kPage);
  EXPECT_EQ(s.page, kPageFolders);
  EXPECT_EQ(chosen, kE);
  EXPECT_EQ(NextOfPartition(parts, 2, &chosen).kind, WizardStep::kStay);  // no such entry
}

TEST(FoldersPage, BackReturnsToThePartitionsOnlyForANewPlanWithAChoice) {
  struct Case {
    int32_t planDrive;
    size_t ntfs;
    WizardStep::Kind kind;
  } cases[] = {
      {kNoPlanDrive, 2, WizardStep::kPage}, {kNoPlanDrive, 1, WizardStep::kStartPage},
      {kE, 2, WizardStep::kStartPage},      {kE, 1, WizardStep::kStartPage},
  };
  for (const Case& c : cases) {
    const WizardStep s = BackOfFolders(c.planDrive, c.ntfs);
    EXPECT_EQ(s.kind, c.kind) << c.planDrive << "/" << c.ntfs;
    if (s.kind == WizardStep::kPage) {
      EXPECT_EQ(s.page, kPagePartition);
      EXPECT_TRUE(s.comingBack);
    }
  }
}

TEST(SchedulePage, VisibilityFollowsTheFrequency) {
  struct Case {
    int frequency;
    bool dayLabel, day, weekday, time;
  } cases[] = {
      {kEntryMonthly, true, true, false, true},
      {kEntryWeekly, true, false, true, true},
      {kEntryDaily, false, false, false, true},
      {kEntryHourly, false, false, false, false},
  };
  for (const Case& c : cases) {
    const ScheduleVisibility v = VisibilityOf(c.frequency);
    EXPECT_EQ(v.dayLabel, c.dayLabel) << c.frequency;
    EXPECT_EQ(v.dayOfMonth, c.day) << c.frequency;
    EXPECT_EQ(v.weekday, c.weekday) << c.frequency;
    EXPECT_EQ(v.time, c.time) << c.frequency;
  }
}

TEST(SchedulePage, ListsTakeTheStoredScheduleAndOnlyVisibleListsAreSaved) {
  struct Case {
    const char* name;
    uint32_t freq, day, weekday, hour;
    ScheduleChoice choice;
    ScheduleFields saved;
  } cases[] = {
      {"new plan", 0, 0, 0, 0, {0, 0, 0, 0}, {kFreqMonthly, 1, 0, 0, 0}},
      {"monthly, last day", kFreqMonthly, kLastDayOfMonth, 3, 22, {0, 31, 2, 22},
       {kFreqMonthly, kLastDayOfMonth, 0, 22, 0}},
      {"weekly Saturday", kFreqWeekly, 9, 7, 10, {1, 8, 6, 10}, {kFreqWeekly, 0, 7, 10, 0}},
      {"daily", kFreqDaily, 5, 2, 23, {2, 4, 1, 23}, {kFreqDaily, 0, 0, 23, 0}},
      {"hourly keeps nothing", kFreqHourly, 5, 2, 14, {3, 4, 1, 14}, {kFreqHourly, 0, 0, 0, 0}},
      {"damaged values give the first entries", 9, 40, 8, 24, {0, 0, 0, 0},
       {kFreqMonthly, 1, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    _BKUP_PLAN plan = {};
    plan.Frequency = c.freq;
    plan.DayOfMonth = c.day;
    plan.Weekday = c.weekday;
    plan.Hour = c.hour;
    plan.Minute = 17;
    const ScheduleChoice got = ChoiceOfPlan(plan);
    EXPECT_EQ(got.frequency, c.choice.frequency) << c.name;
    EXPECT_EQ(got.day, c.choice.day) << c.name;
    EXPECT_EQ(got.weekday, c.choice.weekday) << c.name;
    EXPECT_EQ(got.hour, c.choice.hour) << c.name;
    const ScheduleFields f = FieldsOfChoice(got);
    EXPECT_EQ(f.frequency, c.saved.frequency) << c.name;
    EXPECT_EQ(f.dayOfMonth, c.saved.dayOfMonth) << c.name;
    EXPECT_EQ(f.weekday, c.saved.weekday) << c.name;
    EXPECT_EQ(f.hour, c.saved.hour) << c.name;
    EXPECT_EQ(f.minute, 0u) << c.name;
  }
}

TEST(FreeSpace, WarnsAtFivePercentAndNotOneByteAbove) {
  const uint64_t total = 100 * kGB, five = 5 * kGB;
  struct Case {
    uint64_t total, free;
    bool low;
  } cases[] = {
      {total, five, true},
      {total, five + 1, false},
      {total, 0, true},
      {total, total, false},
      {99, 0, true},   // under 100 bytes the line is 0: only an empty one warns
      {99, 1, false},
      {0, 0, true},    // a partition that reports nothing
      {UINT64_MAX, UINT64_MAX / 100 * 5, true},  // no overflow
  };
  for (const Case& c : cases) EXPECT_EQ(FreeSpaceLow(c.total, c.free), c.low) << c.total << "/" << c.free;
}

TEST(FolderList, RoundTripsAndStopsAtTheEnd) {
  const std::vector<std::wstring> folders = {L"C:\\Users\\Ann\\Documents", L"D:"};
  const std::wstring list = FolderListOf(folders);
  EXPECT_EQ(list, std::wstring(L"C:\\Users\\Ann\\Documents\0D:\0\0", 27));
  EXPECT_EQ(FoldersOfList(list.c_str(), list.size()), folders);
  EXPECT_TRUE(FolderListOf({}).empty());
  // An unterminated list is read only to its end.
  const wchar_t cut[] = {L'C', L':', L'\0', L'D', L':'};
  EXPECT_EQ(FoldersOfList(cut, 5), (std::vector<std::wstring>{L"C:", L"D:"}));
  EXPECT_TRUE(FoldersOfList(nullptr, 10).empty());
}

SaveInputs Inputs(uint32_t freq, const wchar_t* kept) {
  SaveInputs in;
  in.keptName = kept;
  in.pcId = 0xABCD1234;
  in.user = L"Ann";
  in.schedule = {freq, freq == kFreqMonthly ? 3u : 0u, freq == kFreqWeekly ? 2u : 0u, 9, 0};
  in.folders = {L"C:\\Data"};
  in.now = MakeLocalTime(2026, 3, 14, 14, 37, 52);
  return in;
}

TEST(SavePlan, RecordHasOwnerNameScheduleAndNextRunAndNoLastRun) {
  const _BKUP_PLAN daily = PlanForSave(Inputs(kFreqDaily, L""));
  EXPECT_EQ(daily.OwnerPcId, 0xABCD1234u);
  EXPECT_STREQ(daily.OwnerUser, L"Ann");
  EXPECT_STREQ(daily.PlanName, L"20260314143752");
  EXPECT_EQ(daily.Frequency, static_cast<uint32_t>(kFreqDaily));
  EXPECT_EQ(daily.Hour, 9u);
  EXPECT_EQ(daily.Minute, 0u);
  EXPECT_EQ(daily.LastRun.wYear, 0);
  EXPECT_EQ(daily.NextRun.wYear, 2026);
  EXPECT_EQ(daily.NextRun.wDay, 15);  // 09:00 has passed today
  EXPECT_EQ(daily.NextRun.wHour, 9);

  const _BKUP_PLAN hourly = PlanForSave(Inputs(kFreqHourly, L"Kept name"));
  EXPECT_STREQ(hourly.PlanName, L"Kept name");
  EXPECT_EQ(hourly.Hour, 14u);
  EXPECT_EQ(hourly.Minute, 37u);
  EXPECT_EQ(hourly.NextRun.wHour, 15);

  const _BKUP_PLAN longName =
      PlanForSave(Inputs(kFreqWeekly, L"0123456789012345678901234567890123456789"));
  EXPECT_EQ(std::wstring(longName.PlanName), L"0123456789012345678901234567890");
  // Every byte not named stays zero.
  EXPECT_EQ(longName.FolderListOffset, 0u);
  for (uint8_t b : longName.Reserved2) EXPECT_EQ(b, 0);
}

TEST(SavePlan, SummaryListsScheduleAndFolders) {
  EXPECT_EQ(PlanSummary(L"Daily [09:00]", {L"C:\\A", L"D:"}),
            L"Schedule:\tDaily [09:00]\r\nFolder:\tC:\\A\r\n\tD:\r\n");
  EXPECT_EQ(PlanSummary(L"Hourly", {}), L"Schedule:\tHourly\r\n");
}

// A host that answers each question from a script and records what happened.
class ScriptedHost : public WizardHost {
 public:
  std::map<uint32_t, INT_PTR> answers;  // unlisted questions: Cancel
  bool present = true, low = false, saves = true, deletes = true;
  std::vector<uint32_t> asked;
  std::vector<uint32_t> checkTexts;
  int saved = 0, deleted = 0, cleared = 0;

  INT_PTR Ask(uint32_t textId, uint32_t, bool, uint32_t checkText) override {
    asked.push_back(textId);
    checkTexts.push_back(checkText);
    auto it = answers.find(textId);
    return it == answers.end() ? 2 : it->second;
  }
  bool TargetPresent() override { return present; }
  bool SpaceLow() override { return low; }
  bool SavePlan() override {
    ++saved;
    return saves;
  }
  bool DeletePlan() override {
    ++deleted;
    return deletes;
  }
  void ClearReminder() override { ++cleared; }
};

constexpr INT_PTR kOk = kAnswerOk, kBack = kAnswerBack, kCancel = 2;

TEST(SaveSequence, QuestionsAndOutcomes) {
  struct Case {
    const char* name;
    std::map<uint32_t, INT_PTR> answers;
    bool present, low, saves;
    std::vector<uint32_t> asked;
    int saved;
    WizardOutcome outcome;
  } cases[] = {
      {"save refused", {}, true, false, true, {txt::kMsgSavePlan}, 0, WizardOutcome::kStay},
      {"save fails: 1226 and stay",
       {{txt::kMsgSavePlan, kOk}},
       true, false, false,
       {txt::kMsgSavePlan, txt::kMsgPlanSaveFailed}, 1, WizardOutcome::kStay},
      {"backup now",
       {{txt::kMsgSavePlan, kOk}, {txt::kMsgPlanSavedStartNow, kOk}},
       true, false, true,
       {txt::kMsgSavePlan, txt::kMsgPlanSavedStartNow}, 1, WizardOutcome::kBackupPage},
      {"later, OK on 1184",
       {{txt::kMsgSavePlan, kOk}, {txt::kMsgFirstBackupTakesLong, kOk}},
       true, false, true,
       {txt::kMsgSavePlan, txt::kMsgPlanSavedStartNow, txt::kMsgFirstBackupTakesLong}, 1,
       WizardOutcome::kStartPage},
      {"1184 closed counts as OK",
       {{txt::kMsgSavePlan, kOk}, {txt::kMsgFirstBackupTakesLong, kCancel}},
       true, false, true,
       {txt::kMsgSavePlan, txt::kMsgPlanSavedStartNow, txt::kMsgFirstBackupTakesLong}, 1,
       WizardOutcome::kStartPage},
      {"Back on 1184, then OK on 1189",
       {{txt::kMsgSavePlan, kOk}, {txt::kMsgFirstBackupTakesLong, kBack}, {txt::kMsgStartBackup, kOk}},
       true, false, true,
       {txt::kMsgSavePlan, txt::kMsgPlanSavedStartNow, txt::kMsgFirstBackupTakesLong,
        txt::kMsgStartBackup}, 1, WizardOutcome::kBackupPage},
      {"Back on 1184, then Cancel on 1189",
       {{txt::kMsgSavePlan, kOk}, {txt::kMsgFirstBackupTakesLong, kBack}},
       true, false, true,
       {txt::kMsgSavePlan, txt::kMsgPlanSavedStartNow, txt::kMsgFirstBackupTakesLong,
        txt::kMsgStartBackup}, 1, WizardOutcome::kStartPage},
      {"low space accepted",
       {{txt::kMsgSavePlan, kOk}, {txt::kMsgPlanSavedStartNow, kOk}, {txt::kMsgBackupLowSpace, kOk}},
       true, true, true,
       {txt::kMsgSavePlan, txt::kMsgPlanSavedStartNow, txt::kMsgBackupLowSpace}, 1,
       WizardOutcome::kBackupPage},
      {"low space refused: saved, no backup",
       {{txt::kMsgSavePlan, kOk}, {txt::kMsgPlanSavedStartNow, kOk}},
       true, true, true,
       {txt::kMsgSavePlan, txt::kMsgPlanSavedStartNow, txt::kMsgBackupLowSpace}, 1,
       WizardOutcome::kStartPage},
      {"disk gone: reported, nothing written",
       {{txt::kMsgSavePlan, kOk}},
       false, false, true,
       {txt::kMsgSavePlan, txt::kMsgBackupDeviceRemoved}, 0, WizardOutcome::kStartPage},
  };
  for (const Case& c : cases) {
    ScriptedHost host;
    host.answers = c.answers;
    host.present = c.present;
    host.low = c.low;
    host.saves = c.saves;
    EXPECT_EQ(RunSaveSequence(host), c.outcome) << c.name;
    EXPECT_EQ(host.asked, c.asked) << c.name;
    EXPECT_EQ(host.saved, c.saved) << c.name;
  }
}

TEST(BackupNowSequence, AsksThenChecksTheSpace) {
  struct Case {
    const char* name;
    std::map<uint32_t, INT_PTR> answers;
    bool present, low;
    WizardOutcome outcome;
  } cases[] = {
      {"refused", {}, true, false, WizardOutcome::kStay},
      {"accepted", {{txt::kMsgStartBackup, kOk}}, true, false, WizardOutcome::kBackupPage},
      {"low space refused: stay", {{txt::kMsgStartBackup, kOk}}, true, true, WizardOutcome::kStay},
      {"low space accepted", {{txt::kMsgStartBackup, kOk}, {txt::kMsgBackupLowSpace, kOk}}, true, true,
       WizardOutcome::kBackupPage},
      {"disk gone", {{txt::kMsgStartBackup, kOk}}, false, false, WizardOutcome::kStartPage},
  };
  for (const Case& c : cases) {
    ScriptedHost host;
    host.answers = c.answers;
    host.present = c.present;
    host.low = c.low;
    EXPECT_EQ(RunBackupNowSequence(host), c.outcome) << c.name;
  }
}

TEST(DeleteSequence, DeletesOnlyAfterOkWithTheBoxAndReportsWhatStayed) {
  struct Case {
    const char* name;
    INT_PTR answer;
    bool deletes;
    int deleted, cleared;
    uint32_t report;  // the last message, 0: only the question
    WizardOutcome outcome;
  } cases[] = {
      {"cancelled", kCancel, true, 0, 0, 0, WizardOutcome::kStay},
      {"deleted", kOk, true, 1, 1, txt::kMsgPlanDeleted, WizardOutcome::kStartPage},
      {"partly failed", kOk, false, 1, 0, txt::kMsgBackupOtherError, WizardOutcome::kStartPage},
  };
  for (const Case& c : cases) {
    ScriptedHost host;
    host.answers = {{txt::kMsgDeletePlan, c.answer}};
    host.deletes = c.deletes;
    EXPECT_EQ(RunDeleteSequence(host), c.outcome) << c.name;
    ASSERT_FALSE(host.asked.empty());
    EXPECT_EQ(host.asked[0], static_cast<uint32_t>(txt::kMsgDeletePlan)) << c.name;
    EXPECT_EQ(host.checkTexts[0], static_cast<uint32_t>(txt::kMsgDeletePlanAcknowledged)) << c.name;
    EXPECT_EQ(host.deleted, c.deleted) << c.name;
    EXPECT_EQ(host.cleared, c.cleared) << c.name;
    EXPECT_EQ(host.asked.size() > 1 ? host.asked.back() : 0u, c.report) << c.name;
  }
}

TEST(NoTargetPage, ReminderIsMissedWhenItsTimeIsNotLater) {
  _SCHEDULE_SETTINGS s = {};
  EXPECT_FALSE(ReminderOf(s, MakeLocalTime(2026, 5, 1, 10, 0)).shown);
  s.Schedule = kFreqDaily;
  s.ScheduleYear = 2026;
  s.ScheduleMonth = 5;
  s.ScheduleDay = 1;
  s.ScheduleHour = 10;
  s.ScheduleMinute = 30;
  struct Case {
    SYSTEMTIME now;
    bool missed;
  } cases[] = {
      {MakeLocalTime(2026, 5, 1, 10, 29, 59), false},
      {MakeLocalTime(2026, 5, 1, 10, 30, 0), true},
      {MakeLocalTime(2027, 1, 1, 0, 0, 0), true},
  };
  for (const Case& c : cases) {
    const ReminderView v = ReminderOf(s, c.now);
    EXPECT_TRUE(v.shown);
    EXPECT_EQ(v.missed, c.missed) << c.now.wMinute << ":" << c.now.wSecond;
  }
}

TEST(PlanView, OwnerIsThisPcAndUserAndOthersMayOnlyDelete) {
  _BKUP_PLAN plan = {};
  plan.OwnerPcId = 7;
  std::wcscpy(plan.OwnerUser, L"Ann");
  EXPECT_TRUE(PlanOwnedBy(plan, 7, L"ann"));
  EXPECT_FALSE(PlanOwnedBy(plan, 8, L"Ann"));
  EXPECT_FALSE(PlanOwnedBy(plan, 7, L"Anna"));
  EXPECT_FALSE(PlanOwnedBy(plan, 7, L"An"));
  // A name field without a terminator belongs to nobody.
  for (wchar_t& c : plan.OwnerUser) c = L'x';
  EXPECT_FALSE(PlanOwnedBy(plan, 7, std::wstring(kMaxTextChars + 1, L'x')));

  const PlanViewState own = PlanViewOf(true), other = PlanViewOf(false);
  EXPECT_EQ(own.titleText, static_cast<uint32_t>(txt::kBackupPlanTitle));
  EXPECT_TRUE(own.editEnabled && own.backupEnabled && own.deleteEnabled);
  EXPECT_EQ(other.titleText, static_cast<uint32_t>(txt::kBackupPlanOtherUserTitle));
  EXPECT_FALSE(other.editEnabled || other.backupEnabled);
  EXPECT_TRUE(other.deleteEnabled);
}

TEST(BackupProgress, ResultsMapToTheirMessages) {
  struct Case {
    uint32_t result, unreadable;
    uint32_t text, type;
    bool count, log, full;
  } cases[] = {
      {kResultOk, 0, txt::kMsgBackupDone, kTypeSuccess, false, false, true},
      {kResultOk, 3, txt::kMsgBackupDoneAccessDenied, kTypeSuccessWithLog, true, true, true},
      {kResultStopped, 0, txt::kMsgBackupCanceled, kTypeInformation, false, false, false},
      {kResultDiskFull, 0, txt::kMsgBackupDiskFull, kTypeError, false, false, false},
      {kResultReadError, 0, txt::kMsgBackupReadError, kTypeError, false, false, false},
      {kResultWriteError, 2, txt::kMsgBackupWriteError, kTypeError, false, false, false},
      {kResultTargetGone, 0, txt::kMsgBackupDeviceRemoved, kTypeError, false, false, false},
      {kResultInvalid, 0, txt::kMsgBackupOtherError, kTypeError, false, false, false},
      {kResultNoMemory, 0, txt::kMsgBackupOtherError, kTypeError, false, false, false},
      {kResultTempIndexError, 0, txt::kMsgBackupOtherError, kTypeError, false, false, false},
      {kResultException, 0, txt::kMsgBackupOtherError, kTypeError, false, false, false},
  };
  for (const Case& c : cases) {
    const ResultReport r = ReportOfResult(c.result, c.unreadable);
    EXPECT_EQ(r.textId, c.text) << c.result;
    EXPECT_EQ(r.type, c.type) << c.result;
    EXPECT_EQ(r.withCount, c.count) << c.result;
    EXPECT_EQ(r.withLog, c.log) << c.result;
    EXPECT_EQ(r.fullBar, c.full) << c.result;
  }
  EXPECT_EQ(GetString(txt::kMsgBackupDoneAccessDenied, 3),
            L"Backup completed. \nAccess denied files exists.\n( 3 files )");
}

}  // namespace
}  // namespace vk
