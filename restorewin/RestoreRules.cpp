#include "restorewin/RestoreRules.h"

#include <algorithm>

#include "engine/EngineUtil.h"
#include "engine/TargetVolume.h"
#include "restorewin/OverwriteRules.h"
#include "shell/AppTexts.h"

namespace vk {
namespace {

constexpr size_t kShortestTrimmedPath = 3;  // "X:\" keeps its backslash
constexpr size_t kBareDriveChars = 2;       // "X:"

}  // namespace

std::vector<_BKUPFILE_HEADER> NewestFirst(const std::vector<_BKUPFILE_HEADER>& listed,
                                          uint32_t firstCount, uint32_t secondCount) {
  size_t keep = std::min<size_t>(firstCount, secondCount);
  keep = std::min(keep, listed.size());
  std::vector<_BKUPFILE_HEADER> sets(listed.begin(), listed.begin() + static_cast<std::ptrdiff_t>(keep));
  std::reverse(sets.begin(), sets.end());
  return sets;
}

std::wstring SetLineText(const _BKUPFILE_HEADER& set) {
  const SYSTEMTIME& t = set.BackupTime;
  return FormatDateTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
}

bool IsOwnPlan(const _BKUP_PLAN& plan, const Owner& me) {
  if (plan.OwnerPcId != me.pcId) return false;
  const size_t chars = BoundedLength(plan.OwnerUser, kMaxTextChars + 1);
  return EqualNoCase(plan.OwnerUser, chars, me.user.data(), me.user.size());
}

bool IsOtherPcPlan(const _BKUP_PLAN& plan, const Owner& me) { return plan.OwnerPcId != me.pcId; }

LocationStates ComputeLocationStates(bool wantNew, bool pathEmpty, bool ownPlan) {
  LocationStates s;
  s.newOn = wantNew || !ownPlan;
  s.originalEnabled = ownPlan;
  s.pathEnabled = s.newOn;
  s.restoreEnabled = s.newOn ? !pathEmpty : true;
  return s;
}

std::wstring PickerStartFolder(const std::wstring& box, const std::wstring& documents) {
  std::wstring path = box.empty() ? documents : box;
  if (path.size() > kShortestTrimmedPath && path.back() == L'\\') path.pop_back();
  if (path.size() == kBareDriveChars && path[1] == L':') path += L'\\';
  return path;
}

bool LocationAccepted(const PickedVolume& volume) {
  if (volume.driveType != DRIVE_FIXED) return false;
  if (!volume.queried) return true;
  return !volume.removableMedia && !volume.hotplugDevice;
}

std::wstring VolumeQueryPath(const std::wstring& location) {
  return TrimTrailingBackslashes(location) + L"\\";
}

bool NeedsSpaceWarning(uint64_t selectionBytes, uint64_t freeBytes) {
  return selectionBytes >= freeBytes;
}

OverwriteMemory RememberAnswer(int endCode, int32_t choice, bool applyToRest) {
  const OverwriteAnswer a = AnswerOf(endCode, choice, applyToRest);
  return {a.choice, a.applyToRest};
}

RestoreOutcome RestoreOutcomeOf(uint32_t result, uint32_t unreadable) {
  switch (result) {
    case kResultOk:
      if (unreadable > 0) return {txt::kMsgRestoreDoneAccessDenied, kDoneWithLogStyle, true, true, true};
      return {txt::kMsgRestoreDone, kDoneStyle, false, false, true};
    case kResultStopped: return {txt::kMsgRestoreCanceled, kCanceledStyle, true, false, false};
    case kResultDiskFull: return {txt::kMsgRestoreDiskFull, kFailedStyle, true, false, false};
    case kResultReadError: return {txt::kMsgRestoreReadError, kFailedStyle, true, false, false};
    case kResultWriteError: return {txt::kMsgRestoreWriteError, kFailedStyle, true, false, false};
    case kResultTargetGone: return {txt::kMsgRestoreDeviceRemoved, kFailedStyle, true, false, false};
    default: return {txt::kMsgRestoreOtherError, kFailedStyle, true, false, false};
  }
}

std::wstring RestoreOutcomeText(const RestoreOutcome& outcome, uint32_t unreadable) {
  return outcome.withCount ? GetString(outcome.textId, static_cast<int>(unreadable))
                           : GetString(outcome.textId);
}

std::wstring RestoreDetailLogPath(int driveIndex) {
  return LogFolderPath(driveIndex) + L"\\" + kRestoreDetailLog;
}

}  // namespace vk
