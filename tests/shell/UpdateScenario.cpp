#include "tests/shell/UpdateScenario.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "resources/ResourceIds.h"
#include "tests/driver/MainWindowView.h"
#include "tests/driver/Program.h"
#include "tests/driver/Ui.h"
#include "tests/support/TestVolume.h"

namespace vk::driver {
namespace {

using test::LocalHttpServer;

constexpr wchar_t kUrlValuePrefix[] = L"URL";
constexpr size_t kTricklePart = 4096;
constexpr DWORD kTrickleStepMs = 20;
// A gate nobody opens is given up after this, so the server can end.
constexpr DWORD kGateDeadlineMs = kProcessDeadlineMs;

std::string Head(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

std::wstring ProfileTemp() {
  wchar_t profile[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH);
  return std::wstring(profile) + L"\\AppData\\Local\\Temp";
}

std::wstring InstallerPath() { return ProfileTemp() + L"\\" + kInstallerName; }
std::wstring MarkerPath() { return InstallerPath() + kMarkerSuffix; }

std::wstring UrlValueName(uint32_t language) { return kUrlValuePrefix + std::to_wstring(language); }

std::string BuildFile(const char* hostPath) {
  const std::vector<uint8_t> bytes = test::ReadFileBytes(HostPathToWindows(hostPath));
  return std::string(bytes.begin(), bytes.end());
}

// ---- The servers ----------------------------------------------------------------

UpdateServers::UpdateServers()
    : ini_([this](SOCKET c, const std::string& path) { AnswerIni(c, path); }),
      setup_([this](SOCKET c, const std::string& path) { AnswerSetup(c, path); }) {}

std::string UpdateServers::Ini(int major, int minor, std::wstring page) const {
  const std::wstring news = page.empty() ? ini_.Url("/news.html") : page;
  return "[VKP]\r\nMajor=" + std::to_string(major) + "\r\nMinor=" + std::to_string(minor) +
         "\r\nURL=" + Narrow(news) + "\r\nSetupURL=" + Narrow(setup_.Url(kInstallerPath)) + "\r\n";
}

void UpdateServers::PassCheck(const std::string& ini) {
  std::lock_guard<std::mutex> hold(lock_);
  inis_.push_back(ini);
}

void UpdateServers::ServeInstaller(Answer installer, Answer signature) {
  std::lock_guard<std::mutex> hold(lock_);
  answers_[kInstallerPath] = std::move(installer);
  answers_[kSignaturePath] = std::move(signature);
}

size_t UpdateServers::Requests(const std::string& path) {
  const std::vector<std::string> paths = setup_.Paths();
  return static_cast<size_t>(std::count(paths.begin(), paths.end(), path));
}

Answer UpdateServers::Serve(const std::string& body) {
  return [body](SOCKET c) { LocalHttpServer::Send(c, LocalHttpServer::Answer("200 OK", body)); };
}

Answer UpdateServers::NotFound() {
  return [](SOCKET c) {
    LocalHttpServer::Send(c, LocalHttpServer::Answer("404 Not Found", "not here"));
  };
}

Answer UpdateServers::WithoutLength(const std::string& body) {
  return [body](SOCKET c) { LocalHttpServer::Send(c, "HTTP/1.0 200 OK\r\n\r\n" + body); };
}

Answer UpdateServers::Gated(const std::string& body) {
  return [this, body](SOCKET c) {
    const size_t half = body.size() / 2;
    if (!LocalHttpServer::Send(c, Head(body) + body.substr(0, half))) return;
    const ULONGLONG end = ::GetTickCount64() + kGateDeadlineMs;
    while (!gateOpen_ && !setup_.Stopping() && ::GetTickCount64() < end) ::Sleep(kPollIntervalMs);
    LocalHttpServer::Send(c, body.substr(half));
  };
}

Answer UpdateServers::Trickling(const std::string& body) {
  return [this, body](SOCKET c) {
    if (!LocalHttpServer::Send(c, Head(body) + body.substr(0, kTricklePart))) return;
    for (size_t i = kTricklePart; i < body.size() && !setup_.Stopping(); ++i) {
      if (!LocalHttpServer::Send(c, body.substr(i, 1))) return;
      ::Sleep(kTrickleStepMs);
    }
  };
}

void UpdateServers::AnswerIni(SOCKET client, const std::string& path) {
  std::string ini;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (path == kIniPath && !inis_.empty()) {
      ini = inis_.front();
      inis_.pop_front();
    }
  }
  // Without a Content-Length the service's download fails: no check
  // completes, and the record stays as it was.
  LocalHttpServer::Send(
      client, ini.empty() ? "HTTP/1.0 503 Busy\r\n\r\n" : LocalHttpServer::Answer("200 OK", ini));
}

void UpdateServers::AnswerSetup(SOCKET client, const std::string& path) {
  Answer answer;
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = answers_.find(path);
    if (it != answers_.end()) answer = it->second;
  }
  (answer ? answer : NotFound())(client);
}

// ---- The windows ----------------------------------------------------------------

HWND ShownDialogWith(DWORD pid, UINT id) {
  for (HWND w : TopLevelWindows(pid))
    if (Shown(w) && Control(w, id)) return w;
  return nullptr;
}

::testing::AssertionResult WaitForDialogWith(DWORD pid, UINT id, const char* what, HWND* found) {
  *found = nullptr;
  return WaitFor(what, kWindowDeadlineMs, [&] {
    *found = ShownDialogWith(pid, id);
    return *found != nullptr;
  });
}

int BarPosition(HWND download) {
  DWORD_PTR position = 0;
  ::SendMessageTimeoutW(Control(download, IDC_DL_PROGRESS), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG,
                        kWindowDeadlineMs, &position);
  return static_cast<int>(position);
}

::testing::AssertionResult WaitForUpdatePage(DWORD pid, HWND* page) {
  HWND main = nullptr;
  *page = nullptr;
  if (auto r = WaitForMainWindow(pid, &main); !r) return r;
  if (auto r = WaitForPage(main, IDD_PAGE_LANGUAGE); !r) return r;
  HWND sub = Control(Control(main, IDD_PAGE_LANGUAGE), IDD_UPDATE_PAGE);
  if (!Shown(sub)) return ::testing::AssertionFailure() << "the update sub-page is not shown";
  *page = sub;
  return ::testing::AssertionSuccess();
}

}  // namespace vk::driver
