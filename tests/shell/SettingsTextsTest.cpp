#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/AppTexts.h"
#include "shell/Settings.h"

namespace vk {
namespace {

// A settings key of the tests' own, removed before and after each test.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    where.vendor = L"VaultkeepTests";
    where.product = L"Arkwell";
    Remove();
  }
  void TearDown() override { Remove(); }
  void Remove() { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\VaultkeepTests"); }
  HKEY OpenProduct() {
    HKEY key = nullptr;
    ::RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\VaultkeepTests\\Arkwell", 0, KEY_ALL_ACCESS, &key);
    return key;
  }
  void SetString(const wchar_t* name, const std::wstring& bytesOf, DWORD bytes) {
    RegKey key;
    *key.Receive() = OpenProduct();
    ASSERT_EQ(::RegSetValueExW(key.Get(), name, 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(bytesOf.data()), bytes),
              ERROR_SUCCESS);
  }

  SettingsLocation where;
};

_SCHEDULE_SETTINGS Sample() {
  _SCHEDULE_SETTINGS s = {};
  s.Schedule = 2;
  std::wcscpy(s.SchedulePlanName, L"20170305101500");
  std::wcscpy(s.ScheduleFriendlyName, L"Portable Disk \u00e9\u6587");
  s.ScheduleYear = 2017;
  s.ScheduleMonth = 3;
  s.ScheduleDay = 12;
  s.ScheduleHour = 10;
  s.ScheduleMinute = 0;
  s.SchedulePopup = 1;
  s.DoingBackup = 1;
  s.DoingRestore = 0;
  return s;
}

TEST_F(SettingsTest, FirstStartCreatesKeyAndRoundTrips) {
  _SCHEDULE_SETTINGS loaded;
  std::memset(&loaded, 0xAB, sizeof(loaded));
  EXPECT_FALSE(LoadSettings(loaded, where));
  _SCHEDULE_SETTINGS zero = {};
  EXPECT_EQ(std::memcmp(&loaded, &zero, sizeof(zero)), 0);
  ASSERT_TRUE(SaveSettings(loaded, where));  // the all-zero record creates the key
  EXPECT_TRUE(LoadSettings(loaded, where));

  const _SCHEDULE_SETTINGS s = Sample();
  ASSERT_TRUE(SaveSettings(s, where));
  EXPECT_TRUE(LoadSettings(loaded, where));
  EXPECT_EQ(std::memcmp(&loaded, &s, sizeof(s)), 0);

  // Stored as REG_DWORD of 4 bytes and REG_SZ with its terminator.
  RegKey key;
  *key.Receive() = OpenProduct();
  DWORD type = 0, size = 0;
  ASSERT_EQ(::RegQueryValueExW(key.Get(), L"ScheduleDay", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(size, 4u);
  ASSERT_EQ(::RegQueryValueExW(key.Get(), L"SchedulePlanName", nullptr, &type, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 15u * 2);
  DWORD values = 0;
  ::RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                     nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(values, 11u);
}

TEST_F(SettingsTest, PartialOrOversizedKeyResetsWholeRecord) {
  const _SCHEDULE_SETTINGS s = Sample();
  const _SCHEDULE_SETTINGS zero = {};
  _SCHEDULE_SETTINGS loaded;

  ASSERT_TRUE(SaveSettings(s, where));
  {
    RegKey key;
    *key.Receive() = OpenProduct();
    ASSERT_EQ(::RegDeleteValueW(key.Get(), L"DoingRestore"), ERROR_SUCCESS);  // the last one
  }
  EXPECT_FALSE(LoadSettings(loaded, where));
  EXPECT_EQ(std::memcmp(&loaded, &zero, sizeof(zero)), 0);

  // A name longer than its field cannot be taken whole.
  ASSERT_TRUE(SaveSettings(s, where));
  std::wstring tooLong(300, L'x');
  SetString(L"ScheduleFriendlyName", tooLong, static_cast<DWORD>((tooLong.size() + 1) * 2));
  EXPECT_FALSE(LoadSettings(loaded, where));
  EXPECT_EQ(std::memcmp(&loaded, &zero, sizeof(zero)), 0);
}

TEST_F(SettingsTest, NamesEndTerminatedInsideTheirFields) {
  ASSERT_TRUE(SaveSettings(Sample(), where));
  // The longest name that fits: 269 characters and the terminator.
  std::wstring longest(kSettingsNameChars - 1, L'n');
  SetString(L"SchedulePlanName", longest, kSettingsNameBytes);
  _SCHEDULE_SETTINGS loaded;
  EXPECT_TRUE(LoadSettings(loaded, where));
  EXPECT_EQ(std::wstring(loaded.SchedulePlanName), longest);
  EXPECT_EQ(loaded.ScheduleYear, 2017u);
  ASSERT_TRUE(SaveSettings(loaded, where));
  _SCHEDULE_SETTINGS again;
  EXPECT_TRUE(LoadSettings(again, where));
  EXPECT_EQ(std::memcmp(&again, &loaded, sizeof(loaded)), 0);

  // 540 bytes without a terminator: read or refused, the name never runs on.
  std::wstring full(kSettingsNameChars, L'n');
  SetString(L"SchedulePlanName", full, kSettingsNameBytes);
  LoadSettings(loaded, where);
  EXPECT_LT(::wcsnlen(loaded.SchedulePlanName, kSettingsNameChars), kSettingsNameChars);
}

class TextsTest : public ::testing::Test {
 protected:
  void SetUp() override { saved = AppLanguage(); }
  void TearDown() override { SetAppLanguage(saved); }
  uint32_t saved = 0;
};

TEST_F(TextsTest, GetStringFormatsAndFallsBack) {
  struct Case {
    uint32_t language;
    uint32_t id;
    std::wstring want;
  } cases[] = {
      // "%%" in a text without arguments shows as one "%".
      {0, txt::kNoticeLowSpace,
       L"Unable to back up data as you have less than 5% of the space in your storage device."},
      {9, txt::kFrequencyDaily, L"Daily"},  // language 9 counts as English
      {0xFFFFFFFF, txt::kFrequencyHourly, L"Hourly"},
      {0, kLastTextId, L""},                          // no such text
      {0, txt::kNoticeMissedDeviceAttached - 1, L""},  // a gap in the numbering
      {3, txt::kAppTitle, L"Vaultkeep"},  // the title is the same in every language
  };
  for (const Case& c : cases) {
    SetAppLanguage(c.language);
    EXPECT_EQ(GetString(c.id), c.want) << c.language << " " << c.id;
  }
  SetAppLanguage(kLangEnglish);
  EXPECT_EQ(GetString(txt::kSizeGB, L"1.50"), L"1.50 GB");  // arguments are formatted in
}

TEST(FormatDateTime, ShortDateAndTimeWithoutSecondsOrMarker) {
  const std::wstring text = FormatDateTime(2017, 3, 5, 21, 7);
  EXPECT_NE(text.find(L"2017"), std::wstring::npos) << text.c_str();
  EXPECT_NE(text.find(L"07"), std::wstring::npos) << text.c_str();
  EXPECT_EQ(text.find(L"PM"), std::wstring::npos) << text.c_str();
  EXPECT_EQ(text.find(L":00"), std::wstring::npos) << text.c_str();  // no seconds
  EXPECT_EQ(text.find(L"  "), std::wstring::npos) << text.c_str();
  // Date and time are two parts joined by one blank.
  const size_t blank = text.rfind(L' ');
  ASSERT_NE(blank, std::wstring::npos);
  EXPECT_NE(text.substr(blank + 1).find(L"07"), std::wstring::npos) << text.c_str();
}

// Without a marker only the 24-hour clock tells the hours after midnight
// and after noon apart.
TEST(FormatDateTime, HoursAreUnambiguousWithoutMarker) {
  const struct {
    int hour, minute;
    const wchar_t* shown;
    const wchar_t* notShown;
  } cases[] = {{0, 1, L"0:01", L"12:01"}, {12, 1, L"12:01", nullptr}, {14, 0, L"14:00", L"2:00 "}};
  for (const auto& c : cases) {
    const std::wstring text = FormatDateTime(2026, 12, 11, c.hour, c.minute) + L" ";
    EXPECT_NE(text.find(c.shown), std::wstring::npos) << text.c_str();
    if (c.notShown) {
      EXPECT_EQ(text.find(c.notShown), std::wstring::npos) << text.c_str();
    }
  }
}

TEST(ReadMachineNumber, MissingOrWrongValueGivesFallback) {
  const wchar_t* path = L"SOFTWARE\\VaultkeepTests\\Service";
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VaultkeepTests");
  EXPECT_EQ(ReadMachineNumber(path, kLanguageValue, 0), 0u);
  RegKey key;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.Receive(), nullptr),
            ERROR_SUCCESS);
  DWORD seven = 7;
  ::RegSetValueExW(key.Get(), kLanguageValue, 0, REG_DWORD, reinterpret_cast<BYTE*>(&seven), 4);
  ::RegSetValueExW(key.Get(), kUpdateNoticeValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"1"), 4);
  EXPECT_EQ(ReadMachineNumber(path, kLanguageValue, 0), 7u);
  EXPECT_EQ(ReadMachineNumber(path, kUpdateNoticeValue, 0), 0u);
  key.Reset();
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VaultkeepTests");
}

}  // namespace
}  // namespace vk
