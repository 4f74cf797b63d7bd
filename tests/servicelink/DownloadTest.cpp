// The installer download against a local server: a signed installer kept
// and held unchanged, every installer nobody vouched for deleted, the
// answers that fail (with and without the failure wait), cancels during the
// body and during the wait, and the folder the service accepts.
#include "tests/driver/LocalHttpServer.h"  // first: winsock2.h before windows.h

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/Handle.h"
#include "service/RequestHandler.h"
#include "servicelink/Download.h"
#include "tests/driver/Program.h"
#include "tests/support/TestVolume.h"

namespace vk::test {
namespace {

using namespace vk::link;

constexpr char kInstallerPath[] = "/dl/DownloadTestSetup.exe";
constexpr char kSignaturePath[] = "/dl/DownloadTestSetup.exe.sig";
// Short enough for the tests, long enough to tell a wait from none.
constexpr DWORD kShortWaitMs = 400;
constexpr ULONGLONG kPromptMs = 10000;  // far below the real wait and any time-out
constexpr DWORD kShortTimeoutMs = 1000;

std::string Fixture(const char* name) {
  std::vector<uint8_t> bytes = ReadFileBytes(
      driver::HostPathToWindows(VK_TEST_DOWNLOAD_FIXTURES) + L"\\" +
      std::wstring(name, name + std::char_traits<char>::length(name)));
  return std::string(bytes.begin(), bytes.end());
}

using Answer = std::function<void(SOCKET)>;

Answer Serve(const std::string& body) {
  return [body](SOCKET c) { LocalHttpServer::Send(c, LocalHttpServer::Answer("200 OK", body)); };
}
Answer Raw(const std::string& text) {
  return [text](SOCKET c) { LocalHttpServer::Send(c, text); };
}
Answer NotFound() {
  return [](SOCKET c) { LocalHttpServer::Send(c, LocalHttpServer::Answer("404 Not Found", "no")); };
}

// Sends `text`, then nothing more, holding the connection open until the
// client goes away or the server stops.
Answer Stall(const std::string& text, const LocalHttpServer& server) {
  return [text, &server](SOCKET c) {
    if (!text.empty() && !LocalHttpServer::Send(c, text)) return;
    constexpr long kPollUs = 20000;
    while (!server.Stopping()) {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(c, &set);
      timeval wait{0, kPollUs};
      char byte;
      if (select(0, &set, nullptr, nullptr, &wait) == 1 && recv(c, &byte, 1, 0) <= 0) return;
    }
  };
}

class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    installer = Fixture("installer.bin");
    goodSignature = Fixture("installer.good.sig");
    ASSERT_EQ(goodSignature.size(), kSignatureBytes);
    ASSERT_GT(server.Port(), 0);
  }

  std::wstring SetupUrl() const { return server.Url(kInstallerPath); }
  DownloadOptions Short() const {
    DownloadOptions options;
    options.failureWaitMs = kShortWaitMs;
    return options;
  }
  size_t Requests(const std::string& path) {
    size_t n = 0;
    for (const std::string& p : server.Paths()) n += p == path;
    return n;
  }

  std::string installer, goodSignature;
  Answer installerAnswer, signatureAnswer;
  LocalHttpServer server{[this](SOCKET client, const std::string& path) {
    if (path == kInstallerPath && installerAnswer) return installerAnswer(client);
    if (path == kSignaturePath && signatureAnswer) return signatureAnswer(client);
    NotFound()(client);
  }};
};

TEST(DownloadPercent, FollowsTheBarRule) {
  const struct {
    uint32_t received, total;
    int percent;
  } cases[] = {
      {0, 0, 0},       {5, 0, 0},       {0, 2000, 0},
      // A 2000-byte installer in blocks of 512: 25, 51, 76, then 100.
      {512, 2000, 25}, {1024, 2000, 51}, {1536, 2000, 76}, {2000, 2000, 100},
      {2500, 2000, 100}, {1, 1000000, 1}, {999999, 1000000, 99},
      {0xFFFFFFFEu, 0xFFFFFFFFu, 99},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DownloadPercent(c.received, c.total), c.percent) << c.received << "/" << c.total;
}

TEST_F(DownloadTest, SignedInstallerIsKeptAndCannotBeChangedWhileHeld) {
  installerAnswer = Serve(installer);
  signatureAnswer = Serve(goodSignature);
  std::wstring path;
  {
    InstallerDownload download(SetupUrl().c_str(), Short());
    path = download.LocalPath();
    ASSERT_EQ(download.Run(), kDownloadDone);
    EXPECT_TRUE(download.Started());
    EXPECT_EQ(download.Total(), installer.size());
    EXPECT_EQ(download.Received(), installer.size());
    EXPECT_EQ(download.Percent(), 100);
    std::vector<uint8_t> kept = ReadFileBytes(path);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), installer);
    // Between the check and the start nobody may change or replace the file.
    FileHandle writer(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(writer);
    EXPECT_FALSE(::DeleteFileW(path.c_str()));
  }
  EXPECT_TRUE(::DeleteFileW(path.c_str()));  // released with the download
}

TEST_F(DownloadTest, InstallerNobodyVouchedForIsDeleted) {
  std::string tampered = installer;
  tampered[tampered.size() / 2] ^= 0x01;
  std::string otherSignature = Fixture("installer.other.sig");
  std::string garbage(kSignatureBytes, '\x5A');
  const struct {
    const char* what;
    Answer installer, signature;
  } cases[] = {
      {"one byte changed", Serve(tampered), Serve(goodSignature)},
      {"no .sig on the server", Serve(installer), NotFound()},
      {"signed by another key", Serve(installer), Serve(otherSignature)},
      {"signature one byte short", Serve(installer), Serve(goodSignature.substr(1))},
      {"signature one byte long", Serve(installer), Serve(goodSignature + "x")},
      {"signature of garbage", Serve(installer), Serve(garbage)},
      {"signature without a length", Serve(installer),
       Raw("HTTP/1.0 200 OK\r\n\r\n" + goodSignature)},
  };
  for (const auto& c : cases) {
    installerAnswer = c.installer;
    signatureAnswer = c.signature;
    InstallerDownload download(SetupUrl().c_str(), Short());
    EXPECT_EQ(download.Run(), kDownloadUnverified) << c.what;
    EXPECT_EQ(download.Received(), installer.size()) << c.what;
    EXPECT_FALSE(PathExists(download.LocalPath())) << c.what;
  }
}

TEST_F(DownloadTest, ProgramBuiltWithoutAKeyRefusesEveryInstaller) {
  installerAnswer = Serve(installer);
  signatureAnswer = Serve(goodSignature);
  DownloadOptions options = Short();
  options.key = PublicKeyBlob{};
  InstallerDownload download(SetupUrl().c_str(), options);
  EXPECT_EQ(download.Run(), kDownloadUnverified);
  EXPECT_FALSE(PathExists(download.LocalPath()));
}

TEST_F(DownloadTest, BadAnswersFailAndLeaveNoFile) {
  const std::string head = "HTTP/1.0 200 OK\r\n";
  const std::string tooLong = std::to_string(uint64_t{kMaxInstallerBytes} + 1);
  const struct {
    const char* what;
    Answer answer;
    bool waits;   // the failure wait before the result
    bool starts;  // the body is taken (bytes written) before the failure
  } cases[] = {
      {"no Content-Length", Raw(head + "\r\n" + installer), true, false},
      {"404 with a page", NotFound(), true, false},
      {"redirect", Raw("HTTP/1.0 302 Found\r\nLocation: /other.exe\r\nContent-Length: 0\r\n\r\n"),
       true, false},
      {"Content-Length above the maximum",
       Raw(head + "Content-Length: " + tooLong + "\r\n\r\n" + installer), false, false},
      {"Content-Length past 64 bits",
       Raw(head + "Content-Length: 99999999999999999999999\r\n\r\n" + installer), true, false},
      {"Content-Length 0", Raw(head + "Content-Length: 0\r\n\r\n"), false, false},
      {"body ends short",
       Raw(head + "Content-Length: " + std::to_string(installer.size()) + "\r\n\r\n" +
           installer.substr(0, installer.size() / 2)),
       false, true},
  };
  for (const auto& c : cases) {
    installerAnswer = c.answer;
    signatureAnswer = Serve(goodSignature);
    InstallerDownload download(SetupUrl().c_str(), Short());
    ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(download.Run(), kDownloadFailed) << c.what;
    ULONGLONG took = ::GetTickCount64() - start;
    if (c.waits)
      EXPECT_GE(took, kShortWaitMs) << c.what;
    else
      EXPECT_LT(took, kShortWaitMs) << c.what;
    EXPECT_EQ(download.Started(), c.starts) << c.what;
    EXPECT_EQ(download.Received() > 0, c.starts) << c.what;
    EXPECT_FALSE(PathExists(download.LocalPath())) << c.what;
  }
  EXPECT_EQ(Requests(kSignaturePath), 0u);  // no installer, no signature asked for
}

TEST_F(DownloadTest, CancelDuringTheBodyDeletesThePartialFileAndReportsToTheWindow) {
  // A server that sends a part of the body and then dribbles until the
  // client goes away.
  std::string part = installer.substr(0, 4096);
  installerAnswer = [&](SOCKET c) {
    if (!LocalHttpServer::Send(c, "HTTP/1.0 200 OK\r\nContent-Length: " +
                                      std::to_string(installer.size()) + "\r\n\r\n" + part))
      return;
    for (size_t i = part.size(); i < installer.size() && !server.Stopping(); ++i) {
      if (!LocalHttpServer::Send(c, installer.substr(i, 1))) return;
      ::Sleep(20);
    }
  };
  HWND window = ::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
  ASSERT_TRUE(window);
  InstallerDownload download(SetupUrl().c_str(), Short());
  ASSERT_TRUE(download.Start(window));
  ULONGLONG deadline = ::GetTickCount64() + kPromptMs;
  while (download.Received() < part.size() && ::GetTickCount64() < deadline) ::Sleep(10);
  ASSERT_GE(download.Received(), part.size());
  EXPECT_TRUE(PathExists(download.LocalPath()));
  EXPECT_GT(download.Percent(), 0);
  EXPECT_LT(download.Percent(), 100);
  ULONGLONG start = ::GetTickCount64();
  download.Cancel();
  download.Join();
  EXPECT_LT(::GetTickCount64() - start, kPromptMs);
  EXPECT_TRUE(download.Finished());
  EXPECT_EQ(download.Result(), kDownloadCancelled);
  EXPECT_FALSE(PathExists(download.LocalPath()));
  MSG msg{};
  ASSERT_TRUE(::PeekMessageW(&msg, window, kMsgDownloadEnded, kMsgDownloadEnded, PM_REMOVE));
  EXPECT_EQ(msg.lParam, kDownloadCancelled);
  ::DestroyWindow(window);
}

// A server that stops sending ends the download at the time-out, whether it
// stops before its answer or in the middle of the body.
TEST_F(DownloadTest, ServerThatStopsSendingFailsAtTheTimeOut) {
  const std::string head =
      "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(installer.size()) + "\r\n\r\n";
  const struct {
    const char* what;
    std::string sent;
    bool starts;
  } cases[] = {
      {"no answer", "", false},
      {"the body stops", head + installer.substr(0, installer.size() / 3), true},
  };
  for (const auto& c : cases) {
    installerAnswer = Stall(c.sent, server);
    DownloadOptions options = Short();
    options.timeoutMs = kShortTimeoutMs;
    InstallerDownload download(SetupUrl().c_str(), options);
    ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(download.Run(), kDownloadFailed) << c.what;
    EXPECT_LT(::GetTickCount64() - start, kPromptMs) << c.what;
    EXPECT_EQ(download.Started(), c.starts) << c.what;
    EXPECT_FALSE(PathExists(download.LocalPath())) << c.what;
  }
}

// Closing the handles does not end a read that waits with every WinINet:
// the cancel of a stalled download comes through by the time-out at the
// latest, and still deletes the partial file.
TEST_F(DownloadTest, CancelDuringAStallEndsByTheTimeOutAtTheLatest) {
  installerAnswer = Stall("HTTP/1.0 200 OK\r\nContent-Length: " +
                              std::to_string(installer.size()) + "\r\n\r\n" +
                              installer.substr(0, 4096),
                          server);
  DownloadOptions options = Short();
  options.timeoutMs = kShortTimeoutMs;
  InstallerDownload download(SetupUrl().c_str(), options);
  ASSERT_TRUE(download.Start());
  ULONGLONG deadline = ::GetTickCount64() + kPromptMs;
  while (download.Received() == 0 && ::GetTickCount64() < deadline) ::Sleep(10);
  ASSERT_GT(download.Received(), 0u);
  ULONGLONG start = ::GetTickCount64();
  download.Cancel();
  download.Join();
  EXPECT_LT(::GetTickCount64() - start, kShortTimeoutMs + kPromptMs);
  EXPECT_EQ(download.Result(), kDownloadCancelled);
  EXPECT_FALSE(PathExists(download.LocalPath()));
}

TEST_F(DownloadTest, CancelDuringTheFailureWaitEndsItAtOnce) {
  installerAnswer = Raw("HTTP/1.0 200 OK\r\n\r\n" + installer);  // no length: the wait
  InstallerDownload download(SetupUrl().c_str());  // the real, 5-second wait
  ASSERT_TRUE(download.Start());
  ULONGLONG deadline = ::GetTickCount64() + kPromptMs;
  while (Requests(kInstallerPath) == 0 && ::GetTickCount64() < deadline) ::Sleep(10);
  ASSERT_EQ(Requests(kInstallerPath), 1u);
  ULONGLONG start = ::GetTickCount64();
  download.Cancel();
  download.Join();
  EXPECT_LT(::GetTickCount64() - start, kFailureWaitMs / 2);
  EXPECT_EQ(download.Result(), kDownloadCancelled);
  EXPECT_FALSE(PathExists(download.LocalPath()));
}

TEST_F(DownloadTest, SetupUrlThatNamesNoPlainInstallerIsNotFetched) {
  installerAnswer = Serve(installer);
  for (std::wstring url : {server.Url("/dl/setup.bat"), server.Url("/dl/"),
                           std::wstring(L"ftp://127.0.0.1/dl/DownloadTestSetup.exe")}) {
    InstallerDownload download(url.c_str(), Short());
    EXPECT_EQ(download.Run(), kDownloadNoSession) << url;
  }
  EXPECT_TRUE(server.Paths().empty());
}

TEST_F(DownloadTest, InstallerGoesWhereTheServiceMayDeleteIt) {
  InstallerDownload download(SetupUrl().c_str());
  wchar_t profile[MAX_PATH] = {};
  ASSERT_GT(::GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH), 0u);
  EXPECT_EQ(download.LocalPath(),
            std::wstring(profile) + L"\\AppData\\Local\\Temp\\DownloadTestSetup.exe");
  // The service's own rule, with this machine's profile list, accepts it.
  svc::_SVC_MOVEFILE_REQUEST request{};
  std::wcscpy(request.szExisting, download.LocalPath().c_str());
  request.dwFlags = MOVEFILE_DELAY_UNTIL_REBOOT;
  EXPECT_TRUE(svc::IsAllowedMoveRequest(request, SetupUrl().c_str(),
                                        svc::RealSystemActions().ProfileFolders()));
}

}  // namespace
}  // namespace vk::test
