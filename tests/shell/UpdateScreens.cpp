// Brings the test build's Arkwell.exe to one of the update path's states for
// its screenshots, with the service checking a local server:
//   update_screens <scene> <language index> <done file>
// Scenes: notice (the update notice), page (the update page), download (the
// download window part of the way through), failure (the download's failure
// message), version (the version window). Prints "ready x y w h" (the area
// to capture) once the state is on screen, then waits until the done file
// exists and cleans up.
#include "tests/shell/UpdateScenario.h"  // first: winsock2.h before windows.h

#include <cstdio>
#include <cwchar>
#include <functional>
#include <map>
#include <string>

#include "common/Messages.h"
#include "common/SharedNames.h"
#include "resources/ResourceIds.h"
#include "tests/driver/ShotProgram.h"
#include "tests/driver/UserSteps.h"
#include "tests/driver/MainWindowView.h"
#include "tests/driver/Observe.h"
#include "tests/driver/Program.h"
#include "tests/driver/Service.h"
#include "tests/driver/TrayHooks.h"
#include "tests/driver/Ui.h"

namespace vk::driver {
namespace {

constexpr DWORD kCheckMs = 300;  // the service's first check and period
constexpr DWORD kDrivePollMs = 100, kDueCheckMs = 300, kReleaseCheckMs = 200;
constexpr int kFullBar = 100;
// Whatever the installer holds: these scenes never get to its signature.
constexpr size_t kInstallerBytes = 256 * 1024;

struct Stage {
  UpdateServers servers;
  Program arkwell;
  bool service = false;
  HWND shot = nullptr;
};

bool Start(Stage& s) { return static_cast<bool>(StartArkwell(&s.arkwell)); }

bool Notice(Stage& s) {
  s.servers.PassCheck(s.servers.Ini(2, 5));
  return Start(s) && WaitForDialogWith(s.arkwell.Id(), IDC_UPD_CHECK, "the notice", &s.shot);
}

// The update page, reached through the notice's Update; `page` is the
// sub-page, the shot the main window.
bool Page(Stage& s, HWND* page) {
  if (!Notice(s) || !Click(s.shot, IDC_UPD_UPDATE) || !WaitForUpdatePage(s.arkwell.Id(), page))
    return false;
  s.shot = FindMainWindow(s.arkwell.Id());
  return s.shot != nullptr;
}

bool Download(Stage& s) {
  s.servers.ServeInstaller(s.servers.Gated(std::string(kInstallerBytes, 'x')),
                           UpdateServers::NotFound());
  HWND page = nullptr;
  if (!Page(s, &page) || !Click(page, IDC_UPDPG_UPDATE)) return false;
  if (!WaitForDialogWith(s.arkwell.Id(), IDC_DL_PROGRESS, "the download window", &s.shot))
    return false;
  return WaitFor("the bar part of the way", kWindowDeadlineMs, [&] {
    const int at = BarPosition(s.shot);
    return at > 0 && at < kFullBar;
  });
}

// No signature beside the installer: the failure comes at once.
bool Failure(Stage& s) {
  s.servers.ServeInstaller(UpdateServers::Serve(std::string(kInstallerBytes, 'x')),
                           UpdateServers::NotFound());
  HWND page = nullptr;
  if (!Page(s, &page) || !Click(page, IDC_UPDPG_UPDATE)) return false;
  MessageWindow message;
  if (!MessageWindow::WaitFor(s.arkwell.Id(), &message, kProcessDeadlineMs)) return false;
  s.shot = message.Hwnd();
  return true;
}

bool Version(Stage& s) {
  SetRegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kUpdateNoticeValue, 0);
  if (!Start(s)) return false;
  ::PostMessageW(TrayWindow(s.arkwell.Id()), kMsgOpenMainWindow, 0, 0);
  HWND main = nullptr;
  if (!WaitForMainWindow(s.arkwell.Id(), &main)) return false;
  PostCommand(main, IDM_ABOUTBOX);
  return WaitForDialogWith(s.arkwell.Id(), IDC_VER_VERSION, "the version window", &s.shot);
}

using Setup = std::function<bool(Stage&)>;

const std::map<std::string, Setup>& Scenes() {
  static const std::map<std::string, Setup> scenes = {
      {"notice", &Notice},
      {"page",
       [](Stage& s) {
         HWND page = nullptr;
         return Page(s, &page);
       }},
      {"download", &Download},
      {"failure", &Failure},
      {"version", &Version},
  };
  return scenes;
}

bool StartService(Stage& s, uint32_t language) {
  ResetSimulation(kCheckMs, kCheckMs);
  if (!InstallService()) return false;
  s.service = true;
  SetRegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kLanguageValue, language);
  SetRegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kUpdateNoticeValue, 1);
  return SetRegistryString(HKEY_LOCAL_MACHINE, kServiceKeyPath, UrlValueName(language).c_str(),
                           s.servers.IniUrl());
}

void CleanUp(Stage& s) {
  s.servers.OpenGate();
  s.arkwell.Kill();
  if (s.service) {
    RemoveService();
    ClearSimulation();
  }
  ClearProgramSettings();
  ::DeleteFileW(InstallerPath().c_str());
}

int Run(const std::string& scene, uint32_t language, const std::wstring& doneFile) {
  const auto found = Scenes().find(scene);
  if (found == Scenes().end()) return 2;
  Stage s;
  if (!s.servers.Running()) return 2;
  ResetProgramSettings(kDrivePollMs, kDueCheckMs, kReleaseCheckMs);
  ::DeleteFileW(InstallerPath().c_str());
  const bool ok = StartService(s, language) && found->second(s);
  if (ok) {
    AnnounceShot(s.shot);
    WaitForCapture(doneFile);
  }
  CleanUp(s);
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace vk::driver

int wmain(int argc, wchar_t** argv) { return vk::driver::ShotMain(argc, argv, vk::driver::Run); }
