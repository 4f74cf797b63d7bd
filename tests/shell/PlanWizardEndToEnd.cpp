// The plan wizard as a user walks it: the test build's programs with a
// simulated USB disk on a scratch volume, the main window opened from the
// tray, its pages found by their template ids and their buttons pressed.
// What is checked is what the user sees (pages, message texts, buttons) and
// what lands on the disk (the plan file and the backup sets).
//
// The user's library folders are small folders of the test (through the
// tray's test key), so the default selection of a new plan backs up only them.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "common/Handle.h"
#include "engine/BkupTypes.h"
#include "resources/ResourceIds.h"
#include "shell/AppTexts.h"
#include "tests/driver/RemoteControls.h"
#include "tests/driver/VolumeHooks.h"
#include "tests/shell/ProgramFixture.h"

namespace vk::driver {
namespace {

constexpr const wchar_t* kLibraryNames[] = {L"Documents", L"Music", L"Pictures", L"Videos"};
constexpr size_t kLibraryCount = 4;

constexpr wchar_t kSaveQuestion[] = L"Do you want to save the backup plan?";
constexpr wchar_t kSavedStartNow[] =
    L"The backup plan has been saved. \nDo you want to start the backup now?";
constexpr wchar_t kDone[] = L"Backup completed successfully.";
constexpr wchar_t kCancelQuestion[] =
    L"Do you want to cancel this backup? \nThe data currently backing up will be deleted.";
constexpr wchar_t kCanceled[] = L"The backup has been canceled.";
constexpr wchar_t kDeleteQuestion[] =
    L"Do you want to delete the backup plan? \nThe backup data will be also deleted from the "
    L"storage device. ";
constexpr wchar_t kDeleted[] = L"The plan and the data have been deleted.";
constexpr int64_t kAnHour = 3600;
constexpr wchar_t kLowSpace[] =
    L"\"Vaultkeep\" might not be able to backup all the folders as you have less than 5% of the "
    L"space in your storage device. \nDo you want to continue this backup?";
constexpr wchar_t kFirstBackupLater[] =
    L"The next scheduled backup would be your first time to back up your folders. \nIt may take "
    L"a while to complete.";
constexpr wchar_t kAccessDenied[] = L"Backup completed. \nAccess denied files exists.\n( 1 files )";
constexpr DWORD kFivePercent = 5;
constexpr wchar_t kSaveFailed[] =
    L"\"Vaultkeep\" could not save your backup plan successfully. \nPlease click \"Save\" again.";
constexpr wchar_t kDeviceRemoved[] =
    L"The backup has been canceled due to the disconnection of your storage device.";
constexpr wchar_t kOtherUsersPlan[] = L"Other user account's backup plan";
constexpr wchar_t kPartitionRefused[] = L"You can not backup your folders in this partition.";
constexpr wchar_t kDeviceRefused[] = L"You cannot backup your folders to this storage device.";
constexpr wchar_t kStartBackup[] = L"Do you want to start the backup?";
constexpr wchar_t kDiskFull[] =
    L"There is not enough space in your storage device to back up the folders.\nPlease delete "
    L"some data.";
constexpr wchar_t kComingHeading[] = L"---The coming scheduled backup---";
constexpr wchar_t kMissedHeading[] = L"---You have missed the scheduled backup below---";
constexpr wchar_t kComingLabel[] = L"Coming backup:";
constexpr wchar_t kComingNotice[] = L"You have the scheduled backup below.";
constexpr uint64_t kGiB = 1ull << 30;
constexpr int64_t kADay = 24 * kAnHour;
constexpr DWORD kMonthly = 1;

// The third scratch volume of this test (VAULTKEEP_TEST_VOLUME3), or -1.
int ThirdScratchDrive() {
  wchar_t letter[8] = {};
  if (::GetEnvironmentVariableW(L"VAULTKEEP_TEST_VOLUME3", letter, 8) != 1) return -1;
  return static_cast<int>(std::towupper(letter[0]) - L'A');
}

// Bytes that do not compress, so that a set is as large as its files.
std::vector<uint8_t> Noise(size_t n) {
  std::vector<uint8_t> bytes(n);
  uint32_t x = 2463534242u;
  for (uint8_t& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<uint8_t>(x);
  }
  return bytes;
}

// A line of the partition list as the page shows it.
std::wstring PartitionLine(int drive, const wchar_t* size, const wchar_t* fileSystem) {
  return L"(" + LetterOf(drive) + L":) " + size + L" (" + fileSystem + L")";
}

class PlanWizardEndToEnd : public ProgramEndToEnd {
 protected:
  void SetUp() override {
    ProgramEndToEnd::SetUp();
    MoveLibraries();
  }
  void TearDown() override {
    ProgramEndToEnd::TearDown();
    if (!library_.empty()) test::EmptyFolder(library_);
  }

  void MoveLibraries() {
    // Not in the temporary folder: the exclusion list leaves that out.
    library_ = L"C:\\VaultkeepWizardLibrary";
    test::EmptyFolder(library_);
    for (size_t i = 0; i < kLibraryCount; ++i) {
      const std::wstring folder = library_ + L"\\" + kLibraryNames[i];
      test::WriteFileBytes(folder + L"\\file.txt", std::vector<uint8_t>(3000 + i, 'a'));
    }
    ASSERT_TRUE(SetRegistryString(HKEY_LOCAL_MACHINE, kTrayTestKeyPath, kTestLibraryValue, library_));
  }

  ::testing::AssertionResult OpenMain() { return OpenMainWindow(Tray(), arkwell->Id(), &main_); }
  // The test disk attached, the program started and its main window open.
  void StartAndOpen() {
    AttachTestDisk();
    Start();
    ASSERT_TRUE(OpenMain());
  }
  HWND Page(UINT templateId) const { return Control(main_, templateId); }
  UINT ShownPage() const { return driver::ShownPage(main_); }
  ::testing::AssertionResult WaitForPage(UINT templateId) {
    return driver::WaitForPage(main_, templateId);
  }
  ::testing::AssertionResult Press(UINT page, UINT button) { return Click(Page(page), button); }
  // `button` pressed on `page`, then page `next` shown.
  ::testing::AssertionResult PressAndWaitForPage(UINT page, UINT button, UINT next) {
    ::testing::AssertionResult pressed = Press(page, button);
    if (!pressed) return pressed;
    return WaitForPage(next);
  }
  // Waits for the message showing `text` and answers it with `button`.
  ::testing::AssertionResult Answer(const wchar_t* text, UINT button,
                                    DWORD deadlineMs = kWindowDeadlineMs) {
    return AnswerMessage(arkwell->Id(), text, button, deadlineMs);
  }
  // The message showing `text` answered with `button` once its box is ticked.
  ::testing::AssertionResult AnswerTicked(const wchar_t* text, UINT button) {
    return AnswerWithBoxTicked(arkwell->Id(), text, button);
  }

  // From the plan start page of a new plan to the summary, with the defaults.
  void WalkToSummary() {
    ASSERT_TRUE(WaitForPage(IDD_PAGE_PLAN_START));
    // One NTFS partition: page 2 is skipped.
    ASSERT_TRUE(PressAndWaitForPage(IDD_PAGE_PLAN_START, IDC_WIZ_NEXT, IDD_PAGE_FOLDERS));
    ASSERT_TRUE(FoldersToSummary());
  }

  // Next on the folder page once the tree has a selection: the schedule.
  ::testing::AssertionResult NextFromFolders() {
    ::testing::AssertionResult enabled = WaitForEnabled(Page(IDD_PAGE_FOLDERS), IDC_WIZ_NEXT);
    if (!enabled) return enabled;
    return PressAndWaitForPage(IDD_PAGE_FOLDERS, IDC_WIZ_NEXT, IDD_PAGE_SCHEDULE);
  }
  // From the folder page past the schedule, as it stands, to the summary.
  ::testing::AssertionResult FoldersToSummary() {
    ::testing::AssertionResult step = NextFromFolders();
    return step ? PressAndWaitForPage(IDD_PAGE_SCHEDULE, IDC_WIZ_NEXT, IDD_PAGE_SUMMARY) : step;
  }

  // Save on the summary, the save confirmed and "start now" answered with
  // `startNow`.
  ::testing::AssertionResult Save(UINT startNow) {
    ::testing::AssertionResult step = Press(IDD_PAGE_SUMMARY, IDC_WIZ_NEXT);
    if (step) step = Answer(kSaveQuestion, IDC_OK);
    return step ? Answer(kSavedStartNow, startNow) : step;
  }
  // Save on the summary, the plan kept and no backup started: the plan's page.
  ::testing::AssertionResult SaveWithoutBackingUp() {
    ::testing::AssertionResult step = Save(IDC_SECOND);
    if (step) step = Answer(kFirstBackupLater, IDC_OK);
    return step ? WaitForPage(IDD_PAGE_PLAN_VIEW) : step;
  }

  void CreatePlanAndBackUp() {
    StartAndOpen();
    WalkToSummary();
    ASSERT_TRUE(Save(IDC_OK));
    ASSERT_TRUE(Answer(kDone, IDC_OK, kServiceDeadlineMs));
    ASSERT_TRUE(WaitForPage(IDD_PAGE_PLAN_VIEW));
  }

  HWND main_ = nullptr;
  std::wstring library_;
};

TEST_F(PlanWizardEndToEnd, NewPlanOnOneNtfsPartitionIsSavedAndBackedUpAtOnce) {
  CreatePlanAndBackUp();
  const std::wstring summary = ControlText(Page(IDD_PAGE_PLAN_VIEW), IDC_WIZ_SUMMARY);
  EXPECT_EQ(summary.rfind(L"Schedule:\tMonthly", 0), 0u) << NarrowText(summary);
  for (const wchar_t* name : kLibraryNames)
    EXPECT_NE(summary.find(library_ + L"\\" + name), std::wstring::npos) << NarrowText(summary);

  const _BKUP_PLAN plan = PlanOn(drive);
  EXPECT_EQ(plan.OwnerPcId, SystemVolumeSerial());
  EXPECT_EQ(std::wstring(plan.OwnerUser), LogonName());
  EXPECT_EQ(std::wstring(plan.PlanName).size(), 14u);  // the time of the save
  EXPECT_EQ(plan.Frequency, 1u);
  EXPECT_EQ(plan.DayOfMonth, 1u);
  EXPECT_NE(plan.NextRun.wYear, 0);
  ASSERT_TRUE(WaitForSet(drive));
  EXPECT_EQ(BackupSetNames(drive).size(), 1u);
}

TEST_F(PlanWizardEndToEnd, CancelAnsweredCancelGoesOnThenOkStopsAndLeavesNoSet) {
  ASSERT_NO_FATAL_FAILURE(StartAndOpen());
  WalkToSummary();
  HoldJobs(true);
  ASSERT_TRUE(Save(IDC_OK));
  ASSERT_TRUE(WaitForPage(IDD_PAGE_BACKUP_PROGRESS));
  const HWND progress = Page(IDD_PAGE_BACKUP_PROGRESS);
  // Let go, the job asks at its next progress call and waits for the answer;
  // held again, it stops at the call after.
  ASSERT_TRUE(CancelHeldJob(arkwell->Id(), progress, IDC_WIZ_CANCEL, kCancelQuestion, IDC_SECOND));
  ASSERT_TRUE(WaitForEnabled(progress, IDC_WIZ_CANCEL)) << "Cancel enabled again";
  ASSERT_TRUE(Click(progress, IDC_WIZ_CANCEL));
  HoldJobs(false);
  ASSERT_TRUE(Answer(kCancelQuestion, IDC_OK));
  ASSERT_TRUE(Answer(kCanceled, IDC_OK, kServiceDeadlineMs));
  EXPECT_TRUE(WaitForPage(IDD_PAGE_PLAN_VIEW));
  EXPECT_TRUE(BackupSetNames(drive).empty());
}

TEST_F(PlanWizardEndToEnd, DeleteNeedsTheBoxAndOkAndRemovesPlanAndSets) {
  CreatePlanAndBackUp();
  ASSERT_TRUE(WaitForSet(drive));
  // Cancel on the question: nothing goes.
  ASSERT_TRUE(Press(IDD_PAGE_PLAN_VIEW, IDC_WIZ_DELETE));
  ASSERT_TRUE(Answer(kDeleteQuestion, IDC_SECOND));
  EXPECT_TRUE(WaitForPage(IDD_PAGE_PLAN_VIEW));
  _BKUP_PLAN plan = {};
  EXPECT_TRUE(ReadPlanRecord(drive, &plan));
  EXPECT_EQ(BackupSetNames(drive).size(), 1u);
  // Ticked and OK: plan and data are gone and the disk has no plan.
  ASSERT_TRUE(Press(IDD_PAGE_PLAN_VIEW, IDC_WIZ_DELETE));
  ASSERT_TRUE(AnswerTicked(kDeleteQuestion, IDC_OK));
  ASSERT_TRUE(Answer(kDeleted, IDC_OK));
  EXPECT_TRUE(WaitForPage(IDD_PAGE_PLAN_START));
  EXPECT_FALSE(ReadPlanRecord(drive, &plan));
  EXPECT_TRUE(BackupSetNames(drive).empty());
}

TEST_F(PlanWizardEndToEnd, AnotherUsersPlanCanBeViewedAndDeletedOnly) {
  WritePlan(drive, ShiftLocalTime(Now(), kAnHour), L"SomeoneElse", L"20240101000000");
  ASSERT_NO_FATAL_FAILURE(StartAndOpen());
  ASSERT_TRUE(WaitForPage(IDD_PAGE_PLAN_VIEW));
  const HWND view = Page(IDD_PAGE_PLAN_VIEW);
  EXPECT_EQ(ControlText(view, IDC_WIZ_PROMPT), kOtherUsersPlan);
  EXPECT_FALSE(Enabled(Control(view, IDC_WIZ_EDIT)));
  EXPECT_FALSE(Enabled(Control(view, IDC_WIZ_BACKUP_NOW)));
  EXPECT_TRUE(Enabled(Control(view, IDC_WIZ_DELETE)));
  EXPECT_FALSE(Click(view, IDC_WIZ_BACKUP_NOW));
  ASSERT_TRUE(Press(IDD_PAGE_PLAN_VIEW, IDC_WIZ_DELETE));
  ASSERT_TRUE(AnswerTicked(kDeleteQuestion, IDC_OK));
  ASSERT_TRUE(Answer(kDeleted, IDC_OK));
  EXPECT_TRUE(WaitForPage(IDD_PAGE_PLAN_START));
  _BKUP_PLAN plan = {};
  EXPECT_FALSE(ReadPlanRecord(drive, &plan));
}

TEST_F(PlanWizardEndToEnd, EditingKeepsTheNameShowsTheStoredChoicesAndClearsTheLastRun) {
  CreatePlanAndBackUp();
  ASSERT_TRUE(WaitForSet(drive));
  const _BKUP_PLAN before = PlanOn(drive);
  ASSERT_NE(before.LastRun.wYear, 0);
  ASSERT_TRUE(PressAndWaitForPage(IDD_PAGE_PLAN_VIEW, IDC_WIZ_EDIT, IDD_PAGE_FOLDERS));
  ASSERT_TRUE(WaitForEnabled(Page(IDD_PAGE_FOLDERS), IDC_WIZ_NEXT));
  // Back from an edited plan's folders goes to the start page, the plan view.
  ASSERT_TRUE(PressAndWaitForPage(IDD_PAGE_FOLDERS, IDC_WIZ_BACK, IDD_PAGE_PLAN_VIEW));
  ASSERT_TRUE(PressAndWaitForPage(IDD_PAGE_PLAN_VIEW, IDC_WIZ_EDIT, IDD_PAGE_FOLDERS));
  ASSERT_TRUE(NextFromFolders());
  EXPECT_EQ(ControlText(Page(IDD_PAGE_SCHEDULE), IDC_WIZ_FREQUENCY), L"Monthly");
  ASSERT_TRUE(PressAndWaitForPage(IDD_PAGE_SCHEDULE, IDC_WIZ_NEXT, IDD_PAGE_SUMMARY));
  // The stored folders came back checked: the summary lists them.
  const std::wstring summary = ControlText(Page(IDD_PAGE_SUMMARY), IDC_WIZ_SUMMARY);
  for (const wchar_t* name : kLibraryNames)
    EXPECT_NE(summary.find(library_ + L"\\" + name), std::wstring::npos) << NarrowText(summary);
  ASSERT_TRUE(SaveWithoutBackingUp());
  const _BKUP_PLAN after = PlanOn(drive);
  EXPECT_EQ(std::wstring(after.PlanName), std::wstring(before.PlanName));
  EXPECT_EQ(after.LastRun.wYear, 0);
  EXPECT_EQ(BackupSetNames(drive).size(), 1u);  // the sets stay with the plan
}

TEST_F(PlanWizardEndToEnd, HourlyPlanTakesTheHourAndMinuteOfTheSave) {
  ASSERT_NO_FATAL_FAILURE(StartAndOpen());
  ASSERT_TRUE(WaitForPage(IDD_PAGE_PLAN_START));
  ASSERT_TRUE(PressAndWaitForPage(IDD_PAGE_PLAN_START, IDC_WIZ_NEXT, IDD_PAGE_FOLDERS));
  ASSERT_TRUE(NextFromFolders());
  // The user picks "Hourly": the day and time lists go.
  const HWND schedule = Page(IDD_PAGE_SCHEDULE);
  ASSERT_TRUE(PickComboLine(schedule, IDC_WIZ_FREQUENCY, kFreqHourly - 1));
  ASSERT_TRUE(WaitFor("the time list hidden", kWindowDeadlineMs,
                      [&] { return !Shown(Control(schedule, IDC_WIZ_HOUR)); }));
  EXPECT_FALSE(Shown(Control(schedule, IDC_WIZ_DAY)));
  EXPECT_FALSE(Shown(Control(schedule, IDC_WIZ_WEEKDAY)));
  EXPECT_FALSE(Shown(Control(schedule, IDC_WIZ_DAY_LABEL)));
  ASSERT_TRUE(PressAndWaitForPage(IDD_PAGE_SCHEDULE, IDC_WIZ_NEXT, IDD_PAGE_SUMMARY));
  const SYSTEMTIME before = PlanTime(Now());
  ASSERT_TRUE(Press(IDD_PAGE_SUMMARY, IDC_WIZ_NEXT));
  ASSERT_TRUE(Answer(kSaveQuestion, IDC_OK));
  const SYSTEMTIME after = PlanTime(Now());
  ASSERT_TRUE(Answer(kSavedStartNow, IDC_SECOND));
  ASSERT_TRUE(Answer(kFirstBackupLater, IDC_OK));
  ASSERT_TRUE(WaitForPage(IDD_PAGE_PLAN_VIEW));
  const _BKUP_PLAN plan = PlanOn(drive);
  EXPECT_EQ(plan.Frequency, static_cast<uint32_t>(kHourly));
  const bool atBefore = plan.Hour == before.wHour && plan.Minute == before.wMinute;
  const bool atAfter = plan.Hour == after.wHour && plan.Minute == after.wMinute;
  EXPECT_TRUE(atBefore || atAfter) << plan.Hour << ":" << plan.Minute;
  EXPECT_EQ(plan.NextRun.wMinute, 0);  // hourly plans run on the full hours
  EXPECT_TRUE(BackupSetNames(drive).empty());
}

TEST_F(PlanWizardEndToEnd, LowSpaceWarningRefusedSavesThePlanWithoutABackup) {
  ASSERT_TRUE(SetRegistryDword(HKEY_LOCAL_MACHINE, kTrayTestKeyPath, kTestFreeSpaceValue, kFivePercent));
  ASSERT_NO_FATAL_FAILURE(StartAndOpen());
  WalkToSummary();
  ASSERT_TRUE(Save(IDC_OK));
  ASSERT_TRUE(Answer(kLowSpace, IDC_SECOND));
  ASSERT_TRUE(WaitForPage(IDD_PAGE_PLAN_VIEW));
  _BKUP_PLAN plan = {};
  EXPECT_TRUE(ReadPlanRecord(drive, &plan));
  EXPECT_TRUE(BackupSetNames(drive).empty());
}

TEST_F(PlanWizardEndToEnd, UnreadableFileIsCountedAndTheLogCanBeOpened) {
  const std::wstring lockedPath = library_ + L"\\Music\\locked.txt";
  test::WriteFileBytes(lockedPath, std::vector<uint8_t>(100, 'l'));
  FileHandle locked(::CreateFileW(lockedPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(locked.Valid());
  ASSERT_NO_FATAL_FAILURE(StartAndOpen());
  WalkToSummary();
  ASSERT_TRUE(Save(IDC_OK));
  MessageWindow done;
  ASSERT_TRUE(WaitForMessageText(arkwell->Id(), kAccessDenied, &done, kServiceDeadlineMs));
  EXPECT_TRUE(done.ButtonEnabled(IDC_SECOND));  // Log: the detail log is there
  ASSERT_TRUE(PressAndWaitClosed(done, IDC_OK));
  EXPECT_TRUE(WaitForPage(IDD_PAGE_PLAN_VIEW));
  EXPECT_EQ(BackupSetNames(drive).size(), 1u);
}

TEST_F(PlanWizardEndToEnd, FailedSaveKeepsThePreviousPlanAndStaysOnTheSummary) {
  CreatePlanAndBackUp();
  ASSERT_TRUE(WaitForSet(drive));
  const _BKUP_PLAN before = PlanOn(drive);
  // A folder where the new plan is written first: the save cannot go through.
  const std::wstring blocker = BackupFolder(drive) + L"\\Backup.plan.tmp";
  ASSERT_TRUE(::CreateDirectoryW(blocker.c_str(), nullptr));
  ASSERT_TRUE(PressAndWaitForPage(IDD_PAGE_PLAN_VIEW, IDC_WIZ_EDIT, IDD_PAGE_FOLDERS));
  ASSERT_TRUE(FoldersToSummary());
  ASSERT_TRUE(Press(IDD_PAGE_SUMMARY, IDC_WIZ_NEXT));
  ASSERT_TRUE(Answer(kSaveQuestion, IDC_OK));
  ASSERT_TRUE(Answer(kSaveFailed, IDC_OK));
  EXPECT_TRUE(WaitForPage(IDD_PAGE_SUMMARY));
  const _BKUP_PLAN after = PlanOn(drive);
  EXPECT_EQ(std::memcmp(&before, &after, sizeof(before)), 0) << "the stored plan changed";
  ::RemoveDirectoryW(blocker.c_str());
}

// Another disk that took the letter of the one pulled out: a folder of its own
// with a serial number of its own, gone again before the volume comes back.
class StandInVolume {
 public:
  explicit StandInVolume(const std::wstring& folder) : folder_(folder) {
    ::CreateDirectoryW(folder_.c_str(), nullptr);
    test::WriteFileBytes(folder_ + L"\\.windows-serial", {'1', '2', '3', '4', 'f', 'e', 'e', 'd', '\n'});
  }
  ~StandInVolume() {
    test::EmptyFolder(folder_);
    ::RemoveDirectoryW(folder_.c_str());
  }
  bool Untouched() const {
    return !test::PathExists(folder_ + L"\\CorvaneVaultkeep");
  }

 private:
  std::wstring folder_;
};

TEST_F(PlanWizardEndToEnd, DiskPulledOutBeforeSaveIsReportedAndNothingIsWritten) {
  ASSERT_NO_FATAL_FAILURE(StartAndOpen());
  WalkToSummary();
  PullOutVolume();
  {
    StandInVolume other(VolumeFolder(drive));
    ASSERT_TRUE(Press(IDD_PAGE_SUMMARY, IDC_WIZ_NEXT));
    ASSERT_TRUE(Answer(kSaveQuestion, IDC_OK));
    ASSERT_TRUE(Answer(kDeviceRemoved, IDC_OK));
    EXPECT_TRUE(WaitFor("the start page", kWindowDeadlineMs, [&] {
      return ShownPage() == IDD_PAGE_PLAN_START || ShownPage() == IDD_PAGE_NO_DEVICE;
    }));
    EXPECT_TRUE(other.Untouched());
  }
}

// A disk of a small NTFS partition, a larger FAT32 one and a large NTFS
// one: page 2 lists all three, offers the largest NTFS one, refuses FAT32,
// keeps the choice when coming back from the folders, and the plan lands on
// the partition chosen.
TEST_F(PlanWizardEndToEnd, PartitionPageOffersTheLargestNtfsAndRefusesFat) {
  const int third = ThirdScratchDrive();
  ASSERT_GE(second, 0);
  ASSERT_GE(third, 0);
  EmptyVolume(third);
  std::vector<int> letters = {drive, second, third};
  std::sort(letters.begin(), letters.end());
  struct Part {
    int drive;
    const wchar_t* fileSystem;
    uint64_t total;
    const wchar_t* sizeText;
  } parts[] = {{letters[0], L"NTFS", 100 * kGiB, L"100.00 GB"},
               {letters[1], L"FAT32", 900 * kGiB, L"900.00 GB"},
               {letters[2], L"NTFS", 500 * kGiB, L"500.00 GB"}};
  constexpr int kLargestNtfs = 2, kFat = 1;
  std::wstring diskLetters;
  std::vector<std::wstring> wantLines;
  for (const Part& p : parts) {
    ASSERT_TRUE(DescribeVolume(p.drive, {p.fileSystem, p.total, true, p.total / 2}));
    diskLetters += LetterOf(p.drive);
    wantLines.push_back(PartitionLine(p.drive, p.sizeText, p.fileSystem));
  }
  Attach(kDiskName, kDiskCaption, diskLetters);
  Start();
  ASSERT_TRUE(OpenMain());
  ASSERT_TRUE(WaitForPage(IDD_PAGE_PLAN_START));
  ASSERT_TRUE(PressAndWaitForPage(IDD_PAGE_PLAN_START, IDC_WIZ_NEXT, IDD_PAGE_PARTITION));
  const HWND page = Page(IDD_PAGE_PARTITION);
  const HWND list = Control(page, IDC_WIZ_LIST);
  EXPECT_EQ(ComboLines(list), wantLines);
  EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), kLargestNtfs);
  EXPECT_TRUE(Enabled(list)) << "a new plan may take any partition";

  ASSERT_TRUE(PickComboLine(page, IDC_WIZ_LIST, kFat));
  ASSERT_TRUE(Press(IDD_PAGE_PARTITION, IDC_WIZ_NEXT));
  ASSERT_TRUE(Answer(kPartitionRefused, IDC_OK));
  EXPECT_TRUE(WaitForPage(IDD_PAGE_PARTITION));

  ASSERT_TRUE(PickComboLine(page, IDC_WIZ_LIST, kLargestNtfs));
  ASSERT_TRUE(PressAndWaitForPage(IDD_PAGE_PARTITION, IDC_WIZ_NEXT, IDD_PAGE_FOLDERS));
  // Several NTFS partitions: back to page 2.
  ASSERT_TRUE(PressAndWaitForPage(IDD_PAGE_FOLDERS, IDC_WIZ_BACK, IDD_PAGE_PARTITION));
  EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), kLargestNtfs) << "the choice is kept";
  ASSERT_TRUE(PressAndWaitForPage(IDD_PAGE_PARTITION, IDC_WIZ_NEXT, IDD_PAGE_FOLDERS));
  ASSERT_TRUE(FoldersToSummary());
  ASSERT_TRUE(SaveWithoutBackingUp());
  for (const Part& p : parts) {
    _BKUP_PLAN plan = {};
    EXPECT_EQ(ReadPlanRecord(p.drive, &plan), p.drive == parts[kLargestNtfs].drive)
        << NarrowText(LetterOf(p.drive));
  }
}

// The disk fills up during the run: the low-space question first (the
// volume reports so little free), then the run's end with "disk full", and
// the half-written set is gone.
TEST_F(PlanWizardEndToEnd, FullVolumeEndsTheBackupWithDiskFullAndLeavesNoSet) {
  constexpr size_t kSourceBytes = 1 << 20;
  constexpr uint64_t kFreeBytes = 64 * 1024;  // less than the set needs
  test::WriteFileBytes(source + L"\\noise.bin", Noise(kSourceBytes));
  WriteOwnPlan(drive, ShiftLocalTime(Now(), kAnHour));
  ASSERT_TRUE(DescribeVolume(drive, {nullptr, 0, true, kFreeBytes}));
  AttachTestDisk();
  Start();
  ASSERT_TRUE(OpenMain());
  ASSERT_TRUE(WaitForPage(IDD_PAGE_PLAN_VIEW));
  ASSERT_TRUE(Press(IDD_PAGE_PLAN_VIEW, IDC_WIZ_BACKUP_NOW));
  ASSERT_TRUE(Answer(kStartBackup, IDC_OK));
  ASSERT_TRUE(Answer(kLowSpace, IDC_OK));
  ASSERT_TRUE(Answer(kDiskFull, IDC_OK, kServiceDeadlineMs));
  EXPECT_TRUE(WaitForPage(IDD_PAGE_PLAN_VIEW));
  EXPECT_TRUE(BackupSetNames(drive).empty());
  const _BKUP_PLAN plan = PlanOn(drive);
  EXPECT_EQ(plan.LastRun.wYear, 0) << "a failed run is no last run";
}

// Page 0 with the reminder of a plan whose disk is away: coming while the
// tray's clock is before it, missed once the clock has passed it.
TEST_F(PlanWizardEndToEnd, NoDevicePageShowsTheReminderComingThenMissed) {
  const SYSTEMTIME when = PlanTime(ShiftLocalTime(Now(), kADay));
  StoredSettings settings;
  settings.schedule = kMonthly;
  settings.reminder = when;
  WriteSettings(settings);
  ASSERT_TRUE(SetRegistryString(HKEY_CURRENT_USER, kUserSettingsKey, L"ScheduleFriendlyName",
                                kDiskCaption));
  Start();
  ASSERT_TRUE(ExpectNotice(kComingNotice));
  ASSERT_TRUE(OpenMain());
  ASSERT_TRUE(WaitForPage(IDD_PAGE_NO_DEVICE));
  const HWND page = Page(IDD_PAGE_NO_DEVICE);
  const std::wstring time = std::wstring(kComingLabel) + L" " +
                            FormatDateTime(when.wYear, when.wMonth, when.wDay, when.wHour, when.wMinute);
  EXPECT_EQ(ControlText(page, IDC_WIZ_REMINDER_HEADING), kComingHeading);
  EXPECT_EQ(ControlText(page, IDC_WIZ_REMINDER_DRIVE), kDiskCaption);
  EXPECT_EQ(ControlText(page, IDC_WIZ_REMINDER_TIME), time);

  MoveClock(2 * kADay);
  // The page is entered again (the Backup tab after another one).
  ASSERT_TRUE(Click(main_, kSettingTab));
  ASSERT_TRUE(WaitFor("the Setting tab", kWindowDeadlineMs, [&] { return Selected(main_, kSettingTab); }));
  ASSERT_TRUE(Click(main_, kBackupTab));
  ASSERT_TRUE(WaitFor("the missed heading", kWindowDeadlineMs, [&] {
    return ControlText(page, IDC_WIZ_REMINDER_HEADING) == kMissedHeading;
  }));
  EXPECT_TRUE(Shown(Control(page, IDC_WIZ_REMINDER_HEADING)));
  EXPECT_EQ(ControlText(page, IDC_WIZ_REMINDER_DRIVE), kDiskCaption);
  EXPECT_EQ(ControlText(page, IDC_WIZ_REMINDER_TIME), time);
}

// The plan's page as it opens: the summary on the page's colours, never
// shown selected, with the system's light scroll bar only for a folder list
// too long for the box.
TEST_F(PlanWizardEndToEnd, PlanPageShowsTheSummaryUnselectedWithAScrollBarOnlyWhenLong) {
  constexpr size_t kManyFolders = 40;
  struct Case {
    size_t folders;
    bool scrollBar;
  } cases[] = {{1, false}, {kManyFolders, true}};
  AttachTestDisk();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folders);
    std::wstring list = source;
    for (size_t i = 1; i < c.folders; ++i) list += std::wstring(1, L'\0') + source + std::to_wstring(i);
    ASSERT_TRUE(WriteHourlyPlan(drive, ShiftLocalTime(Now(), kAnHour), LogonName(),
                                L"20240101000000000", list));
    Start();
    ASSERT_TRUE(OpenMain());
    ASSERT_TRUE(WaitForPage(IDD_PAGE_PLAN_VIEW));
    const HWND box = Control(Page(IDD_PAGE_PLAN_VIEW), IDC_WIZ_SUMMARY);
    ASSERT_TRUE(WaitFor("the summary", kWindowDeadlineMs,
                        [&] { return ControlText(Page(IDD_PAGE_PLAN_VIEW), IDC_WIZ_SUMMARY).size() > 0; }));
    const LRESULT selection = ::SendMessageW(box, EM_GETSEL, 0, 0);
    EXPECT_EQ(LOWORD(selection), HIWORD(selection)) << "the summary shows selected";
    EXPECT_EQ((::GetWindowLongW(box, GWL_STYLE) & WS_VSCROLL) != 0, c.scrollBar);
    arkwell->Kill();
  }
}

// A disk whose partitions are all FAT32 cannot get a plan; with one of them
// NTFS the partition page is skipped both ways.
TEST_F(PlanWizardEndToEnd, DiskWithoutNtfsIsRefusedAndOneNtfsBesideFatSkipsThePartitionPage) {
  ASSERT_GE(second, 0);
  ASSERT_TRUE(DescribeVolume(drive, {L"FAT32", 0, false, 0}));
  ASSERT_TRUE(DescribeVolume(second, {L"FAT32", 0, false, 0}));
  Attach(kDiskName, kDiskCaption, LetterOf(drive) + LetterOf(second));
  Start();
  ASSERT_TRUE(OpenMain());
  ASSERT_TRUE(WaitForPage(IDD_PAGE_PLAN_START));
  ASSERT_TRUE(Press(IDD_PAGE_PLAN_START, IDC_WIZ_NEXT));
  ASSERT_TRUE(Answer(kDeviceRefused, IDC_OK));
  EXPECT_TRUE(WaitForPage(IDD_PAGE_PLAN_START));

  ForgetVolume(second);  // NTFS again, beside the FAT32 one
  ASSERT_TRUE(PressAndWaitForPage(IDD_PAGE_PLAN_START, IDC_WIZ_NEXT, IDD_PAGE_FOLDERS));
  ASSERT_TRUE(Press(IDD_PAGE_FOLDERS, IDC_WIZ_BACK));
  EXPECT_TRUE(WaitForPage(IDD_PAGE_PLAN_START));
}

}  // namespace
}  // namespace vk::driver
