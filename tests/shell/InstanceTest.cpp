#include "shell/Instance.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

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
  void* view = ::MapViewOfFile(mapping.Get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(r));
  if (view) {
    std::memcpy(&r, view, sizeof(r));
    ::UnmapViewOfFile(view);
  }
  return r;
}

void WriteRecord(const _HANDOVER_RECORD& r) {
  KernelHandle mapping(::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kHandOverMappingName));
  ASSERT_TRUE(mapping.Valid());
  void* view = ::MapViewOfFile(mapping.Get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(r));
  ASSERT_NE(view, nullptr);
  std::memcpy(view, &r, sizeof(r));
  ::UnmapViewOfFile(view);
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
  if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
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
