// The tray window as a user and the other processes see it: the test build's
// Arkwell.exe and ArkwellSvc.exe with simulated USB disks on the scratch
// volumes. Schedules fall due by moving the program's clock through its test
// key; a running job is held at its next progress call the same way, so a
// test can act while it runs. What is checked is what can be observed: corner
// notifications and message windows, backup sets and plan files on the
// volumes, and the per-user settings in the registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/BkupTypes.h"
#include "engine/PlanFile.h"
#include "engine/TargetVolume.h"
#include "resources/ResourceIds.h"
#include "shell/SimulatedClock.h"
#include "shell/TrayClock.h"
#include "common/Handle.h"
#include "common/Messages.h"
#include "tests/driver/MainWindowView.h"
#include "tests/driver/Observe.h"
#include "tests/driver/Program.h"
#include "tests/driver/Service.h"
#include "tests/driver/TrayHooks.h"
#include "tests/driver/Ui.h"
#include "tests/driver/UserSteps.h"
#include "tests/shell/ProgramFixture.h"
#include "tests/shell/TrayScenario.h"
#include "tests/support/TestVolume.h"

namespace vk::driver {
namespace {

// Far enough to pass a plan's next run one hour ahead.
constexpr int64_t kPastTheNextRun = 3600 + 120;
constexpr int64_t kSecondsPerHour = 3600;
constexpr DWORD kNothingHappensMs = 1500;  // a window that should not appear
// The plan's rewrite tries for a second; the due check comes every 300 ms.
constexpr DWORD kPlanHeldMs = 3000;

constexpr wchar_t kSecondDiskName[] = L"T2";
constexpr wchar_t kSecondDiskCaption[] = L"Second Disk";

// The English texts the program is to show.
constexpr wchar_t kComing[] = L"You have the scheduled backup below.";
constexpr wchar_t kMissedAbsent[] =
    L"The scheduled backup was not executed as the target storage device was not connected.";
constexpr wchar_t kMissedAttached[] =
    L"The target storage device connected. \nYou have missed your scheduled backup. \n"
    L"Please click \"Backup Now\" and start the backup.";
constexpr wchar_t kBackupAborted[] =
    L"The former backup was failed as your PC was aborted. \nPlease click \"Backup Now\" and "
    L"start the backup if necessary.";
constexpr wchar_t kScheduledFailed[] =
    L"Scheduled backup failed. \nPlease go to the log dialogue to check the reason of the "
    L"failure.";
constexpr wchar_t kLowSpace[] =
    L"Unable to back up data as you have less than 5% of the space in your storage device.";
constexpr wchar_t kTooMany[] =
    L"You can connect 5 devices at a maximum. \nPlease remove the extra devices from your PC.";
constexpr wchar_t kExitQuestion[] =
    L"\"Vaultkeep\" will not back up your folders at the scheduled time if you exit this "
    L"software. \nDo you really want to exit?";

class TrayEndToEnd : public ProgramEndToEnd {
 protected:
  // Waits for the message showing `text` and answers it with `button`.
  ::testing::AssertionResult Answer(const wchar_t* text, UINT button,
                                    DWORD deadlineMs = kWindowDeadlineMs) {
    return AnswerMessage(arkwell->Id(), text, button, deadlineMs);
  }
  // A second start of the program, which hands over to this one: with six
  // disks attached the refusal is shown and answered OK.
  ::testing::AssertionResult SecondStartIsRefused() {
    const int exitCode = RunProgram(ArkwellExe(), L"");
    if (exitCode != 0)
      return ::testing::AssertionFailure() << "the second start ended with " << exitCode;
    return Answer(kTooMany, IDC_OK);
  }
  // The program started with an own plan due in an hour, the clock moved past
  // it, and the backup running, held at its next progress call.
  void StartWithAHeldBackup() {
    WriteOwnPlan(drive, ShiftLocalTime(Now(), kSecondsPerHour));
    AttachTestDisk();
    Start();
    EXPECT_TRUE(ExpectNotice(kComing));
    HoldJobs(true);
    MoveClock(kPastTheNextRun);
    ASSERT_TRUE(WaitForBackupRunning());
  }
  // Exit from the icon's menu, its question answered with `button`.
  ::testing::AssertionResult ExitAnswering(UINT button) {
    PostCommand(Tray(), IDM_TRAY_EXIT);
    return Answer(kExitQuestion, button);
  }
};

// ---- Schedules --------------------------------------------------------------------

TEST_F(TrayEndToEnd, DuePlanStartsAtTheNextTickAndItsTimesAreRewritten) {
  const SYSTEMTIME inAnHour = ShiftLocalTime(Now(), kSecondsPerHour);
  WriteOwnPlan(drive, inAnHour);
  AttachTestDisk();
  Start();
  EXPECT_FALSE(::IsWindowVisible(Tray()));  // the tray window itself is never shown
  // The coming run is announced at start; nothing runs before it is due.
  EXPECT_TRUE(ExpectNotice(kComing));
  EXPECT_TRUE(BackupSetNames(drive).empty());

  MoveClock(kPastTheNextRun);
  ASSERT_TRUE(WaitForSet(drive));
  EXPECT_EQ(BackupSetNames(drive).size(), 1u);
  const _BKUP_PLAN plan = PlanOn(drive);
  const SYSTEMTIME lastRun = plan.LastRun, nextRun = plan.NextRun;
  EXPECT_NE(lastRun.wYear, 0);                                 // the run's start
  EXPECT_GT(Ticks(nextRun), Ticks(ShiftLocalTime(Now(), kPastTheNextRun - 60)));
  EXPECT_EQ(nextRun.wMinute, 0);                               // hourly: on the hour
  EXPECT_GE(Ticks(lastRun), Ticks(PlanTime(inAnHour)));        // on the program's clock
  EXPECT_EQ(UserSetting(L"DoingBackup"), 0u);
}

// Another program holds the plan open (reading, as a scanner would) when
// the run ends, past the rewrite's retries: the plan on the disk still looks
// due, but the run is not made a second time, and its times land once the
// plan is free.
TEST_F(TrayEndToEnd, RunWhosePlanWasHeldAtItsEndIsNotMadeAgainAndItsTimesLandLater) {
  ASSERT_NO_FATAL_FAILURE(StartWithAHeldBackup());
  FileHandle held(::CreateFileW(PlanFilePath(drive).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  HoldJobs(false);
  ASSERT_TRUE(WaitFor("the run's end", kServiceDeadlineMs, [&] {
    return BackupSetNames(drive).size() == 1 && UserSetting(L"DoingBackup") == 0;
  }));
  const auto anotherRun = [&] {
    return BackupSetNames(drive).size() > 1 || UserSetting(L"DoingBackup") == 1;
  };
  // Past the rewrite's second of retries and several due checks.
  EXPECT_FALSE(WaitFor("another run", kPlanHeldMs, anotherRun));
  EXPECT_EQ(PlanOn(drive).LastRun.wYear, 0) << "the held plan took the times";

  held.Reset();
  EXPECT_TRUE(WaitFor("the run's times in the plan", kWindowDeadlineMs,
                      [&] { return PlanOn(drive).LastRun.wYear != 0; }));
  EXPECT_GT(Ticks(PlanOn(drive).NextRun), Ticks(ShiftLocalTime(Now(), kPastTheNextRun - 60)));
  EXPECT_FALSE(WaitFor("another run", kNothingHappensMs, anotherRun));
}

TEST_F(TrayEndToEnd, OverduePlanOnAnAttachedDiskIsAnnouncedAndRescheduledNotRun) {
  Start();
  WriteOwnPlan(drive, ShiftLocalTime(Now(), -kSecondsPerHour));
  AttachTestDisk();
  EXPECT_TRUE(ExpectNotice(kMissedAttached));
  ASSERT_TRUE(WaitFor("the new next run", kWindowDeadlineMs, [&] {
    const SYSTEMTIME next = PlanOn(drive).NextRun;
    return Ticks(next) > Ticks(Now());
  }));
  EXPECT_TRUE(BackupSetNames(drive).empty());
}

TEST_F(TrayEndToEnd, BackupCutShortAtTheLastRunIsAnnouncedAtStart) {
  StoredSettings s;
  s.doingBackup = 1;
  WriteSettings(s);
  Start();
  EXPECT_TRUE(ExpectNotice(kBackupAborted));
  EXPECT_TRUE(WaitFor("the flag cleared", kWindowDeadlineMs,
                      [] { return UserSetting(L"DoingBackup") == 0; }));
}

TEST_F(TrayEndToEnd, DuePlanWithFivePercentFreeIsRefusedAndRescheduled) {
  const SYSTEMTIME inAnHour = ShiftLocalTime(Now(), kSecondsPerHour);
  WriteOwnPlan(drive, inAnHour);
  SetRegistryDword(HKEY_LOCAL_MACHINE, kTrayTestKeyPath, kTestFreeSpaceValue, 5);
  AttachTestDisk();
  Start();
  EXPECT_TRUE(ExpectNotice(kComing));
  MoveClock(kPastTheNextRun);
  EXPECT_TRUE(ExpectNotice(kLowSpace));
  const SYSTEMTIME next = PlanOn(drive).NextRun;
  EXPECT_GT(Ticks(next), Ticks(ShiftLocalTime(Now(), kPastTheNextRun - 60)));
  EXPECT_TRUE(BackupSetNames(drive).empty());
}

TEST_F(TrayEndToEnd, PlanOfAnotherUserIsNeverRunNorAnnounced) {
  // A remembered run that passed: the first due check that starts nothing
  // says so, which shows that the check walked past the other user's plan.
  StoredSettings s;
  s.schedule = kHourly;
  s.reminder = MakeReminder(2020);
  WriteSettings(s);
  const SYSTEMTIME overdue = ShiftLocalTime(Now(), -kSecondsPerHour);
  WritePlan(drive, overdue, L"someone-else", L"20240101000000000");
  AttachTestDisk();
  Start();
  EXPECT_TRUE(ExpectNotice(kMissedAbsent));
  EXPECT_TRUE(BackupSetNames(drive).empty());
  EXPECT_TRUE(SameMinute(PlanOn(drive).NextRun, PlanTime(overdue)));  // untouched
}

TEST_F(TrayEndToEnd, TwoDuePlansRunOneAfterTheOther) {
  ASSERT_GE(second, 0) << "no second scratch volume";
  const SYSTEMTIME inAnHour = ShiftLocalTime(Now(), kSecondsPerHour);
  WriteOwnPlan(drive, inAnHour, L"20240101000000001");
  WriteOwnPlan(second, inAnHour, L"20240101000000002");
  AttachTestDisk();
  Attach(kSecondDiskName, kSecondDiskCaption, LetterOf(second));
  Start();
  EXPECT_TRUE(ExpectNotice(kComing));
  MoveClock(kPastTheNextRun);
  ASSERT_TRUE(WaitForSet(drive));
  ASSERT_TRUE(WaitForSet(second));
  const std::wstring first = BackupSetNames(drive)[0], next = BackupSetNames(second)[0];
  EXPECT_NE(first, next);  // named by their start times: not at once
  EXPECT_EQ(BackupSetNames(drive).size(), 1u);
  EXPECT_EQ(BackupSetNames(second).size(), 1u);
}

// ---- Jobs ------------------------------------------------------------------------

TEST_F(TrayEndToEnd, DiskPulledOutDuringAScheduledBackupEndsItAsGone) {
  ASSERT_NO_FATAL_FAILURE(StartWithAHeldBackup());
  DetachDisk(kDiskName);
  PullOutVolume();
  HoldJobs(false);
  EXPECT_TRUE(ExpectNotice(kScheduledFailed));
  EXPECT_TRUE(WaitFor("the run to end", kWindowDeadlineMs,
                      [] { return UserSetting(L"DoingBackup") == 0; }));
}

TEST_F(TrayEndToEnd, ExitIsRefusedWhileAJobRunsAndAskedAfterwards) {
  ASSERT_NO_FATAL_FAILURE(StartWithAHeldBackup());

  PostCommand(Tray(), IDM_TRAY_EXIT);
  ::PostMessageW(Tray(), WM_CLOSE, 0, 0);
  MessageWindow question;
  EXPECT_FALSE(MessageWindow::WaitFor(arkwell->Id(), &question, kNothingHappensMs));
  EXPECT_TRUE(arkwell->Running());

  HoldJobs(false);
  ASSERT_TRUE(WaitForSet(drive));
  ASSERT_TRUE(ExitAnswering(IDC_SECOND));  // Cancel: the program stays
  EXPECT_TRUE(arkwell->Running());
  ASSERT_TRUE(ExitAnswering(IDC_OK));
  EXPECT_TRUE(arkwell->WaitForExit());
}

TEST_F(TrayEndToEnd, SessionEndStopsTheJobAndTheNextStartAnnouncesIt) {
  ASSERT_NO_FATAL_FAILURE(StartWithAHeldBackup());

  DWORD_PTR answer = 0;
  ASSERT_NE(::SendMessageTimeoutW(Tray(), WM_ENDSESSION, TRUE, 0, SMTO_NORMAL,
                                  kProcessDeadlineMs, &answer), 0);
  // The job stopped within the session's end and left no set behind.
  EXPECT_TRUE(BackupSetNames(drive).empty());
  arkwell->Kill();  // the session ends the program
  HoldJobs(false);
  MoveClock(0);

  Start();
  EXPECT_TRUE(ExpectNotice(kBackupAborted));
}

// ---- Second start and the service ---------------------------------------------------

TEST_F(TrayEndToEnd, SecondStartHandsOverToTheRunningCopy) {
  AttachTooManyDisks();
  Start();
  // Opening the main window refreshes the drives first and refuses six.
  ASSERT_TRUE(SecondStartIsRefused());
  EXPECT_TRUE(arkwell->Running());
}

TEST_F(TrayEndToEnd, StoppedServiceKeepsTheDriveList) {
  WriteOwnPlan(drive, ShiftLocalTime(Now(), kSecondsPerHour));
  AttachTooManyDisks();
  Start();
  EXPECT_TRUE(ExpectNotice(kComing));  // the list is in
  ASSERT_TRUE(StopService());
  // A refresh while the service is away keeps the six disks.
  ASSERT_TRUE(SecondStartIsRefused());
  ASSERT_TRUE(StartService());
}

// ---- The main window ----------------------------------------------------------------

// A double-click on the icon, as the shell reports it to the tray window.
void DoubleClickIcon(HWND tray) { ::PostMessageW(tray, kMsgTrayIcon, 0, WM_LBUTTONDBLCLK); }

// What a drive button shows: the caption, the letters, then the size.
::testing::AssertionResult ShowsDisk(HWND main, UINT button, const std::wstring& caption,
                                     const std::wstring& letters) {
  const std::wstring text = ControlText(main, button);
  const std::wstring head = caption + L"\n" + letters + L"\n";
  if (text.rfind(head, 0) == 0 && text.size() > head.size()) return ::testing::AssertionSuccess();
  std::string shown;
  for (wchar_t c : text) shown += c == L'\n' ? '|' : c < 0x80 ? static_cast<char>(c) : '?';
  return ::testing::AssertionFailure() << "button " << button << " shows \"" << shown << "\"";
}

TEST_F(TrayEndToEnd, IconOpensTheMainWindowWithoutADiskOnPageZero) {
  Start();
  DoubleClickIcon(Tray());
  HWND main = nullptr;
  ASSERT_TRUE(WaitForMainWindow(arkwell->Id(), &main));
  EXPECT_EQ(ShownPage(main), static_cast<UINT>(IDD_PAGE_NO_DEVICE));
  for (UINT id = IDC_DRIVE_FIRST; id <= IDC_DRIVE_LAST; ++id) EXPECT_FALSE(Shown(Control(main, id)));
  ExpectTabs(main, {true, false, false, true});
  ASSERT_TRUE(OpenTab(main, kSettingTab, IDD_PAGE_LANGUAGE));
  EXPECT_TRUE(Selected(main, kSettingTab));
  ASSERT_TRUE(OpenTab(main, kBackupTab, IDD_PAGE_NO_DEVICE));
  // A second double-click while it is open opens no second window (the
  // answer to a message sent after it shows the tray has taken it).
  DoubleClickIcon(Tray());
  DWORD_PTR answer = 0;
  ASSERT_NE(::SendMessageTimeoutW(Tray(), WM_NULL, 0, 0, SMTO_NORMAL, kWindowDeadlineMs, &answer), 0);
  size_t mainWindows = 0;
  for (HWND w : TopLevelWindows(arkwell->Id()))
    if (Shown(w) && Control(w, IDC_TAB_FIRST)) ++mainWindows;
  EXPECT_EQ(mainWindows, 1u);
  ASSERT_TRUE(PressAndWaitGone(main, IDC_CLOSE));
  EXPECT_EQ(FindMainWindow(arkwell->Id()), nullptr);
  EXPECT_TRUE(arkwell->Running());  // the program stays in the notification area
}

TEST_F(TrayEndToEnd, MenuCommandOpensTheMainWindowShowingTheAttachedDisks) {
  AttachTestDisk();
  const bool two = second >= 0;
  if (two) {
    // The second disk carries a plan: it is the one selected at opening.
    WriteOwnPlan(second, ShiftLocalTime(Now(), kSecondsPerHour));
    Attach(kSecondDiskName, kSecondDiskCaption, LetterOf(second));
  }
  Start();
  if (two) {
    EXPECT_TRUE(ExpectNotice(kComing));
  }
  HWND main = nullptr;
  ASSERT_TRUE(OpenMainWindow(Tray(), arkwell->Id(), &main));
  const std::wstring letters = L"(" + LetterOf(drive) + L":)";
  EXPECT_TRUE(ShowsDisk(main, IDC_DRIVE_FIRST, kDiskCaption, letters));
  EXPECT_FALSE(Shown(Control(main, IDC_DRIVE_FIRST + (two ? 2 : 1))));
  if (two) {
    EXPECT_TRUE(ShowsDisk(main, IDC_DRIVE_FIRST + 1, kSecondDiskCaption,
                          L"(" + LetterOf(second) + L":)"));
    EXPECT_TRUE(Selected(main, IDC_DRIVE_FIRST + 1));
    EXPECT_EQ(ShownPage(main), static_cast<UINT>(IDD_PAGE_PLAN_VIEW));
    ASSERT_TRUE(OpenTab(main, kLogTab, IDD_PAGE_LOG));
    // The disk without a plan: the plan start, no restore or log.
    ASSERT_TRUE(Click(main, IDC_DRIVE_FIRST));
    ASSERT_TRUE(WaitFor("the first disk selected", kWindowDeadlineMs,
                        [&] { return Selected(main, IDC_DRIVE_FIRST); }));
    EXPECT_FALSE(Selected(main, IDC_DRIVE_FIRST + 1));
  }
  EXPECT_TRUE(Selected(main, IDC_DRIVE_FIRST));
  EXPECT_TRUE(WaitForPage(main, IDD_PAGE_PLAN_START));
  ExpectTabs(main, {true, false, false, true});
  ASSERT_TRUE(OpenTab(main, kSettingTab, IDD_PAGE_LANGUAGE));
  ASSERT_TRUE(PressAndWaitGone(main, IDC_CLOSE));
}

TEST_F(TrayEndToEnd, SixDisksAreRefusedAndFiveOpenTheWindowFromASecondStart) {
  AttachTooManyDisks();
  Start();
  ASSERT_TRUE(SecondStartIsRefused());
  EXPECT_EQ(FindMainWindow(arkwell->Id()), nullptr);

  const std::wstring last = L"Extra Disk " + std::to_wstring(kTooManyDisks - 1);
  DetachDisk(L"X" + std::to_wstring(kTooManyDisks - 1));
  ASSERT_TRUE(WaitForDiskGone(last));
  EXPECT_EQ(RunProgram(ArkwellExe(), L""), 0);
  HWND main = nullptr;
  ASSERT_TRUE(WaitForMainWindow(arkwell->Id(), &main));
  // The five left, each once; the extra disks name the test disk's
  // partition too, which the list gives to one disk only.
  std::vector<std::wstring> captions;
  for (UINT id = IDC_DRIVE_FIRST; id <= IDC_DRIVE_LAST; ++id) {
    EXPECT_TRUE(Shown(Control(main, id))) << id;
    const std::wstring text = ControlText(main, id);
    captions.push_back(text.substr(0, text.find(L'\n')));
    if (captions.back() == kDiskCaption) {
      EXPECT_TRUE(ShowsDisk(main, id, kDiskCaption, L"(" + LetterOf(drive) + L":)"));
    }
  }
  std::vector<std::wstring> expected = {kDiskCaption};
  for (size_t i = 1; i + 1 < kTooManyDisks; ++i) expected.push_back(L"Extra Disk " + std::to_wstring(i));
  std::sort(captions.begin(), captions.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(captions, expected);
  // Clicking each in turn selects it alone.
  for (UINT id = IDC_DRIVE_FIRST; id <= IDC_DRIVE_LAST; ++id) {
    ASSERT_TRUE(Click(main, id));
    ASSERT_TRUE(WaitFor("drive button selected", kWindowDeadlineMs, [&] { return Selected(main, id); }));
    for (UINT other = IDC_DRIVE_FIRST; other <= IDC_DRIVE_LAST; ++other) {
      if (other != id) {
        EXPECT_FALSE(Selected(main, other)) << other;
      }
    }
  }
  ASSERT_TRUE(PressAndWaitGone(main, IDC_CLOSE));
}

}  // namespace
}  // namespace vk::driver
