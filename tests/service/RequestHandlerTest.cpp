// The service's handling of one request: sizes, status values, answers, and
// the narrow form of the move request that the service accepts.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "service/RequestHandler.h"
#include "service/UpdateCheck.h"
#include "tests/service/ChannelFakes.h"

namespace vk::test {
namespace {

using namespace vk::svc;

class RequestHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(data.CreateSemaphore(nullptr)); }

  // A block filled with 0xA5 after a header, as a client might leave it;
  // `value` at offset 12 for the commands that carry one.
  void Send(int32_t command, int32_t size) {
    block.assign(kLargestRequest + 64, 0xA5);
    _SVC_REQUEST hdr{command, 0, size};
    std::memcpy(block.data(), &hdr, sizeof(hdr));
    HandleRequest(block.data(), data, actions);
  }
  void SendValue(int32_t command, int32_t value) {
    block.assign(kLargestRequest + 64, 0xA5);
    _SVC_DWORD_REQUEST r{{command, 0, 16}, value};
    std::memcpy(block.data(), &r, sizeof(r));
    HandleRequest(block.data(), data, actions);
  }
  int32_t At(size_t offset) const {
    int32_t v;
    std::memcpy(&v, block.data() + offset, sizeof(v));
    return v;
  }
  bool Untouched(size_t from, size_t to) const {
    for (size_t i = from; i < to; ++i)
      if (block[i] != 0xA5) return false;
    return true;
  }

  ServiceData data;
  RecordingActions actions;
  std::vector<unsigned char> block;
};

TEST_F(RequestHandlerTest, StatusFollowsCommandAndExactSize) {
  struct Case {
    int32_t command, size, status;
  } cases[] = {
      {241, 9568, 0}, {241, 9567, 1}, {241, 16, 1},   {242, 16, 0},  {242, 20, 1},
      {242, 12, 1},   {243, 16, 1},   {244, 16, 0},   {244, 17, 1},  {245, 16, 1},
      {246, 1080, 0}, {246, 1068, 1}, {247, 1068, 0}, {247, 1080, 1}, {240, 16, 1},
      {248, 16, 1},   {250, 16, 1},   {0, 12, 1},     {-15, 16, 1},  {242, -16, 1},
      {241, 0x7fffffff, 1},
  };
  for (const Case& c : cases) {
    Send(c.command, c.size);
    EXPECT_EQ(At(4), c.status) << c.command << " size " << c.size;
    EXPECT_EQ(At(0), c.command);
    EXPECT_EQ(At(8), c.size);
    if (c.status == kStatusReceived) {
      EXPECT_TRUE(Untouched(12, block.size())) << c.command << " size " << c.size;
    }
  }
  EXPECT_TRUE(actions.writes.empty());  // 0xA5A5A5A5 is no language and no switch
  EXPECT_TRUE(actions.moves.empty());  // the 247 above names no setup file
}

TEST_F(RequestHandlerTest, DriveListAnswerHoldsAtMostSixInListOrder) {
  for (int i = 0; i < 8; ++i) data.drives.push_back(MakeDrive(i));
  Send(SVC_CMD_GET_DRVINFO, 9568);
  ASSERT_EQ(At(4), kStatusDone);
  ASSERT_EQ(At(12), 6);
  for (int i = 0; i < 6; ++i) {
    _SVC_DRVINFO expected = MakeDrive(i);
    EXPECT_EQ(0, std::memcmp(block.data() + 16 + i * sizeof(_SVC_DRVINFO), &expected,
                             sizeof(expected)))
        << i;
  }

  data.drives.resize(2);
  Send(SVC_CMD_GET_DRVINFO, 9568);
  EXPECT_EQ(At(12), 2);
  EXPECT_TRUE(Untouched(16 + 2 * sizeof(_SVC_DRVINFO), 9568));  // left as sent

  data.drives.clear();
  Send(SVC_CMD_GET_DRVINFO, 9568);
  EXPECT_EQ(At(4), kStatusDone);
  EXPECT_EQ(At(12), 0);
}

// Without the drive semaphore the list cannot be read: the request is not
// answered as done, so an empty answer is never taken for "no disks".
TEST(RequestHandler, UnreadableListIsNotAnsweredAsDone) {
  ServiceData data;  // no semaphore
  data.drives.push_back(MakeDrive(1));
  RecordingActions actions;
  std::vector<unsigned char> block(kLargestRequest, 0);
  _SVC_REQUEST hdr{SVC_CMD_GET_DRVINFO, 0, 9568};
  std::memcpy(block.data(), &hdr, sizeof(hdr));
  HandleRequest(block.data(), data, actions);
  int32_t status;
  std::memcpy(&status, block.data() + 4, 4);
  EXPECT_EQ(status, kStatusReceived);
}

TEST_F(RequestHandlerTest, CounterUpdateRecordAndSettings) {
  data.driveCounter = 7;
  Send(SVC_CMD_GET_DRVCOUNTER, 16);
  EXPECT_EQ(At(12), 7);

  data.update.nLatestMajor = 1;
  data.update.nLatestMinor = 42;
  data.update.nCheckCount = 3;
  wcscpy(data.update.szSetupURL, L"http://host/Setup.exe");
  Send(SVC_CMD_GET_UPDINFO, 1080);
  EXPECT_EQ(0, std::memcmp(block.data() + 12, &data.update, sizeof(data.update)));

  SendValue(SVC_CMD_SET_LANGUAGE, 7);
  EXPECT_EQ(At(4), kStatusDone);
  SendValue(SVC_CMD_SET_UPDATENOTICE, 1);
  ASSERT_EQ(actions.writes.size(), 2u);
  EXPECT_EQ(actions.writes[0].name, L"Language");
  EXPECT_EQ(actions.writes[0].value, 7u);
  EXPECT_EQ(actions.writes[1].name, L"UpdateNotice");
  EXPECT_EQ(actions.writes[1].value, 1u);
}

// Both values are stored machine-wide and read by every user's program:
// anything but a language index or a 0/1 switch is a wrong request.
TEST_F(RequestHandlerTest, SettingsOutsideTheirRangeAreRefused) {
  struct Case {
    int32_t command, value, status;
  } cases[] = {
      {SVC_CMD_SET_LANGUAGE, 0, 0},      {SVC_CMD_SET_LANGUAGE, 7, 0},
      {SVC_CMD_SET_LANGUAGE, 8, 1},      {SVC_CMD_SET_LANGUAGE, -1, 1},
      {SVC_CMD_SET_LANGUAGE, INT32_MIN, 1}, {SVC_CMD_SET_UPDATENOTICE, 0, 0},
      {SVC_CMD_SET_UPDATENOTICE, 1, 0},  {SVC_CMD_SET_UPDATENOTICE, 2, 1},
      {SVC_CMD_SET_UPDATENOTICE, -1, 1},
  };
  for (const Case& c : cases) {
    actions.writes.clear();
    SendValue(c.command, c.value);
    EXPECT_EQ(At(4), c.status) << c.command << " value " << c.value;
    EXPECT_EQ(actions.writes.size(), c.status == 0 ? 1u : 0u) << c.command << " " << c.value;
    EXPECT_EQ(At(12), c.value);  // the request comes back as sent
  }
}

// A client that rewrites the header while the service works must not make
// it act on another command than the one whose size it checked: here the
// command flips between 242 (16 bytes) and 241 (whose answer fills 9568)
// while requests are handled, and nothing may ever be written past the 16
// bytes of the 242 that was checked.
TEST_F(RequestHandlerTest, HeaderChangedDuringHandlingIsNotActedOn) {
  data.drives.push_back(MakeDrive(1));
  block.assign(kLargestRequest + 64, 0xA5);
  _SVC_DWORD_REQUEST r{{SVC_CMD_GET_DRVCOUNTER, 0, 16}, 0};
  std::memcpy(block.data(), &r, sizeof(r));
  volatile int32_t* command = reinterpret_cast<volatile int32_t*>(block.data());
  std::atomic<bool> done{false};
  std::thread flipper([&] {
    while (!done) {
      *command = SVC_CMD_GET_DRVINFO;
      *command = SVC_CMD_GET_DRVCOUNTER;
    }
  });
  constexpr int kRounds = 20000;
  bool clean = true;
  for (int i = 0; i < kRounds && clean; ++i) {
    HandleRequest(block.data(), data, actions);
    clean = Untouched(16, block.size());
  }
  done = true;
  flipper.join();
  EXPECT_TRUE(clean);
}

// ---- Command 247 -------------------------------------------------------------

_SVC_MOVEFILE_REQUEST MoveRequest(const wchar_t* existing, const wchar_t* newPath, DWORD flags) {
  _SVC_MOVEFILE_REQUEST r{};
  r.hdr = {SVC_CMD_MOVEFILE, 0, sizeof(r)};
  wcsncpy(r.szExisting, existing, kPathChars - 1);
  wcsncpy(r.szNew, newPath, kPathChars - 1);
  r.dwFlags = flags;
  return r;
}

TEST_F(RequestHandlerTest, MoveOfTheDownloadedSetupIsCarriedOut) {
  wcscpy(data.update.szSetupURL, L"http://host/dl/VaultkeepSetup.exe");
  const wchar_t* path = L"c:\\users\\ME\\AppData\\Local\\Temp\\vaultkeepsetup.EXE";
  auto r = MoveRequest(path, L"", MOVEFILE_DELAY_UNTIL_REBOOT);
  block.assign(kLargestRequest, 0);
  std::memcpy(block.data(), &r, sizeof(r));
  actions.moveError = 0;
  HandleRequest(block.data(), data, actions);
  EXPECT_EQ(At(4), kStatusDone);
  EXPECT_NE(At(12), 0);
  ASSERT_EQ(actions.moves.size(), 1u);
  EXPECT_EQ(actions.moves[0].existing, path);
  EXPECT_EQ(actions.moves[0].flags, static_cast<DWORD>(MOVEFILE_DELAY_UNTIL_REBOOT));

  // A failing move is still a completed exchange, with the call's error.
  actions.moveResult = FALSE;
  actions.moveError = ERROR_FILE_NOT_FOUND;
  HandleRequest(block.data(), data, actions);
  EXPECT_EQ(At(4), kStatusDone);
  EXPECT_EQ(At(12), 0);
  EXPECT_EQ(At(16), ERROR_FILE_NOT_FOUND);
}

TEST(MoveRequestRule, OnlyTheDownloadedInstallerInAProfileTempFolder) {
  const wchar_t* setup = L"http://host/dl/VaultkeepSetup.exe";
  const std::vector<std::wstring> profiles = {L"C:\\Users\\me", L"D:\\Profiles\\other\\"};
  const wchar_t* temp = L"C:\\Users\\me\\AppData\\Local\\Temp\\VaultkeepSetup.exe";
  const DWORD kDelay = MOVEFILE_DELAY_UNTIL_REBOOT;
  struct Case {
    const wchar_t* what;
    const wchar_t* existing;
    const wchar_t* newPath;
    DWORD flags;
    const wchar_t* setupUrl;
  } refused[] = {
      {L"rename to a path", temp, L"C:\\Windows\\x.exe", kDelay, setup},
      {L"immediate delete", temp, L"", 0, setup},
      {L"replace flag", temp, L"", kDelay | MOVEFILE_REPLACE_EXISTING, setup},
      {L"other file", L"C:\\Windows\\system32\\config\\SAM", L"", kDelay, setup},
      {L"the right name in System32", L"C:\\Windows\\System32\\VaultkeepSetup.exe", L"", kDelay,
       setup},
      {L"another folder of the profile", L"C:\\Users\\me\\Documents\\VaultkeepSetup.exe", L"",
       kDelay, setup},
      {L"the profile folder itself", L"C:\\Users\\me\\VaultkeepSetup.exe", L"", kDelay, setup},
      {L"below the temporary folder", L"C:\\Users\\me\\AppData\\Local\\Temp\\x\\VaultkeepSetup.exe",
       L"", kDelay, setup},
      {L"a profile not in the list", L"C:\\Users\\you\\AppData\\Local\\Temp\\VaultkeepSetup.exe",
       L"", kDelay, setup},
      {L"relative step", L"C:\\Users\\me\\AppData\\Local\\Temp\\..\\Temp\\VaultkeepSetup.exe", L"",
       kDelay, setup},
      {L"current-folder step", L"C:\\Users\\me\\AppData\\Local\\Temp\\.\\VaultkeepSetup.exe", L"",
       kDelay, setup},
      {L"short folder name", L"C:\\Users\\me\\AppData\\Local\\TEMP~1\\VaultkeepSetup.exe", L"",
       kDelay, setup},
      {L"short profile name", L"C:\\Users\\MEPROF~1\\AppData\\Local\\Temp\\VaultkeepSetup.exe", L"",
       kDelay, setup},
      {L"trailing dot", L"C:\\Users\\me\\AppData\\Local\\Temp\\VaultkeepSetup.exe.", L"", kDelay,
       setup},
      {L"trailing blank", L"C:\\Users\\me\\AppData\\Local\\Temp\\VaultkeepSetup.exe ", L"", kDelay,
       setup},
      {L"folder with a trailing dot", L"C:\\Users\\me\\AppData\\Local\\Temp.\\VaultkeepSetup.exe",
       L"", kDelay, setup},
      {L"empty path", L"", L"", kDelay, setup},
      {L"relative", L"VaultkeepSetup.exe", L"", kDelay, setup},
      {L"drive relative", L"C:VaultkeepSetup.exe", L"", kDelay, setup},
      {L"UNC", L"\\\\srv\\s\\VaultkeepSetup.exe", L"", kDelay, setup},
      {L"device namespace", L"\\\\?\\C:\\Users\\me\\AppData\\Local\\Temp\\VaultkeepSetup.exe", L"",
       kDelay, setup},
      {L"device path", L"\\\\.\\C:\\Users\\me\\AppData\\Local\\Temp\\VaultkeepSetup.exe", L"",
       kDelay, setup},
      {L"forward slash", L"C:/Users/me/AppData/Local/Temp/VaultkeepSetup.exe", L"", kDelay, setup},
      {L"stream", L"C:\\Users\\me\\AppData\\Local\\Temp\\x:VaultkeepSetup.exe", L"", kDelay, setup},
      {L"folder only", L"C:\\Users\\me\\AppData\\Local\\Temp\\", L"", kDelay, setup},
      {L"no setup URL yet", temp, L"", kDelay, L""},
      {L"setup URL without a name", temp, L"", kDelay, L"http://host/"},
      {L"prefix of the name", L"C:\\Users\\me\\AppData\\Local\\Temp\\VaultkeepSetup", L"", kDelay,
       setup},
      // The INI names something other than a plain installer: no name is allowed.
      {L"INI names a hive", L"C:\\Users\\me\\AppData\\Local\\Temp\\NTUSER.DAT", L"", kDelay,
       L"http://host/NTUSER.DAT"},
      {L"INI names the folder", L"C:\\Users\\me\\AppData\\Local\\Temp\\.", L"", kDelay,
       L"http://host/."},
      {L"INI name with a stream", L"C:\\Users\\me\\AppData\\Local\\Temp\\a.exe:b.exe", L"", kDelay,
       L"http://host/a.exe:b.exe"},
  };
  for (const Case& c : refused) {
    auto r = MoveRequest(c.existing, c.newPath, c.flags);
    EXPECT_FALSE(IsAllowedMoveRequest(r, c.setupUrl, profiles)) << c.what;
  }
  const wchar_t* allowed[] = {
      temp,
      L"c:\\USERS\\ME\\appdata\\local\\temp\\vaultkeepsetup.EXE",
      L"D:\\Profiles\\other\\AppData\\Local\\Temp\\VaultkeepSetup.exe",
  };
  for (const wchar_t* path : allowed)
    EXPECT_TRUE(IsAllowedMoveRequest(MoveRequest(path, L"", kDelay), setup, profiles)) << path;
  auto ok = MoveRequest(temp, L"", kDelay);
  EXPECT_TRUE(IsAllowedMoveRequest(ok, L"http://host/VaultkeepSetup.exe?lang=2", profiles));
  EXPECT_FALSE(IsAllowedMoveRequest(ok, setup, {}));  // no profiles known
  EXPECT_FALSE(IsAllowedMoveRequest(ok, setup, {L"relative\\me", L"\\\\srv\\share\\me"}));

  // An existing path without a terminator inside its field.
  auto unterminated = ok;
  wmemset(unterminated.szExisting, L'a', kPathChars);
  EXPECT_FALSE(IsAllowedMoveRequest(unterminated, setup, profiles));
}

TEST(InstallerName, OnlyPlainNamesEndingInExe) {
  const wchar_t* plain[] = {L"VaultkeepSetup.exe", L"a.exe", L"Setup-1.42_x86.EXE", L"9.exe"};
  for (const wchar_t* name : plain) EXPECT_TRUE(IsPlainInstallerName(name)) << name;
  std::wstring longest = std::wstring(kMaxInstallerNameChars - 4, L'a') + L".exe";
  EXPECT_TRUE(IsPlainInstallerName(longest.c_str()));
  const wchar_t* refused[] = {
      L"",           L".exe",         L".hidden.exe", L"Setup.exe.",   L"Setup.exe ",
      L"Setup",      L"Setup.msi",    L"SAM",         L"NTUSER.DAT",   L".",
      L"..",         L"a b.exe",      L"a:b.exe",     L"a\\b.exe",     L"a/b.exe",
      L"Setup.exe::$DATA", L"VAULTK~1.EXE", L"Set\u00fcp.exe", L"a*.exe",   L"con.exe\x0001",
  };
  for (const wchar_t* name : refused) EXPECT_FALSE(IsPlainInstallerName(name)) << name;
  std::wstring tooLong = std::wstring(kMaxInstallerNameChars - 3, L'a') + L".exe";
  EXPECT_FALSE(IsPlainInstallerName(tooLong.c_str()));
}

TEST_F(RequestHandlerTest, RefusedMoveAnswersAccessDeniedAndDoesNothing) {
  wcscpy(data.update.szSetupURL, L"http://host/VaultkeepSetup.exe");
  auto r = MoveRequest(L"C:\\boot.ini", L"", MOVEFILE_DELAY_UNTIL_REBOOT);
  block.assign(kLargestRequest, 0);
  std::memcpy(block.data(), &r, sizeof(r));
  HandleRequest(block.data(), data, actions);
  EXPECT_EQ(At(4), kStatusDone);
  EXPECT_EQ(At(12), 0);
  EXPECT_EQ(At(16), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(actions.moves.empty());
}

// The real registry write, against a key of the test's own.
TEST(RealSystemActions, LanguageIsStoredAsDword) {
  const wchar_t* path = L"SOFTWARE\\CORVANE\\VaultkeepTest\\RequestHandler";
  RegKey key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr));
  ServiceData data;
  ASSERT_TRUE(data.CreateSemaphore(nullptr));
  RealSystemActions actions(path);
  _SVC_DWORD_REQUEST r{{SVC_CMD_SET_LANGUAGE, 0, 16}, 2};
  std::vector<unsigned char> block(kLargestRequest);
  std::memcpy(block.data(), &r, sizeof(r));
  HandleRequest(block.data(), data, actions);

  DWORD type = 0, value = 0, bytes = sizeof(value);
  EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_LOCAL_MACHINE, path, L"Language", RRF_RT_ANY, &type,
                                        &value, &bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value, 2u);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, path);
}

// The system's profile list names this user's profile folder, expanded.
TEST(RealSystemActions, ProfileFoldersIncludeThisUsersProfile) {
  wchar_t mine[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableW(L"USERPROFILE", mine, MAX_PATH), 0u);
  std::vector<std::wstring> folders = RealSystemActions().ProfileFolders();
  bool found = false;
  for (const std::wstring& f : folders) {
    EXPECT_EQ(f.find(L'%'), std::wstring::npos) << "not expanded";
    found = found || CompareStringOrdinal(f.c_str(), -1, mine, -1, TRUE) == CSTR_EQUAL;
  }
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace vk::test
