// The driver proven on what exists: a skinned window of another process
// found, read and answered by control id; the service installed, a simulated
// disk seen through the channel and taken away again; the test build's
// Arkwell.exe started and ended.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "resources/ResourceIds.h"
#include "tests/driver/Program.h"
#include "tests/driver/Service.h"
#include "tests/driver/ServiceSuite.h"
#include "tests/driver/Ui.h"
#include "tests/support/TestVolume.h"

namespace vk::driver {
namespace {

using ::testing::HasSubstr;

constexpr wchar_t kTitle[] = L"Vaultkeep";

std::wstring HelperExe() { return HostPathToWindows(VK_DRIVER_HELPER_EXE); }

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

TEST(Wait, PollsUntilTheConditionHolds) {
  int calls = 0;
  EXPECT_TRUE(WaitFor("the third call", kWindowDeadlineMs, [&] { return ++calls == 3; }));
  EXPECT_EQ(calls, 3);
}

TEST(Wait, DeadlineFailsNamingWhatWasAwaited) {
  int calls = 0;
  const ULONGLONG start = ::GetTickCount64();
  ::testing::AssertionResult r = WaitFor("the disk to appear", 200, [&] {
    ++calls;
    return false;
  });
  EXPECT_FALSE(r);
  EXPECT_THAT(r.message(), HasSubstr("waiting for the disk to appear"));
  EXPECT_GE(::GetTickCount64() - start, 200u);
  EXPECT_GT(calls, 2);  // polled, not checked once and slept
}

// ---- Windows of another process ---------------------------------------------

struct MessageCase {
  const char* name;
  const wchar_t* style;
  const wchar_t* mode;
  bool secondShown;
  const wchar_t* secondText;
  UINT press;
  DWORD result;
};

TEST(MessageWindowDriving, EachButtonAnsweredByIdFromOutside) {
  const MessageCase cases[] = {
      {"OK and Cancel: Cancel", L"0x131", L"plain", true, L"Cancel", IDC_SECOND, 2},
      {"OK and Cancel: OK", L"0x131", L"plain", true, L"Cancel", IDC_OK, 1},
      {"OK only: close button", L"0x30", L"plain", false, L"Cancel", IDC_CLOSE, 2},
      {"Log mode: Log", L"0x181", L"log", true, L"Log", IDC_SECOND, 100},
  };
  for (const MessageCase& c : cases) {
    SCOPED_TRACE(c.name);
    Program helper;
    ASSERT_TRUE(helper.Start(HelperExe(), std::wstring(L"message ") + c.style + L" " + c.mode +
                                              L" " + Quoted(L"Exit now?")));
    MessageWindow msg;
    ASSERT_TRUE(MessageWindow::WaitFor(helper.Id(), &msg));
    EXPECT_EQ(msg.Caption(), kTitle);
    EXPECT_EQ(msg.Text(), L"Exit now?");
    EXPECT_EQ(msg.ButtonText(IDC_OK), L"OK");
    EXPECT_EQ(msg.ButtonShown(IDC_SECOND), c.secondShown);
    EXPECT_EQ(msg.ButtonText(IDC_SECOND), c.secondText);
    if (!c.secondShown) {
      EXPECT_FALSE(msg.Press(IDC_SECOND));  // no user can press it
    }
    ASSERT_TRUE(msg.Press(c.press));
    EXPECT_TRUE(msg.WaitUntilClosed());
    ASSERT_TRUE(helper.WaitForExit());
    EXPECT_EQ(helper.ExitCode(), c.result);
  }
}

TEST(MessageWindowDriving, DisabledOkIsRefusedUntilTheBoxIsTicked) {
  Program helper;
  ASSERT_TRUE(helper.Start(HelperExe(), L"message 305 check " + Quoted(L"Delete the plan?")));
  MessageWindow msg;
  ASSERT_TRUE(MessageWindow::WaitFor(helper.Id(), &msg));
  EXPECT_FALSE(msg.ButtonEnabled(IDC_OK));
  ::testing::AssertionResult refused = msg.Press(IDC_OK);
  EXPECT_FALSE(refused);
  EXPECT_THAT(refused.message(), HasSubstr("disabled"));
  ASSERT_TRUE(msg.Press(IDC_CHECK));
  ASSERT_TRUE(WaitFor("OK to be enabled", kWindowDeadlineMs, [&] { return msg.ButtonEnabled(IDC_OK); }));
  ASSERT_TRUE(msg.Press(IDC_OK));
  ASSERT_TRUE(helper.WaitForExit());
  EXPECT_EQ(helper.ExitCode(), 1u);
}

TEST(MessageWindowDriving, FoundByClassAndCaptionOnlyInItsProcess) {
  Program helper;
  ASSERT_TRUE(helper.Start(HelperExe(), L"message 0x40 plain " + Quoted(L"Done.")));
  HWND found = nullptr;
  ASSERT_TRUE(WaitForWindow(helper.Id(), kDialogClass, kTitle, &found));
  EXPECT_EQ(FindTopWindow(0, kDialogClass, kTitle), found);  // any process
  EXPECT_EQ(FindTopWindow(helper.Id(), kDialogClass, L"Another caption"), nullptr);
  EXPECT_EQ(FindTopWindow(helper.Id(), L"Button", kTitle), nullptr);
  EXPECT_EQ(FindTopWindow(::GetCurrentProcessId(), kDialogClass, kTitle), nullptr);
  EXPECT_TRUE(helper.Close());  // WM_CLOSE ends a message window like Esc
  EXPECT_EQ(helper.ExitCode(), 2u);
}

TEST(NotificationDriving, TextReadAndClosedByItsButton) {
  Program helper;
  ASSERT_TRUE(helper.Start(HelperExe(), L"notification 16 " + Quoted(L"Scheduled backup failed.")));
  CornerNotification notice;
  ASSERT_TRUE(CornerNotification::WaitFor(helper.Id(), &notice));
  EXPECT_EQ(notice.Text(), L"Scheduled backup failed.");
  MessageWindow none;
  EXPECT_FALSE(MessageWindow::WaitFor(helper.Id(), &none, 0));  // not taken for a message
  ASSERT_TRUE(notice.Close());
  EXPECT_TRUE(notice.WaitUntilClosed());
  ASSERT_TRUE(helper.WaitForExit());
  EXPECT_EQ(helper.ExitCode(), 0u);
}

// ---- The program ------------------------------------------------------------

TEST(ProgramDriving, TestBuildArkwellStartsAndEnds) {
  Program arkwell;
  ASSERT_TRUE(arkwell.Start(ArkwellExe(), L"U"));  // no copy runs: ends at once
  ASSERT_TRUE(arkwell.WaitForExit());
  EXPECT_EQ(arkwell.ExitCode(), 0u);

  Program missing;
  EXPECT_FALSE(missing.Start(L"Z:\\nowhere\\Arkwell.exe"));
}

// ---- The service ------------------------------------------------------------

class ServiceDriving : public ServiceSuite<::testing::Test> {
 protected:
  void SetUp() override { ASSERT_TRUE(installed_) << installed_.message(); }
};

TEST_F(ServiceDriving, SimulatedDiskSeenThroughTheChannelUntilDetached) {
  const int drive = test::ScratchDriveIndex();
  ASSERT_GE(drive, 0);
  const int32_t before = DriveCounter();
  ASSERT_GE(before, 0);
  AttachDisk({L"D1", L"Driver Disk", LetterOf(drive), 1999, 512});
  ASSERT_TRUE(WaitForDiskListed(L"Driver Disk"));
  std::vector<svc::_SVC_DRVINFO> drives;
  ASSERT_TRUE(ServiceDrives(&drives));
  ASSERT_EQ(drives.size(), 1u);
  EXPECT_EQ(drives[0].dwDriveMask, 1u << drive);
  EXPECT_EQ(drives[0].ullSectorCount, 2000u);
  EXPECT_STREQ(drives[0].szDeviceObject, L"\\Device\\SimDiskD1");
  EXPECT_GT(DriveCounter(), before);

  DetachDisk(L"D1");
  ASSERT_TRUE(WaitForDiskGone(L"Driver Disk"));
  ASSERT_TRUE(ServiceDrives(&drives));
  EXPECT_TRUE(drives.empty());
}

TEST_F(ServiceDriving, StoppedServiceFailsRequestsUntilStartedAgain) {
  ASSERT_TRUE(StopService());
  std::vector<svc::_SVC_DRVINFO> drives;
  EXPECT_FALSE(ServiceDrives(&drives));
  EXPECT_EQ(DriveCounter(), -1);
  ASSERT_TRUE(StartService());
  EXPECT_TRUE(WaitFor("the service to answer", kServiceDeadlineMs, [] { return DriveCounter() >= 0; }));
}

}  // namespace
}  // namespace vk::driver
