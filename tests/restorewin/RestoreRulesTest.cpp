#include "restorewin/RestoreRules.h"

#include <gtest/gtest.h>

#include <cstring>

#include "restorewin/OverwriteRules.h"
#include "shell/AppTexts.h"
#include "tests/support/EnglishTexts.h"

namespace vk {
namespace {

using RestoreWizard = test::EnglishTexts;

_BKUPFILE_HEADER SetOf(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
  _BKUPFILE_HEADER h = {};
  h.BackupTime = MakeLocalTime(year, month, day, hour, minute);
  h.Sequence = day;
  return h;
}

_BKUP_PLAN PlanOf(uint32_t pc, const wchar_t* user) {
  _BKUP_PLAN plan = {};
  plan.OwnerPcId = pc;
  wcsncpy(plan.OwnerUser, user, kMaxTextChars);
  return plan;
}

TEST_F(RestoreWizard, SetsAreListedNewestFirstAndBoundedByBothCounts) {
  const std::vector<_BKUPFILE_HEADER> listed = {SetOf(2017, 1, 1, 9, 0), SetOf(2017, 1, 2, 9, 0),
                                                SetOf(2017, 1, 3, 9, 0)};
  struct Case {
    uint32_t first, second;
    std::vector<uint32_t> days;
  } cases[] = {
      {3, 3, {3, 2, 1}},
      {2, 3, {2, 1}},   // a set appeared between the two listings: the first count bounds
      {3, 2, {2, 1}},   // one vanished: only what the second listing returned
      {9, 9, {3, 2, 1}},  // counts beyond what is stored are bounded by it
      {0, 3, {}},
  };
  for (const Case& c : cases) {
    const std::vector<_BKUPFILE_HEADER> got = NewestFirst(listed, c.first, c.second);
    std::vector<uint32_t> days;
    for (const _BKUPFILE_HEADER& h : got) days.push_back(h.Sequence);
    EXPECT_EQ(days, c.days) << c.first << "/" << c.second;
  }
}

TEST_F(RestoreWizard, ASetLineIsItsDateAndTimeWithoutSeconds) {
  _BKUPFILE_HEADER set = SetOf(2017, 12, 31, 23, 59);
  set.BackupTime.wSecond = 58;
  EXPECT_EQ(SetLineText(set), FormatDateTime(2017, 12, 31, 23, 59));
}

TEST_F(RestoreWizard, OnlyTheUsersOwnPlanOffersTheOriginalLocation) {
  const Owner me{0x1234ABCD, L"Ann"};
  struct Case {
    _BKUP_PLAN plan;
    bool own, otherPc;
  } cases[] = {
      {PlanOf(0x1234ABCD, L"Ann"), true, false},
      {PlanOf(0x1234ABCD, L"aNN"), true, false},     // user names ignore ASCII case
      {PlanOf(0x1234ABCD, L"Bob"), false, false},    // another user of this PC: no warning
      {PlanOf(0x1234ABCD, L"Ann2"), false, false},
      {PlanOf(0x99999999, L"Ann"), false, true},     // another PC
      {PlanOf(0x99999999, L"Bob"), false, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsOwnPlan(c.plan, me), c.own) << c.plan.OwnerUser;
    EXPECT_EQ(IsOtherPcPlan(c.plan, me), c.otherPc) << c.plan.OwnerUser;
  }
  // A user field without a terminator is read up to its size.
  _BKUP_PLAN full = PlanOf(0x1234ABCD, L"");
  for (wchar_t& ch : full.OwnerUser) ch = L'x';
  EXPECT_FALSE(IsOwnPlan(full, me));
  EXPECT_TRUE(IsOwnPlan(full, Owner{0x1234ABCD, std::wstring(kMaxTextChars + 1, L'X')}));
}

TEST_F(RestoreWizard, LocationChoicesAndTheRestoreButton) {
  struct Case {
    bool wantNew, pathEmpty, own;
    LocationStates want;  // newOn, originalEnabled, pathEnabled, restoreEnabled
  } cases[] = {
      {true, false, true, {true, true, true, true}},
      {true, true, true, {true, true, true, false}},     // no path: nothing to restore to
      {false, true, true, {false, true, false, true}},   // original place: the box does not count
      {false, false, false, {true, false, true, true}},  // another's plan: only a new location
      {false, true, false, {true, false, true, false}},
  };
  for (const Case& c : cases) {
    const LocationStates s = ComputeLocationStates(c.wantNew, c.pathEmpty, c.own);
    EXPECT_EQ(s.newOn, c.want.newOn);
    EXPECT_EQ(s.originalEnabled, c.want.originalEnabled);
    EXPECT_EQ(s.pathEnabled, c.want.pathEnabled);
    EXPECT_EQ(s.restoreEnabled, c.want.restoreEnabled) << c.wantNew << c.pathEmpty << c.own;
  }
}

TEST_F(RestoreWizard, PickerStartsAtTheBoxOrTheDocuments) {
  const wchar_t* docs = L"C:\\Users\\Ann\\Documents";
  struct Case {
    const wchar_t *box, *want;
  } cases[] = {
      {L"", docs},
      {L"D:\\Restore\\", L"D:\\Restore"},
      {L"D:\\Restore", L"D:\\Restore"},
      {L"D:\\", L"D:\\"},   // a root keeps its backslash
      {L"D:", L"D:\\"},     // a bare drive gets one
  };
  for (const Case& c : cases) EXPECT_EQ(PickerStartFolder(c.box, docs), c.want) << c.box;
}

TEST_F(RestoreWizard, OnlyAnInternalFixedDiskTakesTheRestore) {
  struct Case {
    PickedVolume volume;
    bool accepted;
  } cases[] = {
      {{DRIVE_FIXED, true, false, false}, true},
      {{DRIVE_FIXED, false, false, false}, true},   // no answer to the hot-plug query
      {{DRIVE_FIXED, true, true, false}, false},    // a USB disk reporting removable media
      {{DRIVE_FIXED, true, false, true}, false},    // a hot-pluggable disk
      {{DRIVE_REMOVABLE, true, false, false}, false},
      {{DRIVE_REMOTE, false, false, false}, false},  // a network share
      {{DRIVE_CDROM, false, false, false}, false},
      {{DRIVE_NO_ROOT_DIR, false, false, false}, false},
      {{DRIVE_UNKNOWN, false, false, false}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(LocationAccepted(c.volume), c.accepted) << c.volume.driveType;
}

TEST_F(RestoreWizard, SpaceWarningFromEqualSizesOn) {
  EXPECT_FALSE(NeedsSpaceWarning(0, 1));
  EXPECT_FALSE(NeedsSpaceWarning(999, 1000));
  EXPECT_TRUE(NeedsSpaceWarning(1000, 1000));
  EXPECT_TRUE(NeedsSpaceWarning(1001, 1000));
  EXPECT_TRUE(NeedsSpaceWarning(0, 0));
  EXPECT_EQ(VolumeQueryPath(L"D:\\Restore\\\\"), L"D:\\Restore\\");
  EXPECT_EQ(VolumeQueryPath(L"D:"), L"D:\\");
}

TEST_F(RestoreWizard, OverwriteAnswersOfOneRun) {
  struct Case {
    int endCode;
    int32_t choice;
    bool apply;
    OverwriteMemory want;
  } cases[] = {
      {kOverwriteEndChoice, kChoiceReplace, true, {kChoiceReplace, true}},
      {kOverwriteEndChoice, kChoiceReplace, false, {kChoiceReplace, false}},
      {kOverwriteEndChoice, kChoiceSkip, true, {kChoiceSkip, true}},
      // Closed: this file is skipped and the next conflict asks again.
      {kOverwriteEndClosed, kChoiceNone, true, {kChoiceSkip, false}},
      // Never shown: nothing is replaced without a choice.
      {-1, kChoiceNone, false, {kChoiceSkip, false}},
  };
  for (const Case& c : cases) {
    const OverwriteMemory m = RememberAnswer(c.endCode, c.choice, c.apply);
    EXPECT_EQ(m.choice, c.want.choice) << c.endCode;
    EXPECT_EQ(m.applyToRest, c.want.applyToRest) << c.endCode;
    EXPECT_EQ(NeedsPrompt(m), !c.want.applyToRest);
  }
}

TEST_F(RestoreWizard, EachResultEndsWithItsMessage) {
  struct Case {
    uint32_t result, unreadable;
    uint32_t text, style;
    bool log, full;
    const wchar_t* shown;
  } cases[] = {
      {kResultOk, 3, txt::kMsgRestoreDoneAccessDenied, 0x181, true, true,
       L"Restore completed. \nAccess denied files exist.\n( 3 files )"},
      {kResultOk, 0, txt::kMsgRestoreDone, 0x80, false, true, L"Restore completed successfully."},
      {kResultStopped, 0, txt::kMsgRestoreCanceled, 0x141, true, false, nullptr},
      {kResultStopped, 2, txt::kMsgRestoreCanceled, 0x141, true, false, nullptr},
      {kResultDiskFull, 0, txt::kMsgRestoreDiskFull, 0x111, true, false, nullptr},
      {kResultReadError, 0, txt::kMsgRestoreReadError, 0x111, true, false, nullptr},
      {kResultWriteError, 0, txt::kMsgRestoreWriteError, 0x111, true, false, nullptr},
      {kResultTargetGone, 0, txt::kMsgRestoreDeviceRemoved, 0x111, true, false, nullptr},
      {kResultInvalid, 0, txt::kMsgRestoreOtherError, 0x111, true, false, nullptr},
      {kResultNoMemory, 0, txt::kMsgRestoreOtherError, 0x111, true, false, nullptr},
      {kResultTempIndexError, 0, txt::kMsgRestoreOtherError, 0x111, true, false, nullptr},
      {kResultException, 0, txt::kMsgRestoreOtherError, 0x111, true, false, nullptr},
  };
  for (const Case& c : cases) {
    const RestoreOutcome o = RestoreOutcomeOf(c.result, c.unreadable);
    EXPECT_EQ(o.textId, c.text) << c.result;
    EXPECT_EQ(o.style, c.style) << c.result;
    EXPECT_EQ(o.withLog, c.log) << c.result;
    EXPECT_EQ(o.showsFull, c.full) << c.result;
    if (c.shown) {
      EXPECT_EQ(RestoreOutcomeText(o, c.unreadable), c.shown);
    } else {
      EXPECT_EQ(RestoreOutcomeText(o, c.unreadable), GetString(c.text));
    }
  }
  EXPECT_EQ(RestoreDetailLogPath(4), L"E:\\CorvaneVaultkeep\\Log\\restore-detail.log");
}

}  // namespace
}  // namespace vk
