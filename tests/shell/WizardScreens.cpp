// Brings the test build's Arkwell.exe to one of the wizards' states that the
// screenshots show from the real program, with the service and a simulated
// disk:
//   wizard_screens <scene> <language index> <done file>
// Scenes: plan-view (the main window on the plan's page, the plan and its
// last run filled in) and overwrite (the overwrite prompt of a real restore
// to the original place). Prints "ready x y w h" (the area to capture) once
// the state is on screen, then waits until the done file exists and cleans up.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "common/SharedNames.h"
#include "engine/BackupRun.h"
#include "resources/ResourceIds.h"
#include "shell/TrayClock.h"
#include "tests/driver/ShotProgram.h"
#include "tests/driver/UserSteps.h"
#include "tests/driver/MainWindowView.h"
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
constexpr DWORD kDrivePollMs = 100;
constexpr DWORD kNoDueCheckMs = 3600000;
constexpr DWORD kPromptDeadlineMs = 30000;
constexpr int64_t kSecondsPerHour = 3600;
constexpr wchar_t kDiskName[] = L"S2";
constexpr wchar_t kDiskCaption[] = L"Backup Disk";
constexpr wchar_t kPlanName[] = L"20240101000000000";

struct Stage {
  int drive = -1;
  std::wstring source;
  Program arkwell;
  HWND shown = nullptr;  // the window to capture
  bool service = false, disk = false;
};

// The program started with this PC's and user's plan on the disk, backed up
// once by the engine, and the main window open.
bool OpenWithOneSet(Stage& s) {
  if (!WriteHourlyPlan(s.drive, ShiftLocalTime(Now(), kSecondsPerHour), LogonName(), kPlanName,
                       s.source))
    return false;
  _BKUP_PLAN plan = {};
  if (!ReadPlanRecord(s.drive, &plan)) return false;
  const std::wstring list = s.source + std::wstring(2, L'\0');
  uint32_t unreadable = 0;
  if (BackupJob(nullptr, nullptr, nullptr, s.drive, &plan, list.c_str(), &unreadable, Now()) != 0)
    return false;
  AttachDisk({kDiskName, kDiskCaption, LetterOf(s.drive)});
  s.disk = true;
  if (!WaitForDiskListed(kDiskCaption) || !StartArkwell(&s.arkwell)) return false;
  CornerNotification notice;  // the coming run
  if (CornerNotification::WaitFor(s.arkwell.Id(), &notice)) notice.Close();
  ::PostMessageW(TrayWindow(s.arkwell.Id()), kMsgOpenMainWindow, 0, 0);
  return WaitForMainWindow(s.arkwell.Id(), &s.shown);
}

bool PlanView(Stage& s) {
  return OpenWithOneSet(s) && WaitForPage(s.shown, IDD_PAGE_PLAN_VIEW);
}

// A restore of the whole set to its original place, where one file has
// changed since: the prompt asks about it.
bool Overwrite(Stage& s) {
  if (!OpenWithOneSet(s)) return false;
  test::WriteFileBytes(s.source + L"\\notes.txt", std::vector<uint8_t>(7000, 'm'));
  HWND main = s.shown;
  if (!Click(main, kRestoreTab) || !WaitForPage(main, IDD_PAGE_RESTORE_SETS)) return false;
  HWND sets = Control(main, IDD_PAGE_RESTORE_SETS);
  if (!WaitFor("Next", kWindowDeadlineMs, [&] { return Enabled(Control(sets, IDC_REST_NEXT)); }) ||
      !Click(sets, IDC_REST_NEXT) || !WaitForPage(main, IDD_PAGE_RESTORE_FOLDERS))
    return false;
  HWND where = Control(main, IDD_PAGE_RESTORE_FOLDERS);
  if (!Click(where, IDC_REST_ORIGINAL) || !Click(where, IDC_REST_NEXT)) return false;
  MessageWindow question;
  if (!MessageWindow::WaitFor(s.arkwell.Id(), &question) || !question.Press(IDC_OK)) return false;
  return WaitFor("the overwrite prompt", kPromptDeadlineMs, [&] {
    for (HWND w : TopLevelWindows(s.arkwell.Id()))
      if (Shown(w) && Control(w, IDC_OW_REPLACE)) {
        s.shown = w;
        return true;
      }
    return false;
  });
}

using Setup = std::function<bool(Stage&)>;

const std::map<std::string, Setup>& Scenes() {
  static const std::map<std::string, Setup> scenes = {{"plan-view", &PlanView},
                                                      {"overwrite", &Overwrite}};
  return scenes;
}

void CleanUp(Stage& s) {
  s.arkwell.Kill();
  if (s.disk) DetachDisk(kDiskName);
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
  ResetProgramSettings(kDrivePollMs, kNoDueCheckMs, kNoDueCheckMs);
  ResetSimulation(kNoUpdateCheckMs, kNoUpdateCheckMs);
  s.service = static_cast<bool>(InstallService());
  SetRegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kLanguageValue, language);
  bool ok = s.service && found->second(s);
  if (ok) {
    AnnounceShot(s.shown);
    WaitForCapture(doneFile);
  }
  CleanUp(s);
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace vk::driver

int wmain(int argc, wchar_t** argv) { return vk::driver::ShotMain(argc, argv, vk::driver::Run); }
