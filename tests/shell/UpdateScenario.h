// What the update path's end-to-end tests and its screenshots set up: two
// local HTTP servers, one for the service's update INI (answering only the
// checks let through, so that the caller decides how many checks complete)
// and one for the installer and its signature (answering as the caller
// says), and the update windows of the program found by their controls.
#pragma once
#include "tests/driver/LocalHttpServer.h"  // first: winsock2.h before windows.h

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace vk::driver {

inline constexpr char kIniPath[] = "/update.ini";
inline constexpr char kInstallerPath[] = "/dl/UpdateTestSetup.exe";
inline constexpr char kSignaturePath[] = "/dl/UpdateTestSetup.exe.sig";
inline constexpr wchar_t kInstallerName[] = L"UpdateTestSetup.exe";
inline constexpr wchar_t kMarkerSuffix[] = L".ran";  // left by the test installer

// The temporary folder below this user's profile folder, where the program
// downloads the installer and the one folder the service deletes from; the
// installer's place there, and the marker the test installer leaves.
std::wstring ProfileTemp();
std::wstring InstallerPath();
std::wstring MarkerPath();

// The service's value that names the update INI for `language`.
std::wstring UrlValueName(uint32_t language);

// A file of this build, given its path on the host.
std::string BuildFile(const char* hostPath);

// How the installer server answers one request.
using Answer = std::function<void(SOCKET)>;

class UpdateServers {
 public:
  UpdateServers();
  UpdateServers(const UpdateServers&) = delete;
  UpdateServers& operator=(const UpdateServers&) = delete;

  bool Running() const { return ini_.Port() > 0 && setup_.Port() > 0; }
  std::wstring IniUrl() const { return ini_.Url(kIniPath); }

  // The update INI naming `major`.`minor`, the installer on the second
  // server, and `page` (by default one on the first server) as the release
  // page.
  std::string Ini(int major, int minor, std::wstring page = {}) const;
  // Lets one check of the service through with `ini`; the others fail.
  void PassCheck(const std::string& ini);

  // What the second server answers for the installer and its signature;
  // a path without an answer gets a 404 page.
  void ServeInstaller(Answer installer, Answer signature);
  // How often the second server was asked for `path`.
  size_t Requests(const std::string& path);

  static Answer Serve(const std::string& body);
  static Answer NotFound();
  static Answer WithoutLength(const std::string& body);
  // The first half of `body`, the rest once OpenGate() is called.
  Answer Gated(const std::string& body);
  // A part of `body`, then a byte at a time until the client goes away.
  Answer Trickling(const std::string& body);
  void OpenGate() { gateOpen_ = true; }

 private:
  void AnswerIni(SOCKET client, const std::string& path);
  void AnswerSetup(SOCKET client, const std::string& path);

  // Before the servers: their threads use these until they are joined.
  std::mutex lock_;
  std::deque<std::string> inis_;
  std::map<std::string, Answer> answers_;
  std::atomic<bool> gateOpen_{false};
  test::LocalHttpServer ini_, setup_;
};

// ---- The update windows of process `pid` ------------------------------------

// The shown top-level window of `pid` that has control `id`: the notice
// (IDC_UPD_CHECK), the download window (IDC_DL_PROGRESS).
HWND ShownDialogWith(DWORD pid, UINT id);
::testing::AssertionResult WaitForDialogWith(DWORD pid, UINT id, const char* what, HWND* found);
// The download window's bar position.
int BarPosition(HWND download);
// The main window on the Setting page with its update sub-page shown.
::testing::AssertionResult WaitForUpdatePage(DWORD pid, HWND* page);

}  // namespace vk::driver
