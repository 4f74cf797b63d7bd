// A user's whole journey with Vaultkeep, in order, through the real windows:
// the test build's installer, its programs from the program folder, a
// simulated USB disk, the wizards, the schedule, the log and Setting pages,
// an update announced and refused, and the uninstaller. Each step checks
// what the user or another program can observe, and later steps build on
// what the earlier ones left, as they do for a user.
//
// The same program is the headless demo: VAULTKEEP_JOURNEY_SHOTS names a
// folder for a picture of each step, VAULTKEEP_JOURNEY_LIBRARY a folder that
// already holds the user's folders (Documents, Pictures, ...), and
// VAULTKEEP_JOURNEY_HANDOVER=1 stops after the disk is attached and leaves
// the product running for a person to use.
#include "tests/driver/LocalHttpServer.h"  // first: winsock2.h before windows.h

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/SharedNames.h"
#include "engine/BkupTypes.h"
#include "engine/EntryFilter.h"
#include "engine/PlanFile.h"
#include "resources/ResourceIds.h"
#include "shell/Instance.h"
#include "shell/SimulatedClock.h"
#include "shell/TrayClock.h"
#include "tests/driver/MainWindowView.h"
#include "tests/driver/Observe.h"
#include "tests/driver/Program.h"
#include "tests/driver/RemoteControls.h"
#include "tests/driver/Screenshot.h"
#include "tests/driver/Service.h"
#include "tests/driver/TrayHooks.h"
#include "tests/driver/Ui.h"
#include "tests/driver/UserSteps.h"
#include "tests/engine/BackupFixture.h"
#include "tests/engine/SetReader.h"
#include "tests/installer/InstalledProduct.h"
#include "tests/restore/RestoreFixture.h"
#include "tests/support/TestVolume.h"

namespace vk::driver {
namespace {

// The service checks for news half a second after its start, then every
// second; the tray asks it every half second.
constexpr DWORD kFirstCheckMs = 500;
constexpr DWORD kCheckPeriodMs = 1000;
constexpr DWORD kDrivePollMs = 100;
constexpr DWORD kDueCheckMs = 300;
constexpr DWORD kReleaseCheckMs = 500;
constexpr DWORD kRunDeadlineMs = 60000;  // a backup or restore of the small tree
constexpr DWORD kEnglish = 0, kJapanese = 7;
constexpr DWORD kNoValue = 0xFFFFFFFF;
// Backup Now's set and the scheduled run's; listed newest first, so the
// first backup is the second line.
constexpr size_t kSetCount = 2;
constexpr int kFirstBackupLine = 1;
// Checks of the service that must pass before its record surely holds the
// last answer: the one under way may have begun before the answer changed.
constexpr size_t kChecksToSettle = 2;
// Past the plan's next run by this much, the due check starts it.
constexpr int64_t kPastTheRunSeconds = 90;
constexpr int64_t kFileTimeTicksPerSecond = 10000000;
// The tree's check marks (state images) of a folder ticked and unticked.
constexpr UINT kTicked = 2, kUnticked = 1;
// Folder names that make the long path: four of them and the file name take
// it past MAX_PATH wherever the library is.
constexpr size_t kLongNameChars = 60;
constexpr int kLongPathDepth = 4;

constexpr wchar_t kDiskName[] = L"J1";
constexpr wchar_t kDiskCaption[] = L"Journey Disk";
constexpr wchar_t kBackedUp[] = L"Documents";
constexpr wchar_t kAlsoBackedUp[] = L"Pictures";
constexpr const wchar_t* kLeftOut[] = {L"Music", L"Videos"};
constexpr const wchar_t* kUserFolders[] = {L"Documents", L"Pictures", L"Music", L"Videos"};

constexpr wchar_t kSaveQuestion[] = L"Do you want to save the backup plan?";
constexpr wchar_t kSavedStartNow[] =
    L"The backup plan has been saved. \nDo you want to start the backup now?";
constexpr wchar_t kFirstBackupLater[] =
    L"The next scheduled backup would be your first time to back up your folders. \nIt may take "
    L"a while to complete.";
constexpr wchar_t kStartBackup[] = L"Do you want to start the backup?";
constexpr wchar_t kBackupDone[] = L"Backup completed successfully.";
constexpr wchar_t kStartRestore[] = L"Do you want to restore the folders?";
constexpr wchar_t kRestoreDone[] = L"Restore completed successfully.";
constexpr wchar_t kUpdateMessage[] =
    L"A latest version of \"Vaultkeep\" has been released.  \nWould you like to update?";
// The plan page's title, reloaded at each entry, and a button text set
// when the page was made: both follow the language.
struct PlanPageTexts {
  const wchar_t* title;
  const wchar_t* backupNow;
};
constexpr PlanPageTexts kEnglishTexts = {L"Your backup plan", L"Backup \nNow"};
constexpr PlanPageTexts kJapaneseTexts = {L"あなたのバックアッププラン", L"今すぐ\nバックアップ"};
constexpr wchar_t kRestoreDetailTab[] = L"Restore \nDetail";

std::wstring Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH + 1] = {};
  const DWORD n = ::GetEnvironmentVariableW(name, value, MAX_PATH + 1);
  return n > 0 && n <= MAX_PATH ? std::wstring(value) : std::wstring();
}

uint64_t FileTimeOf(const SYSTEMTIME& local) {
  FILETIME t = {};
  SYSTEMTIME s = local;
  s.wDayOfWeek = 0;
  if (!::SystemTimeToFileTime(&s, &t)) return 0;
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// A text beyond ASCII, for a failure message.
std::string CodePoints(const std::wstring& text) {
  std::string s;
  char one[8] = {};
  for (wchar_t c : text) {
    std::snprintf(one, sizeof(one), "%04X ", static_cast<unsigned>(c));
    s += one;
  }
  return s;
}

uint64_t FileTimeNow() {
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  return FileTimeOf(now);
}

// The folder names from the drive down to `path`, as a tree shows them.
std::vector<std::wstring> TreePathOf(const std::wstring& path) {
  std::vector<std::wstring> names;
  size_t from = 0;
  while (from < path.size()) {
    const size_t end = std::min(path.find(L'\\', from), path.size());
    if (end > from) names.push_back(path.substr(from, end - from));
    from = end + 1;
  }
  return names;
}

// The two backed-up folders as a backup saw them.
struct Snapshots {
  test::Tree documents, pictures;
};

class Journey : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = std::make_unique<test::LocalHttpServer>(
        [](SOCKET client, const std::string&) { AnswerUpdateCheck(client); }, VK_UPDATE_PORT);
  }
  static void TearDownTestSuite() { server_.reset(); }

  void SetUp() override {
    handover_ = Environment(L"VAULTKEEP_JOURNEY_HANDOVER") == L"1";
    shots_ = Environment(L"VAULTKEEP_JOURNEY_SHOTS");
    drive = test::ScratchDriveIndex();
    ASSERT_GE(drive, 0);
    RemoveInstalledProduct();
    test::EmptyFolder(DriveRoot(drive));
    // Taken by the installed service when the installer starts it.
    ResetSimulation(kFirstCheckMs, kCheckPeriodMs);
    ResetTrayHooks();
    SetTrayPeriods(kDrivePollMs, kDueCheckMs, kReleaseCheckMs);
    MakeLibrary();
    ASSERT_TRUE(SetRegistryString(HKEY_LOCAL_MACHINE, kTrayTestKeyPath, kTestLibraryValue, library_));
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    restored_ = std::wstring(temp) + L"JourneyRestored";
    test::EmptyFolder(restored_);
  }

  void TearDown() override {
    if (handover_ && !HasFailure()) return;  // the person takes it from here
    RemoveInstalledProduct();
    DetachDisk(kDiskName);
    ClearSimulation();
    ResetTrayHooks();
    test::EmptyFolder(restored_);
    if (ownLibrary_) test::EmptyFolder(library_);
  }

  // The user's folders: the ones the demo made, or a small tree of our own.
  // The files the journey edits and deletes are added to either.
  void MakeLibrary() {
    library_ = Environment(L"VAULTKEEP_JOURNEY_LIBRARY");
    ownLibrary_ = library_.empty();
    if (ownLibrary_) {
      // Not in the temporary folder: the exclusion list leaves that out.
      library_ = L"C:\\VaultkeepJourney";
      test::EmptyFolder(library_);
      Write(L"Documents\\report.txt", test::TextBytes(20000, 1));
      Write(L"Documents\\Projects\\plan.txt", test::TextBytes(700, 2));
      Write(L"Pictures\\2026\\beach.raw", test::NoiseBytes(90000, 3));
      Write(L"Music\\song.mp3", test::NoiseBytes(30000, 4));
      Write(L"Videos\\clip.raw", test::NoiseBytes(40000, 5));
    }
    Write(L"Documents\\letter.txt", test::TextBytes(3000, 6));
    Write(L"Documents\\old-notes.txt", test::TextBytes(1500, 7));
    Write(L"Pictures\\holiday.raw", test::NoiseBytes(70000, 8));
  }

  std::wstring User(const std::wstring& relative) const { return library_ + L"\\" + relative; }
  void Write(const std::wstring& relative, const std::vector<uint8_t>& bytes) {
    test::WriteFileBytes(User(relative), bytes);
  }
  Snapshots TakeSnapshots() const {
    return {test::Snapshot(User(kBackedUp)), test::Snapshot(User(kAlsoBackedUp))};
  }
  // Where a restore under the new location puts a folder of the library.
  std::wstring Rerooted(const wchar_t* folder) const {
    return restored_ + L"\\" + library_.substr(0, 1) + library_.substr(2) + L"\\" + folder;
  }

  // What each step showed and checked, for a person reading the run; with
  // a picture of `window` when the run keeps them.
  void Report(const char* step, const std::string& verified, HWND window = nullptr,
              const char* shot = nullptr) {
    ++steps_;
    std::printf("journey step %d: %s\n    %s: %s\n", steps_, step,
                HasFailure() ? "NOT verified (failures above)" : "verified", verified.c_str());
    if (window && shot && !shots_.empty()) {
      wchar_t name[MAX_PATH] = {};
      std::swprintf(name, MAX_PATH, L"%ls\\%02d-%hs.bmp", shots_.c_str(), steps_, shot);
      // The window is painted once the message that changed it is handled.
      PumpMessages();
      ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      if (SaveWindowImage(window, name)) std::printf("    picture: %ls\n", name);
    }
    std::fflush(stdout);
  }

  HWND Tray() const { return MarkedWindow(pid_, kInstanceName); }
  HWND Page(UINT id) const { return Control(main_, id); }

  ::testing::AssertionResult OpenMain() { return OpenMainWindow(Tray(), pid_, &main_); }
  ::testing::AssertionResult CloseMain() {
    ::PostMessageW(main_, WM_CLOSE, 0, 0);
    return WaitUntilGone(main_);
  }

  // Answers update checks with the version of this build, or the next one
  // while `announce_` is set.
  static void AnswerUpdateCheck(SOCKET client) {
    const int minor = VK_VERSION_MINOR_NUMBER + (announce_ ? 1 : 0);
    const std::string record = "[VKP]\r\nMajor=" + std::to_string(VK_VERSION_MAJOR_NUMBER) +
                               "\r\nMinor=" + std::to_string(minor) +
                               "\r\nURL=http://127.0.0.1/news\r\n"
                               "SetupURL=http://127.0.0.1/VaultkeepSetup.exe\r\n";
    test::LocalHttpServer::Send(client, test::LocalHttpServer::Answer("200 OK", record));
  }
  static ::testing::AssertionResult WaitForFurtherChecks(size_t count) {
    const size_t before = server_->Paths().size();
    return WaitFor("the service to check for news again", kServiceDeadlineMs,
                   [&] { return server_->Paths().size() >= before + count; });
  }

  void Install();
  void AttachTheDisk();
  void CreateDailyPlan();
  void BackUpNow();
  void ChangeFiles();
  void LetTheScheduleRun();
  void DetachAndReattach();
  void RestoreFirstToNewLocation();
  void RestoreNewestInPlace();
  void ReadTheLog();
  void SwitchLanguage(DWORD language, const PlanPageTexts& texts);
  void RefuseUpdate();
  void Uninstall();

  int drive = -1;
  bool handover_ = false;
  bool ownLibrary_ = false;
  std::wstring shots_, library_, restored_, longFile_;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
  int steps_ = 0;
  Snapshots first_, second_;
  inline static std::unique_ptr<test::LocalHttpServer> server_;
  inline static std::atomic<bool> announce_{false};
};

void Journey::Install() {
  ASSERT_EQ(RunInstaller(L"/S /LANGUAGE=" + std::to_wstring(kEnglish)), 0);
  ASSERT_TRUE(InstalledProgramRuns(&pid_));
  ASSERT_TRUE(ServiceManager().WaitForState(SERVICE_RUNNING));
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kServiceKeyPath, L"ImagePath", kMissing),
            Quoted(Installed(L"ArkwellSvc.exe")));
  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, kRunKey, kRunValue, kMissing),
            Quoted(Installed(L"Arkwell.exe")));
  Report("install silently with the installer",
         "the service runs from the program folder, the program runs from it in the "
         "notification area and starts with the session");
}

void Journey::AttachTheDisk() {
  AttachDisk({kDiskName, kDiskCaption, LetterOf(drive)});
  ASSERT_TRUE(WaitForDiskListed(kDiskCaption));
  ASSERT_TRUE(OpenMain());
  ASSERT_TRUE(WaitForPage(main_, IDD_PAGE_PLAN_START));
  EXPECT_TRUE(Selected(main_, IDC_DRIVE_FIRST));
  Report("attach a USB disk and open the main window from the icon",
         "the service lists the disk, the window shows it selected with no plan on it", main_,
         "disk-attached");
}

void Journey::CreateDailyPlan() {
  ASSERT_TRUE(Click(Page(IDD_PAGE_PLAN_START), IDC_WIZ_NEXT));
  ASSERT_TRUE(WaitForPage(main_, IDD_PAGE_FOLDERS));  // one NTFS partition: no partition page
  const HWND folders = Page(IDD_PAGE_FOLDERS);
  ASSERT_TRUE(WaitForEnabled(folders, IDC_WIZ_NEXT));
  // A new plan comes with the four user folders ticked: two are left out.
  const HWND tree = Control(folders, IDC_WIZ_TREE);
  for (const wchar_t* name : kLeftOut) {
    HTREEITEM item = FindTreeItem(tree, {L"Library", name});
    ASSERT_NE(item, nullptr) << DescribeTree(tree);
    ASSERT_EQ(TreeStateImage(tree, item), kTicked) << NarrowText(name);
    ASSERT_TRUE(TickTreeItem(tree, item));
    ASSERT_TRUE(WaitFor("the folder unticked", kWindowDeadlineMs,
                        [&] { return TreeStateImage(tree, item) == kUnticked; }));
  }
  ASSERT_TRUE(Click(folders, IDC_WIZ_NEXT));
  ASSERT_TRUE(WaitForPage(main_, IDD_PAGE_SCHEDULE));
  const HWND schedule = Page(IDD_PAGE_SCHEDULE);
  // The lines are the frequencies in order, Monthly (1) first.
  ASSERT_TRUE(PickComboLine(schedule, IDC_WIZ_FREQUENCY, kFreqDaily - 1));
  ASSERT_TRUE(WaitFor("the day lists hidden", kWindowDeadlineMs, [&] {
    return !Shown(Control(schedule, IDC_WIZ_DAY)) && !Shown(Control(schedule, IDC_WIZ_WEEKDAY));
  }));
  EXPECT_TRUE(Shown(Control(schedule, IDC_WIZ_HOUR)));
  ASSERT_TRUE(Click(schedule, IDC_WIZ_NEXT));
  ASSERT_TRUE(WaitForPage(main_, IDD_PAGE_SUMMARY));
  const std::wstring summary = ControlText(Page(IDD_PAGE_SUMMARY), IDC_WIZ_SUMMARY);
  EXPECT_EQ(summary.rfind(L"Schedule:\tDaily", 0), 0u) << NarrowText(summary);
  EXPECT_NE(summary.find(User(kBackedUp)), std::wstring::npos) << NarrowText(summary);
  EXPECT_NE(summary.find(User(kAlsoBackedUp)), std::wstring::npos) << NarrowText(summary);
  for (const wchar_t* name : kLeftOut)
    EXPECT_EQ(summary.find(User(name)), std::wstring::npos) << NarrowText(summary);
  Report("make a plan with the wizard", "two of the four folders, daily, in the summary",
         main_, "plan-summary");

  ASSERT_TRUE(Click(Page(IDD_PAGE_SUMMARY), IDC_WIZ_NEXT));  // Save
  ASSERT_TRUE(AnswerMessage(pid_, kSaveQuestion, IDC_OK));
  ASSERT_TRUE(AnswerMessage(pid_, kSavedStartNow, IDC_SECOND));  // not now
  ASSERT_TRUE(AnswerMessage(pid_, kFirstBackupLater, IDC_OK));
  ASSERT_TRUE(WaitForPage(main_, IDD_PAGE_PLAN_VIEW));
  _BKUP_PLAN plan = {};
  std::vector<wchar_t> list;
  ASSERT_EQ(LoadPlanFile(drive, &plan, &list), kResultOk);
  EXPECT_EQ(plan.Frequency, static_cast<uint32_t>(kFreqDaily));
  std::vector<std::wstring> paths;
  for (const wchar_t* p = list.data(); p < list.data() + list.size() && *p; p += paths.back().size() + 1)
    paths.emplace_back(p);
  EXPECT_EQ(paths, (std::vector<std::wstring>{User(kBackedUp), User(kAlsoBackedUp)}));
  EXPECT_TRUE(BackupSetNames(drive).empty());
  Report("save the plan, no backup yet",
         "the plan file on the disk is daily with the two folders; no set is written", main_,
         "plan-saved");
}

void Journey::BackUpNow() {
  first_ = TakeSnapshots();
  ASSERT_TRUE(Click(Page(IDD_PAGE_PLAN_VIEW), IDC_WIZ_BACKUP_NOW));
  ASSERT_TRUE(AnswerMessage(pid_, kStartBackup, IDC_OK));
  MessageWindow done;
  ASSERT_TRUE(WaitForMessageText(pid_, kBackupDone, &done, kRunDeadlineMs));
  Report("Backup Now", "the run ends with its success message", done.Hwnd(), "backup-done");
  ASSERT_TRUE(PressAndWaitClosed(done, IDC_OK));
  ASSERT_TRUE(WaitForPage(main_, IDD_PAGE_PLAN_VIEW));
  EXPECT_EQ(BackupSetNames(drive).size(), 1u);
  _BKUP_PLAN plan = {};
  ASSERT_TRUE(ReadPlanRecord(drive, &plan));
  EXPECT_NE(plan.LastRun.wYear, 0) << "the run is the plan's last run";
  EXPECT_NE(ControlText(Page(IDD_PAGE_PLAN_VIEW), IDC_WIZ_STATUS).find(L"Previous backup:"),
            std::wstring::npos);
}

void Journey::ChangeFiles() {
  std::vector<uint8_t> letter = test::ReadFileBytes(User(L"Documents\\letter.txt"));
  const std::vector<uint8_t> more = test::TextBytes(400, 9);
  letter.insert(letter.end(), more.begin(), more.end());
  Write(L"Documents\\letter.txt", letter);
  Write(L"Pictures\\new.raw", test::NoiseBytes(50000, 10));
  ASSERT_TRUE(::DeleteFileW(User(L"Documents\\old-notes.txt").c_str()));
  std::wstring deep = L"Documents";
  for (int i = 0; i < kLongPathDepth; ++i)
    deep += L"\\" + std::wstring(kLongNameChars, static_cast<wchar_t>(L'a' + i));
  longFile_ = deep + L"\\a file deep below.txt";
  Write(longFile_, test::TextBytes(2500, 11));
  ASSERT_GT(User(longFile_).size(), static_cast<size_t>(MAX_PATH));
  Report("change the files",
         "one edited, one added, one deleted, one added at a path of " +
             std::to_string(User(longFile_).size()) + " characters");
}

void Journey::LetTheScheduleRun() {
  // The scheduler only runs while the main window is closed.
  ASSERT_TRUE(CloseMain());
  _BKUP_PLAN plan = {};
  ASSERT_TRUE(ReadPlanRecord(drive, &plan));
  const uint64_t now = FileTimeNow(), due = FileTimeOf(plan.NextRun);
  ASSERT_GT(due, now);
  SetTrayClockOffset(static_cast<int64_t>((due - now) / kFileTimeTicksPerSecond) +
                     kPastTheRunSeconds);
  ASSERT_TRUE(WaitFor("the scheduled run's set", kRunDeadlineMs, [&] {
    _BKUP_PLAN after = {};
    return BackupSetNames(drive).size() == kSetCount && ReadPlanRecord(drive, &after) &&
           FileTimeOf(after.LastRun) >= FileTimeOf(plan.NextRun) &&
           UserSetting(L"DoingBackup") == 0;
  }));
  second_ = TakeSnapshots();
  _BKUP_PLAN after = {};
  ASSERT_TRUE(ReadPlanRecord(drive, &after));
  EXPECT_GT(FileTimeOf(after.NextRun), FileTimeOf(plan.NextRun)) << "the next day's run";
  Report("let the day pass: the scheduled backup runs",
         "a second set is written at the plan's time on the program's clock and the next run "
         "moves a day on");
}

void Journey::DetachAndReattach() {
  DetachDisk(kDiskName);
  ASSERT_TRUE(WaitForDiskGone(kDiskCaption));
  ASSERT_TRUE(OpenMain());
  ASSERT_TRUE(WaitForPage(main_, IDD_PAGE_NO_DEVICE));
  ASSERT_TRUE(WaitFor("Restore and Log off", kWindowDeadlineMs, [&] {
    return !Enabled(Control(main_, kRestoreTab)) && !Enabled(Control(main_, kLogTab));
  }));
  ExpectTabs(main_, {true, false, false, true});
  Report("pull the disk out", "the window asks for a disk; Restore and Log are off",
         main_, "no-disk");
  AttachDisk({kDiskName, kDiskCaption, LetterOf(drive)});
  ASSERT_TRUE(WaitForDiskListed(kDiskCaption));
  if (!WaitForPage(main_, IDD_PAGE_PLAN_VIEW)) {
    ASSERT_TRUE(Click(main_, IDC_DRIVE_FIRST));
    ASSERT_TRUE(WaitForPage(main_, IDD_PAGE_PLAN_VIEW));
  }
  ASSERT_TRUE(WaitForEnabled(main_, kLogTab));
  ExpectTabs(main_, {true, true, true, true});
  Report("plug it in again", "the plan is found on it again", main_, "disk-back");
}

void Journey::RestoreFirstToNewLocation() {
  ASSERT_TRUE(Click(main_, kRestoreTab));
  ASSERT_TRUE(WaitForPage(main_, IDD_PAGE_RESTORE_SETS));
  const HWND sets = Page(IDD_PAGE_RESTORE_SETS);
  ASSERT_EQ(ComboLines(Control(sets, IDC_REST_SETS)).size(), kSetCount);
  const HWND tree = Control(sets, IDC_REST_TREE);
  ASSERT_TRUE(PickComboLine(sets, IDC_REST_SETS, kFirstBackupLine));
  std::vector<std::wstring> documents = TreePathOf(User(kBackedUp));
  ASSERT_TRUE(WaitFor("the first set's folders ticked", kWindowDeadlineMs, [&] {
    HTREEITEM item = FindTreeItem(tree, documents);
    return item && TreeStateImage(tree, item) == kTicked && Enabled(Control(sets, IDC_REST_NEXT));
  })) << DescribeTree(tree);
  Report("restore: choose the first backup", "both backed-up folders come ticked", main_,
         "restore-first-set");
  ASSERT_TRUE(Click(sets, IDC_REST_NEXT));
  ASSERT_TRUE(WaitForPage(main_, IDD_PAGE_RESTORE_FOLDERS));
  const HWND where = Page(IDD_PAGE_RESTORE_FOLDERS);
  ::SendMessageW(Control(where, IDC_REST_PATH), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(restored_.c_str()));
  ASSERT_TRUE(Click(where, IDC_REST_NEXT));
  ASSERT_TRUE(AnswerMessage(pid_, kStartRestore, IDC_OK));
  ASSERT_TRUE(AnswerMessage(pid_, kRestoreDone, IDC_OK, kRunDeadlineMs));
  ASSERT_TRUE(WaitFor("the Backup tab again", kWindowDeadlineMs,
                      [&] { return Selected(main_, kBackupTab); }));
  EXPECT_EQ(test::CompareTrees(first_.documents, test::Snapshot(Rerooted(kBackedUp))), "");
  EXPECT_EQ(test::CompareTrees(first_.pictures, test::Snapshot(Rerooted(kAlsoBackedUp))), "");
  Report("restore the first backup to a new folder",
         "every file comes back with the bytes and times it had at the first backup, the "
         "deleted one among them and nothing added later");
}

void Journey::RestoreNewestInPlace() {
  // The user loses the documents but one, which is changed meanwhile.
  const std::wstring kept = User(L"Documents\\letter.txt");
  const std::vector<uint8_t> keptBytes = test::ReadFileBytes(kept);
  test::EmptyFolder(User(kBackedUp));
  test::WriteFileBytes(kept, test::TextBytes(100, 12));
  const test::Tree pictures = test::Snapshot(User(kAlsoBackedUp));

  ASSERT_TRUE(Click(main_, kRestoreTab));
  ASSERT_TRUE(WaitForPage(main_, IDD_PAGE_RESTORE_SETS));
  const HWND sets = Page(IDD_PAGE_RESTORE_SETS);
  const HWND tree = Control(sets, IDC_REST_TREE);
  HTREEITEM picturesItem = nullptr;
  ASSERT_TRUE(WaitFor("the newest set's folders", kWindowDeadlineMs, [&] {
    picturesItem = FindTreeItem(tree, TreePathOf(User(kAlsoBackedUp)));
    return picturesItem && TreeStateImage(tree, picturesItem) == kTicked;
  })) << DescribeTree(tree);
  ASSERT_TRUE(TickTreeItem(tree, picturesItem));
  ASSERT_TRUE(WaitFor("Pictures unticked", kWindowDeadlineMs,
                      [&] { return TreeStateImage(tree, picturesItem) == kUnticked; }));
  ASSERT_TRUE(Click(sets, IDC_REST_NEXT));
  ASSERT_TRUE(WaitForPage(main_, IDD_PAGE_RESTORE_FOLDERS));
  const HWND where = Page(IDD_PAGE_RESTORE_FOLDERS);
  ASSERT_TRUE(Click(where, IDC_REST_ORIGINAL));
  ASSERT_TRUE(WaitFor("the path box off", kWindowDeadlineMs,
                      [&] { return !Enabled(Control(where, IDC_REST_PATH)); }));
  ASSERT_TRUE(Click(where, IDC_REST_NEXT));
  ASSERT_TRUE(AnswerMessage(pid_, kStartRestore, IDC_OK));
  HWND prompt = nullptr;
  ASSERT_TRUE(WaitForOverwritePrompt(pid_, &prompt, kRunDeadlineMs));
  EXPECT_EQ(ControlText(prompt, IDC_OW_FILE_NAME), L"letter.txt");
  Report("restore the newest backup in place", "the one file that is still there is asked about",
         prompt, "overwrite-prompt");
  ASSERT_TRUE(Click(prompt, IDC_OW_REPLACE));
  ASSERT_TRUE(WaitUntilGone(prompt));
  ASSERT_TRUE(AnswerMessage(pid_, kRestoreDone, IDC_OK, kRunDeadlineMs));
  EXPECT_EQ(test::ReadFileBytes(kept), keptBytes);
  // The restore page made the default new location, which backups leave out.
  test::Tree documents = test::Snapshot(User(kBackedUp));
  documents.erase(kRestoreFolderName);
  EXPECT_EQ(test::CompareTrees(second_.documents, documents), "");
  EXPECT_EQ(test::CompareTrees(pictures, test::Snapshot(User(kAlsoBackedUp))), "")
      << "an unticked folder was touched";
  Report("replace it",
         "the documents are as the scheduled backup saw them, the long path among them; the "
         "unticked pictures are untouched");
}

void Journey::ReadTheLog() {
  // The tabs come back once the run's end is handled.
  ASSERT_TRUE(WaitForEnabled(main_, kLogTab));
  ASSERT_TRUE(Click(main_, kLogTab));
  ASSERT_TRUE(WaitForPage(main_, IDD_PAGE_LOG));
  const HWND log = Page(IDD_PAGE_LOG);
  ASSERT_TRUE(WaitFor("the backup log", kWindowDeadlineMs,
                      [&] { return !ControlText(log, IDC_LOG_TEXT).empty(); }));
  EXPECT_FALSE(Enabled(Control(log, IDC_LOG_BACKUP))) << "the shown tab is pressed";
  EXPECT_TRUE(Enabled(Control(log, IDC_LOG_FILE_VIEW)));
  const std::wstring backups = ControlText(log, IDC_LOG_TEXT);
  Report("read the log page", "the backup history is shown", main_, "log-backup");
  EXPECT_EQ(ControlText(log, IDC_LOG_DETAIL), kRestoreDetailTab) << "a restore ran last";
  ASSERT_TRUE(Click(log, IDC_LOG_RESTORE));
  ASSERT_TRUE(WaitFor("the restore log", kWindowDeadlineMs, [&] {
    const std::wstring text = ControlText(log, IDC_LOG_TEXT);
    return !text.empty() && text != backups;
  }));
  Report("its Restore tab", "the restore history of the two restores is shown", main_,
         "log-restore");
}

void Journey::SwitchLanguage(DWORD language, const PlanPageTexts& texts) {
  ASSERT_TRUE(Click(main_, kSettingTab));
  ASSERT_TRUE(WaitForPage(main_, IDD_PAGE_LANGUAGE));
  const HWND list = Control(Page(IDD_PAGE_LANGUAGE), IDD_LANGUAGE_LIST);
  ASSERT_TRUE(WaitFor("the language list", kWindowDeadlineMs, [&] {
    return ComboLineWithData(list, IDC_LANG_LIST, static_cast<LPARAM>(language)) >= 0;
  }));
  ASSERT_TRUE(PickComboLine(list, IDC_LANG_LIST,
                            ComboLineWithData(list, IDC_LANG_LIST, static_cast<LPARAM>(language))));
  ASSERT_TRUE(Click(list, IDC_LANG_APPLY));
  ASSERT_TRUE(WaitForPage(main_, IDD_PAGE_PLAN_VIEW));
  ASSERT_TRUE(WaitFor("the Backup page in the new language", kWindowDeadlineMs, [&] {
    return ControlText(Page(IDD_PAGE_PLAN_VIEW), IDC_WIZ_PROMPT) == texts.title;
  })) << CodePoints(ControlText(Page(IDD_PAGE_PLAN_VIEW), IDC_WIZ_PROMPT));
  EXPECT_EQ(ControlText(Page(IDD_PAGE_PLAN_VIEW), IDC_WIZ_BACKUP_NOW), texts.backupNow)
      << CodePoints(ControlText(Page(IDD_PAGE_PLAN_VIEW), IDC_WIZ_BACKUP_NOW));
  EXPECT_TRUE(WaitFor("the service to store the language", kServiceDeadlineMs, [&] {
    return RegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kLanguageValue, kNoValue) ==
           language;
  }));
}

void Journey::RefuseUpdate() {
  // Notices are off until the user turns them on in the information menu.
  PostCommand(main_, IDM_UPDATENOTIFICATION);
  ASSERT_TRUE(WaitFor("notices on", kServiceDeadlineMs, [] {
    return RegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kUpdateNoticeValue, 0) == 1;
  }));
  // The notice waits until the main window is closed.
  ASSERT_TRUE(CloseMain());
  announce_ = true;
  HWND notice = nullptr;
  ASSERT_TRUE(WaitFor("the update notice", kServiceDeadlineMs, [&] {
    notice = nullptr;
    for (HWND w : TopLevelWindows(pid_))
      if (Shown(w) && Control(w, IDC_UPD_CHECK) && Control(w, IDC_UPD_CANCEL)) notice = w;
    return notice != nullptr;
  }));
  EXPECT_EQ(ControlText(notice, IDC_MESSAGE), kUpdateMessage);
  Report("a new release is announced", "the notice offers the update", notice, "update-notice");
  // Announced once: the service's next checks find nothing newer.
  announce_ = false;
  ASSERT_TRUE(WaitForFurtherChecks(kChecksToSettle));
  ASSERT_TRUE(Click(notice, IDC_UPD_CANCEL));
  ASSERT_TRUE(WaitUntilGone(notice));
  EXPECT_EQ(RegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kUpdateNoticeValue, 0), 1u)
      << "refused without the box: notices stay on";
  EXPECT_EQ(MarkedCopy(), pid_) << "the program goes on";
  Report("refuse it", "the notice closes, notices stay on, the program goes on");
}

void Journey::Uninstall() {
  ASSERT_TRUE(RunUninstaller());
  EXPECT_TRUE(WaitFor("the service to be removed", kServiceDeadlineMs,
                      [] { return !ServiceInstalled(); }));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kServiceKeyPath));
  EXPECT_FALSE(ProgramRunning());
  EXPECT_FALSE(test::PathExists(ProgramFolder()));
  EXPECT_EQ(RegistryString(HKEY_CURRENT_USER, kRunKey, kRunValue, kMissing), kMissing);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUserSettingsKey));
  // The disk keeps its plan and both sets, readable without the program.
  const test::SetFolder folder = test::LoadSetFolder(BackupFolder(drive));
  EXPECT_TRUE(test::PathExists(PlanFilePath(drive)));
  EXPECT_TRUE(folder.incomplete.empty());
  ASSERT_EQ(folder.sets.size(), kSetCount);
  const test::ReadSet& newest = folder.sets.rbegin()->second;
  size_t files = 0;
  for (const auto& [tree, name] : {std::pair{&second_.documents, kBackedUp},
                                   std::pair{&second_.pictures, kAlsoBackedUp}}) {
    for (const auto& [relative, file] : *tree) {
      if (file.folder) continue;
      const std::wstring path = User(name) + L"\\" + relative;
      const test::ReadEntry* entry = test::FindEntry(newest, path);
      ASSERT_NE(entry, nullptr) << NarrowText(path);
      std::vector<uint8_t> bytes;
      std::string error;
      ASSERT_TRUE(test::DecodeFile(folder, *entry, &bytes, &error)) << error;
      EXPECT_EQ(bytes, file.bytes) << NarrowText(path);
      ++files;
    }
  }
  Report("uninstall",
         "service, program, their files and registry values are gone; the disk's plan and "
         "both sets remain, and the newest set decodes to the " +
             std::to_string(files) + " files it backed up");
}

TEST_F(Journey, InstallBackUpOnScheduleRestoreReadTheLogSwitchLanguageRefuseUpdateUninstall) {
  ASSERT_NO_FATAL_FAILURE(Install());
  ASSERT_NO_FATAL_FAILURE(AttachTheDisk());
  if (handover_) return;
  ASSERT_NO_FATAL_FAILURE(CreateDailyPlan());
  ASSERT_NO_FATAL_FAILURE(BackUpNow());
  ASSERT_NO_FATAL_FAILURE(ChangeFiles());
  ASSERT_NO_FATAL_FAILURE(LetTheScheduleRun());
  ASSERT_NO_FATAL_FAILURE(DetachAndReattach());
  ASSERT_NO_FATAL_FAILURE(RestoreFirstToNewLocation());
  ASSERT_NO_FATAL_FAILURE(RestoreNewestInPlace());
  ASSERT_NO_FATAL_FAILURE(ReadTheLog());
  ASSERT_NO_FATAL_FAILURE(SwitchLanguage(kJapanese, kJapaneseTexts));
  Report("switch the language to Japanese", "the pages speak Japanese; the service keeps it",
         main_, "japanese");
  ASSERT_NO_FATAL_FAILURE(SwitchLanguage(kEnglish, kEnglishTexts));
  Report("and back to English", "the pages speak English again", main_, "english");
  ASSERT_NO_FATAL_FAILURE(RefuseUpdate());
  ASSERT_NO_FATAL_FAILURE(Uninstall());
}

}  // namespace
}  // namespace vk::driver
