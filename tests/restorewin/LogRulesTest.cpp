#include "restorewin/LogRules.h"

#include <gtest/gtest.h>

namespace vk {
namespace {

TEST(LogPage, DetailTabShowsTheRestoreLogOnlyWhenItIsStrictlyNewer) {
  struct Case {
    uint64_t backup, restore;  // last-write times; 0 = the file is missing
    bool restoreNewer;
  } cases[] = {
      {0, 0, false},        // no logs at all
      {100, 0, false},      // only a backup ran
      {0, 100, true},       // only a restore ran
      {100, 200, true},     // a backup, then a restore
      {200, 100, false},    // a restore, then a backup
      {150, 150, false},    // the same time: the backup detail log
      {0xFFFFFFFFFFFFFFFFull, 1, false},
  };
  for (const Case& c : cases) {
    const bool newer = RestoreDetailIsNewer(c.backup, c.restore);
    EXPECT_EQ(newer, c.restoreNewer) << c.backup << " " << c.restore;
    EXPECT_EQ(ModeOfTab(LogTab::kDetail, newer),
              c.restoreNewer ? LogMode::kRestoreDetail : LogMode::kBackupDetail);
  }
}

TEST(LogPage, EachViewShowsItsFile) {
  struct Case {
    LogTab tab;
    bool restoreNewer;
    LogMode mode;
    const wchar_t* file;
  } cases[] = {
      {LogTab::kBackup, false, LogMode::kBackupSummary, L"storage-backup.log"},
      {LogTab::kBackup, true, LogMode::kBackupSummary, L"storage-backup.log"},
      {LogTab::kRestore, true, LogMode::kRestoreSummary, L"storage-restore.log"},
      {LogTab::kDetail, false, LogMode::kBackupDetail, L"backup-detail.log"},
      {LogTab::kDetail, true, LogMode::kRestoreDetail, L"restore-detail.log"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModeOfTab(c.tab, c.restoreNewer), c.mode);
    EXPECT_STREQ(LogFileNameOf(c.mode), c.file);
  }
}

TEST(LogPage, TheSelectedTabCannotBePressedAgainAndFileViewNeedsAFile) {
  for (int selected = 0; selected < kLogTabCount; ++selected) {
    for (bool exists : {false, true}) {
      const LogButtons b = LogButtonsOf(static_cast<LogTab>(selected), exists);
      for (int t = 0; t < kLogTabCount; ++t) EXPECT_EQ(b.tabs[t], t != selected) << selected << t;
      EXPECT_EQ(b.fileView, exists);
    }
  }
}

TEST(LogPage, TextIsUtf16WithoutTheByteOrderMark) {
  struct Case {
    std::vector<uint8_t> bytes;
    std::wstring text;
  } cases[] = {
      {{}, L""},
      {{0xFF, 0xFE}, L""},
      {{0xFF, 0xFE, 'A', 0, 0x42, 0x30}, L"A\x3042"},
      {{'A', 0, 'B', 0}, L"AB"},                // no mark: all of it is text
      {{0xFF, 0xFE, 'A', 0, 'B'}, L"A"},        // an odd last byte is dropped
      {{0xFE, 0xFF, 'A', 0}, L"\xFFFE" L"A"},   // a big-endian mark is not ours
      {{0xFF}, L""},
  };
  for (const Case& c : cases) EXPECT_EQ(LogTextOf(c.bytes), c.text) << c.bytes.size();
}

}  // namespace
}  // namespace vk
