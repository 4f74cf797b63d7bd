// The update path as a user and the other processes see it: the test build's
// ArkwellSvc.exe checks a local server in its short rhythm, Arkwell.exe shows
// the notice and the update page, and downloads from a second local server an
// installer signed with the test build's key (a tiny program that leaves a
// marker beside itself). The server of the update INI answers only the checks
// a test lets through, so each test decides how many checks complete.
#include "tests/shell/UpdateScenario.h"  // first: winsock2.h before windows.h

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "common/SharedNames.h"
#include "resources/ResourceIds.h"
#include "servicelink/Download.h"
#include "servicelink/ServiceClient.h"
#include "tests/driver/MainWindowView.h"
#include "tests/driver/Observe.h"
#include "tests/driver/Program.h"
#include "tests/driver/Service.h"
#include "tests/driver/TrayHooks.h"
#include "tests/driver/Ui.h"
#include "tests/shell/ProgramFixture.h"
#include "tests/support/TestVolume.h"

namespace vk::driver {
namespace {

// The service checks soon after its start and then three times a second;
// the tray looks for a new release five times a second.
constexpr DWORD kFirstCheckMs = 300;
constexpr DWORD kCheckPeriodMs = 300;
constexpr DWORD kReleaseCheckMs = 200;
constexpr DWORD kNothingHappensMs = 1500;  // a window that should not appear
constexpr DWORD kProgramStartsMs = 3000;   // a program that should not start
// The download window waits about 5 s (link::kFailureWaitMs) after a failed
// request before it reports; a cancel ends that wait at once.
constexpr DWORD kFailureWaitSlackMs = 200;
constexpr DWORD kPromptMs = 2500;  // well inside the failure wait
constexpr int kFullBar = 100;
constexpr uint32_t kEnglish = 0;
constexpr DWORD kNoValue = 0xFFFFFFFF;  // what a missing registry value reads as here
constexpr wchar_t kPendingKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";

// The English texts the program is to show.
constexpr wchar_t kTitle[] = L"Vaultkeep";
constexpr wchar_t kNoticeText[] =
    L"A latest version of \"Vaultkeep\" has been released.  \nWould you like to update?";
constexpr wchar_t kDontShowAgain[] = L"Do not show this message again.";
constexpr wchar_t kPageText[] =
    L"The latest version of \"Vaultkeep\" has been released. \nWould you like to update?";
constexpr wchar_t kDownloadText[] =
    L"Downloading the latest version. \nAfter the download, installer will run automatically.";
constexpr wchar_t kDownloadFailed[] = L"Fail to download \"Vaultkeep.\"";

std::string FileText(const std::wstring& path) {
  const std::vector<uint8_t> bytes = test::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(), ::towlower);
  return text;
}

// ---- Deletions at restart, read and cleaned as the system keeps them --------

// PendingFileRenameOperations: pairs of "\??\<path>" and the new name,
// empty for a deletion.
std::vector<std::wstring> PendingRenames() {
  std::vector<std::wstring> entries;
  DWORD bytes = 0;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kPendingKey, kPendingValue, RRF_RT_REG_MULTI_SZ, nullptr,
                     nullptr, &bytes) != ERROR_SUCCESS)
    return entries;
  std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 2, L'\0');
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kPendingKey, kPendingValue, RRF_RT_REG_MULTI_SZ, nullptr,
                     text.data(), &bytes) != ERROR_SUCCESS)
    return entries;
  // Empty strings are entries too (the new name of a deletion): split on
  // every terminator up to the value's end.
  const size_t chars = bytes / sizeof(wchar_t);
  size_t start = 0;
  for (size_t i = 0; i < chars; ++i) {
    if (text[i] != L'\0') continue;
    entries.emplace_back(text.data() + start, i - start);
    start = i + 1;
  }
  // The list's own closing terminator leaves one empty entry over.
  if (entries.size() % 2 != 0 && entries.back().empty()) entries.pop_back();
  return entries;
}

bool NamesPath(const std::wstring& entry, const std::wstring& path) {
  const std::wstring e = Lower(entry), p = Lower(path);
  return e.size() >= p.size() && e.compare(e.size() - p.size(), p.size(), p) == 0;
}

bool DeletionRegistered(const std::wstring& path) {
  const std::vector<std::wstring> entries = PendingRenames();
  for (size_t i = 0; i + 1 < entries.size(); i += 2)
    if (NamesPath(entries[i], path) && entries[i + 1].empty()) return true;
  return false;
}

// Takes this test's deletions out again, so that no later boot of the
// prefix acts on them; every other entry stays.
void ForgetDeletions(const std::wstring& path) {
  const std::vector<std::wstring> entries = PendingRenames();
  std::wstring kept;
  bool changed = false;
  for (size_t i = 0; i + 1 < entries.size(); i += 2) {
    if (NamesPath(entries[i], path)) {
      changed = true;
      continue;
    }
    kept += entries[i] + L'\0' + entries[i + 1] + L'\0';
  }
  if (!changed) return;
  RegKey key = OpenRegKey(HKEY_LOCAL_MACHINE, kPendingKey, KEY_SET_VALUE);
  if (!key) return;
  if (kept.empty()) {
    ::RegDeleteValueW(key.Get(), kPendingValue);
    return;
  }
  kept += L'\0';
  ::RegSetValueExW(key.Get(), kPendingValue, 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(kept.data()),
                   static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
}

// ---- The fixture ---------------------------------------------------------------

class UpdateEndToEnd : public ProgramEndToEnd {
 protected:
  // The service of this suite checks in its short rhythm.
  static void SetUpTestSuite() {
    ResetSimulation(kFirstCheckMs, kCheckPeriodMs);
    installed_ = InstallService();
  }

  void SetUp() override {
    ProgramEndToEnd::SetUp();
    ASSERT_TRUE(servers.Running());
    installer = BuildFile(VK_TEST_INSTALLER_EXE);
    goodSignature = BuildFile(VK_TEST_UPDATE_FIXTURES "/installer.good.sig");
    otherSignature = BuildFile(VK_TEST_UPDATE_FIXTURES "/installer.other.sig");
    ASSERT_FALSE(installer.empty());
    SetTrayPeriods(kTestDrivePollMs, kTestDueCheckMs, kReleaseCheckMs);
    SetRegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kLanguageValue, kEnglish);
    SetRegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kUpdateNoticeValue, 1);
    Clean();
    SetRegistryString(HKEY_LOCAL_MACHINE, kServiceKeyPath, UrlValueName(kEnglish).c_str(),
                      servers.IniUrl());
    // A record left by the previous test that names a newer release would
    // be announced as soon as the program starts: one check finds none.
    ASSERT_TRUE(CompleteCheck(servers.Ini(1, 41)));
  }

  void TearDown() override {
    ProgramEndToEnd::TearDown();
    servers.OpenGate();
    RegKey key = OpenRegKey(HKEY_LOCAL_MACHINE, kServiceKeyPath, KEY_SET_VALUE);
    if (key) ::RegDeleteValueW(key.Get(), UrlValueName(kEnglish).c_str());
    Clean();
  }

  void Clean() {
    ForgetDeletions(InstallerPath());
    ::DeleteFileW(InstallerPath().c_str());
    ::DeleteFileW(MarkerPath().c_str());
  }

  static int32_t CheckCount() {
    svc::_SVC_UPDINFO info{};
    info.nCheckCount = -1;
    link::GetUpdateInfo(nullptr, &info);
    return info.nCheckCount;
  }
  // Lets one check through and waits until the service has counted it.
  ::testing::AssertionResult CompleteCheck(const std::string& ini) {
    const int32_t before = CheckCount();
    if (before < 0) return ::testing::AssertionFailure() << "the service does not answer";
    servers.PassCheck(ini);
    return WaitFor("a completed update check", kServiceDeadlineMs,
                   [&] { return CheckCount() > before; });
  }

  // Starts the program, lets a check find version 2.05, and takes the
  // notice's Update to the update page.
  ::testing::AssertionResult OpenUpdatePage(HWND* page, const std::string& ini = {}) {
    Start();
    servers.PassCheck(ini.empty() ? servers.Ini(2, 5) : ini);
    HWND notice = nullptr;
    if (auto r = WaitForNotice(&notice); !r) return r;
    if (auto r = Click(notice, IDC_UPD_UPDATE); !r) return r;
    return WaitForUpdatePage(page);
  }
  ::testing::AssertionResult WaitForNotice(HWND* notice) {
    return WaitForDialogWith(arkwell->Id(), IDC_UPD_CHECK, "the update notice", notice);
  }
  ::testing::AssertionResult NoNoticeFor(DWORD ms) {
    if (WaitFor("a notice", ms,
                [&] { return ShownDialogWith(arkwell->Id(), IDC_UPD_CHECK) != nullptr; }))
      return ::testing::AssertionFailure() << "a notice appeared";
    return ::testing::AssertionSuccess();
  }
  ::testing::AssertionResult WaitForUpdatePage(HWND* page) {
    return driver::WaitForUpdatePage(arkwell->Id(), page);
  }
  ::testing::AssertionResult WaitForDownloadWindow(HWND* download) {
    return WaitForDialogWith(arkwell->Id(), IDC_DL_PROGRESS, "the download window", download);
  }
  // Update pressed on the update page and the download window's bar moving:
  // part of the installer has arrived.
  ::testing::AssertionResult DownloadUnderWay(HWND* page, HWND* download) {
    if (auto r = OpenUpdatePage(page); !r) return r;
    if (auto r = Click(*page, IDC_UPDPG_UPDATE); !r) return r;
    if (auto r = WaitForDownloadWindow(download); !r) return r;
    return WaitFor("the bar moving", kWindowDeadlineMs,
                   [&] { return BarPosition(*download) > 0; });
  }
  // A window that must not come: none within the usual pause.
  ::testing::AssertionResult NoMessageFor(DWORD ms) {
    MessageWindow message;
    if (MessageWindow::WaitFor(arkwell->Id(), &message, ms))
      return ::testing::AssertionFailure() << "a message appeared: " << Narrow(message.Text());
    return ::testing::AssertionSuccess();
  }
  // Update on the page, then the failure message, answered with OK; the
  // download leaves nothing behind and starts nothing.
  ::testing::AssertionResult UpdateFails(HWND page) {
    if (auto r = Click(page, IDC_UPDPG_UPDATE); !r) return r;
    MessageWindow message;
    if (auto r = MessageWindow::WaitFor(arkwell->Id(), &message, kProcessDeadlineMs); !r) return r;
    if (message.Text() != kDownloadFailed)
      return ::testing::AssertionFailure() << "another message: " << Narrow(message.Text());
    if (ShownDialogWith(arkwell->Id(), IDC_DL_PROGRESS))
      return ::testing::AssertionFailure() << "the download window is still open";
    if (auto r = message.Press(IDC_OK); !r) return r;
    if (auto r = message.WaitUntilClosed(); !r) return r;
    return NothingLeft();
  }
  ::testing::AssertionResult NothingLeft() {
    if (test::PathExists(InstallerPath()))
      return ::testing::AssertionFailure() << "the downloaded file is still there";
    if (test::PathExists(MarkerPath())) return ::testing::AssertionFailure() << "the installer ran";
    if (DeletionRegistered(InstallerPath()))
      return ::testing::AssertionFailure() << "a deletion was registered";
    if (!arkwell->Running()) return ::testing::AssertionFailure() << "the program ended";
    return ::testing::AssertionSuccess();
  }

  UpdateServers servers;
  std::string installer, goodSignature, otherSignature;
};

// ---- The whole path -----------------------------------------------------------

TEST_F(UpdateEndToEnd, CheckedInstallerIsDownloadedRegisteredAndStartedAndTheProgramEnds) {
  servers.ServeInstaller(servers.Gated(installer), UpdateServers::Serve(goodSignature));
  Start();
  servers.PassCheck(servers.Ini(2, 5));
  HWND notice = nullptr;
  ASSERT_TRUE(WaitForNotice(&notice));
  EXPECT_EQ(WindowText(notice), kTitle);
  EXPECT_EQ(ControlText(notice, IDC_MESSAGE), kNoticeText);
  EXPECT_EQ(ControlText(notice, IDC_UPD_UPDATE), L"Update");
  EXPECT_EQ(ControlText(notice, IDC_UPD_CANCEL), L"Cancel");
  EXPECT_EQ(ControlText(notice, IDC_UPD_CHECK), kDontShowAgain);
  ASSERT_TRUE(Click(notice, IDC_UPD_UPDATE));
  ASSERT_TRUE(WaitUntilGone(notice));

  HWND page = nullptr;
  ASSERT_TRUE(WaitForUpdatePage(&page));
  EXPECT_EQ(ControlText(page, IDC_UPDPG_MESSAGE), kPageText);
  EXPECT_EQ(ControlText(page, IDC_UPDPG_CURRENT), L"1.41");
  EXPECT_EQ(ControlText(page, IDC_UPDPG_LATEST), L"2.05");
  ASSERT_TRUE(Click(page, IDC_UPDPG_UPDATE));

  HWND download = nullptr;
  ASSERT_TRUE(WaitForDownloadWindow(&download));
  EXPECT_EQ(ControlText(download, IDC_MESSAGE), kDownloadText);
  EXPECT_TRUE(WaitFor("the bar part of the way", kWindowDeadlineMs, [&] {
    const int at = BarPosition(download);
    return at > 0 && at < kFullBar;
  }));
  EXPECT_FALSE(test::PathExists(MarkerPath()));
  servers.OpenGate();

  ASSERT_TRUE(arkwell->WaitForExit());
  ASSERT_TRUE(WaitFor("the installer's marker", kProcessDeadlineMs,
                      [] { return test::PathExists(MarkerPath()); }));
  // Started with its own path in quotes, as the file that was checked.
  const std::string line = FileText(MarkerPath());
  const std::wstring started(reinterpret_cast<const wchar_t*>(line.data()),
                             line.size() / sizeof(wchar_t));
  EXPECT_NE(Lower(started).find(L"\"" + Lower(InstallerPath()) + L"\""), std::wstring::npos)
      << Narrow(started);
  EXPECT_EQ(FileText(InstallerPath()), installer);
  // The service accepted the deletion at the next restart.
  EXPECT_TRUE(DeletionRegistered(InstallerPath()));
  EXPECT_EQ(RegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kUpdateNoticeValue, kNoValue), 1u);
}

TEST_F(UpdateEndToEnd, InstallerNobodyVouchedForIsDeletedWithTheFailureMessage) {
  std::string tampered = installer;
  tampered[tampered.size() / 2] ^= 0x01;
  HWND page = nullptr;
  ASSERT_TRUE(OpenUpdatePage(&page));
  const struct {
    const char* what;
    Answer installer, signature;
  } cases[] = {
      {"one byte changed", UpdateServers::Serve(tampered), UpdateServers::Serve(goodSignature)},
      {"no .sig on the server", UpdateServers::Serve(installer), UpdateServers::NotFound()},
      {"signed by another key", UpdateServers::Serve(installer),
       UpdateServers::Serve(otherSignature)},
      {"no installer on the server", UpdateServers::NotFound(),
       UpdateServers::Serve(goodSignature)},
  };
  for (const auto& c : cases) {
    servers.ServeInstaller(c.installer, c.signature);
    EXPECT_TRUE(UpdateFails(page)) << c.what;
  }
  EXPECT_EQ(servers.Requests(kInstallerPath), std::size(cases));
}

TEST_F(UpdateEndToEnd, AnswerWithoutLengthFailsAfterTheWaitAndACancelEndsTheWaitSilently) {
  servers.ServeInstaller(UpdateServers::WithoutLength(installer),
                         UpdateServers::Serve(goodSignature));
  HWND page = nullptr;
  ASSERT_TRUE(OpenUpdatePage(&page));
  const ULONGLONG clicked = ::GetTickCount64();
  ASSERT_TRUE(UpdateFails(page));
  EXPECT_GE(::GetTickCount64() - clicked, link::kFailureWaitMs - kFailureWaitSlackMs);

  ASSERT_TRUE(Click(page, IDC_UPDPG_UPDATE));
  HWND download = nullptr;
  ASSERT_TRUE(WaitForDownloadWindow(&download));
  ASSERT_TRUE(WaitFor("the second request", kWindowDeadlineMs,
                      [&] { return servers.Requests(kInstallerPath) == 2; }));
  const ULONGLONG cancelled = ::GetTickCount64();
  ASSERT_TRUE(Click(download, IDC_DL_CANCEL));
  ASSERT_TRUE(WaitUntilGone(download));
  EXPECT_LT(::GetTickCount64() - cancelled, kPromptMs);
  EXPECT_TRUE(NoMessageFor(kNothingHappensMs));
  EXPECT_TRUE(NothingLeft());
}

TEST_F(UpdateEndToEnd, CancelDuringTheBodyClosesTheWindowAndDeletesThePartialFile) {
  servers.ServeInstaller(servers.Trickling(installer), UpdateServers::Serve(goodSignature));
  HWND page = nullptr, download = nullptr;
  ASSERT_TRUE(DownloadUnderWay(&page, &download));
  EXPECT_TRUE(test::PathExists(InstallerPath()));
  EXPECT_LT(BarPosition(download), kFullBar);
  ASSERT_TRUE(Click(download, IDC_DL_CANCEL));
  ASSERT_TRUE(WaitUntilGone(download));
  EXPECT_TRUE(NoMessageFor(kNothingHappensMs));
  EXPECT_TRUE(NothingLeft());
  EXPECT_TRUE(WaitForUpdatePage(&page));  // back where the user was
}

// A server that stops sending in the middle: the read waits for its
// time-out, which closing the connection does not cut short. Cancel still
// closes the window at once; the download ends by itself and deletes its part.
TEST_F(UpdateEndToEnd, CancelWhileTheServerStopsSendingClosesTheWindowAtOnce) {
  servers.ServeInstaller(servers.Gated(installer), UpdateServers::Serve(goodSignature));
  HWND page = nullptr, download = nullptr;
  ASSERT_TRUE(DownloadUnderWay(&page, &download));
  const ULONGLONG cancelled = ::GetTickCount64();
  ASSERT_TRUE(Click(download, IDC_DL_CANCEL));
  ASSERT_TRUE(WaitUntilGone(download));
  EXPECT_LT(::GetTickCount64() - cancelled, kPromptMs);
  EXPECT_TRUE(WaitForUpdatePage(&page));  // back where the user was
  servers.OpenGate();  // the rest arrives: the waiting read returns and sees the cancel
  EXPECT_TRUE(WaitFor("the partial file deleted", kWindowDeadlineMs,
                      [&] { return !test::PathExists(InstallerPath()); }));
  EXPECT_TRUE(NoMessageFor(kNothingHappensMs));
  EXPECT_TRUE(NothingLeft());
}

// The same, but the program ends (an exit, a log-off) while the cancelled
// read still waits: the partial file goes with the program.
TEST_F(UpdateEndToEnd, ProgramEndingWhileACancelledReadWaitsLeavesNoPartialFile) {
  servers.ServeInstaller(servers.Gated(installer), UpdateServers::Serve(goodSignature));
  HWND page = nullptr, download = nullptr;
  ASSERT_TRUE(DownloadUnderWay(&page, &download));
  ASSERT_TRUE(test::PathExists(InstallerPath()));
  ASSERT_TRUE(Click(download, IDC_DL_CANCEL));
  ASSERT_TRUE(WaitUntilGone(download));
  ASSERT_TRUE(arkwell->Close());
  EXPECT_FALSE(test::PathExists(InstallerPath()));
  EXPECT_FALSE(DeletionRegistered(InstallerPath()));
}

// The release page's address comes from the same INI as the installer, over
// plain HTTP: Detail opens a web page, never a program named in its place.
TEST_F(UpdateEndToEnd, DetailStartsNoProgramNamedAsTheReleasePage) {
  const std::wstring program = DriveRoot(drive) + L"Detail.exe";
  test::WriteFileBytes(program, std::vector<uint8_t>(installer.begin(), installer.end()));
  const std::wstring marker = program + kMarkerSuffix;
  HWND page = nullptr;
  ASSERT_TRUE(OpenUpdatePage(&page, servers.Ini(2, 5, program)));
  ASSERT_TRUE(Click(page, IDC_UPDPG_DETAIL));
  EXPECT_FALSE(WaitFor("the program named as the page", kProgramStartsMs,
                       [&] { return test::PathExists(marker); }));
  EXPECT_TRUE(WaitForUpdatePage(&page));  // the page still answers
  ::DeleteFileW(marker.c_str());
  ::DeleteFileW(program.c_str());
}

// ---- The notice -------------------------------------------------------------------

// One notice per completed check that found a newer version; the close
// button tells the service nothing, Cancel tells it whether notices go on,
// and after "Do not show this message again." none comes.
TEST_F(UpdateEndToEnd, NoticeComesOncePerCheckUntilItsBoxIsTicked) {
  // A value the notice itself never writes, to tell "unchanged" apart.
  constexpr DWORD kUntouched = 2;
  SetRegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kUpdateNoticeValue, kUntouched);
  auto noticeSetting = [] {
    return RegistryDword(HKEY_LOCAL_MACHINE, kServiceKeyPath, kUpdateNoticeValue, kNoValue);
  };
  Start();
  ASSERT_TRUE(CompleteCheck(servers.Ini(2, 5)));
  HWND notice = nullptr;
  ASSERT_TRUE(WaitForNotice(&notice));
  ASSERT_TRUE(Click(notice, IDC_CLOSE));
  ASSERT_TRUE(WaitUntilGone(notice));
  EXPECT_TRUE(NoNoticeFor(kNothingHappensMs));  // the same check again
  EXPECT_EQ(noticeSetting(), kUntouched);

  ASSERT_TRUE(CompleteCheck(servers.Ini(2, 5)));
  ASSERT_TRUE(WaitForNotice(&notice));
  ASSERT_TRUE(Click(notice, IDC_UPD_CANCEL));
  ASSERT_TRUE(WaitUntilGone(notice));
  EXPECT_TRUE(WaitFor("notices kept on", kWindowDeadlineMs, [&] { return noticeSetting() == 1; }));
  EXPECT_FALSE(FindMainWindow(arkwell->Id()));  // Cancel opens nothing

  ASSERT_TRUE(CompleteCheck(servers.Ini(2, 5)));
  ASSERT_TRUE(WaitForNotice(&notice));
  ASSERT_TRUE(Click(notice, IDC_UPD_CHECK));
  ASSERT_TRUE(Click(notice, IDC_UPD_CANCEL));
  ASSERT_TRUE(WaitUntilGone(notice));
  EXPECT_TRUE(
      WaitFor("notices turned off", kWindowDeadlineMs, [&] { return noticeSetting() == 0; }));

  ASSERT_TRUE(CompleteCheck(servers.Ini(2, 5)));
  EXPECT_TRUE(NoNoticeFor(kNothingHappensMs));
}

// Opening the main window while a release is known asks first, each time:
// Cancel opens it as usual, Update on its update page.
TEST_F(UpdateEndToEnd, OpeningTheMainWindowWithAReleaseKnownShowsTheNoticeFirst) {
  Start();
  ASSERT_TRUE(CompleteCheck(servers.Ini(2, 5)));
  HWND notice = nullptr;
  ASSERT_TRUE(WaitForNotice(&notice));
  ASSERT_TRUE(Click(notice, IDC_CLOSE));
  ASSERT_TRUE(WaitUntilGone(notice));

  ::PostMessageW(Tray(), kMsgOpenMainWindow, 0, 0);
  ASSERT_TRUE(WaitForNotice(&notice));
  EXPECT_FALSE(FindMainWindow(arkwell->Id()));  // not before the answer
  ASSERT_TRUE(Click(notice, IDC_UPD_CANCEL));
  HWND main = nullptr;
  ASSERT_TRUE(WaitForMainWindow(arkwell->Id(), &main));
  EXPECT_TRUE(WaitForPage(main, IDD_PAGE_NO_DEVICE));
  ASSERT_TRUE(Click(main, IDC_CLOSE));
  ASSERT_TRUE(WaitUntilGone(main));

  ::PostMessageW(Tray(), kMsgOpenMainWindow, 0, 0);
  ASSERT_TRUE(WaitForNotice(&notice));
  ASSERT_TRUE(Click(notice, IDC_UPD_UPDATE));
  HWND page = nullptr;
  EXPECT_TRUE(WaitForUpdatePage(&page));
}

}  // namespace
}  // namespace vk::driver
