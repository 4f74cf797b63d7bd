#include "shell/Instance.h"

#include <gtest/gtest.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/driver/Program.h"
#include "tests/shell/HostWindow.h"

namespace vk {
namespace {

using test::HostWindow;

constexpr wchar_t kTestName[] = L"VaultkeepTestInstance";
constexpr DWORD kDeliveryMs = 5000;    // generous: a poll comes every 500 ms
constexpr DWORD kProcessMs = 30000;    // a Wine process start can be slow

// Reads the hand-over record of the running copy.
_HANDOVER_RECORD ReadRecord() {
  _HANDOVER_RECORD r = {};
  KernelHandle mapping(::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kHandOverMappingName));
  if (!mapping.Valid()) return r;
  MappedView view(mapping.Get(), FILE_MAP_ALL_ACCESS, sizeof(r));
  if (view) std::memcpy(&r, view.Get(), sizeof(r));
  return r;
}

void WriteRecord(const _HANDOVER_RECORD& r) {
  KernelHandle mapping(::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kHandOverMappingName));
  ASSERT_TRUE(mapping.Valid());
  MappedView view(mapping.Get(), FILE_MAP_ALL_ACCESS, sizeof(r));
  ASSERT_TRUE(view.Valid());
  std::memcpy(view.Get(), &r, sizeof(r));
}

TEST(Instance, ProbeClaimAndRelease) {
  EXPECT_EQ(ProbeInstance(kTestName, false), kNoCopyRunning);
  EXPECT_EQ(ProbeInstance(kTestName, false), kNoCopyRunning);  // the probe let go again

  HostWindow first, second;
  KernelHandle slot1, slot2;
  ASSERT_TRUE(ClaimInstance(first.Handle(), slot1, kTestName));
  EXPECT_FALSE(ClaimInstance(second.Handle(), slot2, kTestName));  // lost the race
  EXPECT_FALSE(slot2.Valid());
  EXPECT_EQ(::GetPropW(second.Handle(), kTestName), nullptr);
  EXPECT_EQ(FindMarkedWindow(kTestName), first.Handle());
  EXPECT_EQ(ProbeInstance(kTestName, false), kCopyInThisSession);

  // Claiming again into the same slot re-takes the name.
  EXPECT_TRUE(ClaimInstance(first.Handle(), slot1, kTestName));

  ReleaseInstance(first.Handle(), slot1, kTestName);
  EXPECT_EQ(FindMarkedWindow(kTestName), nullptr);
  EXPECT_EQ(ProbeInstance(kTestName, false), kNoCopyRunning);

  // The name held with no marked window here: a copy of another session.
  KernelHandle elsewhere(::CreateMutexW(nullptr, FALSE, kTestName));
  EXPECT_EQ(ProbeInstance(kTestName, false), kCopyInOtherSession);
}

TEST(HandOver, RequestReachesWindowAndIsTaken) {
  HostWindow host;
  CHandOver handOver;
  ASSERT_TRUE(handOver.Start(host.Handle()));
  EXPECT_EQ(ReadRecord().Command, kHandOverNone);

  OpenExistingCopy();
  EXPECT_TRUE(HostWindow::PumpUntil([&] { return host.openRequests == 1; }, kDeliveryMs));
  // Taken once: later polls find nothing, and mark the record as seen.
  HostWindow::PumpUntil([] { return ReadRecord().Seen == 1; }, kDeliveryMs);
  _HANDOVER_RECORD r = ReadRecord();
  EXPECT_EQ(r.Command, kHandOverNone);
  EXPECT_EQ(r.Seen, 1u);
  EXPECT_EQ(host.openRequests, 1);
}

TEST(HandOver, RecordWithWrongSizeIsIgnored) {
  HostWindow host;
  CHandOver handOver;
  ASSERT_TRUE(handOver.Start(host.Handle()));
  WriteRecord({kHandOverOpenMainWindow, 0, 8, 0});
  EXPECT_TRUE(HostWindow::PumpUntil([] { return ReadRecord().Seen == 1; }, kDeliveryMs));
  EXPECT_EQ(ReadRecord().Command, kHandOverOpenMainWindow);
  EXPECT_EQ(host.openRequests, 0);
}

TEST(HandOver, StopWhileASendWaitsForTheWindow) {
  HostWindow host;
  CHandOver handOver;
  ASSERT_TRUE(handOver.Start(host.Handle()));
  OpenExistingCopy();
  // Not handling messages now: the next poll blocks in its send to us.
  ::Sleep(2 * kHandOverPollMs);
  handOver.Stop();  // must deliver that send instead of waiting forever
  EXPECT_FALSE(handOver.Running());
  EXPECT_EQ(host.openRequests, 1);
}

// A name that exists before the first copy made it is someone else's
// object (possibly with a DACL of their choosing): the hand-over refuses it.
TEST(HandOver, ObjectsThatAlreadyExistAreRefused) {
  HostWindow host;
  {
    KernelHandle squatter(::CreateEventW(nullptr, FALSE, FALSE, kHandOverEventName));
    ASSERT_TRUE(squatter.Valid());
    CHandOver handOver;
    EXPECT_FALSE(handOver.Start(host.Handle()));
    EXPECT_FALSE(handOver.Running());
  }
  {
    KernelHandle squatter(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                               kHandOverMappingSize, kHandOverMappingName));
    ASSERT_TRUE(squatter.Valid());
    CHandOver handOver;
    EXPECT_FALSE(handOver.Start(host.Handle()));
  }
  CHandOver handOver;  // the names are free again
  EXPECT_TRUE(handOver.Start(host.Handle()));
}

// A second copy writes into whatever mapping carries the name; one that is
// only reserved would fault on the write. Nothing is written then.
TEST(HandOver, SecondCopyNeverWritesIntoAnUncommittedView) {
  KernelHandle reserved(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr,
                                             PAGE_READWRITE | SEC_RESERVE, 0,
                                             kHandOverMappingSize, kHandOverMappingName));
  ASSERT_TRUE(reserved.Valid());
  MappedView view(reserved.Get(), FILE_MAP_ALL_ACCESS, kHandOverRecordSize);
  ASSERT_TRUE(view.Valid());
  EXPECT_FALSE(view.Writable(kHandOverRecordSize));
  OpenExistingCopy();  // a write would fault here and end the test program
  ASSERT_NE(::VirtualAlloc(view.Get(), kHandOverRecordSize, MEM_COMMIT, PAGE_READWRITE), nullptr);
  EXPECT_TRUE(view.Writable(kHandOverRecordSize));
}

// The objects are this user's and SYSTEM's only: no entry for anyone else,
// and no NULL DACL.
TEST(HandOver, ObjectsGrantOnlyThisUserAndSystem) {
  HostWindow host;
  CHandOver handOver;
  ASSERT_TRUE(handOver.Start(host.Handle()));
  KernelHandle token;
  ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive()));
  DWORD bytes = 0;
  ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &bytes);
  std::vector<unsigned char> user(bytes);
  ASSERT_TRUE(::GetTokenInformation(token.Get(), TokenUser, user.data(), bytes, &bytes));
  PSID me = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;

  KernelHandle event(::OpenEventW(READ_CONTROL, FALSE, kHandOverEventName));
  KernelHandle mapping(::OpenFileMappingW(READ_CONTROL, FALSE, kHandOverMappingName));
  for (HANDLE object : {event.Get(), mapping.Get()}) {
    ASSERT_NE(object, nullptr);
    PACL dacl = nullptr;
    LocalMemory descriptor;
    ASSERT_EQ(::GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, &dacl, nullptr, descriptor.Receive()),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_NE(dacl, nullptr);  // not a NULL DACL
    ASSERT_EQ(dacl->AceCount, 2u);
    bool sawMe = false, sawSystem = false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
      void* raw = nullptr;
      ASSERT_TRUE(::GetAce(dacl, i, &raw));
      auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
      ASSERT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
      PSID sid = &ace->SidStart;
      sawMe = sawMe || ::EqualSid(sid, me);
      wchar_t* text = nullptr;
      if (::ConvertSidToStringSidW(sid, &text)) {
        sawSystem = sawSystem || std::wstring(text) == L"S-1-5-18";
        ::LocalFree(text);
      }
    }
    EXPECT_TRUE(sawMe);
    EXPECT_TRUE(sawSystem);
  }
}

// ---- The real program as the second copy ------------------------------------

std::wstring ProgramPath() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  path.erase(path.find_last_of(L'\\') + 1);
  return path + L"..\\..\\app\\Arkwell\\Arkwell.exe";
}

KernelHandle StartProgram(const wchar_t* arguments) {
  std::wstring exe = ProgramPath();
  std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!vk::driver::CreateProcessRetrying(exe.c_str(), commandLine, FALSE, si, pi)) {
    return KernelHandle();
  }
  KernelHandle thread(pi.hThread);
  return KernelHandle(pi.hProcess);
}

bool Ended(HANDLE process) { return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

class RunningCopyTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ClaimInstance(host.Handle(), slot, kInstanceName)); }
  void TearDown() override {
    if (host.Handle()) ReleaseInstance(host.Handle(), slot, kInstanceName);
  }
  HostWindow host;
  KernelHandle slot;
};

TEST_F(RunningCopyTest, SecondStartHandsOverAndEnds) {
  CHandOver handOver;
  ASSERT_TRUE(handOver.Start(host.Handle()));
  KernelHandle second = StartProgram(L"");
  ASSERT_TRUE(second.Valid());
  EXPECT_TRUE(HostWindow::PumpUntil([&] { return host.openRequests == 1 && Ended(second.Get()); },
                                    kProcessMs, second.Get()));
  EXPECT_EQ(host.openRequests, 1);
  EXPECT_EQ(host.closeRequests, 0);
}

TEST_F(RunningCopyTest, CloseCommandClosesTheRunningCopy) {
  host.closeOnRequest = true;
  host.onClose = [&] { ReleaseInstance(host.Handle(), slot, kInstanceName); };
  KernelHandle closer = StartProgram(L"U");
  ASSERT_TRUE(closer.Valid());
  EXPECT_TRUE(HostWindow::PumpUntil([&] { return Ended(closer.Get()); }, kProcessMs, closer.Get()));
  EXPECT_EQ(host.closeRequests, 1);
  EXPECT_EQ(host.Handle(), nullptr);
}

TEST_F(RunningCopyTest, CloseCommandGivesUpOnABusyCopy) {
  KernelHandle closer = StartProgram(L"u");
  ASSERT_TRUE(closer.Valid());
  EXPECT_TRUE(HostWindow::PumpUntil([&] { return Ended(closer.Get()); }, kProcessMs, closer.Get()));
  EXPECT_EQ(host.closeRequests, kCloseTries);
  EXPECT_NE(host.Handle(), nullptr);
}

TEST(CloseCommand, NoCopyRunningReturnsAtOnce) {
  ASSERT_EQ(ProbeInstance(kInstanceName, false), kNoCopyRunning);
  KernelHandle closer = StartProgram(L"U");
  ASSERT_TRUE(closer.Valid());
  EXPECT_EQ(::WaitForSingleObject(closer.Get(), kProcessMs), WAIT_OBJECT_0);
  DWORD code = 1;
  ::GetExitCodeProcess(closer.Get(), &code);
  EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace vk
