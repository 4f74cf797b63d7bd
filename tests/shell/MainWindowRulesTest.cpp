#include "shell/MainWindowRules.h"

#include <gtest/gtest.h>

#include <cstring>

#include "shell/AppTexts.h"
#include "tests/support/EnglishTexts.h"

namespace vk {
namespace {

using MainWindowRules = test::EnglishTexts;

// A drive by identity and plan letter (-1 none).
PanelDrive Drive(const wchar_t* device, int32_t planDrive = kNoPlanDrive, uint32_t sets = 0) {
  PanelDrive d;
  d.deviceObject = device;
  d.planDrive = planDrive;
  d.storedSets = sets;
  return d;
}

// Enabled states as a row of the table: drive buttons 0..4, then
// Backup, Restore, Log, Setting, information menu, close.
std::string Row(const ButtonStates& s) {
  std::string r;
  for (bool d : s.drives) r += d ? '1' : '0';
  r += ' ';
  for (bool b : {s.backup, s.restore, s.log, s.setting}) r += b ? '1' : '0';
  r += ' ';
  for (bool b : {s.info, s.close}) r += b ? '1' : '0';
  return r;
}

TEST_F(MainWindowRules, ButtonsFollowThePageGroupPlanAndJob) {
  struct Case {
    int page;
    int drives, selected;
    bool plan;
    uint32_t sets;
    bool job, scheduled;
    const char* want;  // drives  B R L S  info close
  } cases[] = {
      // Pages where the user may go anywhere.
      {1, 3, 1, false, 0, false, false, "11100 1001 11"},  // no plan: no Restore, no Log
      {6, 3, 1, true, 0, false, false, "11100 1011 11"},   // plan without a set: Log only
      {6, 3, 1, true, 2, false, false, "11100 1111 11"},
      {8, 3, 1, true, 2, false, false, "11100 1111 11"},
      {11, 3, 1, true, 2, false, false, "11100 1111 11"},
      {12, 3, 1, false, 0, false, false, "11100 1001 11"},
      {13, 5, 4, true, 1, false, false, "11111 1111 11"},
      // No device.
      {0, 0, -1, false, 0, false, false, "00000 1001 11"},
      {0, 2, 0, true, 1, false, false, "11000 1011 11"},   // Restore never from page 0
      // Inside the plan wizard and the backup: only the selected drive.
      {2, 3, 1, false, 0, false, false, "01000 1000 11"},
      {3, 3, 2, true, 4, false, false, "00100 1000 11"},
      {4, 3, 0, true, 4, false, false, "10000 1000 11"},
      {5, 3, 1, false, 0, false, false, "01000 1000 11"},
      {7, 3, 1, true, 4, true, false, "01000 1000 00"},    // a manual backup
      {7, 3, 1, true, 4, true, true, "01000 1000 01"},     // a scheduled one may be closed on
      // Inside the restore.
      {9, 3, 1, true, 4, false, false, "01000 0100 11"},
      {10, 3, 1, true, 4, true, false, "01000 0100 00"},
      {9, 3, 1, true, 0, false, false, "01000 0000 11"},
      // A page the window does not have enables nothing but closing.
      {14, 3, 1, true, 4, false, false, "00000 0000 11"},
  };
  for (const Case& c : cases) {
    ButtonInputs in;
    in.page = c.page;
    in.driveCount = c.drives;
    in.selected = c.selected;
    in.selectedHasPlan = c.plan;
    in.selectedSets = c.sets;
    in.jobRunning = c.job;
    in.scheduledJob = c.scheduled;
    EXPECT_EQ(Row(ComputeButtons(in)), c.want) << "page " << c.page << " plan " << c.plan
                                               << " sets " << c.sets << " job " << c.job;
  }
}

TEST_F(MainWindowRules, SelectionAfterTheDriveListChanged) {
  const std::vector<PanelDrive> six = {Drive(L"a"), Drive(L"b"), Drive(L"c"),
                                       Drive(L"d"), Drive(L"e"), Drive(L"f", 5)};
  struct Case {
    const char* what;
    std::wstring previous;
    size_t previousCount;
    std::vector<PanelDrive> drives;
    int index;
    bool keep, warn;
  } cases[] = {
      {"a second device attached", L"\\Device\\Harddisk2", 1,
       {Drive(L"\\Device\\Harddisk2", 4), Drive(L"\\Device\\Harddisk3")}, 0, true, false},
      {"found again ignoring case, at a new place", L"\\Device\\Harddisk3", 2,
       {Drive(L"\\DEVICE\\HARDDISK3")}, 0, true, false},
      {"the selected device detached: the first with a plan", L"gone", 3,
       {Drive(L"x"), Drive(L"y", 6, 1)}, 1, false, false},
      {"none has a plan: drive 0", L"gone", 2, {Drive(L"x"), Drive(L"y")}, 0, false, false},
      {"the last device detached", L"gone", 1, {}, kNoDriveSelected, false, false},
      {"nothing was selected", L"", 0, {Drive(L""), Drive(L"y", 3)}, 1, false, false},
      {"a sixth device: warned once", L"a", 5, six, 0, true, true},
      {"still six", L"a", 6, six, 0, true, false},
      {"seven after four", L"a", 4,
       {Drive(L"a"), Drive(L"b"), Drive(L"c"), Drive(L"d"), Drive(L"e"), Drive(L"f"), Drive(L"g")},
       0, true, true},
      {"the sixth has no button: not kept, and its plan does not count", L"f", 6, six, 0, false,
       false},
  };
  for (const Case& c : cases) {
    const PanelChoice got = ChoosePanelSelection(c.previous, c.previousCount, c.drives);
    EXPECT_EQ(got.index, c.index) << c.what;
    EXPECT_EQ(got.keepPage, c.keep) << c.what;
    EXPECT_EQ(got.warnTooMany, c.warn) << c.what;
  }
}

TEST_F(MainWindowRules, SelectingADriveKeepsWorkInProgress) {
  using F = SelectFollowUp;
  struct Case {
    int tab, page;
    bool keep;
    F want;
  } cases[] = {
      {kTabBackup, kPageFolders, true, F::kButtonsOnly},      // wizard on page 3 stays
      {kTabBackup, kPagePlanView, true, F::kEnterBackupTab},  // the view is shown afresh
      {kTabBackup, kPagePlanStart, true, F::kEnterBackupTab},
      {kTabBackup, kPagePlanView, false, F::kEnterBackupTab},  // its device detached
      {kTabBackup, kPageFolders, false, F::kEnterBackupTab},
      {kTabRestore, kPageRestoreSets, true, F::kButtonsOnly},
      {kTabRestore, kPageRestoreSets, false, F::kEnterBackupTab},
      {kTabLog, kPageLog, true, F::kButtonsOnly},
      {kTabSetting, kPageLanguage, false, F::kButtonsOnly},
      {kTabSetting, kPageUpdate, false, F::kButtonsOnly},
      // A running job's page is never left; its end is reported there.
      {kTabBackup, kPageBackupProgress, false, F::kButtonsOnly},
      {kTabRestore, kPageRestoreProgress, false, F::kButtonsOnly},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FollowUpOfSelect(c.tab, c.page, c.keep), c.want) << c.tab << "/" << c.page << "/" << c.keep;
}

TEST_F(MainWindowRules, TabsAndPages) {
  EXPECT_EQ(PageOfTab(kTabBackup, false, false), kPageNoDevice);
  EXPECT_EQ(PageOfTab(kTabBackup, true, false), kPagePlanStart);
  EXPECT_EQ(PageOfTab(kTabBackup, true, true), kPagePlanView);
  EXPECT_EQ(PageOfTab(kTabRestore, false, false), kPageRestoreSets);
  EXPECT_EQ(PageOfTab(kTabLog, true, true), kPageLog);
  EXPECT_EQ(PageOfTab(kTabSetting, true, true), kPageLanguage);
  const int tabs[kPageCount] = {1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 3, 4, 4};
  for (int page = 0; page < kPageCount; ++page) EXPECT_EQ(TabOfPage(page), tabs[page]) << page;
  EXPECT_EQ(PageObjectOf(kPageUpdate), kPageLanguage);
  EXPECT_EQ(PageObjectOf(kPageLog), kPageLog);
}

TEST_F(MainWindowRules, ComingBackKeepsContentAndStartsNoJob) {
  for (int page = 0; page < kPageCount; ++page) {
    const bool focusPage = page == 1 || page == 3 || page == 4 || page == 5 || page == 9;
    const bool jobPage = page == 7 || page == 10;
    const PageEntry back = EntryOfPage(page, true), fresh = EntryOfPage(page, false);
    EXPECT_EQ(back.focusOnly, focusPage) << page;
    EXPECT_FALSE(fresh.focusOnly) << page;
    EXPECT_FALSE(back.startJob) << page;
    EXPECT_EQ(fresh.startJob, jobPage) << page;
  }
}

TEST_F(MainWindowRules, OpeningView) {
  const std::vector<PanelDrive> drives = {Drive(L"x"), Drive(L"y", 5, 1), Drive(L"z", 7)};
  struct Case {
    bool job;
    int32_t jobDrive;
    bool update;
    int select, tab, page;
  } cases[] = {
      {true, 5, false, 1, kTabBackup, kPageBackupProgress},  // the scheduled backup's drive
      {true, 5, true, 1, kTabBackup, kPageBackupProgress},   // the job comes first
      {true, 9, false, kNoDriveSelected, kTabBackup, kPageBackupProgress},
      {false, -1, true, kNoDriveSelected, kTabSetting, kPageUpdate},
      {false, -1, false, kNoDriveSelected, kTabBackup, -1},
  };
  for (const Case& c : cases) {
    const OpeningView v = OpeningViewOf(c.job, c.jobDrive, c.update, drives);
    EXPECT_EQ(v.selectDrive, c.select) << c.job << c.jobDrive << c.update;
    EXPECT_EQ(v.tab, c.tab);
    EXPECT_EQ(v.page, c.page);
  }
  EXPECT_EQ(OpeningViewOf(true, -1, false, {Drive(L"x")}).selectDrive, kNoDriveSelected);
}

TEST_F(MainWindowRules, DriveButtonLines) {
  struct Case {
    const wchar_t* caption;
    uint32_t mask;
    uint64_t sectors;
    uint32_t sectorBytes;
    const wchar_t *first, *second, *third;
  } cases[] = {
      {L"Corvane Disk", (1u << 4) | (1u << 5), 1953525168, 512, L"Corvane Disk", L"(E:)(F:)",
       L"931.51 GB"},
      // Text only: mnemonics and directives are shown as they are.
      {L"R&D %s %n disk", 1u << 6, 2048, 512, L"R&D %s %n disk", L"(G:)", L"1.00 MB"},
      {L"", 1u << 7, 0, 512, L"(H:)", L"", L"0 bytes"},               // empty caption
      {L" \t \r\n", (1u << 0) | (1u << 25), 1, 0, L"(A:)(Z:)", L"", L"0 bytes"},
      {L"Two\r\nlines", 0, 1, 4096, L"Two  lines", L"", L"4.00 KB"},
      {L"Huge", 0xFC000000u, UINT64_MAX, 512, L"Huge", L"", L""},     // no letters past Z:
  };
  for (const Case& c : cases) {
    PanelDrive d;
    d.caption = c.caption;
    d.driveMask = c.mask;
    d.sectorCount = c.sectors;
    d.bytesPerSector = c.sectorBytes;
    const DriveLines l = DriveButtonLines(d);
    EXPECT_EQ(l.first, c.first);
    EXPECT_EQ(l.second, c.second) << c.caption;
    EXPECT_EQ(l.third, c.third) << c.caption;
  }
}

TEST_F(MainWindowRules, ServiceRecordFieldsAreReadWithinTheirSize) {
  svc::_SVC_DRVINFO info;
  std::memset(&info, 0, sizeof(info));
  for (wchar_t& c : info.szFriendlyName) c = L'N';  // no terminator
  std::wcscpy(info.szDeviceObject, L"\\Device\\Harddisk2");
  info.dwDriveMask = 1u << 4;
  info.ullSectorCount = 4;
  info.dwBytesPerSector = 512;
  const PanelDrive d = PanelDriveOf(info, 4, 2);
  EXPECT_EQ(d.caption, std::wstring(static_cast<size_t>(svc::kPathChars), L'N'));
  EXPECT_EQ(d.deviceObject, L"\\Device\\Harddisk2");
  EXPECT_EQ(d.driveMask, 1u << 4);
  EXPECT_EQ(d.planDrive, 4);
  EXPECT_EQ(d.storedSets, 2u);
  EXPECT_EQ(DriveButtonLines(d).third, L"2.00 KB");
}

TEST_F(MainWindowRules, FreeSpaceTipsInGigaAndTeraBytesTruncated) {
  constexpr uint64_t kGiB = uint64_t{1} << 30, kMiB = uint64_t{1} << 20, kTiB = uint64_t{1} << 40;
  struct Case {
    uint64_t bytes;
    const wchar_t* want;
  } cases[] = {
      {0, L"0.00 GB\nAvailable"},
      {kGiB / 2, L"0.50 GB\nAvailable"},
      {kGiB + 10 * kMiB, L"1.00 GB\nAvailable"},  // 1.0098: truncated, not rounded
      {12 * kGiB + 1023 * kMiB, L"12.99 GB\nAvailable"},
      {kTiB - 1, L"1023.99 GB\nAvailable"},
      {kTiB, L"1.00 TB\nAvailable"},
      {3 * kTiB + 512 * kGiB, L"3.50 TB\nAvailable"},
      {UINT64_MAX, L"16777215.99 TB\nAvailable"},
  };
  for (const Case& c : cases) EXPECT_EQ(FreeSpaceTip(c.bytes), c.want) << c.bytes;
}

TEST_F(MainWindowRules, TipsOfTabsAndDrives) {
  EXPECT_EQ(TabTip(kTabBackup), L"Backup");
  EXPECT_EQ(TabTip(kTabSetting), L"Setting");
  EXPECT_EQ(TabTip(0), L"");
  EXPECT_EQ(DriveTip(Drive(L"x"), true, 1u << 30), L"");      // no plan
  EXPECT_EQ(DriveTip(Drive(L"x", 4), false, 1u << 30), L"");  // free space unknown
  EXPECT_EQ(DriveTip(Drive(L"x", 4), true, 1u << 30), L"1.00 GB\nAvailable");
  for (uint32_t language = 0; language < kLanguageCount; ++language) {
    SetAppLanguage(language);
    EXPECT_LE(FreeSpaceTip(UINT64_MAX).size(), kMaxDriveTipChars) << language;
    EXPECT_FALSE(FreeSpaceTip(UINT64_MAX).empty()) << language;
  }
}

TEST_F(MainWindowRules, InformationMenuAndClosing) {
  EXPECT_TRUE(InfoMenuOf(true, 0).greyed);
  EXPECT_FALSE(InfoMenuOf(false, 1).greyed);
  EXPECT_TRUE(InfoMenuOf(false, 7).updateChecked);
  EXPECT_FALSE(InfoMenuOf(false, 0).updateChecked);
  EXPECT_EQ(ToggledUpdateNotice(true), 0u);
  EXPECT_EQ(ToggledUpdateNotice(false), 1u);
  EXPECT_TRUE(MayClose(false, false));
  EXPECT_TRUE(MayClose(true, true));
  EXPECT_FALSE(MayClose(true, false));
}

}  // namespace
}  // namespace vk
