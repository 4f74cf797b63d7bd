// Brings the test build's Arkwell.exe to one of the states the screenshots
// show, with the service and a simulated disk where the state needs them:
//   tray_screens <scene> <language index> <done file>
// Scenes: menu (the icon's menu open; run inside a desktop with a
// notification area) and the corner notifications coming, missed-absent,
// missed-attached, backup-aborted, restore-aborted, backup-failed,
// low-space. Prints "ready x y w h" (the area to capture) once the state is
// on screen, then waits until the done file exists and cleans up.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "common/Messages.h"
#include "common/SharedNames.h"
#include "shell/SimulatedClock.h"
#include "shell/TrayClock.h"
#include "tests/driver/ShotProgram.h"
#include "tests/driver/UserSteps.h"
#include "tests/driver/Observe.h"
#include "tests/driver/Program.h"
#include "tests/driver/Service.h"
#include "tests/driver/TrayHooks.h"
#include "tests/driver/Ui.h"
#include "tests/shell/TrayScenario.h"
#include "tests/support/TestVolume.h"

namespace vk::driver {
namespace {

constexpr DWORD kNoUpdateCheckMs = 3600000;
// The tray's periods: disks seen and schedules checked at once, no release check.
constexpr DWORD kDrivePollMs = 100, kDueCheckMs = 300;
constexpr int64_t kSecondsPerHour = 3600;
constexpr int64_t kPastTheNextRun = kSecondsPerHour + 120;
constexpr wchar_t kDiskName[] = L"S1";
constexpr wchar_t kDiskCaption[] = L"Backup Disk";
constexpr wchar_t kPlanName[] = L"20240101000000000";
constexpr wchar_t kMenuClass[] = L"#32768";
// Left of the notification area of a 1024 x 768 desktop, so that the menu
// leaves the icon in sight; the shot is the desktop's lower-right corner.
constexpr POINT kMenuCursor = {780, 745};
constexpr RECT kMenuShot = {544, 568, 1024, 768};

struct Stage {
  int drive = -1;
  std::wstring source;
  Program arkwell;
  bool service = false, disk = false, pulled = false;
};

bool StartProgram(Stage& s) { return static_cast<bool>(StartArkwell(&s.arkwell)); }

bool StartService(Stage& s, uint32_t language) {
  ResetSimulation(kNoUpdateCheckMs, kNoUpdateCheckMs);
  if (!InstallService()) return false;
  s.service = true;
  SetRegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kLanguageValue, language);
  return true;
}

bool AttachWithPlan(Stage& s, const SYSTEMTIME& nextRun) {
  if (!WriteHourlyPlan(s.drive, nextRun, LogonName(), kPlanName, s.source)) return false;
  AttachDisk({kDiskName, kDiskCaption, LetterOf(s.drive)});
  s.disk = true;
  return WaitForDiskListed(kDiskCaption);
}

// Closes the notification on screen (the coming run at start).
bool CloseNotice(Stage& s) {
  CornerNotification notice;
  if (!CornerNotification::WaitFor(s.arkwell.Id(), &notice)) return false;
  return notice.Close() && notice.WaitUntilClosed();
}

bool DueRun(Stage& s) {
  if (!AttachWithPlan(s, ShiftLocalTime(Now(), kSecondsPerHour)) || !StartProgram(s) ||
      !CloseNotice(s))
    return false;
  SetTrayClockOffset(kPastTheNextRun);
  return true;
}

bool PullOut(Stage& s) {
  HoldJobs(true);
  if (!DueRun(s)) return false;
  if (!WaitFor("the backup", kWindowDeadlineMs, [] { return UserSetting(L"DoingBackup") == 1; }))
    return false;
  DetachDisk(kDiskName);
  s.disk = false;
  const std::wstring folder = VolumeFolder(s.drive);
  s.pulled = ::MoveFileW(folder.c_str(), (folder + L".gone").c_str()) != FALSE;
  HoldJobs(false);
  return s.pulled;
}

bool OpenMenu(Stage& s) {
  if (!StartProgram(s)) return false;
  ::SetCursorPos(kMenuCursor.x, kMenuCursor.y);
  ::PostMessageW(TrayWindow(s.arkwell.Id()), kMsgTrayIcon, 0, WM_RBUTTONDOWN);
  return WaitFor("the menu", kWindowDeadlineMs,
                 [] { return FindTopWindow(0, kMenuClass, nullptr) != nullptr; });
}

using Setup = std::function<bool(Stage&)>;

const std::map<std::string, Setup>& Scenes() {
  static const std::map<std::string, Setup> scenes = {
      {"menu", &OpenMenu},
      {"coming",
       [](Stage& s) {
         return AttachWithPlan(s, ShiftLocalTime(Now(), kSecondsPerHour)) && StartProgram(s);
       }},
      {"missed-absent",
       [](Stage& s) {
         StoredSettings settings;
         settings.schedule = kHourly;
         settings.reminder = MakeReminder(2020);
         WriteSettings(settings);
         return StartProgram(s);
       }},
      {"missed-attached",
       [](Stage& s) {
         return AttachWithPlan(s, ShiftLocalTime(Now(), -kSecondsPerHour)) && StartProgram(s);
       }},
      {"backup-aborted",
       [](Stage& s) {
         StoredSettings settings;
         settings.doingBackup = 1;
         WriteSettings(settings);
         return StartProgram(s);
       }},
      {"restore-aborted",
       [](Stage& s) {
         StoredSettings settings;
         settings.doingRestore = 1;
         WriteSettings(settings);
         return StartProgram(s);
       }},
      {"backup-failed", &PullOut},
      {"low-space",
       [](Stage& s) {
         SetRegistryDword(HKEY_LOCAL_MACHINE, kTrayTestKeyPath, kTestFreeSpaceValue, 5);
         return DueRun(s);
       }},
  };
  return scenes;
}

bool Announce(const std::string& scene, DWORD pid) {
  RECT rc = {};
  if (scene == "menu") {
    rc = kMenuShot;
  } else {
    CornerNotification notice;
    if (!CornerNotification::WaitFor(pid, &notice)) return false;
    ::GetWindowRect(notice.Hwnd(), &rc);
  }
  AnnounceShot(rc);
  return true;
}

void CleanUp(Stage& s) {
  s.arkwell.Kill();
  if (s.disk) DetachDisk(kDiskName);
  if (s.pulled) {
    const std::wstring folder = VolumeFolder(s.drive);
    ::MoveFileW((folder + L".gone").c_str(), folder.c_str());
  }
  if (s.service) {
    RemoveService();
    ClearSimulation();
  }
  ClearProgramSettings();
  test::EmptyFolder(DriveRoot(s.drive));
}

int Run(const std::string& scene, uint32_t language, const std::wstring& doneFile) {
  const auto found = Scenes().find(scene);
  if (found == Scenes().end()) return 2;
  Stage s;
  s.drive = test::ScratchDriveIndex();
  if (s.drive < 0) return 2;
  test::EmptyFolder(DriveRoot(s.drive));
  s.source = MakeSourceFolder();
  ResetProgramSettings(kDrivePollMs, kDueCheckMs, kNoUpdateCheckMs);
  bool ok = StartService(s, language) && found->second(s) && Announce(scene, s.arkwell.Id());
  if (ok) {
    WaitForCapture(doneFile);
  }
  CleanUp(s);
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace vk::driver

int wmain(int argc, wchar_t** argv) { return vk::driver::ShotMain(argc, argv, vk::driver::Run); }
