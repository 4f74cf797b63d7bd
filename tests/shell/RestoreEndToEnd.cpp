// The restore pages end to end: sets made with the engine on a simulated
// USB disk, then the test build's Arkwell.exe and ArkwellSvc.exe driven as a
// user would through the main window's Restore tab. What is checked is what
// a user can observe: the set list, the messages, and the restored files
// against the tree as it was backed up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

#include "resources/ResourceIds.h"
#include "shell/AppTexts.h"
#include "tests/driver/MainWindowView.h"
#include "tests/driver/Observe.h"
#include "tests/driver/Program.h"
#include "tests/driver/RemoteControls.h"
#include "tests/driver/Service.h"
#include "tests/driver/ServiceSuite.h"
#include "tests/driver/TrayHooks.h"
#include "tests/driver/VolumeHooks.h"
#include "tests/driver/Ui.h"
#include "tests/driver/UserSteps.h"
#include "tests/restore/RestoreFixture.h"
#include "tests/shell/TrayScenario.h"

namespace vk::driver {
namespace {

constexpr DWORD kRestoreDeadlineMs = 30000;

constexpr wchar_t kDiskName[] = L"R1";
constexpr wchar_t kDiskCaption[] = L"Restore Disk";

// The tree's check marks (its state images).
constexpr UINT kNoCheckBox = 0, kUnticked = 1, kTicked = 2, kPartlyTicked = 3;

constexpr wchar_t kStartRestore[] = L"Do you want to restore the folders?";
constexpr wchar_t kRestoreDone[] = L"Restore completed successfully.";
constexpr wchar_t kCancelQuestion[] =
    L"The restoration has not completed. \nDo you want to cancel this restoration?";
constexpr wchar_t kRestoreCanceled[] = L"Restoration has been canceled.";
constexpr wchar_t kFromOtherPc[] =
    L"Please be sure that you are about to restore the folders which you backed up from the "
    L"other PC.";
constexpr wchar_t kOtherLocation[] = L"Please select the other location.";
constexpr int kOldestLine = 2;
constexpr int kFirstFreeDrive = 3, kLastDrive = 25;  // D: to Z:
constexpr wchar_t kLowSpace[] =
    L"\"Vaultkeep\" might not be able to restore all the folders as you do not have enough space "
    L"in the disk. \nDo you want to continue this restoration?";
constexpr wchar_t kOtherError[] =
    L"The error of those other than reading and writing occurred. \nPlease check the log file "
    L"and retry if necessary.";

class RestoreEndToEnd : public ServiceSuite<test::RestoreTest> {
 protected:
  void SetUp() override {
    RestoreTest::SetUp();
    ASSERT_TRUE(installed_) << installed_.message();
    ResetProgramSettings(kNoDueCheckMs, kNoDueCheckMs);
    MakeOwnPlan(&plan);
    test::WritePlanFile(drive, plan, test::FolderList({Src()}));
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    out = std::wstring(temp) + L"restored";
    ::CreateDirectoryW(out.c_str(), nullptr);
    test::EmptyFolder(out);
  }

  void TearDown() override {
    HoldJobs(false);
    arkwell->Kill();
    if (attached_) DetachDisk(kDiskName);
    test::EmptyFolder(out);
    RestoreTest::TearDown();
  }

  // Three sets: the tree, one file changed, one file added.
  void MakeThreeSets() {
    Write(L"docs\\a.txt", test::TextBytes(3000, 1));
    Write(L"docs\\deep\\b.bin", test::NoiseBytes(70000, 2));
    Write(L"music\\c.bin", test::NoiseBytes(5000, 3));
    Write(L"top.txt", test::TextBytes(100, 4));
    const std::wstring folders = test::FolderList({Src()});
    ASSERT_EQ(Run(folders), 0u);
    docsAt.push_back(test::Snapshot(Src(L"docs")));
    Write(L"docs\\a.txt", test::TextBytes(4000, 5));
    ASSERT_EQ(Run(folders), 0u);
    docsAt.push_back(test::Snapshot(Src(L"docs")));
    Write(L"docs\\deep\\new.txt", test::TextBytes(900, 6));
    ASSERT_EQ(Run(folders), 0u);
    docsAt.push_back(test::Snapshot(Src(L"docs")));
  }

  // The plan file as another PC's wizard would have written it.
  void MakePlanAnotherPcs() {
    plan.OwnerPcId = SystemVolumeSerial() ^ 1u;
    test::WritePlanFile(drive, plan, test::FolderList({Src()}));
  }

  void SetPath(HWND where, const std::wstring& path) {
    ::SendMessageW(Control(where, IDC_REST_PATH), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(path.c_str()));
  }

  void AttachAndOpen(HWND* main) {
    AttachDisk({kDiskName, kDiskCaption, LetterOf(drive)});
    attached_ = true;
    ASSERT_TRUE(WaitForDiskListed(kDiskCaption));
    ASSERT_TRUE(StartArkwell(arkwell.get()));
    ASSERT_TRUE(OpenMainWindow(TrayWindow(arkwell->Id()), arkwell->Id(), main));
  }

  // Waits for the message showing `text` and answers it with `button`.
  ::testing::AssertionResult Answer(const wchar_t* text, UINT button,
                                    DWORD deadlineMs = kWindowDeadlineMs) {
    return AnswerMessage(arkwell->Id(), text, button, deadlineMs);
  }
  // The run's end: the Backup tab is selected again.
  ::testing::AssertionResult WaitForBackupTab(HWND main) {
    return WaitFor("the Backup tab again", kWindowDeadlineMs,
                   [&] { return Selected(main, kBackupTab); });
  }

  // The set list's lines as the page is to show them: newest first.
  std::vector<std::wstring> ExpectedSetLines() {
    std::vector<_BKUPFILE_HEADER> sets = ListSets();
    std::sort(sets.begin(), sets.end(), [](const _BKUPFILE_HEADER& a, const _BKUPFILE_HEADER& b) {
      return Ticks(a.BackupTime) > Ticks(b.BackupTime);
    });
    std::vector<std::wstring> lines;
    for (const _BKUPFILE_HEADER& s : sets) {
      const SYSTEMTIME& t = s.BackupTime;
      lines.push_back(FormatDateTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute));
    }
    return lines;
  }

  // The tree's path of a source folder: the drive, then each folder.
  std::vector<std::wstring> TreePath(const std::wstring& relative) const {
    std::vector<std::wstring> names = {root.substr(0, 2), L"src"};
    if (relative.empty()) return names;
    size_t from = 0;
    while (from <= relative.size()) {
      const size_t end = std::min(relative.find(L'\\', from), relative.size());
      names.push_back(relative.substr(from, end - from));
      from = end + 1;
    }
    return names;
  }

  // Opens the Restore tab; its first page.
  void OpenRestoreTab(HWND* main, HWND* sets) {
    AttachAndOpen(main);
    ASSERT_TRUE(OpenTab(*main, kRestoreTab, IDD_PAGE_RESTORE_SETS));
    *sets = Control(*main, IDD_PAGE_RESTORE_SETS);
  }

  // Unticks everything on page 1, ticks the source folder `relative` alone
  // and goes on to page 2.
  void ChooseOnly(HWND main, HWND sets, const std::wstring& relative, HWND* where) {
    HWND tree = Control(sets, IDC_REST_TREE);
    HTREEITEM src = FindTreeItem(tree, TreePath(L""));
    HTREEITEM folder = FindTreeItem(tree, TreePath(relative));
    ASSERT_NE(folder, nullptr) << DescribeTree(tree);
    ASSERT_TRUE(TickTreeItem(tree, src));
    ASSERT_TRUE(WaitFor("all unticked", kWindowDeadlineMs,
                        [&] { return TreeStateImage(tree, folder) == kUnticked; }));
    ASSERT_TRUE(TickTreeItem(tree, folder));
    ASSERT_TRUE(WaitForEnabled(sets, IDC_REST_NEXT)) << "the folder ticked";
    ASSERT_TRUE(Click(sets, IDC_REST_NEXT));
    ASSERT_TRUE(WaitForPage(main, IDD_PAGE_RESTORE_FOLDERS));
    *where = Control(main, IDD_PAGE_RESTORE_FOLDERS);
  }

  // The Restore tab opened and page 1 left with src\docs alone ticked.
  void ChooseDocs(HWND* main, HWND* where) {
    HWND sets = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenRestoreTab(main, &sets));
    ASSERT_NO_FATAL_FAILURE(ChooseOnly(*main, sets, L"docs", where));
  }

  // Restore pressed on page 2 and its question answered OK.
  ::testing::AssertionResult PressRestore(HWND where) {
    ::testing::AssertionResult pressed = Click(where, IDC_REST_NEXT);
    return pressed ? Answer(kStartRestore, IDC_OK) : pressed;
  }
  // The same, and the run starts.
  void StartRestore(HWND main, HWND where) {
    ASSERT_TRUE(PressRestore(where));
    ASSERT_TRUE(WaitForPage(main, IDD_PAGE_RESTORE_PROGRESS));
  }

  // The overwrite prompt of the running program.
  ::testing::AssertionResult WaitForPrompt(HWND* prompt) {
    return WaitForOverwritePrompt(arkwell->Id(), prompt, kRestoreDeadlineMs);
  }
  // Waits for the run's result message; its text is checked by the caller.
  ::testing::AssertionResult WaitForResult(MessageWindow* result) {
    return MessageWindow::WaitFor(arkwell->Id(), result, kRestoreDeadlineMs);
  }

  // The newest set cut off just inside its index, as a set damaged after
  // the page listed it.
  void DamageNewestSet() {
    const test::SetFolder listed = Sets();
    ASSERT_EQ(listed.sets.size(), 3u);
    const test::ReadSet& newest = listed.sets.rbegin()->second;
    std::vector<uint8_t> bytes = listed.bytes.at(listed.sets.rbegin()->first);
    bytes.resize(static_cast<size_t>(newest.indexOffset) + 1);
    test::WriteFileBytes(backupFolder + L"\\" + newest.fileName, bytes);
  }

  // A restore of src\docs to the new location from the newest set, damaged
  // after the page listed it: the run's result message.
  void RestoreFromDamagedSet(HWND* main, MessageWindow* result) {
    HWND where = nullptr;
    ASSERT_NO_FATAL_FAILURE(ChooseDocs(main, &where));
    SetPath(where, out);
    DamageNewestSet();
    ASSERT_NO_FATAL_FAILURE(StartRestore(*main, where));
    ASSERT_TRUE(WaitForResult(result));
  }

  // Where a restore under the new location puts a source folder.
  std::wstring Rerooted(const std::wstring& relative) const {
    return out + L"\\" + root.substr(0, 1) + L"\\src\\" + relative;
  }

  std::vector<test::Tree> docsAt;  // src\docs as each run saw it, oldest first
  std::wstring out;
  bool attached_ = false;
  std::unique_ptr<Program> arkwell = std::make_unique<Program>();
};

TEST_F(RestoreEndToEnd, TickedFolderOfTheNewestSetIsRestoredToANewLocation) {
  MakeThreeSets();
  const test::Tree backedUp = test::Snapshot(Src(L"docs"));
  // Changed after the last run: what comes back is the backup, not the disk.
  Write(L"docs\\a.txt", test::TextBytes(10, 7));
  const std::vector<std::wstring> wantLines = ExpectedSetLines();
  ASSERT_EQ(wantLines.size(), 3u);

  HWND main = nullptr, sets = nullptr;
  ASSERT_NO_FATAL_FAILURE(OpenRestoreTab(&main, &sets));
  EXPECT_EQ(ComboLines(Control(sets, IDC_REST_SETS)), wantLines);
  // The backed-up folder comes ticked whole; the drive above it has no box.
  HWND tree = Control(sets, IDC_REST_TREE);
  const std::vector<std::wstring> srcPath = TreePath(L"");
  HTREEITEM src = FindTreeItem(tree, srcPath);
  HTREEITEM docs = FindTreeItem(tree, TreePath(L"docs"));
  ASSERT_NE(src, nullptr) << DescribeTree(tree);
  ASSERT_NE(docs, nullptr) << DescribeTree(tree);
  EXPECT_EQ(TreeStateImage(tree, FindTreeItem(tree, {srcPath[0]})), kNoCheckBox);
  EXPECT_EQ(TreeStateImage(tree, src), kTicked);
  EXPECT_EQ(TreeStateImage(tree, docs), kTicked);
  EXPECT_TRUE(Enabled(Control(sets, IDC_REST_NEXT)));
  // Untick it all, and Next goes; tick one folder, and it comes back.
  ASSERT_TRUE(TickTreeItem(tree, src));
  ASSERT_TRUE(WaitFor("Next disabled", kWindowDeadlineMs,
                      [&] { return !Enabled(Control(sets, IDC_REST_NEXT)); }));
  EXPECT_EQ(TreeStateImage(tree, docs), kUnticked);
  ASSERT_TRUE(TickTreeItem(tree, docs));
  ASSERT_TRUE(WaitForEnabled(sets, IDC_REST_NEXT));
  EXPECT_EQ(TreeStateImage(tree, src), kPartlyTicked);
  ASSERT_TRUE(Click(sets, IDC_REST_NEXT));

  ASSERT_TRUE(WaitForPage(main, IDD_PAGE_RESTORE_FOLDERS));
  HWND where = Control(main, IDD_PAGE_RESTORE_FOLDERS);
  SetPath(where, out);
  ASSERT_TRUE(PressRestore(where));
  ASSERT_TRUE(Answer(kRestoreDone, IDC_OK, kRestoreDeadlineMs));
  EXPECT_TRUE(WaitForBackupTab(main));

  EXPECT_EQ(test::CompareTrees(backedUp, test::Snapshot(Rerooted(L"docs"))), "");
  EXPECT_FALSE(test::PathExists(Rerooted(L"music"))) << "an unticked folder came back";
  EXPECT_FALSE(test::PathExists(Rerooted(L"top.txt")));
}

// Over the files in their original place: the one that exists is asked
// about and replaced; the ones that are gone come back without a question.
TEST_F(RestoreEndToEnd, OriginalLocationAsksAboutTheFileThatExistsAndReplacesIt) {
  MakeThreeSets();
  const test::Tree backedUp = test::Snapshot(Src(L"docs"));
  Write(L"docs\\a.txt", test::TextBytes(10, 7));
  ASSERT_TRUE(::DeleteFileW(Src(L"docs\\deep\\b.bin").c_str()));
  ASSERT_TRUE(::DeleteFileW(Src(L"docs\\deep\\new.txt").c_str()));
  const test::Tree untouched = test::Snapshot(Src(L"music"));

  HWND main = nullptr, where = nullptr;
  ASSERT_NO_FATAL_FAILURE(ChooseDocs(&main, &where));
  ASSERT_TRUE(Enabled(Control(where, IDC_REST_ORIGINAL))) << "the plan is this user's own";
  ASSERT_TRUE(Click(where, IDC_REST_ORIGINAL));
  ASSERT_TRUE(WaitFor("the path box off", kWindowDeadlineMs,
                      [&] { return !Enabled(Control(where, IDC_REST_PATH)); }));
  StartRestore(main, where);

  HWND prompt = nullptr;
  ASSERT_TRUE(WaitForPrompt(&prompt));
  EXPECT_EQ(ControlText(prompt, IDC_OW_FILE_NAME), L"a.txt");
  ASSERT_TRUE(PressAndWaitGone(prompt, IDC_OW_REPLACE));
  ASSERT_TRUE(Answer(kRestoreDone, IDC_OK, kRestoreDeadlineMs));
  EXPECT_EQ(test::CompareTrees(backedUp, test::Snapshot(Src(L"docs"))), "");
  EXPECT_EQ(test::CompareTrees(untouched, test::Snapshot(Src(L"music"))), "");
  EXPECT_EQ(test::ReadFileBytes(Src(L"top.txt")), test::TextBytes(100, 4));
}

// Cancel asked while the run is held at a progress call: answered Cancel,
// the run goes on; asked again and answered OK, it stops and says so.
TEST_F(RestoreEndToEnd, CancelAnsweredCancelGoesOnAndOkStopsTheRun) {
  MakeThreeSets();
  HWND main = nullptr, where = nullptr;
  ASSERT_NO_FATAL_FAILURE(ChooseDocs(&main, &where));
  SetPath(where, out);
  HoldJobs(true);
  StartRestore(main, where);
  HWND progress = Control(main, IDD_PAGE_RESTORE_PROGRESS);

  for (const UINT answer : {IDC_SECOND, IDC_OK}) {
    SCOPED_TRACE(answer == IDC_OK ? "OK" : "Cancel");
    // The held run reaches the question; it is held again at the call after.
    ASSERT_TRUE(CancelHeldJob(arkwell->Id(), progress, IDC_REST_CANCEL, kCancelQuestion, answer));
  }
  HoldJobs(false);
  ASSERT_TRUE(Answer(kRestoreCanceled, IDC_OK, kRestoreDeadlineMs));
  EXPECT_TRUE(WaitForBackupTab(main));
}

// The oldest set chosen: the tree is rebuilt from its index and the restore
// takes that set as its limit, not the newest.
TEST_F(RestoreEndToEnd, OldestSetChosenRestoresTheTreeAsItWasThen) {
  MakeThreeSets();
  HWND main = nullptr, sets = nullptr, where = nullptr;
  OpenRestoreTab(&main, &sets);
  HWND tree = Control(sets, IDC_REST_TREE);
  // Unticked here; a tree built afresh comes ticked again.
  ASSERT_TRUE(TickTreeItem(tree, FindTreeItem(tree, TreePath(L""))));
  ASSERT_TRUE(WaitFor("all unticked", kWindowDeadlineMs, [&] {
    return TreeStateImage(tree, FindTreeItem(tree, TreePath(L"docs"))) == kUnticked;
  }));
  ASSERT_TRUE(PickComboLine(sets, IDC_REST_SETS, kOldestLine));
  ASSERT_TRUE(WaitFor("the tree rebuilt", kWindowDeadlineMs, [&] {
    return TreeStateImage(tree, FindTreeItem(tree, TreePath(L"docs"))) == kTicked;
  }));
  ChooseOnly(main, sets, L"docs", &where);
  SetPath(where, out);
  StartRestore(main, where);
  ASSERT_TRUE(Answer(kRestoreDone, IDC_OK, kRestoreDeadlineMs));
  EXPECT_EQ(test::CompareTrees(docsAt.front(), test::Snapshot(Rerooted(L"docs"))), "");
}

// Two files in the way: Replace with "apply to the rest" answers both; a
// closed prompt skips only its own file and the next one is asked again.
TEST_F(RestoreEndToEnd, ApplyToTheRestAnswersBothConflictsAndAClosedPromptSkipsOne) {
  MakeThreeSets();
  const test::Tree backedUp = docsAt.back();
  auto putInTheWay = [&] {
    Write(L"docs\\a.txt", test::TextBytes(10, 7));
    Write(L"docs\\deep\\b.bin", test::TextBytes(20, 8));
    ::DeleteFileW(Src(L"docs\\deep\\new.txt").c_str());
  };
  putInTheWay();
  HWND main = nullptr, sets = nullptr, where = nullptr;
  OpenRestoreTab(&main, &sets);
  ChooseOnly(main, sets, L"docs", &where);
  ASSERT_TRUE(Click(where, IDC_REST_ORIGINAL));
  StartRestore(main, where);
  HWND prompt = nullptr;
  ASSERT_TRUE(WaitForPrompt(&prompt));
  ASSERT_TRUE(Click(prompt, IDC_OW_APPLY));
  ASSERT_TRUE(PressAndWaitGone(prompt, IDC_OW_REPLACE));
  ASSERT_TRUE(Answer(kRestoreDone, IDC_OK, kRestoreDeadlineMs)) << "no second prompt";
  EXPECT_EQ(test::CompareTrees(backedUp, test::Snapshot(Src(L"docs"))), "");

  // Again from the Restore tab: the answer was this run's only.
  putInTheWay();
  const test::Tree inTheWay = test::Snapshot(Src(L"docs"));
  ASSERT_TRUE(OpenTab(main, kRestoreTab, IDD_PAGE_RESTORE_SETS));
  ChooseOnly(main, sets, L"docs", &where);
  ASSERT_TRUE(Click(where, IDC_REST_ORIGINAL));
  StartRestore(main, where);
  for (int asked = 0; asked < 2; ++asked) {
    SCOPED_TRACE(asked);
    ASSERT_TRUE(WaitForPrompt(&prompt));
    ASSERT_TRUE(PressAndWaitGone(prompt, IDC_CLOSE));
  }
  ASSERT_TRUE(Answer(kRestoreDone, IDC_OK, kRestoreDeadlineMs));
  test::Tree after = test::Snapshot(Src(L"docs"));
  EXPECT_TRUE(after[L"a.txt"].bytes == inTheWay.at(L"a.txt").bytes) << "skipped";
  EXPECT_TRUE(after[L"deep\\b.bin"].bytes == inTheWay.at(L"deep\\b.bin").bytes) << "skipped";
  EXPECT_TRUE(after[L"deep\\new.txt"].bytes == backedUp.at(L"deep\\new.txt").bytes)
      << "the file not in the way came back";
}

// Another PC's plan: only a new location, and the extra warning, whose
// Cancel keeps the page.
TEST_F(RestoreEndToEnd, PlanOfAnotherPcRestoresOnlyToANewLocationAfterTheWarning) {
  MakeThreeSets();
  MakePlanAnotherPcs();
  HWND main = nullptr, where = nullptr;
  ASSERT_NO_FATAL_FAILURE(ChooseDocs(&main, &where));
  EXPECT_FALSE(Enabled(Control(where, IDC_REST_ORIGINAL)));
  SetPath(where, out);
  ASSERT_TRUE(PressRestore(where));
  ASSERT_TRUE(Answer(kFromOtherPc, IDC_SECOND));
  EXPECT_EQ(ShownPage(main), static_cast<UINT>(IDD_PAGE_RESTORE_FOLDERS));
  ASSERT_TRUE(PressRestore(where));
  ASSERT_TRUE(Answer(kFromOtherPc, IDC_OK));
  ASSERT_TRUE(Answer(kRestoreDone, IDC_OK, kRestoreDeadlineMs));
  EXPECT_EQ(test::CompareTrees(docsAt.back(), test::Snapshot(Rerooted(L"docs"))), "");
}

// A location whose drive has gone since it was put in the box is refused
// when Restore is pressed, and nothing is written.
TEST_F(RestoreEndToEnd, LocationOnADriveThatIsGoneIsRefusedAtRestore) {
  MakeThreeSets();
  const DWORD present = ::GetLogicalDrives();
  int unused = -1;
  for (int d = kLastDrive; d >= kFirstFreeDrive && unused < 0; --d)
    if ((present & (1u << d)) == 0) unused = d;
  ASSERT_GE(unused, 0);
  const std::wstring gone = LetterOf(unused) + L":\\restored";
  HWND main = nullptr, where = nullptr;
  ASSERT_NO_FATAL_FAILURE(ChooseDocs(&main, &where));
  SetPath(where, gone);
  ASSERT_TRUE(PressRestore(where));
  ASSERT_TRUE(Answer(kOtherLocation, IDC_OK));
  EXPECT_EQ(ShownPage(main), static_cast<UINT>(IDD_PAGE_RESTORE_FOLDERS));
  EXPECT_FALSE(test::PathExists(gone));
}

// The newest set cut off inside its index after the page listed it: the
// run ends with its failure message (the log variant, Log enabled as the
// detail log exists) and the window stays usable.
TEST_F(RestoreEndToEnd, SetDamagedAfterListingEndsWithTheRunsFailureMessage) {
  MakeThreeSets();
  HWND main = nullptr;
  MessageWindow failed;
  ASSERT_NO_FATAL_FAILURE(RestoreFromDamagedSet(&main, &failed));
  EXPECT_EQ(failed.Text(), kOtherError);
  EXPECT_TRUE(failed.ButtonShown(IDC_SECOND));
  EXPECT_EQ(failed.ButtonEnabled(IDC_SECOND), test::PathExists(logFolder + L"\\restore-detail.log"));
  ASSERT_TRUE(PressAndWaitClosed(failed, IDC_OK));
  EXPECT_TRUE(WaitForBackupTab(main));
  EXPECT_FALSE(test::PathExists(Rerooted(L"docs\\deep\\new.txt")));
}

// Too little room where the folders are to go: at exactly the selection's
// size the warning comes and Cancel keeps the page with nothing written; one
// byte more, and the restore goes on without it. The location is on a volume
// of its own, which only the restored files take room on.
TEST_F(RestoreEndToEnd, SpaceWarningAtEqualSizeAndCancelKeepsThePage) {
  const int outDrive = SecondScratchDrive();
  ASSERT_GE(outDrive, 0);
  const std::wstring there = DriveRoot(outDrive) + L"restored";
  test::EmptyFolder(DriveRoot(outDrive));
  MakeThreeSets();
  uint64_t size = 0;
  ASSERT_EQ(Measure({Src(L"docs")}, &size), 0u);
  ASSERT_GT(size, 0u);
  HWND main = nullptr, where = nullptr;
  ASSERT_NO_FATAL_FAILURE(ChooseDocs(&main, &where));
  SetPath(where, there);

  ASSERT_TRUE(DescribeVolume(outDrive, {nullptr, 0, true, size}));
  ASSERT_TRUE(PressRestore(where));
  ASSERT_TRUE(Answer(kLowSpace, IDC_SECOND));
  EXPECT_EQ(ShownPage(main), static_cast<UINT>(IDD_PAGE_RESTORE_FOLDERS));
  EXPECT_EQ(ControlText(where, IDC_REST_PATH), there);
  const std::wstring restored = there + L"\\" + root.substr(0, 1) + L"\\src\\docs";
  EXPECT_FALSE(test::PathExists(restored));

  ASSERT_TRUE(DescribeVolume(outDrive, {nullptr, 0, true, size + 1}));
  ASSERT_TRUE(PressRestore(where));
  ASSERT_TRUE(Answer(kRestoreDone, IDC_OK, kRestoreDeadlineMs)) << "warned with room to spare";
  EXPECT_EQ(test::CompareTrees(docsAt.back(), test::Snapshot(restored)), "");
  test::EmptyFolder(DriveRoot(outDrive));
}

// The folder picker: a folder of an internal disk goes into the box; one on
// a USB disk or a network drive is refused and the box keeps what it had.
TEST_F(RestoreEndToEnd, PickerTakesAnInternalFolderAndRefusesRemovableAndNetworkOnes) {
  MakeThreeSets();
  const int outDrive = static_cast<int>(std::towupper(out[0]) - L'A');
  const std::wstring kept = out + L"\\kept";
  const std::wstring onTheDisk = root + L"elsewhere";
  ASSERT_TRUE(::CreateDirectoryW(kept.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(onTheDisk.c_str(), nullptr));
  struct Case {
    const char* name;
    std::wstring folder;
    int describedDrive;  // -1: none
    VolumeLook look;
    bool accepted;
  } cases[] = {
      {"internal", out, -1, {}, true},
      {"on the USB disk", onTheDisk, drive, {nullptr, 0, false, 0, true, 0}, false},
      {"on a network drive", out, outDrive, {nullptr, 0, false, 0, false, DRIVE_REMOTE}, false},
  };
  HWND main = nullptr, where = nullptr;
  ASSERT_NO_FATAL_FAILURE(ChooseDocs(&main, &where));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.describedDrive >= 0) {
      ASSERT_TRUE(DescribeVolume(c.describedDrive, c.look));
    }
    SetPath(where, kept);
    ASSERT_TRUE(Click(where, IDC_REST_BROWSE));
    HWND picker = nullptr;
    ASSERT_TRUE(WaitFor("the folder picker", kWindowDeadlineMs,
                        [&] { return (picker = FindFolderPicker(arkwell->Id())) != nullptr; }));
    ASSERT_TRUE(PickFolder(picker, c.folder));
    ASSERT_TRUE(WaitUntilGone(picker));
    if (!c.accepted) {
      ASSERT_TRUE(Answer(kOtherLocation, IDC_OK));
    }
    EXPECT_EQ(ControlText(where, IDC_REST_PATH), c.accepted ? c.folder : kept);
    if (c.describedDrive >= 0) ForgetVolume(c.describedDrive);
  }
}

// Opens files of the kind "*.log" with the system's text viewer, as a
// Windows machine does, for the life of the test.
class LogFilesOpen {
 public:
  LogFilesOpen() {
    added_ = RegistryString(HKEY_LOCAL_MACHINE, kKey, L"", L"").empty();
    if (added_) SetRegistryString(HKEY_LOCAL_MACHINE, kKey, L"", L"txtfile");
  }
  ~LogFilesOpen() {
    if (added_) DeleteRegistryTree(HKEY_LOCAL_MACHINE, kKey);
  }

 private:
  static constexpr wchar_t kKey[] = L"Software\\Classes\\.log";
  bool added_ = false;
};

// A shown top-level window of any process whose caption holds `text`.
HWND WindowTitled(const std::wstring& text) {
  struct Search {
    const std::wstring& text;
    HWND found;
  } search = {text, nullptr};
  ::EnumWindows(
      [](HWND w, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        wchar_t caption[MAX_PATH] = {};
        ::GetWindowTextW(w, caption, MAX_PATH);
        if (::IsWindowVisible(w) && std::wstring(caption).find(s->text) != std::wstring::npos) {
          s->found = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The Log button of a result message opens the drive's restore detail log
// in the program the system has for it, and the window goes on as after OK.
TEST_F(RestoreEndToEnd, LogButtonOfTheResultOpensTheRestoreDetailLog) {
  const LogFilesOpen viewer;
  MakeThreeSets();
  HWND main = nullptr;
  MessageWindow failed;
  ASSERT_NO_FATAL_FAILURE(RestoreFromDamagedSet(&main, &failed));
  ASSERT_TRUE(test::PathExists(logFolder + L"\\restore-detail.log"));
  ASSERT_TRUE(failed.ButtonEnabled(IDC_SECOND));
  ASSERT_TRUE(PressAndWaitClosed(failed, IDC_SECOND));
  HWND viewerWindow = nullptr;
  ASSERT_TRUE(WaitFor("the log in a viewer", kRestoreDeadlineMs,
                      [&] { return (viewerWindow = WindowTitled(L"restore-detail.log")) != nullptr; }));
  ::PostMessageW(viewerWindow, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitUntilGone(viewerWindow));
  EXPECT_TRUE(WaitForBackupTab(main));
}

}  // namespace
}  // namespace vk::driver
