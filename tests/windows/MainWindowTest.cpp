// The main window in a process of its own behind a fake tray window, driven
// by control id as a user would: opened with no, one and six disks, tabs
// switched, drive buttons clicked, the buttons' enabling checked against
// what each page allows, the drive list changed under it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/Texts.h"
#include "resources/ResourceIds.h"
#include "tests/driver/MainWindowView.h"
#include "tests/driver/Ui.h"
#include "tests/driver/UserSteps.h"
#include "tests/windows/HostDriver.h"

namespace vk::test {
namespace {

using driver::Click;
using driver::Control;
using driver::ControlText;
using driver::Enabled;
using driver::ExpectTabs;
using driver::MessageWindow;
using driver::Selected;
using driver::Shown;
using driver::ShownPage;
using driver::TabStates;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

constexpr UINT kBackup = driver::kBackupTab, kRestore = driver::kRestoreTab,
               kLog = driver::kLogTab, kSetting = driver::kSettingTab;
using driver::kTabs;
// 1 TB as a disk's maker counts it: 931.51 GB.
constexpr const wchar_t* kTeraDisk = L"1000204886016";

std::wstring Drive(const std::wstring& caption, const std::wstring& letters, const std::wstring& plan,
                   int sets) {
  return L"drive " + caption + L"|" + letters + L"|" + plan + L"|" + std::to_wstring(sets) + L"|" +
         kTeraDisk;
}

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host.Start()); }
  void Add(const std::wstring& drive) { ASSERT_EQ(host.Command(drive), L"ok"); }
  HWND Open(const wchar_t* how = L"open") {
    HWND main = nullptr;
    EXPECT_TRUE(host.OpenMain(&main, how));
    return main;
  }
  // A posted drive refresh, waited for until it is done.
  void Refresh() {
    const std::wstring before = State();
    const std::string count = Field(before, "refreshes");
    ASSERT_EQ(host.Command(L"refresh"), L"ok");
    ASSERT_TRUE(driver::WaitFor("the refresh", driver::kWindowDeadlineMs, [&] {
      return Field(State(), "refreshes") == std::to_string(std::atoi(count.c_str()) + 1);
    }));
  }
  std::wstring State() { return host.Command(L"state"); }
  static std::string Field(const std::wstring& state, const char* name) {
    const std::string s(state.begin(), state.end());
    const size_t at = s.find(std::string(name) + "=");
    if (at == std::string::npos) return "";
    const size_t start = at + std::string(name).size() + 1;
    return s.substr(start, s.find(' ', start) - start);
  }

  WindowHost host;
};

TEST_F(MainWindow, NoDiskShowsPageZeroWithRestoreAndLogDisabled) {
  HWND main = Open();
  ASSERT_TRUE(main);
  EXPECT_EQ(ControlText(main, IDC_TITLE), L"Vaultkeep");
  EXPECT_EQ(ShownPage(main), static_cast<UINT>(IDD_PAGE_NO_DEVICE));
  for (UINT id = IDC_DRIVE_FIRST; id <= IDC_DRIVE_LAST; ++id) EXPECT_FALSE(Shown(Control(main, id)));
  ExpectTabs(main, {true, false, false, true});
  EXPECT_TRUE(Selected(main, kBackup));
  EXPECT_TRUE(Enabled(Control(main, IDC_INFO)));
  EXPECT_TRUE(Enabled(Control(main, IDC_CLOSE)));
  EXPECT_FALSE(Click(main, kRestore));  // no user can press it
  RECT rc;
  ::GetClientRect(main, &rc);
  EXPECT_EQ(rc.right, 768);
  EXPECT_EQ(rc.bottom, 542);
  RECT page;
  ::GetWindowRect(Control(main, IDD_PAGE_NO_DEVICE), &page);
  ::MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&page), 2);
  EXPECT_EQ(page.left, 190);
  EXPECT_EQ(page.top, 205);
  EXPECT_EQ(page.right - page.left, 560);
  EXPECT_EQ(page.bottom - page.top, 320);
}

TEST_F(MainWindow, OneDiskTheBackupPageAndTabsFollowItsPlanAndSets) {
  struct Case {
    const char* name;
    const wchar_t* plan;
    int sets;
    UINT page;
    TabStates tabs;
  } cases[] = {
      {"no plan: the plan start, no restore or log", L"-", 0, IDD_PAGE_PLAN_START,
       {true, false, false, true}},
      {"a plan without sets: log, no restore", L"E", 0, IDD_PAGE_PLAN_VIEW, {true, false, true, true}},
      {"a plan with sets: everything", L"E", 2, IDD_PAGE_PLAN_VIEW, {true, true, true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(host.Command(L"nodrives"), L"ok");
    Add(Drive(L"Backup Disk", L"E", c.plan, c.sets));
    HWND main = Open();
    ASSERT_TRUE(main);
    EXPECT_EQ(ControlText(main, IDC_DRIVE_FIRST), L"Backup Disk\n(E:)\n931.51 GB");
    EXPECT_TRUE(Selected(main, IDC_DRIVE_FIRST));
    EXPECT_EQ(ShownPage(main), c.page);
    ExpectTabs(main, c.tabs);
    EXPECT_FALSE(Shown(Control(main, IDC_DRIVE_FIRST + 1)));
    ASSERT_TRUE(Click(main, IDC_CLOSE));
    ASSERT_TRUE(driver::WaitUntilGone(main));
  }
}

TEST_F(MainWindow, EachTabOpensItsPageAndMarksItsButton) {
  Add(Drive(L"Backup Disk", L"E", L"E", 3));
  HWND main = Open();
  ASSERT_TRUE(main);
  const struct {
    UINT tab;
    UINT page;
    const char* state;
  } steps[] = {{kRestore, IDD_PAGE_RESTORE_SETS, "8"}, {kLog, IDD_PAGE_LOG, "11"},
               {kSetting, IDD_PAGE_LANGUAGE, "12"},    {kBackup, IDD_PAGE_PLAN_VIEW, "6"}};
  for (const auto& s : steps) {
    ASSERT_TRUE(Click(main, s.tab));
    ASSERT_TRUE(driver::WaitFor("the tab's page", driver::kWindowDeadlineMs,
                                [&] { return ShownPage(main) == s.page; }));
    EXPECT_EQ(Field(State(), "page"), s.state);
    for (UINT t : kTabs) EXPECT_EQ(Selected(main, t), t == s.tab) << t;
  }
}

TEST_F(MainWindow, ClickingADriveSelectsItAndEntersTheBackupTabAfresh) {
  Add(Drive(L"Stick", L"F", L"-", 0));
  Add(Drive(L"Backup Disk", L"EG", L"G", 1));
  HWND main = Open();
  ASSERT_TRUE(main);
  // The first disk with a plan is chosen at opening.
  EXPECT_TRUE(Selected(main, IDC_DRIVE_FIRST + 1));
  EXPECT_EQ(ControlText(main, IDC_DRIVE_FIRST + 1), L"Backup Disk\n(E:)(G:)\n931.51 GB");
  EXPECT_EQ(ShownPage(main), static_cast<UINT>(IDD_PAGE_PLAN_VIEW));
  ASSERT_TRUE(Click(main, kLog));
  ASSERT_TRUE(Click(main, IDC_DRIVE_FIRST));
  ASSERT_TRUE(driver::WaitFor("the first disk selected", driver::kWindowDeadlineMs,
                              [&] { return Selected(main, IDC_DRIVE_FIRST); }));
  EXPECT_FALSE(Selected(main, IDC_DRIVE_FIRST + 1));
  EXPECT_EQ(ShownPage(main), static_cast<UINT>(IDD_PAGE_PLAN_START));
  ExpectTabs(main, {true, false, false, true});
}

// Apply on the Setting tab: the drive buttons' lines change to the new
// language's font at once, with the pages, not at the window's next opening.
TEST_F(MainWindow, DriveButtonsTakeAnAppliedLanguagesFontAtOnce) {
  Add(Drive(L"Backup Disk", L"E", L"E", 1));
  HWND main = Open();
  ASSERT_TRUE(main);
  const std::wstring fontOfDrive = L"font " + std::to_wstring(IDC_DRIVE_FIRST);
  EXPECT_EQ(host.Command(fontOfDrive), L"Segoe UI");
  HWND languages = nullptr;
  ASSERT_TRUE(driver::OpenLanguagePage(main, &languages));
  ASSERT_TRUE(driver::ApplyLanguageLine(main, languages, kLangJapanese));
  EXPECT_EQ(host.Command(fontOfDrive), L"Meiryo UI");
}

TEST_F(MainWindow, OnAWizardPageOnlyTheSelectedDriveAndBackupArePressable) {
  Add(Drive(L"Backup Disk", L"E", L"E", 1));
  HWND main = Open();
  ASSERT_TRUE(main);
  ASSERT_EQ(host.Command(L"page 3"), L"ok");
  // A second disk attached meanwhile: shown, but the wizard keeps its page.
  Add(Drive(L"Other", L"F", L"-", 0));
  Refresh();
  EXPECT_EQ(Field(State(), "page"), "3");
  EXPECT_EQ(Field(State(), "selected"), "0");
  EXPECT_TRUE(Shown(Control(main, IDC_DRIVE_FIRST + 1)));
  EXPECT_TRUE(Enabled(Control(main, IDC_DRIVE_FIRST)));
  EXPECT_FALSE(Enabled(Control(main, IDC_DRIVE_FIRST + 1)));
  ExpectTabs(main, {true, false, false, false});
  EXPECT_FALSE(Click(main, IDC_DRIVE_FIRST + 1));
}

TEST_F(MainWindow, DetachingTheSelectedDiskSelectsAnotherAfresh) {
  Add(Drive(L"Stick", L"F", L"-", 0));
  Add(Drive(L"Backup Disk", L"E", L"E", 1));
  HWND main = Open();
  ASSERT_TRUE(main);
  EXPECT_EQ(Field(State(), "page"), "6");
  ASSERT_EQ(host.Command(L"nodrives"), L"ok");
  Add(Drive(L"Stick", L"F", L"-", 0));
  Refresh();
  EXPECT_EQ(Field(State(), "selected"), "0");
  EXPECT_EQ(Field(State(), "page"), "1");
  EXPECT_FALSE(Shown(Control(main, IDC_DRIVE_FIRST + 1)));
  // The last one gone: no selection, page 0.
  ASSERT_EQ(host.Command(L"nodrives"), L"ok");
  Refresh();
  EXPECT_EQ(Field(State(), "selected"), "-1");
  EXPECT_EQ(ShownPage(main), static_cast<UINT>(IDD_PAGE_NO_DEVICE));
}

TEST_F(MainWindow, ASixthDiskIsAnnouncedOnceWhenTheCountPassesFive) {
  for (wchar_t l = L'E'; l < L'E' + 6; ++l) Add(Drive(std::wstring(L"Disk ") + l, std::wstring(1, l), L"-", 0));
  HWND main = Open();
  ASSERT_TRUE(main);
  MessageWindow msg;
  ASSERT_TRUE(MessageWindow::WaitFor(host.Id(), &msg));
  EXPECT_THAT(msg.Text(), HasSubstr(L"will ignore 6th device"));
  EXPECT_EQ(Field(State(), "modal"), "1");
  ASSERT_TRUE(msg.Press(IDC_OK));
  ASSERT_TRUE(msg.WaitUntilClosed());
  EXPECT_EQ(Field(State(), "modal"), "0");
  for (UINT id = IDC_DRIVE_FIRST; id <= IDC_DRIVE_LAST; ++id) EXPECT_TRUE(Shown(Control(main, id)));
  // Still six: no second warning.
  Refresh();
  EXPECT_EQ(driver::FindTopWindow(host.Id(), driver::kDialogClass, L"Vaultkeep"), main);
  // Down to five and up to six again: warned again.
  ASSERT_EQ(host.Command(L"nodrives"), L"ok");
  for (wchar_t l = L'E'; l < L'E' + 5; ++l) Add(Drive(std::wstring(L"Disk ") + l, std::wstring(1, l), L"-", 0));
  Refresh();
  Add(Drive(L"Disk Z", L"Z", L"-", 0));
  ASSERT_EQ(host.Command(L"refresh"), L"ok");
  ASSERT_TRUE(MessageWindow::WaitFor(host.Id(), &msg));
  ASSERT_TRUE(msg.Press(IDC_OK));
}

TEST_F(MainWindow, DeviceCaptionsAreShownAsTextOnly) {
  Add(Drive(L"R&D %s %n Disk", L"E", L"-", 0));
  Add(Drive(L"", L"FG", L"-", 0));
  HWND main = Open();
  ASSERT_TRUE(main);
  EXPECT_EQ(ControlText(main, IDC_DRIVE_FIRST), L"R&D %s %n Disk\n(E:)\n931.51 GB");
  EXPECT_EQ(ControlText(main, IDC_DRIVE_FIRST + 1), L"(F:)(G:)\n\n931.51 GB");
}

TEST_F(MainWindow, OpeningDuringAScheduledBackupShowsItsProgress) {
  Add(Drive(L"Stick", L"F", L"F", 1));
  Add(Drive(L"Backup Disk", L"E", L"E", 1));
  ASSERT_EQ(host.Command(L"job scheduled E"), L"ok");
  HWND main = Open();
  ASSERT_TRUE(main);
  EXPECT_EQ(Field(State(), "selected"), "1");
  EXPECT_EQ(ShownPage(main), static_cast<UINT>(IDD_PAGE_BACKUP_PROGRESS));
  EXPECT_FALSE(Enabled(Control(main, IDC_DRIVE_FIRST)));
  ExpectTabs(main, {true, false, false, false});
  EXPECT_FALSE(Enabled(Control(main, IDC_INFO)));
  ASSERT_TRUE(Click(main, IDC_CLOSE));  // a scheduled backup goes on without the window
  ASSERT_TRUE(driver::WaitUntilGone(main));
  EXPECT_EQ(Field(State(), "open"), "0");
}

TEST_F(MainWindow, DuringAManualBackupTheWindowCannotBeClosed) {
  Add(Drive(L"Backup Disk", L"E", L"E", 1));
  HWND main = Open();
  ASSERT_TRUE(main);
  ASSERT_EQ(host.Command(L"page 7"), L"ok");
  ASSERT_EQ(host.Command(L"job manual E"), L"ok");
  EXPECT_FALSE(Enabled(Control(main, IDC_CLOSE)));
  EXPECT_FALSE(Enabled(Control(main, IDC_INFO)));
  DWORD_PTR r = 0;
  ::SendMessageTimeoutW(main, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
  EXPECT_EQ(Field(State(), "open"), "1");
  ASSERT_EQ(host.Command(L"job none"), L"ok");
  ASSERT_TRUE(Click(main, IDC_CLOSE));
  ASSERT_TRUE(driver::WaitUntilGone(main));
}

TEST_F(MainWindow, AnAcceptedUpdateOpensTheUpdatePage) {
  ASSERT_EQ(host.Command(L"release"), L"ok");
  HWND main = Open(L"openupdate");
  ASSERT_TRUE(main);
  EXPECT_EQ(Field(State(), "page"), "13");
  EXPECT_EQ(ShownPage(main), static_cast<UINT>(IDD_PAGE_LANGUAGE));
  EXPECT_TRUE(Selected(main, kSetting));
}

// The licence and version windows are modal over the main window, counted
// while they are open; OK and the close button both close them.
TEST_F(MainWindow, InformationMenuWindowsAreModalAndCloseWithEitherButton) {
  HWND main = Open();
  ASSERT_TRUE(main);
  const struct {
    UINT command, closeWith;
    UINT marker;  // a control only that window has
  } windows[] = {{IDM_EULABOX, IDOK, IDC_EULA_TEXT}, {IDM_ABOUTBOX, IDC_CLOSE, IDC_VER_VERSION}};
  for (const auto& w : windows) {
    driver::PostCommand(main, w.command);
    HWND shown = nullptr;
    ASSERT_TRUE(driver::WaitFor("the window of the menu command", driver::kWindowDeadlineMs, [&] {
      for (HWND h : driver::TopLevelWindows(host.Id()))
        if (h != main && driver::Shown(h) && Control(h, w.marker)) shown = h;
      return shown != nullptr;
    }));
    EXPECT_EQ(Field(State(), "modal"), "1");
    EXPECT_FALSE(driver::Enabled(main));
    ASSERT_TRUE(Click(shown, w.closeWith));
    ASSERT_TRUE(driver::WaitUntilGone(shown));
    EXPECT_EQ(Field(State(), "modal"), "0");
  }
  driver::PostCommand(main, IDM_UPDATENOTIFICATION);
  ASSERT_TRUE(Click(main, kSetting));
  ASSERT_TRUE(driver::WaitFor("the setting page", driver::kWindowDeadlineMs,
                              [&] { return ShownPage(main) == IDD_PAGE_LANGUAGE; }));
  EXPECT_EQ(Field(State(), "modal"), "0");
}

TEST_F(MainWindow, TipsNameTheTabsAndTheFreeSpaceOfAPlanPartition) {
  const char* volume = std::getenv("VAULTKEEP_TEST_VOLUME");
  const std::wstring letter(1, volume && *volume ? static_cast<wchar_t>(*volume) : L'C');
  Add(Drive(L"Backup Disk", letter, letter, 1));
  Add(Drive(L"Stick", L"F", L"-", 0));
  HWND main = Open();
  ASSERT_TRUE(main);
  EXPECT_EQ(host.Command(L"tip 1007"), L"Backup");
  EXPECT_EQ(host.Command(L"tip 1010"), L"Setting");
  const std::wstring tip = host.Command(L"tip 1002");
  EXPECT_THAT(std::string(tip.begin(), tip.end()), MatchesRegex("\\d+\\.\\d\\d .B\nAvailable"));
  EXPECT_EQ(host.Command(L"tip 1003"), L"");
}

TEST_F(MainWindow, TheTopBandMovesTheWindow) {
  HWND main = Open();
  ASSERT_TRUE(main);
  RECT rc;
  ::GetWindowRect(main, &rc);
  auto hit = [&](int y) {
    DWORD_PTR r = 0;
    ::SendMessageTimeoutW(main, WM_NCHITTEST, 0, MAKELPARAM(rc.left + 400, rc.top + y),
                          SMTO_ABORTIFHUNG, 5000, &r);
    return r;
  };
  EXPECT_EQ(hit(76), static_cast<DWORD_PTR>(HTCAPTION));
  EXPECT_NE(hit(77), static_cast<DWORD_PTR>(HTCAPTION));
}

}  // namespace
}  // namespace vk::test
