#include "shell/ArkwellApp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "shell/Instance.h"
#include "tests/shell/HostWindow.h"

namespace vk {
namespace {

constexpr wchar_t kTestRoot[] = L"SOFTWARE\\VaultkeepTests";
constexpr wchar_t kServiceKey[] = L"SOFTWARE\\VaultkeepTests\\Service";
constexpr wchar_t kProductKey[] = L"SOFTWARE\\VaultkeepTests\\Arkwell";
constexpr wchar_t kAppInstance[] = L"VaultkeepTestApp";

// What the stand-in for the notification window saw when start-up reached it.
struct TraySeen {
  int runs = 0;
  bool sameApp = false;
  uint32_t language = 0;
  std::wstring dailyText;
  bool settingsKeyExisted = false;
} g_seen;

bool ProductKeyExists() {
  RegKey key;
  return ::RegOpenKeyExW(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

void FakeTrayWindow(CArkwellApp& app) {
  ++g_seen.runs;
  g_seen.sameApp = CArkwellApp::Current() == &app;
  g_seen.language = app.Language();
  g_seen.dailyText = GetString(txt::kFrequencyDaily);
  g_seen.settingsKeyExisted = ProductKeyExists();
  app.Settings().DoingBackup = 1;  // changed while running: saved at the end
}

class AppStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Clean();
    g_seen = TraySeen();
    options.settings.vendor = L"VaultkeepTests";
    options.serviceKey = kServiceKey;
    options.instanceName = kAppInstance;
    options.runTrayWindow = &FakeTrayWindow;
  }
  void TearDown() override {
    Clean();
    SetAppLanguage(kLangEnglish);
  }
  void Clean() {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot);
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestRoot);
  }
  void SetServiceLanguage(DWORD language) {
    RegKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kServiceKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, key.Receive(), nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(key.Get(), kLanguageValue, 0, REG_DWORD, reinterpret_cast<BYTE*>(&language), 4);
  }
  AppOptions options;
};

TEST_F(AppStartTest, FirstStartReachesTrayWindowWithSettingsAndLanguage) {
  SetServiceLanguage(9);  // out of range: texts in English
  {
    CArkwellApp app(options);
    EXPECT_EQ(app.Run(L""), StartOutcome::kRanTrayWindow);
  }
  EXPECT_EQ(g_seen.runs, 1);
  EXPECT_TRUE(g_seen.sameApp);
  EXPECT_EQ(g_seen.language, 9u);
  EXPECT_EQ(g_seen.dailyText, L"Daily");
  EXPECT_TRUE(g_seen.settingsKeyExisted);  // written back before the window
  EXPECT_EQ(CArkwellApp::Current(), nullptr);

  _SCHEDULE_SETTINGS saved;
  ASSERT_TRUE(LoadSettings(saved, options.settings));
  EXPECT_EQ(saved.DoingBackup, 1u);  // saved again at the end
  EXPECT_EQ(saved.Schedule, 0u);
}

TEST_F(AppStartTest, PartialSettingsAreResetAndWrittenWhole) {
  _SCHEDULE_SETTINGS s = {};
  s.Schedule = 3;
  s.ScheduleYear = 2017;
  std::wcscpy(s.SchedulePlanName, L"Plan");
  ASSERT_TRUE(SaveSettings(s, options.settings));
  {
    RegKey key;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kProductKey, 0, KEY_ALL_ACCESS, key.Receive()),
              ERROR_SUCCESS);
    ::RegDeleteValueW(key.Get(), L"ScheduleHour");
  }
  options.runTrayWindow = nullptr;
  CArkwellApp app(options);
  app.Run(L"");
  EXPECT_EQ(app.Language(), 0u);  // no service key: English
  _SCHEDULE_SETTINGS saved;
  ASSERT_TRUE(LoadSettings(saved, options.settings));
  const _SCHEDULE_SETTINGS zero = {};
  EXPECT_EQ(std::memcmp(&saved, &zero, sizeof(zero)), 0);
}

TEST_F(AppStartTest, RunningCopyIsAskedToOpenAndNoWindowRuns) {
  test::HostWindow running;
  KernelHandle slot;
  ASSERT_TRUE(ClaimInstance(running.Handle(), slot, kAppInstance));
  CHandOver handOver;
  ASSERT_TRUE(handOver.Start(running.Handle()));
  {
    CArkwellApp app(options);
    EXPECT_EQ(app.Run(L""), StartOutcome::kHandedOver);
  }
  EXPECT_EQ(g_seen.runs, 0);
  EXPECT_TRUE(test::HostWindow::PumpUntil([&] { return running.openRequests == 1; }, 5000));
  ReleaseInstance(running.Handle(), slot, kAppInstance);
}

TEST_F(AppStartTest, CloseCommandEndsBeforeSettings) {
  for (const wchar_t* line : {L"U", L" u ", L"u"}) {
    CArkwellApp app(options);
    EXPECT_EQ(app.Run(line), StartOutcome::kClosedCopies);
  }
  EXPECT_EQ(g_seen.runs, 0);
  EXPECT_FALSE(ProductKeyExists());

  CArkwellApp app(options);
  EXPECT_EQ(app.Run(L"UU"), StartOutcome::kRanTrayWindow);  // not the close command
}

// The service as the language store: it takes a language only while
// `reachable`, and writes it to the service key as the service does.
struct StoreSeen {
  bool reachable = false;
  std::vector<uint32_t> offered;
} g_store;

void WriteServiceLanguage(DWORD language) {
  RegKey key;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kServiceKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.Receive(), nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExW(key.Get(), kLanguageValue, 0, REG_DWORD, reinterpret_cast<BYTE*>(&language), 4);
}

bool FakeStore(uint32_t language) {
  g_store.offered.push_back(language);
  if (g_store.reachable) WriteServiceLanguage(language);
  return g_store.reachable;
}

class LanguageChoiceTest : public AppStartTest {
 protected:
  void SetUp() override {
    AppStartTest::SetUp();
    g_store = StoreSeen();
    options.storeLanguage = &FakeStore;
    options.runTrayWindow = nullptr;
    WriteServiceLanguage(kLangGerman);
  }
};

// Each opening of the main window reads the key again: a choice the service
// refused must neither be undone by that nor be forgotten for the next start.
TEST_F(LanguageChoiceTest, ChoiceTheServiceRefusedHoldsAndIsOfferedAgainUntilStored) {
  CArkwellApp app(options);
  app.Run(L"");
  ASSERT_EQ(app.Language(), static_cast<uint32_t>(kLangGerman));

  app.ApplyLanguage(kLangChinese);
  EXPECT_EQ(app.Language(), static_cast<uint32_t>(kLangChinese));
  EXPECT_TRUE(app.LanguageUnstored());
  app.ReloadLanguage();  // the service still away
  EXPECT_EQ(app.Language(), static_cast<uint32_t>(kLangChinese));
  EXPECT_TRUE(app.LanguageUnstored());

  g_store.reachable = true;
  app.ReloadLanguage();
  EXPECT_EQ(app.Language(), static_cast<uint32_t>(kLangChinese));
  EXPECT_FALSE(app.LanguageUnstored());
  EXPECT_EQ(g_store.offered, (std::vector<uint32_t>{kLangChinese, kLangChinese, kLangChinese}));

  // Stored: the key leads again, as a change made in another session shows.
  WriteServiceLanguage(kLangJapanese);
  app.ReloadLanguage();
  EXPECT_EQ(app.Language(), static_cast<uint32_t>(kLangJapanese));
  EXPECT_EQ(g_store.offered.size(), 3u);
}

void ChooseChineseWhileTheServiceIsAway(CArkwellApp& app) {
  app.ApplyLanguage(kLangChinese);
  g_store.reachable = true;  // back before the user ends the program
}

TEST_F(LanguageChoiceTest, ChoiceStillUnstoredWhenTheRunEndsIsStoredThen) {
  options.runTrayWindow = &ChooseChineseWhileTheServiceIsAway;
  {
    CArkwellApp app(options);
    app.Run(L"");
    EXPECT_FALSE(app.LanguageUnstored());
  }
  CArkwellApp next(options);
  next.Run(L"");
  EXPECT_EQ(next.Language(), static_cast<uint32_t>(kLangChinese));

  // A choice the service took at once is not offered again at the end.
  g_store = StoreSeen();
  g_store.reachable = true;
  options.runTrayWindow = [](CArkwellApp& app) { app.ApplyLanguage(kLangFrench); };
  CArkwellApp third(options);
  third.Run(L"");
  EXPECT_EQ(g_store.offered, std::vector<uint32_t>{kLangFrench});
}

}  // namespace
}  // namespace vk
