// The Log and Setting tabs end to end: the test build's Arkwell.exe and
// ArkwellSvc.exe with a simulated USB disk whose logs the engine wrote (or
// the test placed), driven as a user would. What is checked is what a user
// can observe: the text shown, which buttons can be pressed, what File View
// opens, the languages offered, the texts after Apply and after a new start,
// and the version and licence windows.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/SharedNames.h"
#include "common/Texts.h"
#include "resources/ResourceIds.h"
#include "resources/TextIds.h"
#include "tests/driver/MainWindowView.h"
#include "tests/driver/Observe.h"
#include "tests/driver/Program.h"
#include "tests/driver/RemoteControls.h"
#include "tests/driver/Service.h"
#include "tests/driver/ServiceSuite.h"
#include "tests/driver/TrayHooks.h"
#include "tests/driver/Ui.h"
#include "tests/driver/UserSteps.h"
#include "tests/restore/RestoreFixture.h"
#include "tests/shell/TrayScenario.h"

namespace vk::driver {
namespace {

constexpr wchar_t kDiskName[] = L"L1";
constexpr wchar_t kDiskCaption[] = L"Log Disk";
constexpr wchar_t kEnableLanguageValue[] = L"EnableLanguage";
constexpr UINT kLogTabs[] = {IDC_LOG_BACKUP, IDC_LOG_RESTORE, IDC_LOG_DETAIL};
constexpr wchar_t kBackupSummary[] = L"storage-backup.log";
constexpr wchar_t kRestoreSummary[] = L"storage-restore.log";
constexpr wchar_t kBackupDetail[] = L"backup-detail.log";
constexpr wchar_t kRestoreDetail[] = L"restore-detail.log";
// Well past the 32,767 characters an edit control holds unless told more.
constexpr size_t kLargeLogBytes = 5u * 1024 * 1024;
constexpr uint16_t kByteOrderMark = 0xFEFF;
// The lines of the language list when "EnableLanguage" is "41".
constexpr int kEnglishOf41 = 0, kChineseOf41 = 1;

// The licence's first paragraph in English and in Simplified Chinese.
constexpr wchar_t kEnglishLicenceTitle[] = L"VAULTKEEP END-USER LICENCE AGREEMENT";
constexpr wchar_t kChineseLicenceTitle[] =
    L"VAULTKEEP \u6700\u7ec8\u7528\u6237\u8bb8\u53ef\u534f\u8bae";

// The test build's stand-in for the program the system opens .log files with.
constexpr wchar_t kLogExtensionKey[] = L"SOFTWARE\\Classes\\.log";
constexpr wchar_t kViewerClass[] = L"VaultkeepTest.LogViewer";
constexpr wchar_t kViewerClassKey[] = L"SOFTWARE\\Classes\\VaultkeepTest.LogViewer";
constexpr wchar_t kViewerCommandKey[] =
    L"SOFTWARE\\Classes\\VaultkeepTest.LogViewer\\shell\\open\\command";

std::wstring English(uint32_t id) { return LoadText(id, kLangEnglish); }

// A log file's text as a reader independent of the page decodes it.
std::wstring LogFileText(const std::wstring& path) {
  const std::vector<uint8_t> bytes = test::ReadFileBytes(path);
  std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
  std::memcpy(&text[0], bytes.data(), text.size() * sizeof(wchar_t));
  if (!text.empty() && text[0] == kByteOrderMark) text.erase(0, 1);
  return text;
}

void WriteLogText(const std::wstring& path, const std::wstring& text) {
  std::vector<uint8_t> bytes(sizeof(wchar_t) * (text.size() + 1));
  const wchar_t mark = kByteOrderMark;
  std::memcpy(bytes.data(), &mark, sizeof(mark));
  std::memcpy(bytes.data() + sizeof(mark), text.data(), text.size() * sizeof(wchar_t));
  test::WriteFileBytes(path, bytes);
}

uint64_t LastWrite(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

bool SetLastWrite(const std::wstring& path, uint64_t when) {
  FileHandle file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  FILETIME t = {static_cast<DWORD>(when), static_cast<DWORD>(when >> 32)};
  return file && ::SetFileTime(file.Get(), nullptr, nullptr, &t);
}

// The FileVersion string of a program file, read without the program.
std::wstring FileVersionOf(const std::wstring& exe) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  if (size == 0) return L"";
  std::vector<uint8_t> info(size);
  if (!::GetFileVersionInfoW(exe.c_str(), 0, size, info.data())) return L"";
  wchar_t* text = nullptr;
  UINT chars = 0;
  if (!::VerQueryValueW(info.data(), L"\\StringFileInfo\\040904b0\\FileVersion",
                        reinterpret_cast<void**>(&text), &chars) || !text)
    return L"";
  return text;
}

// A top-level window of `pid` that holds control `id`: how the version and
// licence windows are told apart from the rest.
::testing::AssertionResult WaitForWindowWith(DWORD pid, UINT id, HWND* found) {
  *found = nullptr;
  return WaitFor("a window with control " + std::to_string(id), kWindowDeadlineMs, [&] {
    for (HWND w : TopLevelWindows(pid))
      if (Shown(w) && Control(w, id)) *found = w;
    return *found != nullptr;
  });
}

class SettingsEndToEnd : public ServiceSuite<test::RestoreTest> {
 protected:
  void SetUp() override {
    RestoreTest::SetUp();
    ASSERT_TRUE(installed_) << installed_.message();
    ResetProgramSettings(kNoDueCheckMs, kNoDueCheckMs);
    ClearLanguageValues();
    MakeOwnPlan(&plan);
    test::WritePlanFile(drive, plan, test::FolderList({Src()}));
  }

  void TearDown() override {
    arkwell->Kill();
    if (attached_) DetachDisk(kDiskName);
    EXPECT_TRUE(StartServiceIfStopped());
    ClearLanguageValues();
    RestoreTest::TearDown();
  }

  static void ClearLanguageValues() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kServiceKeyPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
      return;
    RegKey owned(key);
    ::RegDeleteValueW(owned.Get(), kEnableLanguageValue);
    ::RegDeleteValueW(owned.Get(), kLanguageValue);
  }
  static ::testing::AssertionResult StartServiceIfStopped() {
    if (ServiceManager().State() == SERVICE_RUNNING) return ::testing::AssertionSuccess();
    return StartService();
  }
  static DWORD StoredLanguage() {
    return RegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kLanguageValue, kLangEnglish);
  }

  std::wstring LogFile(const wchar_t* name) const { return logFolder + L"\\" + name; }

  // Starts the program and opens its main window; the disk is attached once.
  void StartAndOpen(HWND* main) {
    if (!attached_) {
      AttachDisk({kDiskName, kDiskCaption, LetterOf(drive)});
      attached_ = true;
      ASSERT_TRUE(WaitForDiskListed(kDiskCaption));
    }
    arkwell = std::make_unique<Program>();
    ASSERT_TRUE(StartArkwell(arkwell.get()));
    Open(main);
  }
  void Open(HWND* main) { ASSERT_TRUE(OpenMainWindow(Tray(), arkwell->Id(), main)); }
  // Closes the main window with its close button; the program runs on.
  static void CloseMainWindow(HWND main) { ASSERT_TRUE(PressAndWaitGone(main, IDC_CLOSE)); }
  // The user ends the program: the main window closed, Exit from the icon's
  // menu and its question answered OK.
  void Exit(HWND main) {
    CloseMainWindow(main);
    PostCommand(Tray(), IDM_TRAY_EXIT);
    MessageWindow question;
    ASSERT_TRUE(MessageWindow::WaitFor(arkwell->Id(), &question));
    ASSERT_TRUE(question.Press(IDC_OK));
    ASSERT_TRUE(arkwell->WaitForExit());
  }
  HWND Tray() const { return TrayWindow(arkwell->Id()); }

  HWND OpenLogTab(HWND* main) {
    StartAndOpen(main);
    if (::testing::Test::HasFatalFailure()) return nullptr;
    EXPECT_TRUE(OpenTab(*main, kLogTab, IDD_PAGE_LOG));
    return Control(*main, IDD_PAGE_LOG);
  }
  HWND OpenSettingTab(HWND main) {
    HWND languages = nullptr;
    EXPECT_TRUE(OpenLanguagePage(main, &languages));
    return languages;
  }

  // Presses log tab `tab` and waits until the page shows it selected (the
  // selected tab is the one that cannot be pressed).
  static ::testing::AssertionResult PressLogTab(HWND page, UINT tab) {
    if (::testing::AssertionResult pressed = Click(page, tab); !pressed) return pressed;
    return WaitFor("the tab selected", kWindowDeadlineMs, [&] { return !Enabled(Control(page, tab)); });
  }
  static void ExpectOnlySelected(HWND page, UINT tab) {
    for (UINT t : kLogTabs) EXPECT_EQ(Enabled(Control(page, t)), t != tab) << "tab " << t;
  }

  std::unique_ptr<Program> arkwell = std::make_unique<Program>();
  bool attached_ = false;
};

// ---- The log page -----------------------------------------------------------

TEST_F(SettingsEndToEnd, NoLogsLeaveEveryViewEmptyWithFileViewDisabled) {
  ASSERT_FALSE(test::PathExists(logFolder));
  HWND main = nullptr;
  HWND page = OpenLogTab(&main);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(ControlText(page, IDC_LOG_DETAIL), English(txt::kLogViewBackupDetail));
  for (UINT tab : {IDC_LOG_BACKUP, IDC_LOG_RESTORE, IDC_LOG_DETAIL}) {
    SCOPED_TRACE(tab);
    if (tab != IDC_LOG_BACKUP) {
      ASSERT_TRUE(PressLogTab(page, tab));
    }
    ExpectOnlySelected(page, tab);
    EXPECT_EQ(ControlText(page, IDC_LOG_TEXT), L"");
    EXPECT_FALSE(Enabled(Control(page, IDC_LOG_FILE_VIEW)));
  }
  // A folder by a log's name is no file to open.
  ASSERT_TRUE(::CreateDirectoryW(logFolder.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(LogFile(kBackupSummary).c_str(), nullptr));
  ASSERT_TRUE(PressLogTab(page, IDC_LOG_BACKUP));
  EXPECT_FALSE(Enabled(Control(page, IDC_LOG_FILE_VIEW)));
}

TEST_F(SettingsEndToEnd, AfterABackupThenARestoreEachTabShowsItsLogAndDetailIsTheRestores) {
  Write(L"docs\\a.txt", test::TextBytes(3000, 1));
  Write(L"top.txt", test::TextBytes(100, 2));
  ASSERT_EQ(Run(test::FolderList({Src()})), 0u);
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring out = std::wstring(temp) + L"log-e2e-restored";
  ::CreateDirectoryW(out.c_str(), nullptr);
  ASSERT_EQ(Restore({Src(L"docs")}, out.c_str()), 0u);
  test::EmptyFolder(out);
  ASSERT_GT(LastWrite(LogFile(kRestoreDetail)), LastWrite(LogFile(kBackupDetail)));

  HWND main = nullptr;
  HWND page = OpenLogTab(&main);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(ControlText(page, IDC_LOG_DETAIL), English(txt::kLogViewRestoreDetail));
  const struct {
    UINT tab;
    const wchar_t* file;
  } views[] = {{IDC_LOG_BACKUP, kBackupSummary},
               {IDC_LOG_RESTORE, kRestoreSummary},
               {IDC_LOG_DETAIL, kRestoreDetail}};
  for (const auto& v : views) {
    SCOPED_TRACE(NarrowText(v.file));
    if (v.tab != IDC_LOG_BACKUP) {
      ASSERT_TRUE(PressLogTab(page, v.tab));
    }
    ExpectOnlySelected(page, v.tab);
    const std::wstring want = LogFileText(LogFile(v.file));
    EXPECT_FALSE(want.empty());
    EXPECT_EQ(ControlText(page, IDC_LOG_TEXT), want);
    EXPECT_TRUE(Enabled(Control(page, IDC_LOG_FILE_VIEW)));
  }
  // Back to Backup: the page reads its file again.
  ASSERT_TRUE(PressLogTab(page, IDC_LOG_BACKUP));
  EXPECT_EQ(ControlText(page, IDC_LOG_TEXT), LogFileText(LogFile(kBackupSummary)));
}

TEST_F(SettingsEndToEnd, DetailLogsWrittenAtTheSameTimeShowTheBackupDetail) {
  ASSERT_EQ(Run(test::FolderList({Src()})), 0u);
  ASSERT_EQ(Restore({Src()}, nullptr), 0u);
  const uint64_t same = LastWrite(LogFile(kRestoreDetail));
  ASSERT_TRUE(SetLastWrite(LogFile(kBackupDetail), same));
  ASSERT_EQ(LastWrite(LogFile(kBackupDetail)), LastWrite(LogFile(kRestoreDetail)));

  HWND main = nullptr;
  HWND page = OpenLogTab(&main);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(ControlText(page, IDC_LOG_DETAIL), English(txt::kLogViewBackupDetail));
  ASSERT_TRUE(PressLogTab(page, IDC_LOG_DETAIL));
  EXPECT_EQ(ControlText(page, IDC_LOG_TEXT), LogFileText(LogFile(kBackupDetail)));
}

TEST_F(SettingsEndToEnd, SummaryLogOfFiveMegabytesIsShownWhole) {
  // Newest run first, as the summary log carries its history; the oldest
  // line is the last, far past where a default edit control stops.
  std::wstring text;
  for (int run = 0; text.size() * sizeof(wchar_t) < kLargeLogBytes; ++run)
    text += L"2017/05/08 10:00  Backup run " + std::to_wstring(run) +
            L" completed: 1234 files, 56.7 MB copied\r\n";
  const std::wstring last = L"The oldest run: the first backup of this disk.";
  text += last;
  ASSERT_TRUE(::CreateDirectoryW(logFolder.c_str(), nullptr));
  WriteLogText(LogFile(kBackupSummary), text);

  HWND main = nullptr;
  HWND page = OpenLogTab(&main);
  ASSERT_NE(page, nullptr);
  const std::wstring shown = ControlText(page, IDC_LOG_TEXT);
  EXPECT_EQ(shown.size(), text.size());
  ASSERT_GE(shown.size(), last.size());
  EXPECT_EQ(shown.substr(shown.size() - last.size()), last);
  EXPECT_TRUE(shown == text) << "the text differs from the file";
}

// File View hands the shown file to the program the system opens .log files
// with (here a recorder of the test build), for the view on screen.
TEST_F(SettingsEndToEnd, FileViewOpensTheShownLogWithItsAssociatedProgram) {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring record = std::wstring(temp) + L"opened-log.txt";
  ASSERT_EQ(Run(test::FolderList({Src()})), 0u);
  const std::wstring recorder = HostPathToWindows(VK_OPENED_FILE_RECORDER_EXE);
  ASSERT_TRUE(SetRegistryString(HKEY_LOCAL_MACHINE, kLogExtensionKey, nullptr, kViewerClass));
  ASSERT_TRUE(SetRegistryString(HKEY_LOCAL_MACHINE, kViewerCommandKey, nullptr,
                                L"\"" + recorder + L"\" \"" + record + L"\" \"%1\""));
  struct Association {
    ~Association() {
      DeleteRegistryTree(HKEY_LOCAL_MACHINE, kLogExtensionKey);
      DeleteRegistryTree(HKEY_LOCAL_MACHINE, kViewerClassKey);
    }
  } association;

  HWND main = nullptr;
  HWND page = OpenLogTab(&main);
  ASSERT_NE(page, nullptr);
  for (const auto& [tab, file] : {std::pair{IDC_LOG_BACKUP, kBackupSummary},
                                  std::pair{IDC_LOG_DETAIL, kBackupDetail}}) {
    SCOPED_TRACE(NarrowText(file));
    ::DeleteFileW(record.c_str());
    if (tab != IDC_LOG_BACKUP) {
      ASSERT_TRUE(PressLogTab(page, tab));
    }
    ASSERT_TRUE(Click(page, IDC_LOG_FILE_VIEW));
    ASSERT_TRUE(WaitFor("the viewer's record", kWindowDeadlineMs,
                        [&] { return !test::ReadFileBytes(record).empty(); }));
    EXPECT_EQ(LogFileText(record), LogFile(file));
  }
  ::DeleteFileW(record.c_str());
}

// ---- The language page ------------------------------------------------------

// What the list offers for each form the machine's value may take: only a
// hexadecimal text counts; anything the page cannot read as one offers all.
TEST_F(SettingsEndToEnd, LanguageListOffersTheLanguagesTheMachineEnables) {
  const std::vector<std::wstring> all = {L"English",  L"French",     L"German",
                                         L"Italian",  L"Spanish",    L"Portuguese",
                                         L"Simplified Chinese", L"Japanese"};
  HWND main = nullptr;
  StartAndOpen(&main);
  const struct {
    const char* what;
    bool stringValue;   // REG_SZ, else REG_DWORD
    const wchar_t* text;
    DWORD number;
    std::vector<std::wstring> offered;
  } cases[] = {
      {"41: English and Simplified Chinese", true, L"41", 0, {L"English", L"Simplified Chinese"}},
      {"missing", true, nullptr, 0, all},
      {"a number, not a text", false, nullptr, 0x41, all},
      {"a text longer than the value's 64 bytes", true,
       L"00000000000000000000000000000000000000041", 0, all},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ClearLanguageValues();
    if (c.stringValue && c.text) {
      ASSERT_TRUE(SetRegistryString(HKEY_LOCAL_MACHINE, kServiceKeyPath, kEnableLanguageValue, c.text));
    } else if (!c.stringValue) {
      ASSERT_TRUE(SetRegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kEnableLanguageValue, c.number));
    }
    // Each entry of the Setting tab fills the list afresh.
    ASSERT_TRUE(OpenTab(main, kBackupTab, IDD_PAGE_PLAN_VIEW));
    HWND languages = OpenSettingTab(main);
    ASSERT_NE(languages, nullptr);
    EXPECT_EQ(ComboLines(Control(languages, IDC_LANG_LIST)), c.offered);
    EXPECT_EQ(::SendMessageW(Control(languages, IDC_LANG_LIST), CB_GETCURSEL, 0, 0), 0)
        << "English, the language in use, first in every list";
  }
  // No new release known: the Setting page has no update button.
  EXPECT_FALSE(Shown(Control(Control(main, IDD_PAGE_LANGUAGE), IDC_SET_UPDATE)));
  EXPECT_TRUE(Shown(Control(Control(main, IDD_PAGE_LANGUAGE), IDC_SET_LANGUAGE)));
}

// Apply changes the open window at once (the Backup page it returns to is
// in the new language), stores the choice, and the next start comes up in it.
TEST_F(SettingsEndToEnd, ApplySwitchesTheOpenWindowAndTheNextStartKeepsTheLanguage) {
  ASSERT_TRUE(SetRegistryString(HKEY_LOCAL_MACHINE, kServiceKeyPath, kEnableLanguageValue, L"41"));
  HWND main = nullptr;
  StartAndOpen(&main);
  ASSERT_TRUE(WaitForPage(main, IDD_PAGE_PLAN_VIEW));
  HWND planView = Control(main, IDD_PAGE_PLAN_VIEW);
  EXPECT_EQ(ControlText(planView, IDC_WIZ_EDIT), English(txt::kBackupPlanEdit));
  HWND languages = OpenSettingTab(main);
  ASSERT_NE(languages, nullptr);
  EXPECT_EQ(ControlText(languages, IDC_LANG_APPLY), English(txt::kSettingApply));
  ASSERT_TRUE(ApplyLanguageLine(main, languages, kChineseOf41));

  const std::wstring chineseEdit = LoadText(txt::kBackupPlanEdit, kLangChinese);
  ASSERT_NE(chineseEdit, English(txt::kBackupPlanEdit));
  EXPECT_TRUE(WaitFor("the page in Chinese", kWindowDeadlineMs,
                      [&] { return ControlText(planView, IDC_WIZ_EDIT) == chineseEdit; }));
  EXPECT_EQ(StoredLanguage(), static_cast<DWORD>(kLangChinese));

  Exit(main);
  StartAndOpen(&main);
  ASSERT_TRUE(WaitForPage(main, IDD_PAGE_PLAN_VIEW));
  EXPECT_EQ(ControlText(Control(main, IDD_PAGE_PLAN_VIEW), IDC_WIZ_EDIT), chineseEdit);
  languages = OpenSettingTab(main);
  ASSERT_NE(languages, nullptr);
  EXPECT_EQ(ControlText(languages, IDC_LANG_APPLY), LoadText(txt::kSettingApply, kLangChinese));
  EXPECT_EQ(::SendMessageW(Control(languages, IDC_LANG_LIST), CB_GETCURSEL, 0, 0), kChineseOf41);
}

// The service away when the user applies: the program still changes, and
// the main window's next opening (which reads the stored language again)
// must not undo the choice. The service back before the user ends the
// program, the choice is stored then, and the next start keeps it.
TEST_F(SettingsEndToEnd, LanguageAppliedWhileTheServiceIsAwayHoldsAndIsStoredLater) {
  HWND main = nullptr;
  StartAndOpen(&main);
  HWND languages = OpenSettingTab(main);
  ASSERT_NE(languages, nullptr);
  ASSERT_TRUE(StopService());
  ASSERT_TRUE(ApplyLanguageLine(main, languages, kLangJapanese));
  const std::wstring japaneseEdit = LoadText(txt::kBackupPlanEdit, kLangJapanese);
  EXPECT_TRUE(WaitFor("the page in Japanese", kWindowDeadlineMs, [&] {
    return ControlText(Control(main, IDD_PAGE_PLAN_VIEW), IDC_WIZ_EDIT) == japaneseEdit;
  }));
  EXPECT_EQ(StoredLanguage(), static_cast<DWORD>(kLangEnglish)) << "the service was away";

  CloseMainWindow(main);
  Open(&main);
  ASSERT_TRUE(WaitForPage(main, IDD_PAGE_PLAN_VIEW));
  EXPECT_EQ(ControlText(Control(main, IDD_PAGE_PLAN_VIEW), IDC_WIZ_EDIT), japaneseEdit)
      << "the opening took the language back from the service key";

  ASSERT_TRUE(StartService());
  Exit(main);
  EXPECT_EQ(StoredLanguage(), static_cast<DWORD>(kLangJapanese));
  StartAndOpen(&main);
  ASSERT_TRUE(WaitForPage(main, IDD_PAGE_PLAN_VIEW));
  EXPECT_EQ(ControlText(Control(main, IDD_PAGE_PLAN_VIEW), IDC_WIZ_EDIT), japaneseEdit);
}

// ---- The version and licence windows ----------------------------------------

TEST_F(SettingsEndToEnd, VersionAndLicenceWindowsOpenWithTheirTextsInTheLanguageInUse) {
  ASSERT_TRUE(SetRegistryString(HKEY_LOCAL_MACHINE, kServiceKeyPath, kEnableLanguageValue, L"41"));
  HWND main = nullptr;
  StartAndOpen(&main);
  HWND languages = OpenSettingTab(main);
  ASSERT_NE(languages, nullptr);

  PostCommand(main, IDM_ABOUTBOX);
  HWND version = nullptr;
  ASSERT_TRUE(WaitForWindowWith(arkwell->Id(), IDC_VER_VERSION, &version));
  const std::wstring want = FileVersionOf(ArkwellExe());
  ASSERT_FALSE(want.empty());
  EXPECT_EQ(ControlText(version, IDC_VER_VERSION), want);
  EXPECT_EQ(ControlText(version, IDC_VER_PRODUCT), English(txt::kVersionTitle));
  EXPECT_EQ(ControlText(version, IDC_VER_LABEL), English(txt::kVersionLabel));
  EXPECT_FALSE(ControlText(version, IDC_VER_COPYRIGHT).empty());
  ASSERT_TRUE(PressAndWaitGone(version, IDOK));

  // The licence of the language in use, before and after a change.
  struct {
    int listEntry;
    uint32_t language;
    const wchar_t* title;
  } const licences[] = {{kEnglishOf41, kLangEnglish, kEnglishLicenceTitle},
                        {kChineseOf41, kLangChinese, kChineseLicenceTitle}};
  for (const auto& l : licences) {
    SCOPED_TRACE(l.language);
    if (l.language != kLangEnglish) {
      languages = OpenSettingTab(main);
      ASSERT_NE(languages, nullptr);
      ASSERT_TRUE(ApplyLanguageLine(main, languages, l.listEntry));
    }
    PostCommand(main, IDM_EULABOX);
    HWND licence = nullptr;
    ASSERT_TRUE(WaitForWindowWith(arkwell->Id(), IDC_EULA_TEXT, &licence));
    EXPECT_EQ(ControlText(licence, IDC_EULA_HEADING), LoadText(txt::kLicenceHeading, l.language));
    const std::wstring document = ControlText(licence, IDC_EULA_TEXT);
    EXPECT_EQ(document.rfind(l.title, 0), 0u) << NarrowText(document.substr(0, 80));
    ASSERT_TRUE(PressAndWaitGone(licence, IDOK));
  }
}

}  // namespace
}  // namespace vk::driver
