#include "restorewin/OverwriteRules.h"

#include "engine/EngineUtil.h"
#include "shell/AppTexts.h"

namespace vk {
namespace {

std::array<std::wstring, 4> Panel(uint32_t title, uint32_t subtitle, uint64_t size,
                                  const FILETIME& time) {
  return {GetString(title), GetString(subtitle),
          GetString(txt::kOverwriteSize, FormatSize(size).c_str()),
          GetString(txt::kOverwriteUpdated, LocalDateText(time).c_str())};
}

}  // namespace

std::wstring LocalDateText(const FILETIME& utc) {
  SYSTEMTIME universal = {}, local = {};
  if (!::FileTimeToSystemTime(&utc, &universal)) return std::wstring();
  if (!::SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) return std::wstring();
  return FormatDateTime(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute);
}

OverwriteTexts BuildOverwriteTexts(const _OVERWRITE_QUERY& query) {
  OverwriteTexts t;
  t.message = GetString(txt::kOverwriteSameNames, static_cast<int>(query.remaining));
  if (query.targetPath != nullptr) {
    const SplitPathParts parts = SplitPath(query.targetPath);
    t.fileName = parts.base + parts.extension;
    t.location = TrimTrailingBackslashes(parts.drive + parts.folder);
  }
  t.replacePanel = Panel(txt::kOverwriteReplace, txt::kOverwriteBackupFile, query.backupSize, query.backupTime);
  t.skipPanel = Panel(txt::kOverwriteSkip, txt::kOverwriteCurrentFile, query.currentSize, query.currentTime);
  return t;
}

OverwriteOutcome OutcomeOf(OverwriteAction action, bool applyChecked) {
  OverwriteOutcome o;
  switch (action) {
    case OverwriteAction::kReplace:
    case OverwriteAction::kSkip:
      o.ends = true;
      o.endCode = kOverwriteEndChoice;
      o.choice = action == OverwriteAction::kReplace ? kChoiceReplace : kChoiceSkip;
      o.applyToRest = applyChecked;
      break;
    case OverwriteAction::kClose:
      o.ends = true;
      o.endCode = kOverwriteEndClosed;
      break;
    default:  // Enter and Escape: the window stays
      break;
  }
  return o;
}

OverwriteAnswer AnswerOf(int endCode, int32_t choice, bool applyToRest) {
  OverwriteAnswer a;
  if (endCode == kOverwriteEndChoice && (choice == kChoiceReplace || choice == kChoiceSkip)) {
    a.choice = choice;
    a.applyToRest = applyToRest;
  }
  return a;
}

}  // namespace vk
