// The service's handling of one request: sizes, status values, answers, and
// the narrow form of the move request that the service accepts.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "service/RequestHandler.h"
#include "tests/service/ChannelFakes.h"

namespace vk::test {
namespace {

using namespace vk::svc;

class RequestHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(data.CreateSemaphore(nullptr)); }

  // A block filled with 0xA5 after a header, as a client might leave it.
  void Send(int32_t command, int32_t size) {
    block.assign(kLargestRequest + 64, 0xA5);
    _SVC_REQUEST hdr{command, 0, size};
    std::memcpy(block.data(), &hdr, sizeof(hdr));
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
      {242, 12, 1},   {243, 16, 0},   {244, 16, 0},   {244, 17, 1},  {245, 16, 0},
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
  EXPECT_EQ(actions.writes.size(), 2u);  // only the accepted 243 and 245 write
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

  Send(SVC_CMD_SET_LANGUAGE, 16);
  _SVC_DWORD_REQUEST set{{SVC_CMD_SET_UPDATENOTICE, 0, 16}, 1};
  std::memcpy(block.data(), &set, sizeof(set));
  HandleRequest(block.data(), data, actions);
  ASSERT_EQ(actions.writes.size(), 2u);
  EXPECT_EQ(actions.writes[0].name, L"Language");
  EXPECT_EQ(actions.writes[0].value, 0xA5A5A5A5u);  // the value as sent
  EXPECT_EQ(actions.writes[1].name, L"UpdateNotice");
  EXPECT_EQ(actions.writes[1].value, 1u);
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
  auto r = MoveRequest(L"C:\\Users\\me\\Temp\\vaultkeepsetup.EXE", L"", MOVEFILE_DELAY_UNTIL_REBOOT);
  block.assign(kLargestRequest, 0);
  std::memcpy(block.data(), &r, sizeof(r));
  actions.moveError = 0;
  HandleRequest(block.data(), data, actions);
  EXPECT_EQ(At(4), kStatusDone);
  EXPECT_NE(At(12), 0);
  ASSERT_EQ(actions.moves.size(), 1u);
  EXPECT_EQ(actions.moves[0].existing, L"C:\\Users\\me\\Temp\\vaultkeepsetup.EXE");
  EXPECT_EQ(actions.moves[0].flags, static_cast<DWORD>(MOVEFILE_DELAY_UNTIL_REBOOT));

  // A failing move is still a completed exchange, with the call's error.
  actions.moveResult = FALSE;
  actions.moveError = ERROR_FILE_NOT_FOUND;
  HandleRequest(block.data(), data, actions);
  EXPECT_EQ(At(4), kStatusDone);
  EXPECT_EQ(At(12), 0);
  EXPECT_EQ(At(16), ERROR_FILE_NOT_FOUND);
}

TEST(MoveRequestRule, RefusedRequests) {
  const wchar_t* setup = L"http://host/dl/VaultkeepSetup.exe";
  const DWORD kDelay = MOVEFILE_DELAY_UNTIL_REBOOT;
  struct Case {
    const wchar_t* what;
    const wchar_t* existing;
    const wchar_t* newPath;
    DWORD flags;
    const wchar_t* setupUrl;
  } refused[] = {
      {L"rename to a path", L"C:\\T\\VaultkeepSetup.exe", L"C:\\Windows\\x.exe", kDelay, setup},
      {L"immediate delete", L"C:\\T\\VaultkeepSetup.exe", L"", 0, setup},
      {L"replace flag", L"C:\\T\\VaultkeepSetup.exe", L"", kDelay | MOVEFILE_REPLACE_EXISTING, setup},
      {L"other file", L"C:\\Windows\\system32\\config\\SAM", L"", kDelay, setup},
      {L"empty path", L"", L"", kDelay, setup},
      {L"relative", L"VaultkeepSetup.exe", L"", kDelay, setup},
      {L"drive relative", L"C:VaultkeepSetup.exe", L"", kDelay, setup},
      {L"UNC", L"\\\\srv\\s\\VaultkeepSetup.exe", L"", kDelay, setup},
      {L"device namespace", L"\\\\?\\C:\\T\\VaultkeepSetup.exe", L"", kDelay, setup},
      {L"forward slash", L"C:/T/VaultkeepSetup.exe", L"", kDelay, setup},
      {L"stream", L"C:\\T\\x:VaultkeepSetup.exe", L"", kDelay, setup},
      {L"parent step", L"C:\\T\\..\\VaultkeepSetup.exe", L"", kDelay, setup},
      {L"folder only", L"C:\\T\\", L"", kDelay, setup},
      {L"no setup URL yet", L"C:\\T\\VaultkeepSetup.exe", L"", kDelay, L""},
      {L"setup URL without a name", L"C:\\T\\VaultkeepSetup.exe", L"", kDelay, L"http://host/"},
      {L"prefix of the name", L"C:\\T\\VaultkeepSetup", L"", kDelay, setup},
  };
  for (const Case& c : refused) {
    auto r = MoveRequest(c.existing, c.newPath, c.flags);
    EXPECT_FALSE(IsAllowedMoveRequest(r, c.setupUrl)) << c.what;
  }
  auto ok = MoveRequest(L"D:\\dl\\VaultkeepSetup.exe", L"", kDelay);
  EXPECT_TRUE(IsAllowedMoveRequest(ok, setup));
  EXPECT_TRUE(IsAllowedMoveRequest(ok, L"http://host/VaultkeepSetup.exe?lang=2"));

  // An existing path without a terminator inside its field.
  auto unterminated = ok;
  wmemset(unterminated.szExisting, L'a', kPathChars);
  EXPECT_FALSE(IsAllowedMoveRequest(unterminated, setup));
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
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegCloseKey(key);
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

}  // namespace
}  // namespace vk::test
