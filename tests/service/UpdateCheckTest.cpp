// The update INI, the own version, the URL rule, the check's registry
// handling, and the download against a local server that answers properly,
// redirects, or drips its body.
#include "tests/driver/LocalHttpServer.h"  // first: winsock2.h before windows.h

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <string>

#include "common/Handle.h"
#include "service/UpdateCheck.h"
#include "tests/support/TestVolume.h"

namespace vk::test {
namespace {

using namespace vk::svc;

class UpdateIniTest : public VolumeTest {
 protected:
  std::wstring Ini(const std::string& text) {
    std::wstring path = root + L"update.ini";
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
    return path;
  }
};

TEST_F(UpdateIniTest, FieldsStopAtTheFirstFailure) {
  struct Case {
    const char* what;
    const char* ini;
    bool newer;
    int32_t major, minor;
    const wchar_t* url;
    const wchar_t* setupUrl;
  } cases[] = {
      {"newer minor", "[VKP]\nMajor=1\nMinor=42\nURL=u\nSetupURL=s.exe\n",
       true, 1, 42, L"u", L"s.exe"},
      {"same version", "[VKP]\nMajor=1\nMinor=41\nURL=u\nSetupURL=s.exe\n",
       false, 1, 41, L"u", L"s.exe"},
      {"newer major", "[VKP]\nMajor=2\nMinor=0\nURL=u\nSetupURL=s.exe\n",
       true, 2, 0, L"u", L"s.exe"},
      {"older major", "[VKP]\nMajor=0\nMinor=99\nURL=u\nSetupURL=s.exe\n", false, 0, 0, L"old-u",
       L"old-s"},
      {"missing major", "[VKP]\nMinor=50\n", false, -1, 0, L"old-u", L"old-s"},
      {"negative minor", "[VKP]\nMajor=3\nMinor=-2\nURL=u\n", false, 3, -2, L"old-u", L"old-s"},
      {"empty URL", "[VKP]\nMajor=3\nMinor=1\nURL=\nSetupURL=s.exe\n", false, 3, 1, L"", L"old-s"},
      {"no SetupURL", "[VKP]\nMajor=3\nMinor=1\nURL=u\n", false, 3, 1, L"u", L""},
      // The file name decides what the service may delete: a SetupURL that
      // does not name a plain installer counts as no SetupURL.
      {"SetupURL naming a hive", "[VKP]\nMajor=3\nMinor=1\nURL=u\nSetupURL=http://h/SAM\n", false,
       3, 1, L"u", L""},
      {"SetupURL naming a folder", "[VKP]\nMajor=3\nMinor=1\nURL=u\nSetupURL=http://h/.\n",
       false, 3, 1, L"u", L""},
      {"SetupURL with a blank", "[VKP]\nMajor=3\nMinor=1\nURL=u\nSetupURL=http://h/a b.exe\n",
       false, 3, 1, L"u", L""},
      {"SetupURL with a stream",
       "[VKP]\nMajor=3\nMinor=1\nURL=u\nSetupURL=http://h/a.exe:x.exe\n", false, 3, 1, L"u", L""},
      {"plain SetupURL with a query",
       "[VKP]\nMajor=3\nMinor=1\nURL=u\nSetupURL=http://h/dl/Setup-3.01.exe?x=1\n", true, 3, 1,
       L"u", L"http://h/dl/Setup-3.01.exe?x=1"},
      {"wrong section", "[OTHER]\nMajor=3\nMinor=1\nURL=u\nSetupURL=s.exe\n", false, -1, 0,
       L"old-u", L"old-s"},
      {"a 404 page", "<html><body>Not found</body></html>", false, -1, 0, L"old-u", L"old-s"},
  };
  for (const Case& c : cases) {
    _SVC_UPDINFO record{};
    record.nLatestMajor = 7;
    record.nLatestMinor = 7;
    wcscpy(record.szURL, L"old-u");
    wcscpy(record.szSetupURL, L"old-s");
    record.nCheckCount = 5;
    EXPECT_EQ(ReadUpdateIni(Ini(c.ini).c_str(), record, 1, 41), c.newer) << c.what;
    EXPECT_EQ(record.nLatestMajor, c.major) << c.what;
    EXPECT_EQ(record.nLatestMinor, c.minor) << c.what;
    EXPECT_STREQ(record.szURL, c.url) << c.what;
    EXPECT_STREQ(record.szSetupURL, c.setupUrl) << c.what;
    EXPECT_EQ(record.nCheckCount, 5) << c.what;  // counted by the check, not here
  }
}

TEST(FileVersion, ParsedFromTheString) {
  struct Case {
    const wchar_t* text;
    int32_t major, minor;
  } cases[] = {
      {L"1.41.0508", 1, 41}, {L"2", 2, 0},         {L"1.05", 1, 5},  {L"", 0, 0},
      {L"x.5", 0, 5},        {L"10.0.1.2", 10, 0}, {L"3.", 3, 0},    {L"99999999999.1", INT32_MAX, 1},
  };
  for (const Case& c : cases) {
    int32_t major = -1, minor = -1;
    ParseFileVersion(c.text, &major, &minor);
    EXPECT_EQ(major, c.major) << c.text;
    EXPECT_EQ(minor, c.minor) << c.text;
  }
}

TEST(UpdateUrl, OnlyHttpWithHostOptionalPortAndPathIsFetched) {
  struct Accepted {
    const wchar_t* url;
    const wchar_t* host;
    INTERNET_PORT port;
    const wchar_t* object;
    const wchar_t* referrer;
  } accepted[] = {
      {L"http://updates.example/vk/en.ini", L"updates.example", 80, L"/vk/en.ini",
       L"http://updates.example/"},
      {L"HTTP://127.0.0.1/", L"127.0.0.1", 80, L"/", L"HTTP://127.0.0.1/"},
      {L"http://127.0.0.1:8080/a.ini", L"127.0.0.1", 8080, L"/a.ini", L"http://127.0.0.1:8080/"},
      {L"http://h:1/x", L"h", 1, L"/x", L"http://h:1/"},
      {L"http://h:65535/x", L"h", 65535, L"/x", L"http://h:65535/"},
      {L"http://h:080/x", L"h", 80, L"/x", L"http://h:080/"},
      {L"http://h/x:y", L"h", 80, L"/x:y", L"http://h/"},  // a colon in the path is no port
  };
  for (const Accepted& a : accepted) {
    wchar_t host[kPathChars], object[kPathChars], referrer[kPathChars];
    INTERNET_PORT port = 0;
    ASSERT_TRUE(SplitUpdateUrl(a.url, host, &port, object, referrer)) << a.url;
    EXPECT_STREQ(host, a.host) << a.url;
    EXPECT_EQ(port, a.port) << a.url;
    EXPECT_STREQ(object, a.object) << a.url;
    EXPECT_STREQ(referrer, a.referrer) << a.url;
  }

  const wchar_t* refused[] = {
      L"",                   L"http://",           L"http://host",       L"http:///path",
      L"https://host/x.ini", L"ftp://host/x.ini",  L"file://C:/x.ini",   L"httpx//host/x.ini",
      L"host/x.ini",         L"http://:80/x",      L"http://h:/x",       L"http://h:0/x",
      L"http://h:65536/x",   L"http://h:99999/x",  L"http://h:123456/x", L"http://h:8a/x",
      L"http://h:-1/x",      L"http://h: 80/x",    L"http://h:80:81/x",  L"http://h:+80/x",
  };
  for (const wchar_t* url : refused) {
    wchar_t host[kPathChars], object[kPathChars], referrer[kPathChars];
    INTERNET_PORT port = 0;
    EXPECT_FALSE(SplitUpdateUrl(url, host, &port, object, referrer)) << url;
  }
  wchar_t host[kPathChars], object[kPathChars], referrer[kPathChars];
  INTERNET_PORT port = 0;
  std::wstring longHost = L"http://" + std::wstring(300, L'h') + L"/x";
  EXPECT_FALSE(SplitUpdateUrl(longHost.c_str(), host, &port, object, referrer));
}

// Without a usable URL value no request is made and the record stays.
TEST(CheckForUpdate, MissingOrUnusableUrlLeavesTheRecord) {
  const wchar_t* key = L"SOFTWARE\\CORVANE\\VaultkeepTest\\UpdateCheck";
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
  {
    RegKey k;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, k.Receive(), nullptr));
    DWORD language = 3;
    RegSetValueExW(k.Get(), L"Language", 0, REG_DWORD, reinterpret_cast<BYTE*>(&language), 4);
    const wchar_t url0[] = L"http://127.0.0.1/en.ini";  // language 0's; 3 is wanted
    RegSetValueExW(k.Get(), L"URL0", 0, REG_SZ, reinterpret_cast<const BYTE*>(url0),
                   sizeof(url0));
  }

  ServiceData data;
  ASSERT_TRUE(data.CreateSemaphore(nullptr));
  data.update.nCheckCount = 4;
  data.update.bUpdateAvailable = 1;
  DownloadContext context;
  CheckForUpdate(data, context, key);
  EXPECT_EQ(data.update.nCheckCount, 4);
  EXPECT_EQ(data.update.bUpdateAvailable, 1);

  const wchar_t bad[] = L"file://C:/windows/win.ini";
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, L"URL3", REG_SZ, bad, sizeof(bad));
  CheckForUpdate(data, context, key);
  EXPECT_EQ(data.update.nCheckCount, 4);
  EXPECT_EQ(context.tempFile[0], 0);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
}

TEST(CloseDownload, DeletesTheTemporaryFile) {
  DownloadContext context;
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  ASSERT_NE(GetTempFileNameW(folder, L"VKP", 0, context.tempFile), 0u);
  std::wstring name = context.tempFile;
  ASSERT_TRUE(PathExists(name));
  CloseDownload(context);
  EXPECT_FALSE(PathExists(name));
  EXPECT_EQ(context.tempFile[0], 0);
  CloseDownload(context);  // twice is harmless
}

// ---- The download against a local server --------------------------------------

constexpr char kIni[] = "[VKP]\r\nMajor=1\r\nMinor=42\r\nURL=u\r\nSetupURL=http://h/Setup.exe\r\n";
constexpr DWORD kShortDeadlineMs = 1000;
constexpr DWORD kPromptMs = 3000;  // "at once", with room for a slow machine
constexpr DWORD kDripGapMs = 100;

// Sends nothing more, holding the connection until the client goes away or
// the server stops.
void HoldUntilGone(SOCKET client, const LocalHttpServer& server) {
  constexpr long kPollUs = 20000;
  while (!server.Stopping()) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(client, &set);
    timeval wait{0, kPollUs};
    char byte;
    if (select(0, &set, nullptr, nullptr, &wait) == 1 && recv(client, &byte, 1, 0) <= 0) return;
  }
}

// Answers /ini.ini properly, redirects /moved to it, drips a body of a
// thousand bytes one byte every 100 ms for /drip, answers nothing for
// /silent, and stops in the middle of the body for /stall.
void Answer(SOCKET client, const std::string& path, const LocalHttpServer& server) {
  if (path == "/ini.ini") {
    LocalHttpServer::Send(client, LocalHttpServer::Answer("200 OK", kIni));
  } else if (path == "/moved") {
    std::string location = "Location: http://127.0.0.1:" + std::to_string(server.Port()) +
                           "/ini.ini\r\n";
    LocalHttpServer::Send(client, LocalHttpServer::Answer("302 Found", "", location));
  } else if (path == "/drip") {
    if (!LocalHttpServer::Send(client, "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n")) return;
    while (!server.Stopping() && LocalHttpServer::Send(client, "x")) Sleep(kDripGapMs);
  } else if (path == "/silent" || path == "/stall") {
    if (path == "/stall" &&
        !LocalHttpServer::Send(client, "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n[VKP]"))
      return;
    HoldUntilGone(client, server);
  } else {
    LocalHttpServer::Send(client, LocalHttpServer::Answer("404 Not Found", "none"));
  }
}

class DownloadTest : public ::testing::Test {
 protected:
  DownloadTest() : server([this](SOCKET c, const std::string& p) { Answer(c, p, server); }) {}
  void SetUp() override { ASSERT_NE(server.Port(), 0); }
  void TearDown() override { CloseDownload(context); }

  LocalHttpServer server;
  DownloadContext context;
};

TEST_F(DownloadTest, ExplicitPortIsUsed) {
  ASSERT_TRUE(DownloadToTempFile(server.Url("/ini.ini").c_str(), context));
  ASSERT_NE(context.tempFile[0], 0);
  EXPECT_EQ(ReadFileBytes(context.tempFile),
            std::vector<uint8_t>(kIni, kIni + sizeof(kIni) - 1));
}

// A redirect could send the check anywhere: it fails the download, and the
// place it names is never asked.
TEST_F(DownloadTest, RedirectIsAFailedDownload) {
  EXPECT_FALSE(DownloadToTempFile(server.Url("/moved").c_str(), context));
  EXPECT_EQ(context.tempFile[0], 0);
  EXPECT_EQ(server.Paths(), std::vector<std::string>{"/moved"});
}

// Each byte comes well within a read's time-out, so only the deadline on the
// whole download ends it.
TEST_F(DownloadTest, DrippingServerIsCutOffAtTheDeadline) {
  context.deadlineMs = kShortDeadlineMs;
  DWORD start = GetTickCount();
  EXPECT_FALSE(DownloadToTempFile(server.Url("/drip").c_str(), context));
  EXPECT_LT(GetTickCount() - start, kShortDeadlineMs + kPromptMs);
  EXPECT_EQ(context.tempFile[0], 0);
}

// A server that stops sending, before its answer or in the middle of the
// body, is cut off at the deadline too: no read outlasts it.
TEST_F(DownloadTest, ServerThatStopsSendingIsCutOffAtTheDeadline) {
  for (const char* path : {"/silent", "/stall"}) {
    context.deadlineMs = kShortDeadlineMs;
    DWORD start = GetTickCount();
    EXPECT_FALSE(DownloadToTempFile(server.Url(path).c_str(), context)) << path;
    EXPECT_LT(GetTickCount() - start, kShortDeadlineMs + kPromptMs) << path;
    EXPECT_EQ(context.tempFile[0], 0) << path;
  }
}

// The service's stop cancels the download from another thread: it ends at
// once, long before its deadline, and no later download starts.
TEST_F(DownloadTest, CancelDuringADownloadEndsItAtOnce) {
  std::atomic<bool> finished{false}, result{true};
  std::thread worker([&] {
    result = DownloadToTempFile(server.Url("/drip").c_str(), context);
    finished = true;
  });
  DWORD start = GetTickCount();
  while (server.Paths().empty() && GetTickCount() - start < kPromptMs) Sleep(10);
  ASSERT_FALSE(server.Paths().empty());
  Sleep(3 * kDripGapMs);  // well inside the body
  DWORD cancelled = GetTickCount();
  context.Cancel();
  while (!finished && GetTickCount() - cancelled < 2 * kPromptMs) Sleep(10);
  EXPECT_TRUE(finished);
  EXPECT_LT(GetTickCount() - cancelled, kPromptMs);
  worker.join();
  EXPECT_FALSE(result);
  EXPECT_FALSE(DownloadToTempFile(server.Url("/ini.ini").c_str(), context));
  EXPECT_EQ(server.Paths().size(), 1u);
}

// The whole check: a redirect is a failed check (nothing counted), a proper
// answer on an explicit port a completed one.
TEST_F(DownloadTest, CheckCountsOnlyAnsweredDownloads) {
  const wchar_t* key = L"SOFTWARE\\CORVANE\\VaultkeepTest\\UpdateDownload";
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
  ServiceData data;
  ASSERT_TRUE(data.CreateSemaphore(nullptr));
  data.update.nCurrentMajor = 1;
  data.update.nCurrentMinor = 41;
  auto checkAgainst = [&](const std::string& path) {
    std::wstring url = server.Url(path);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, L"URL0", REG_SZ, url.c_str(),
                    static_cast<DWORD>((url.size() + 1) * sizeof(wchar_t)));
    CheckForUpdate(data, context, key);
  };
  checkAgainst("/moved");
  EXPECT_EQ(data.update.nCheckCount, 0);
  checkAgainst("/ini.ini");
  EXPECT_EQ(data.update.nCheckCount, 1);
  EXPECT_EQ(data.update.bUpdateAvailable, 1);
  EXPECT_EQ(context.tempFile[0], 0);  // closed after the check
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
}

}  // namespace
}  // namespace vk::test
