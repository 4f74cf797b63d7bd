#include "shell/TrayRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/ResourceIds.h"
#include "shell/AppTexts.h"

namespace vk {
namespace {

TEST(TrayMenu, GreyingFollowsWindowsAndJob) {
  struct Case {
    const char* name;
    bool mainOpen;
    uint32_t modal;
    bool job;
    bool open, exit;
  } cases[] = {
      {"idle", false, 0, false, true, true},
      {"backup running, main window closed", false, 0, true, true, false},
      {"main window open", true, 0, false, false, false},
      {"a message of the tray is up", false, 1, false, false, false},
      {"two modal windows and a job", false, 2, true, false, false},
      {"main window open during a job", true, 0, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TrayMenuState s = TrayMenuItems(c.mainOpen, c.modal, c.job);
    EXPECT_EQ(s.openEnabled, c.open);
    EXPECT_EQ(s.exitEnabled, c.exit);
  }
}

// Records what the callback did; the flags are what the pages set.
class FakeProgress : public ProgressHost {
 public:
  bool cancelFlag = false, cancelRequest = false;
  bool backupPage = true, restorePage = true;
  bool flagOnConfirm = false;  // the user confirms the cancel inside the send
  std::vector<std::string> calls;
  std::wstring item = L"(old)";
  uint32_t percent = 0;

  bool CancelFlag() const override { return cancelFlag; }
  bool CancelRequested() const override { return cancelRequest; }
  void SetCurrentItem(const wchar_t* text) override {
    item = text;
    calls.push_back("item");
  }
  void SetPercent(uint32_t p) override {
    percent = p;
    calls.push_back("percent");
  }
  bool PageOpen(ProgressPage page) const override {
    return page == ProgressPage::kBackup ? backupPage : restorePage;
  }
  void ConfirmCancel(ProgressPage page, const wchar_t*, uint32_t) override {
    calls.push_back(page == ProgressPage::kBackup ? "confirm backup" : "confirm restore");
    if (flagOnConfirm) cancelFlag = true;
  }
  void AskOverwrite(const void*, uint32_t) override { calls.push_back("overwrite"); }
};

TEST(ProgressCallback, EachKindWithAndWithoutCancelAndPage) {
  using Calls = std::vector<std::string>;
  struct Case {
    const char* name;
    uint32_t phase;
    bool text;
    bool flag, request, pageOpen, confirms;
    Calls calls;
    int result;
  } cases[] = {
      {"check only", 0, true, false, false, true, false, {}, 0},
      {"check only, cancelled", 0, true, true, false, true, false, {}, 1},
      {"backup item", 1, true, false, false, true, false, {"item", "percent"}, 0},
      {"backup percent only", 1, false, false, false, true, false, {"percent"}, 0},
      {"backup, cancel flag set: nothing touched", 1, true, true, true, true, false, {}, 1},
      {"backup, cancel asked, user goes on", 1, true, false, true, true, false,
       {"item", "percent", "confirm backup"}, 0},
      {"backup, cancel asked, user confirms", 1, true, false, true, true, true,
       {"item", "percent", "confirm backup"}, 1},
      {"backup, cancel asked, no page", 1, true, false, true, false, false, {"item", "percent"}, 0},
      {"restore, cancel asked", 2, true, false, true, true, false,
       {"item", "percent", "confirm restore"}, 0},
      {"overwrite question", 3, true, false, false, true, false, {"overwrite"}, 0},
      {"overwrite question without a page", 3, true, false, false, false, false, {}, 0},
      {"overwrite question, cancel asked: only the question", 3, true, false, true, true, false,
       {"overwrite"}, 0},
      {"overwrite question without its query", 3, false, false, false, true, false, {}, 0},
      {"unknown kind", 4, true, false, true, true, false, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProgress host;
    host.cancelFlag = c.flag;
    host.cancelRequest = c.request;
    host.backupPage = host.restorePage = c.pageOpen;
    host.flagOnConfirm = c.confirms;
    const int result = HandleProgress(host, c.phase, c.text ? L"C:\\Users\\ann\\a.txt" : nullptr, 37);
    EXPECT_EQ(host.calls, c.calls);
    EXPECT_EQ(result, c.result);
  }
}

TEST(ProgressCallback, ConfirmationGoesToThePageOfTheKind) {
  FakeProgress host;
  host.cancelRequest = true;
  host.backupPage = false;  // only the restore page is open
  HandleProgress(host, 1, L"x", 5);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"item", "percent"}));
  HandleProgress(host, 2, L"y", 6);
  EXPECT_EQ(host.calls.back(), "confirm restore");
  EXPECT_EQ(host.item, L"y");
  EXPECT_EQ(host.percent, 6u);
}

TEST(BusyIcon, TipShowsThePercentInTheLanguage) {
  SetAppLanguage(kLangEnglish);
  EXPECT_EQ(JobTipText(JobKind::kBackup, 37), L"Backup(37%)");
  EXPECT_EQ(JobTipText(JobKind::kRestore, 0), L"Restore(0%)");
  EXPECT_EQ(JobTipText(JobKind::kBackup, 99), L"Backup(99%)");
  SetAppLanguage(kLangJapanese);
  const std::wstring japanese = JobTipText(JobKind::kBackup, 37);
  EXPECT_NE(japanese.find(L"37%"), std::wstring::npos);
  EXPECT_EQ(japanese.find(L"%%"), std::wstring::npos);
  EXPECT_LE(japanese.size(), kMaxIconTipChars);
  SetAppLanguage(kLangEnglish);
}

TEST(BusyIcon, FramesCycleThroughTheFourIcons) {
  uint32_t frame = 0;
  std::vector<UINT> shown;
  for (int tick = 0; tick < 6; ++tick) {
    shown.push_back(BusyFrameIcon(frame));
    frame = NextBusyFrame(frame);
  }
  EXPECT_EQ(shown, (std::vector<UINT>{IDI_BUSY_0, IDI_BUSY_1, IDI_BUSY_2, IDI_BUSY_3, IDI_BUSY_0,
                                      IDI_BUSY_1}));
  EXPECT_EQ(BusyFrameIcon(7), static_cast<UINT>(IDI_BUSY_3));  // out of range: wrapped
  EXPECT_EQ(NextBusyFrame(7), 0u);
}

}  // namespace
}  // namespace vk
