// The test build's Arkwell.exe and ArkwellSvc.exe with simulated USB disks on
// the scratch volumes, as the end-to-end suites of the tray window and the
// plan wizard set them up: the service installed once per suite, a clean
// volume, settings and test key per test, the program started and ended.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/BkupTypes.h"
#include "shell/SimulatedClock.h"
#include "shell/TrayClock.h"
#include "tests/driver/MainWindowView.h"
#include "tests/driver/Observe.h"
#include "tests/driver/Program.h"
#include "tests/driver/Service.h"
#include "tests/driver/ServiceSuite.h"
#include "tests/driver/TrayHooks.h"
#include "tests/driver/Ui.h"
#include "tests/driver/UserSteps.h"
#include "tests/shell/TrayScenario.h"
#include "tests/support/TestVolume.h"

namespace vk::driver {

constexpr DWORD kTestDueCheckMs = 300;
constexpr DWORD kTestReleaseCheckMs = 3600000;
constexpr size_t kTooManyDisks = 6;
constexpr wchar_t kDiskName[] = L"T1";
constexpr wchar_t kDiskCaption[] = L"Tray Disk";

class ProgramEndToEnd : public ServiceSuite<::testing::Test> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(installed_) << installed_.message();
    drive = test::ScratchDriveIndex();
    ASSERT_GE(drive, 0);
    EmptyVolume(drive);
    second = SecondScratchDrive();
    if (second >= 0) EmptyVolume(second);
    ResetProgramSettings(kTestDueCheckMs, kTestReleaseCheckMs);
    source = MakeSourceFolder();
  }

  void TearDown() override {
    arkwell->Kill();
    for (const std::wstring& name : attached_) DetachDisk(name);
    if (!gone_.empty()) ::MoveFileW(gone_.c_str(), VolumeFolder(drive).c_str());
    ResetTrayHooks();
    if (!source.empty()) test::EmptyFolder(source);
  }

  static void EmptyVolume(int d) { test::EmptyFolder(DriveRoot(d)); }

  // An hourly plan on drive `d` running next at `nextRun`, made by `user`.
  void WritePlan(int d, const SYSTEMTIME& nextRun, const std::wstring& user, const wchar_t* name) {
    ASSERT_TRUE(WriteHourlyPlan(d, nextRun, user, name, source));
  }
  void WriteOwnPlan(int d, const SYSTEMTIME& nextRun, const wchar_t* name = L"20240101000000000") {
    WritePlan(d, nextRun, LogonName(), name);
  }

  void Attach(const wchar_t* name, const wchar_t* caption, const std::wstring& letters) {
    AttachDisk({name, caption, letters});
    attached_.push_back(name);
    ASSERT_TRUE(WaitForDiskListed(caption));
  }
  void AttachTestDisk() { Attach(kDiskName, kDiskCaption, LetterOf(drive)); }

  // Starts the program; one that ran before is ended first.
  void Start() {
    arkwell = std::make_unique<Program>();
    ASSERT_TRUE(StartArkwell(arkwell.get()));
  }

  HWND Tray() const { return TrayWindow(arkwell->Id()); }

  // Waits for a notification showing `text`, and closes it.
  ::testing::AssertionResult ExpectNotice(const wchar_t* text) {
    CornerNotification notice;
    ::testing::AssertionResult found = CornerNotification::WaitFor(arkwell->Id(), &notice);
    if (!found) return found;
    const std::wstring shown = notice.Text();
    if (shown.rfind(text, 0) != 0)
      return ::testing::AssertionFailure() << "another notification: " << NarrowText(shown);
    if (!notice.Close()) return ::testing::AssertionFailure() << "cannot close it";
    return notice.WaitUntilClosed();
  }

  // Text for a failure message; the name the walks built on this fixture use.
  static std::string Narrow(const std::wstring& text) { return NarrowText(text); }

  // The clock the program sees, moved by `seconds`.
  static void MoveClock(int64_t seconds) { SetTrayClockOffset(seconds); }
  static void HoldJobs(bool on) { driver::HoldJobs(on); }
  ::testing::AssertionResult WaitForBackupRunning() {
    return WaitFor("the backup to run", kWindowDeadlineMs,
                   [] { return UserSetting(L"DoingBackup") == 1; });
  }
  // The run has ended once its start is written back as the plan's last run
  // (after the run flag was cleared).
  ::testing::AssertionResult WaitForSet(int d) {
    return WaitFor("a backup set and the plan's last run", kServiceDeadlineMs, [&] {
      _BKUP_PLAN plan = {};
      return !BackupSetNames(d).empty() && ReadPlanRecord(d, &plan) && plan.LastRun.wYear != 0;
    });
  }
  _BKUP_PLAN PlanOn(int d) {
    _BKUP_PLAN plan = {};
    EXPECT_TRUE(ReadPlanRecord(d, &plan));
    return plan;
  }

  // Six disks, the test disk among them.
  void AttachTooManyDisks() {
    AttachTestDisk();
    for (size_t i = 1; i < kTooManyDisks; ++i) {
      const std::wstring name = L"X" + std::to_wstring(i);
      const std::wstring caption = L"Extra Disk " + std::to_wstring(i);
      Attach(name.c_str(), caption.c_str(), LetterOf(drive));
    }
  }

  // The partition of the test disk goes away, as a pulled-out disk's does.
  void PullOutVolume() {
    const std::wstring folder = VolumeFolder(drive);
    gone_ = folder + L".gone";
    // A run that died before its tear-down may have left the folder aside.
    test::EmptyFolder(gone_);
    ::RemoveDirectoryW(gone_.c_str());
    ASSERT_TRUE(::MoveFileW(folder.c_str(), gone_.c_str()));
  }

  int drive = -1;
  int second = -1;
  std::wstring source;
  std::unique_ptr<Program> arkwell = std::make_unique<Program>();

 private:
  std::vector<std::wstring> attached_;
  std::wstring gone_;
};

}  // namespace vk::driver
