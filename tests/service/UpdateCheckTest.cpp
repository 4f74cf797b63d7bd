// The update INI, the own version, the URL rule and the check's registry
// handling, without a network.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

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
      {"newer minor", "[VKP]\nMajor=1\nMinor=42\nURL=u\nSetupURL=s.exe\n", true, 1, 42, L"u", L"s.exe"},
      {"same version", "[VKP]\nMajor=1\nMinor=41\nURL=u\nSetupURL=s.exe\n", false, 1, 41, L"u", L"s.exe"},
      {"newer major", "[VKP]\nMajor=2\nMinor=0\nURL=u\nSetupURL=s.exe\n", true, 2, 0, L"u", L"s.exe"},
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

TEST(UpdateUrl, OnlyHttpWithHostAndPathIsFetched) {
  wchar_t host[kPathChars], object[kPathChars], referrer[kPathChars];
  ASSERT_TRUE(SplitUpdateUrl(L"http://updates.example/vk/en.ini", host, object, referrer));
  EXPECT_STREQ(host, L"updates.example");
  EXPECT_STREQ(object, L"/vk/en.ini");
  EXPECT_STREQ(referrer, L"http://updates.example/");
  ASSERT_TRUE(SplitUpdateUrl(L"HTTP://127.0.0.1/", host, object, referrer));
  EXPECT_STREQ(object, L"/");

  const wchar_t* refused[] = {
      L"",  L"http://",          L"http://host",          L"http:///path",
      L"https://host/x.ini",     L"ftp://host/x.ini",     L"file://C:/x.ini",
      L"httpx//host/x.ini",      L"host/x.ini",
  };
  for (const wchar_t* url : refused)
    EXPECT_FALSE(SplitUpdateUrl(url, host, object, referrer)) << url;
  std::wstring longHost = L"http://" + std::wstring(300, L'h') + L"/x";
  EXPECT_FALSE(SplitUpdateUrl(longHost.c_str(), host, object, referrer));
}

// Without a usable URL value no request is made and the record stays.
TEST(CheckForUpdate, MissingOrUnusableUrlLeavesTheRecord) {
  const wchar_t* key = L"SOFTWARE\\CORVANE\\VaultkeepTest\\UpdateCheck";
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
  HKEY k;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &k, nullptr));
  DWORD language = 3;
  RegSetValueExW(k, L"Language", 0, REG_DWORD, reinterpret_cast<BYTE*>(&language), 4);
  const wchar_t url0[] = L"http://127.0.0.1/en.ini";  // language 0's; 3 is wanted
  RegSetValueExW(k, L"URL0", 0, REG_SZ, reinterpret_cast<const BYTE*>(url0), sizeof(url0));
  RegCloseKey(k);

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

}  // namespace
}  // namespace vk::test
