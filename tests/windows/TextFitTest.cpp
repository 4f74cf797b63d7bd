// Every text of the main window and the overwrite prompt in each of the
// eight languages, measured against its control. A window added later
// joins with one more test that opens it and asks TextsThatDoNotFit.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "common/Handle.h"
#include "controls/SkinImage.h"
#include "controls/CEulaDlg.h"
#include "controls/CMsgDlg.h"
#include "resources/ResourceIds.h"
#include "restorewin/COwDlg.h"
#include "servicelink/CDlDlg.h"
#include "servicelink/CUpdDlg.h"
#include "servicelink/CVersionDlg.h"
#include "engine/TargetVolume.h"
#include "resources/ResourceIds.h"
#include "resources/TextIds.h"
#include "shell/AppTexts.h"
#include "tests/support/TestVolume.h"
#include "tests/windows/FakeTray.h"
#include "tests/windows/TextFit.h"

namespace vk::test {
namespace {

constexpr uint64_t kOneSecond = 10000000;  // in file-time units of 100 ns
constexpr int kMaxButtonChars = 128;

std::wstring WindowTextOf(HWND hwnd) {
  wchar_t text[kMaxButtonChars] = {};
  ::GetWindowTextW(hwnd, text, kMaxButtonChars);
  return text;
}

const char* const kLanguageNames[kLanguageCount] = {"en", "fr", "de", "it", "es", "pt", "zh", "ja"};

class TextFit : public ::testing::TestWithParam<uint32_t> {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    saved_ = AppLanguage();
    SetAppLanguage(GetParam());
  }
  void TearDown() override { SetAppLanguage(saved_); }

  void ExpectAllFit(HWND window, const char* what) {
    ASSERT_TRUE(window) << what;
    const std::vector<TextSlot> slots = CollectTexts(window);
    EXPECT_FALSE(slots.empty()) << what;  // a check that measures nothing proves nothing
    for (const Misfit& m : Misfits(slots))
      ADD_FAILURE() << what << " in " << kLanguageNames[GetParam()] << ", " << Describe(m);
  }

  // The update windows' layouts: no control covers another.
  void ExpectNoOverlap(HWND window, const char* what) {
    for (const Overlap& o : OverlappingControls(window))
      ADD_FAILURE() << what << ": controls " << o.first << " and " << o.second << " overlap";
  }

  GdiplusSession gdiplus;

 private:
  uint32_t saved_ = 0;
};

TEST_P(TextFit, MainWindow) {
  FakeTray tray;
  // Disks as they come: a long caption, several partitions, a large size.
  for (const wchar_t* drive : {L"drive Backup Disk|E|E|2|1000204886016",
                               L"drive Photos 2TB|FGH|-|0|2000398934016",
                               L"drive USB Stick|K|K|0|62008590336"})
    ASSERT_EQ(tray.Run(drive), L"ok");
  ASSERT_EQ(tray.Run(L"open"), L"ok");
  for (int tab = 1; tab <= 4; ++tab) {
    tray.Run(L"tab " + std::to_wstring(tab));
    ExpectAllFit(tray.MainHwnd(), "main window");
  }
  // The Setting page's update sub-page, shown while a new release is known.
  ASSERT_EQ(tray.Run(L"release"), L"ok");
  tray.Run(L"page 13");
  ExpectAllFit(tray.MainHwnd(), "update page");
  ExpectNoOverlap(::GetDlgItem(::GetDlgItem(tray.MainHwnd(), IDD_PAGE_LANGUAGE), IDD_UPDATE_PAGE),
                  "update page");
}

// The modal windows of the update, the version and the licence, opened
// modeless for the measurement (the download window without a download).
template <class Window>
void MeasureModal(Window& window, HWND* shown) {
  ASSERT_TRUE(window.CreateForCheck(nullptr));
  ::ShowWindow(window.Hwnd(), SW_SHOWNA);
  *shown = window.Hwnd();
}

TEST_P(TextFit, UpdateNoticeDownloadVersionAndLicenceWindows) {
  HWND shown = nullptr;
  CUpdDlg notice;
  MeasureModal(notice, &shown);
  ExpectAllFit(shown, "update notice");
  ExpectNoOverlap(shown, "update notice");
  CDlDlg download(L"http://127.0.0.1/Setup.exe");
  MeasureModal(download, &shown);
  ExpectAllFit(shown, "download window");
  ExpectNoOverlap(shown, "download window");
  CVersionDlg version;
  MeasureModal(version, &shown);
  ExpectAllFit(shown, "version window");
  ExpectNoOverlap(shown, "version window");
  CEulaDlg licence;
  MeasureModal(licence, &shown);
  ExpectAllFit(shown, "licence window");
  ExpectNoOverlap(shown, "licence window");
}

// A failed download is told in a message window, which paints its message
// itself.
TEST_P(TextFit, DownloadFailureMessage) {
  const std::vector<TextSlot> slots = {MessageTextSlot(nullptr, GetString(txt::kDownloadFailed))};
  for (const Misfit& m : Misfits(slots))
    ADD_FAILURE() << "download failure message in " << kLanguageNames[GetParam()] << ", "
                  << Describe(m);
}

TEST_P(TextFit, RestorePages) {
  FakeTray tray;
  ASSERT_EQ(tray.Run(L"drive Backup Disk|E|E|2|1000204886016"), L"ok");
  ASSERT_EQ(tray.Run(L"open"), L"ok");
  // The fake starts no job: the progress page keeps its texts.
  for (int page : {8, 9, 10}) {
    tray.Run(L"page " + std::to_wstring(page));
    ExpectAllFit(tray.MainHwnd(), ("restore page " + std::to_string(page)).c_str());
  }
}

TEST_P(TextFit, PlanWizardPages) {
  FakeTray tray;
  ASSERT_EQ(tray.Run(L"drive Backup Disk|E|E|2|1000204886016"), L"ok");
  ASSERT_EQ(tray.Run(L"open"), L"ok");
  for (int page = 0; page <= 7; ++page) {
    ASSERT_EQ(tray.Run(L"page " + std::to_wstring(page)), L"ok");
    ExpectAllFit(tray.MainHwnd(), ("wizard page " + std::to_string(page)).c_str());
  }
}

TEST_P(TextFit, OverwritePrompt) {
  _OVERWRITE_QUERY q = {};
  q.remaining = 128;
  q.targetPath = L"C:\\Users\\Ann\\Documents\\Quarterly report 2017 (final, corrected).docx";
  q.backupSize = 1234567890;
  q.currentSize = 987654321;
  ::GetSystemTimeAsFileTime(&q.backupTime);
  q.currentTime = q.backupTime;
  COwDlg dlg(q);
  ASSERT_TRUE(dlg.CreateForCheck(nullptr));
  ::ShowWindow(dlg.Hwnd(), SW_SHOWNA);
  ExpectAllFit(dlg.Hwnd(), "overwrite prompt");
}

// The log page with each of its views, the detail tab naming the restore's
// log (its longer text), on the scratch volume's logs.
TEST_P(TextFit, LogPageWithTheRestoreDetailTab) {
  const int drive = ScratchDriveIndex();
  ASSERT_GE(drive, 0);
  const std::wstring folder = LogFolderPath(drive);
  EmptyFolder(folder);
  const std::vector<uint8_t> line = {0xFF, 0xFE, 'R', 0, 'u', 0, 'n', 0};
  for (const wchar_t* name : {L"backup-detail.log", L"storage-backup.log", L"storage-restore.log",
                              L"restore-detail.log"})  // the restore's written last
    WriteFileBytes(folder + L"\\" + name, line);
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t = {{now.dwLowDateTime, now.dwHighDateTime}};
  t.QuadPart += kOneSecond;
  FILETIME later = {t.LowPart, t.HighPart};
  {
    FileHandle f(::CreateFileW((folder + L"\\restore-detail.log").c_str(), FILE_WRITE_ATTRIBUTES, 0,
                               nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(f && ::SetFileTime(f.Get(), nullptr, nullptr, &later));
  }
  const wchar_t letter = static_cast<wchar_t>(L'A' + drive);
  FakeTray tray;
  ASSERT_EQ(tray.Run(std::wstring(L"drive Backup Disk|") + letter + L"|" + letter + L"|2|1000204886016"),
            L"ok");
  ASSERT_EQ(tray.Run(L"open"), L"ok");
  tray.Run(L"tab 3");
  HWND page = ::GetDlgItem(tray.MainHwnd(), IDD_PAGE_LOG);
  for (UINT tab : {IDC_LOG_BACKUP, IDC_LOG_RESTORE, IDC_LOG_DETAIL}) {
    HWND button = ::GetDlgItem(page, static_cast<int>(tab));
    ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(tab, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    ExpectAllFit(tray.MainHwnd(), ("log page, tab " + std::to_string(tab)).c_str());
  }
  EXPECT_EQ(WindowTextOf(::GetDlgItem(page, IDC_LOG_DETAIL)),
            LoadText(txt::kLogViewRestoreDetail, GetParam()));
  EmptyFolder(folder);
}

INSTANTIATE_TEST_SUITE_P(EveryLanguage, TextFit, ::testing::Range<uint32_t>(0, kLanguageCount),
                         [](const ::testing::TestParamInfo<uint32_t>& info) {
                           return std::string(kLanguageNames[info.param]);
                         });

}  // namespace
}  // namespace vk::test
