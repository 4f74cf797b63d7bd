// The exchange between SendServiceCommand and the service's channel end,
// in one process: handshake, refusals, bounded waits, and the security
// descriptors of the channel's objects read back from the kernel.
#include <gtest/gtest.h>
#include <aclapi.h>
#include <sddl.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "channel/ChannelSecurity.h"
#include "service/RequestHandler.h"
#include "channel/SvcClient.h"
#include "tests/service/ChannelFakes.h"

namespace vk::test {
namespace {

using namespace vk::svc;

TEST(Channel, ExchangeAnswersInPlace) {
  InProcessService service;
  ASSERT_EQ(service.created, 0u);
  service.data.driveCounter = 3;
  _SVC_DWORD_REQUEST r{{SVC_CMD_GET_DRVCOUNTER, 0, 16}, 0};
  EXPECT_EQ(SendServiceCommand(nullptr, &r, sizeof(r)), kResultOk);
  EXPECT_EQ(r.nValue, 3);
  EXPECT_EQ(r.hdr.nStatus, kStatusDone);

  // Refused: wrong size, unknown code. The request comes back with status 1.
  _SVC_DWORD_REQUEST bad{{SVC_CMD_GET_DRVCOUNTER, 0, 16}, 99};
  bad.hdr.nSize = 15;
  EXPECT_EQ(SendServiceCommand(nullptr, &bad, 16), kResultRefused);
  EXPECT_EQ(bad.nValue, 99);
  _SVC_DWORD_REQUEST unknown{{250, 0, 16}, 0};
  EXPECT_EQ(SendServiceCommand(nullptr, &unknown, sizeof(unknown)), kResultRefused);
  EXPECT_EQ(unknown.hdr.nStatus, kStatusReceived);
}

TEST(Channel, UnreachableServiceLeavesTheBufferUnchanged) {
  _SVC_DWORD_REQUEST r{{SVC_CMD_GET_DRVCOUNTER, 0, 16}, 77};
  DWORD start = GetTickCount();
  EXPECT_EQ(SendServiceCommand(nullptr, &r, sizeof(r)), kResultUnreachable);
  EXPECT_LT(GetTickCount() - start, 2000u);  // no waiting without a service
  EXPECT_EQ(r.nValue, 77);
  EXPECT_EQ(r.hdr.nStatus, 0);
}

TEST(Channel, SilentServiceTimesOutWithResultFour) {
  InProcessService service;
  ASSERT_EQ(service.created, 0u);
  service.StopAnswering();
  _SVC_DWORD_REQUEST r{{SVC_CMD_GET_DRVCOUNTER, 0, 16}, 77};
  EXPECT_EQ(SendServiceCommand(nullptr, &r, sizeof(r), 300), kResultUnreachable);
  EXPECT_EQ(r.nValue, 77);
  EXPECT_EQ(r.hdr.nStatus, 0);
}

// A service end that signals completion without answering (it could not map
// the block): the client must not read its own request back as success.
TEST(Channel, UnansweredBlockIsNotTakenForAnAnswer) {
  ChannelServer server;
  ASSERT_EQ(server.Create(), 0u);
  std::thread silent([&] {
    if (WaitForSingleObject(server.Doorbell(), 5000) != WAIT_OBJECT_0) return;
    KernelHandle completion(OpenEventW(EVENT_MODIFY_STATE, FALSE, kCompletionName));
    SetEvent(completion.Get());
  });
  auto r = std::make_unique<_SVC_DRVINFO_REQUEST>();
  r->hdr = {SVC_CMD_GET_DRVINFO, 0, sizeof(*r)};
  r->nCount = 3;
  EXPECT_EQ(SendServiceCommand(nullptr, r.get(), sizeof(*r), 3000), kResultUnreachable);
  EXPECT_EQ(r->nCount, 3);
  EXPECT_EQ(r->hdr.nStatus, 0);
  silent.join();
}

TEST(Channel, CommandMutexHeldElsewhereBoundsTheWait) {
  InProcessService service;
  KernelHandle mutex(CreateMutexW(nullptr, FALSE, nullptr));
  std::atomic<bool> held{false}, release{false};
  std::thread holder([&] {
    WaitForSingleObject(mutex.Get(), INFINITE);
    held = true;
    while (!release) Sleep(5);
    ReleaseMutex(mutex.Get());
  });
  while (!held) Sleep(5);
  _SVC_DWORD_REQUEST r{{SVC_CMD_NOP, 0, 16}, 5};
  EXPECT_EQ(SendServiceCommand(mutex.Get(), &r, sizeof(r), 200), kResultUnreachable);
  EXPECT_EQ(r.nValue, 5);
  release = true;
  holder.join();
  // Free again: the exchange goes through and releases the mutex afterwards.
  EXPECT_EQ(SendServiceCommand(mutex.Get(), &r, sizeof(r), 2000), kResultOk);
  EXPECT_EQ(WaitForSingleObject(mutex.Get(), 0), WAIT_OBJECT_0);
  ReleaseMutex(mutex.Get());
}

// Whoever creates a channel object first chooses its DACL, so a client
// that came first could lock every other one out: the service makes all
// four, and a name that already exists stops its start.
TEST(Channel, SquattedNamesStopTheServiceStart) {
  const struct {
    const char* what;
    std::function<HANDLE()> squat;
  } squatters[] = {
      {"doorbell", [] { return CreateEventW(nullptr, FALSE, FALSE, kDoorbellName); }},
      {"completion event", [] { return CreateEventW(nullptr, FALSE, FALSE, kCompletionName); }},
      {"command mutex", [] { return CreateMutexW(nullptr, FALSE, kCmdMutexName); }},
      {"section",
       [] {
         return CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096,
                                   kSectionName);
       }},
  };
  for (const auto& s : squatters) {
    KernelHandle squatter(s.squat());
    ASSERT_TRUE(squatter.Valid()) << s.what;
    ChannelServer server;
    EXPECT_EQ(server.Create(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << s.what;
    EXPECT_EQ(server.Doorbell(), nullptr) << s.what;
  }
  // A squatted drive semaphore is refused the same way.
  {
    KernelHandle squatter(CreateSemaphoreW(nullptr, 0, 1, L"Global\\VaultkeepTestSemaphore"));
    ServiceData data;
    EXPECT_FALSE(data.CreateSemaphore(L"Global\\VaultkeepTestSemaphore"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  }
  // With the names free again the start succeeds.
  ChannelServer server;
  EXPECT_EQ(server.Create(), 0u);
}

// ---- Security descriptors read back ------------------------------------------

struct Ace {
  std::wstring sid;  // SDDL form
  DWORD mask;
};

std::vector<Ace> ReadDacl(HANDLE object) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  std::vector<Ace> aces;
  if (GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                      &dacl, nullptr, &sd) != ERROR_SUCCESS)
    return aces;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* raw = nullptr;
    if (!GetAce(dacl, i, &raw)) continue;
    auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
    if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) {
      aces.push_back({L"(not allowed)", 0});
      continue;
    }
    wchar_t* text = nullptr;
    ConvertSidToStringSidW(&ace->SidStart, &text);
    aces.push_back({text ? text : L"?", ace->Mask});
    LocalFree(text);
  }
  LocalFree(sd);
  return aces;
}

void ExpectDacl(HANDLE object, DWORD full, DWORD user, const char* what) {
  std::vector<Ace> aces = ReadDacl(object);
  ASSERT_EQ(aces.size(), 3u) << what;
  EXPECT_EQ(aces[0].sid, L"S-1-5-18") << what;      // SYSTEM
  EXPECT_EQ(aces[0].mask, full) << what;
  EXPECT_EQ(aces[1].sid, L"S-1-5-32-544") << what;  // Administrators
  EXPECT_EQ(aces[1].mask, full) << what;
  EXPECT_EQ(aces[2].sid, L"S-1-5-11") << what;      // authenticated users
  EXPECT_EQ(aces[2].mask, user) << what;
}

TEST(ChannelSecurity, ObjectsCarryTheNarrowDacl) {
  ChannelServer server;
  ASSERT_EQ(server.Create(), 0u);
  ExpectDacl(server.Doorbell(), EVENT_ALL_ACCESS, EVENT_MODIFY_STATE, "doorbell");
  KernelHandle section(OpenFileMappingW(READ_CONTROL, FALSE, kSectionName));
  ASSERT_TRUE(section.Valid());
  ExpectDacl(section.Get(), SECTION_ALL_ACCESS, SECTION_MAP_READ | SECTION_MAP_WRITE, "section");

  KernelHandle event(OpenEventW(READ_CONTROL, FALSE, kCompletionName));
  ASSERT_TRUE(event.Valid());
  ExpectDacl(event.Get(), EVENT_ALL_ACCESS, EVENT_MODIFY_STATE | SYNCHRONIZE, "completion");
  KernelHandle mutex(OpenMutexW(READ_CONTROL, FALSE, kCmdMutexName));
  ASSERT_TRUE(mutex.Valid());
  ExpectDacl(mutex.Get(), MUTEX_ALL_ACCESS, SYNCHRONIZE, "mutex");
  ObjectSecurity security;
  ASSERT_TRUE(security.Build(kEventAllAccess, kUserCompletionRights));
  EXPECT_FALSE(security.Attributes()->bInheritHandle);
}

// The client only opens what the service made: with no service, no channel
// object is left behind by a client for a squatter's benefit or the next
// service start to trip over.
TEST(Channel, ClientCreatesNoObject) {
  _SVC_DWORD_REQUEST r{{SVC_CMD_NOP, 0, 16}, 0};
  EXPECT_EQ(SendServiceCommand(nullptr, &r, sizeof(r)), kResultUnreachable);
  ChannelServer server;
  EXPECT_EQ(server.Create(), 0u);  // every name was still free
}

}  // namespace
}  // namespace vk::test
