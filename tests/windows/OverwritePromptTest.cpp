// The overwrite prompt in a process of its own, driven by control id: what it
// shows of one conflict, and which of its buttons end it with which answer.
#include <gtest/gtest.h>

#include <string>

#include "resources/ResourceIds.h"
#include "tests/driver/Ui.h"
#include "tests/windows/HostDriver.h"

namespace vk::test {
namespace {

using driver::Click;
using driver::ControlText;

class OverwritePrompt : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host.Start()); }

  // Shows the prompt for one conflict and waits for it.
  HWND Show(int remaining, const std::wstring& path, uint64_t backupBytes, uint64_t currentBytes) {
    const std::wstring spec = std::to_wstring(remaining) + L"|" + path + L"|" +
                              std::to_wstring(backupBytes) + L"|" + std::to_wstring(currentBytes);
    EXPECT_EQ(host.Command(L"overwrite " + spec), L"ok");
    HWND prompt = nullptr;
    EXPECT_TRUE(driver::WaitFor("the overwrite prompt", driver::kWindowDeadlineMs, [&] {
      for (HWND h : driver::TopLevelWindows(host.Id()))
        if (driver::Shown(h) && driver::Control(h, IDC_OW_REPLACE)) prompt = h;
      return prompt != nullptr;
    }));
    return prompt;
  }
  // The answer once the prompt has closed: "end=.. choice=.. apply=..".
  std::wstring Answer(HWND prompt) {
    EXPECT_TRUE(driver::WaitUntilGone(prompt));
    std::wstring answer;
    EXPECT_TRUE(driver::WaitFor("the answer", driver::kWindowDeadlineMs,
                                [&] { return !(answer = host.Command(L"ow")).empty(); }));
    return answer;
  }

  WindowHost host;
};

TEST_F(OverwritePrompt, ShowsTheConflictAsTextOnly) {
  struct Case {
    const char* name;
    int remaining;
    const wchar_t* path;
    uint64_t backupBytes, currentBytes;
    const wchar_t *message, *fileName, *location, *backupSize, *currentSize;
  } cases[] = {
      {"one conflict left", 1, L"C:\\Users\\Ann\\Documents\\report.docx", 1536, 2048,
       L"The destination has 1 files with the same name.", L"report.docx",
       L"C:\\Users\\Ann\\Documents", L"Size : 1.50 KB", L"Size : 2.00 KB"},
      {"a file in a drive root, 0 bytes on both sides", 4, L"D:\\a.txt", 0, 0,
       L"The destination has 4 files with the same name.", L"a.txt", L"D:", L"Size : 0 bytes",
       L"Size : 0 bytes"},
      {"mnemonics and directives of a path stay as written", 2, L"E:\\R&D\\%s %n\\100%.txt", 1, 0,
       L"The destination has 2 files with the same name.", L"100%.txt", L"E:\\R&D\\%s %n",
       L"Size : 1 bytes", L"Size : 0 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND prompt = Show(c.remaining, c.path, c.backupBytes, c.currentBytes);
    ASSERT_TRUE(prompt);
    EXPECT_EQ(driver::WindowText(prompt), L"Vaultkeep");
    EXPECT_EQ(ControlText(prompt, IDC_MESSAGE), c.message);
    EXPECT_EQ(ControlText(prompt, IDC_OW_FILE_NAME), c.fileName);
    EXPECT_EQ(ControlText(prompt, IDC_OW_LOCATION), c.location);
    EXPECT_EQ(ControlText(prompt, IDC_OW_FILE_LABEL), L"File name:");
    const std::wstring replace = ControlText(prompt, IDC_OW_REPLACE);
    const std::wstring skip = ControlText(prompt, IDC_OW_SKIP);
    EXPECT_EQ(replace.substr(0, replace.find(L"\nSize")),
              L"Replace the files in the destination\nBackup file");
    EXPECT_EQ(skip.substr(0, skip.find(L"\nSize")), L"Skip these files\nCurrent file");
    EXPECT_NE(replace.find(std::wstring(L"\n") + c.backupSize + L"\nUpdated : "), std::wstring::npos)
        << replace.c_str();
    EXPECT_NE(skip.find(std::wstring(L"\n") + c.currentSize + L"\nUpdated : "), std::wstring::npos);
    EXPECT_EQ(ControlText(prompt, IDC_OW_APPLY), L"Apply this choice to the rest of the files");
    RECT rc;
    ::GetClientRect(prompt, &rc);
    EXPECT_EQ(rc.right, 581);
    EXPECT_EQ(rc.bottom, 600);
    ASSERT_TRUE(Click(prompt, IDC_CLOSE));
    EXPECT_EQ(Answer(prompt), L"end=2 choice=0 apply=0");
  }
}

TEST_F(OverwritePrompt, EachButtonEndsItWithItsAnswer) {
  struct Case {
    const char* name;
    bool tick;
    UINT press;
    const wchar_t* answer;
  } cases[] = {
      {"Replace, for the rest", true, IDC_OW_REPLACE, L"end=1 choice=1 apply=1"},
      {"Replace, this file", false, IDC_OW_REPLACE, L"end=1 choice=1 apply=0"},
      {"Skip, for the rest", true, IDC_OW_SKIP, L"end=1 choice=2 apply=1"},
      {"Skip, this file", false, IDC_OW_SKIP, L"end=1 choice=2 apply=0"},
      {"the close button: no choice, not for the rest", true, IDC_CLOSE, L"end=2 choice=0 apply=0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND prompt = Show(3, L"C:\\x\\y.txt", 10, 20);
    ASSERT_TRUE(prompt);
    if (c.tick) {
      ASSERT_TRUE(Click(prompt, IDC_OW_APPLY));
    }
    ASSERT_TRUE(Click(prompt, c.press));
    EXPECT_EQ(Answer(prompt), c.answer);
  }
}

// The keys and the system's close come before the last clicks in the
// prompt's queue: had any of them ended it, the answer would differ.
TEST_F(OverwritePrompt, EnterEscapeAndTheSystemCloseLeaveItOpen) {
  HWND prompt = Show(1, L"C:\\x\\y.txt", 10, 20);
  ASSERT_TRUE(prompt);
  driver::PostCommand(prompt, IDOK);
  driver::PostCommand(prompt, IDCANCEL);
  ::PostMessageW(prompt, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Click(prompt, IDC_OW_APPLY));
  ASSERT_TRUE(Click(prompt, IDC_OW_REPLACE));
  EXPECT_EQ(Answer(prompt), L"end=1 choice=1 apply=1");
}

}  // namespace
}  // namespace vk::test
