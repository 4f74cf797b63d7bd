// The program's service operations against a stopped service (nothing
// changes, every call says it failed) and against the channel's service end.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <atomic>

#include "channel/SvcClient.h"
#include "servicelink/ServiceClient.h"
#include "tests/service/ChannelFakes.h"

namespace vk::test {
namespace {

using namespace vk::svc;
using namespace vk::link;

TEST(ServiceClientStopped, EveryOperationReportsFourAndChangesNothing) {
  KernelHandle mutex(CreateMutexW(nullptr, FALSE, nullptr));  // a caller's own lock

  int32_t counter = 123;
  EXPECT_EQ(GetDriveCounter(mutex.Get(), &counter), kResultUnreachable);
  EXPECT_EQ(counter, 123);

  std::vector<_SVC_DRVINFO> drives(2, MakeDrive(1));
  EXPECT_EQ(GetDriveList(mutex.Get(), drives), kResultUnreachable);
  EXPECT_TRUE(drives.empty());  // empty, but the result says it is not an answer

  _SVC_UPDINFO info{};
  info.nCheckCount = 9;
  _SVC_UPDINFO before = info;
  EXPECT_EQ(GetUpdateInfo(mutex.Get(), &info), kResultUnreachable);
  EXPECT_EQ(0, std::memcmp(&info, &before, sizeof(info)));

  bool scheduled = true;
  EXPECT_EQ(DeleteFileAtRestart(mutex.Get(), L"C:\\x\\Setup.exe", &scheduled), kResultUnreachable);
  EXPECT_FALSE(scheduled);
  EXPECT_EQ(SetServiceLanguage(mutex.Get(), 2), kResultUnreachable);
  EXPECT_EQ(SetUpdateNotice(mutex.Get(), true), kResultUnreachable);
  // The mutex was released after every failure.
  EXPECT_EQ(WaitForSingleObject(mutex.Get(), 0), WAIT_OBJECT_0);
  ReleaseMutex(mutex.Get());
}

TEST(ServiceClient, OperationsAgainstTheServiceEnd) {
  InProcessService service;
  ASSERT_EQ(service.created, 0u);
  for (int i = 0; i < 8; ++i) service.data.drives.push_back(MakeDrive(i));
  service.data.driveCounter = 4;
  service.data.update.nLatestMajor = 1;
  service.data.update.nLatestMinor = 42;
  wcscpy(service.data.update.szSetupURL, L"http://host/VaultkeepSetup.exe");
  KernelHandle mutex;  // empty: each exchange takes the service's own

  int32_t counter = -1;
  EXPECT_EQ(GetDriveCounter(mutex.Get(), &counter), kResultOk);
  EXPECT_EQ(counter, 4);

  std::vector<_SVC_DRVINFO> drives;
  EXPECT_EQ(GetDriveList(mutex.Get(), drives), kResultOk);
  ASSERT_EQ(drives.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    _SVC_DRVINFO expected = MakeDrive(i);
    EXPECT_EQ(0, std::memcmp(&drives[i], &expected, sizeof(expected))) << i;
  }

  _SVC_UPDINFO info{};
  EXPECT_EQ(GetUpdateInfo(mutex.Get(), &info), kResultOk);
  EXPECT_EQ(0, std::memcmp(&info, &service.data.update, sizeof(info)));

  // Text that fills its whole field arrives terminated inside the field.
  wmemset(service.data.update.szURL, L'x', kPathChars);
  wmemset(service.data.drives[0].szFriendlyName, L'y', kPathChars);
  EXPECT_EQ(GetUpdateInfo(mutex.Get(), &info), kResultOk);
  EXPECT_EQ(wcsnlen(info.szURL, kPathChars), static_cast<size_t>(kPathChars - 1));
  EXPECT_EQ(GetDriveList(mutex.Get(), drives), kResultOk);
  EXPECT_EQ(wcsnlen(drives[0].szFriendlyName, kPathChars), static_cast<size_t>(kPathChars - 1));
  wcscpy(service.data.update.szURL, L"http://host/news.html");

  EXPECT_EQ(SetServiceLanguage(mutex.Get(), 5), kResultOk);
  EXPECT_EQ(SetUpdateNotice(mutex.Get(), false), kResultOk);
  ASSERT_EQ(service.actions.writes.size(), 2u);
  EXPECT_EQ(service.actions.writes[0].name, L"Language");
  EXPECT_EQ(service.actions.writes[0].value, 5u);
  EXPECT_EQ(service.actions.writes[1].name, L"UpdateNotice");
  EXPECT_EQ(service.actions.writes[1].value, 0u);

  bool scheduled = false;
  const wchar_t* setup = L"C:\\Users\\me\\AppData\\Local\\Temp\\VaultkeepSetup.exe";
  EXPECT_EQ(DeleteFileAtRestart(mutex.Get(), setup, &scheduled), kResultOk);
  EXPECT_TRUE(scheduled);
  ASSERT_EQ(service.actions.moves.size(), 1u);
  EXPECT_EQ(service.actions.moves[0].existing, setup);
  EXPECT_EQ(service.actions.moves[0].newPath, L"");
  EXPECT_EQ(service.actions.moves[0].flags, static_cast<DWORD>(MOVEFILE_DELAY_UNTIL_REBOOT));

  // A path that does not fit is refused before anything is sent.
  std::wstring tooLong = L"C:\\" + std::wstring(kPathChars, L'a');
  EXPECT_EQ(DeleteFileAtRestart(mutex.Get(), tooLong.c_str(), &scheduled), kResultRefused);
  EXPECT_FALSE(scheduled);
  EXPECT_EQ(service.actions.moves.size(), 1u);
}

// Without a lock of its own, an operation takes the service's command mutex
// by name: while another program holds it, the exchange waits for it.
TEST(ServiceClient, ExchangesTakeTheServicesCommandMutex) {
  InProcessService service;
  ASSERT_EQ(service.created, 0u);
  std::atomic<bool> ready{false}, held{false}, release{false};
  std::thread other([&] {
    KernelHandle mutex(OpenMutexW(kUserMutexRights, FALSE, kCmdMutexName));
    held = mutex && WaitForSingleObject(mutex.Get(), 0) == WAIT_OBJECT_0;
    ready = true;
    while (held && !release) Sleep(5);
    if (held) ReleaseMutex(mutex.Get());
  });
  while (!ready) Sleep(5);
  if (!held) {
    other.join();
    FAIL() << "the service's command mutex could not be opened and taken";
  }
  _SVC_DWORD_REQUEST r{{SVC_CMD_NOP, 0, 16}, 0};
  EXPECT_EQ(SendServiceCommand(nullptr, &r, sizeof(r), 200), kResultUnreachable);
  release = true;
  other.join();
  EXPECT_EQ(SendServiceCommand(nullptr, &r, sizeof(r), 2000), kResultOk);
}

}  // namespace
}  // namespace vk::test
