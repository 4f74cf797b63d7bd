#include "restorewin/OverwriteRules.h"

#include <gtest/gtest.h>

#include "shell/AppTexts.h"
#include "tests/support/EnglishTexts.h"

namespace vk {
namespace {

using OverwritePrompt = test::EnglishTexts;

// 2017-07-05 12:00 UTC: mid-year and mid-day, the same date in every zone
// but the farthest.
FILETIME MidYear() {
  SYSTEMTIME st = MakeLocalTime(2017, 7, 5, 12, 0);
  FILETIME ft = {};
  ::SystemTimeToFileTime(&st, &ft);
  return ft;
}

TEST_F(OverwritePrompt, TextsOfOneConflict) {
  struct Case {
    int32_t remaining;
    const wchar_t* target;
    uint64_t backupSize, currentSize;
    const wchar_t *message, *name, *location, *backupLine, *currentLine;
  } cases[] = {
      {1, L"C:\\Users\\Ann\\Documents\\report.docx", 1536, 2048,
       L"The destination has 1 files with the same name.", L"report.docx",
       L"C:\\Users\\Ann\\Documents", L"Size : 1.50 KB", L"Size : 2.00 KB"},
      {3, L"D:\\a.txt", 0, 0, L"The destination has 3 files with the same name.", L"a.txt", L"D:",
       L"Size : 0 bytes", L"Size : 0 bytes"},
      // A path from the disk is text only: mnemonics and directives stay as written.
      {2, L"E:\\R&D\\%s %n\\100%.txt", 1023, 0, L"The destination has 2 files with the same name.",
       L"100%.txt", L"E:\\R&D\\%s %n", L"Size : 1023 bytes", L"Size : 0 bytes"},
      {1, L"C:\\dir\\\\noext", 1, 1, L"The destination has 1 files with the same name.", L"noext",
       L"C:\\dir", L"Size : 1 bytes", L"Size : 1 bytes"},
      {1, L"C:\\dir\\.profile", 1, 1, L"The destination has 1 files with the same name.",
       L".profile", L"C:\\dir", L"Size : 1 bytes", L"Size : 1 bytes"},
  };
  for (const Case& c : cases) {
    _OVERWRITE_QUERY q = {};
    q.remaining = c.remaining;
    q.targetPath = c.target;
    q.backupSize = c.backupSize;
    q.currentSize = c.currentSize;
    q.backupTime = q.currentTime = MidYear();
    const OverwriteTexts t = BuildOverwriteTexts(q);
    EXPECT_EQ(t.message, c.message) << c.target;
    EXPECT_EQ(t.fileName, c.name) << c.target;
    EXPECT_EQ(t.location, c.location) << c.target;
    EXPECT_EQ(t.replacePanel[2], c.backupLine) << c.target;
    EXPECT_EQ(t.skipPanel[2], c.currentLine) << c.target;
  }
}

TEST_F(OverwritePrompt, PanelsSetTheBackupVersionBesideTheCurrentOne) {
  _OVERWRITE_QUERY q = {};
  q.remaining = 1;
  q.targetPath = L"C:\\a.txt";
  q.backupTime = MidYear();
  q.currentTime = {0xFFFFFFFFu, 0xFFFFFFFFu};  // no calendar date (a damaged index)
  const OverwriteTexts t = BuildOverwriteTexts(q);
  EXPECT_EQ(t.replacePanel[0], L"Replace the files in the destination");
  EXPECT_EQ(t.replacePanel[1], L"Backup file");
  EXPECT_EQ(t.skipPanel[0], L"Skip these files");
  EXPECT_EQ(t.skipPanel[1], L"Current file");
  EXPECT_EQ(t.replacePanel[3], L"Updated : " + LocalDateText(MidYear()));
  EXPECT_NE(t.replacePanel[3].find(L"2017"), std::wstring::npos);
  EXPECT_EQ(t.skipPanel[3], L"Updated : ");
  _OVERWRITE_QUERY none = {};
  EXPECT_EQ(BuildOverwriteTexts(none).fileName, L"");
  EXPECT_EQ(BuildOverwriteTexts(none).location, L"");
}

TEST_F(OverwritePrompt, OnlyTheThreeButtonsCloseTheWindow) {
  using A = OverwriteAction;
  struct Case {
    A action;
    bool checked;
    bool ends;
    int endCode;
    int32_t choice;
    bool apply;
  } cases[] = {
      {A::kReplace, true, true, 1, kChoiceReplace, true},
      {A::kReplace, false, true, 1, kChoiceReplace, false},
      {A::kSkip, true, true, 1, kChoiceSkip, true},
      {A::kSkip, false, true, 1, kChoiceSkip, false},
      {A::kClose, true, true, 2, kChoiceNone, false},
      {A::kEnter, true, false, 0, kChoiceNone, false},
      {A::kEscape, false, false, 0, kChoiceNone, false},
  };
  for (const Case& c : cases) {
    const OverwriteOutcome o = OutcomeOf(c.action, c.checked);
    const int row = static_cast<int>(&c - cases);
    EXPECT_EQ(o.ends, c.ends) << row;
    EXPECT_EQ(o.endCode, c.endCode) << row;
    EXPECT_EQ(o.choice, c.choice) << row;
    EXPECT_EQ(o.applyToRest, c.apply) << row;
  }
}

TEST_F(OverwritePrompt, NoAnswerNeverReplaces) {
  struct Case {
    int endCode;
    int32_t choice;
    bool apply;
    int32_t wantChoice;
    bool wantApply;
  } cases[] = {
      {1, kChoiceReplace, true, kChoiceReplace, true},
      {1, kChoiceSkip, false, kChoiceSkip, false},
      {2, kChoiceNone, false, kChoiceSkip, false},     // closed: skip this one, ask again
      {2, kChoiceReplace, true, kChoiceSkip, false},
      {-1, kChoiceNone, false, kChoiceSkip, false},    // the window could not be shown
      {0, kChoiceNone, false, kChoiceSkip, false},
      {1, kChoiceNone, true, kChoiceSkip, false},
  };
  for (const Case& c : cases) {
    const OverwriteAnswer a = AnswerOf(c.endCode, c.choice, c.apply);
    EXPECT_EQ(a.choice, c.wantChoice) << c.endCode << "/" << c.choice;
    EXPECT_EQ(a.applyToRest, c.wantApply) << c.endCode << "/" << c.choice;
  }
}

}  // namespace
}  // namespace vk
