// Every text of the main window and the overwrite prompt in each of the
// eight languages, measured against its control. A window added later
// joins with one more test that opens it and asks TextsThatDoNotFit.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "controls/SkinImage.h"
#include "controls/CEulaDlg.h"
#include "controls/CMsgDlg.h"
#include "resources/ResourceIds.h"
#include "restorewin/COwDlg.h"
#include "servicelink/CDlDlg.h"
#include "servicelink/CUpdDlg.h"
#include "servicelink/CVersionDlg.h"
#include "shell/AppTexts.h"
#include "tests/windows/FakeTray.h"
#include "tests/windows/TextFit.h"

namespace vk::test {
namespace {

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

INSTANTIATE_TEST_SUITE_P(EveryLanguage, TextFit, ::testing::Range<uint32_t>(0, kLanguageCount),
                         [](const ::testing::TestParamInfo<uint32_t>& info) {
                           return std::string(kLanguageNames[info.param]);
                         });

}  // namespace
}  // namespace vk::test
