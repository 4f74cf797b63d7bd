// The overwrite prompt's decisions and texts as plain functions: what its
// message, boxes and two panel buttons say for one conflict of a restore, and
// what each of its buttons answers. The window only shows and returns them.
//
// The target path comes from a backup disk and is shown as text only: it goes
// whole into the two read-only edit boxes (which have no mnemonics) and their
// tool tips (created with TTS_NOPREFIX, so '&' is shown, not doubled), and it
// is never used as a format. The boxes scroll (ES_AUTOHSCROLL) rather than
// overflow the window; the tips show the whole text.
#pragma once
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "restore/RestoreRun.h"

namespace vk {


// End codes of the window.
constexpr int kOverwriteEndChoice = 1;  // Replace or Skip pressed
constexpr int kOverwriteEndClosed = 2;  // the close button

struct OverwriteTexts {
  std::wstring message;   // txt::kOverwriteSameNames with the remaining count
  std::wstring fileName;  // base name and extension of the target
  std::wstring location;  // drive and folder, trailing backslashes removed
  std::array<std::wstring, 4> replacePanel;  // title, subtitle, size, updated
  std::array<std::wstring, 4> skipPanel;
};
// In the program's language. A time the calendar cannot hold (a damaged
// index) gives an empty date rather than a made-up one.
OverwriteTexts BuildOverwriteTexts(const _OVERWRITE_QUERY& query);

// The "Updated" date of a UTC file time: converted with the time-zone rule
// in force at that date (as the file's properties show it), then
// FormatDateTime. Empty for a time the calendar cannot hold.
std::wstring LocalDateText(const FILETIME& utc);

// What the user did in the window.
enum class OverwriteAction { kReplace, kSkip, kClose, kEnter, kEscape };

struct OverwriteOutcome {
  bool ends = false;  // the window closes
  int endCode = 0;
  int32_t choice = kChoiceNone;
  bool applyToRest = false;
};
// Replace and Skip end with 1 and carry the box's state; the close button
// ends with 2 and no choice; Enter and Escape do nothing.
OverwriteOutcome OutcomeOf(OverwriteAction action, bool applyChecked);

struct OverwriteAnswer {
  int32_t choice = kChoiceSkip;
  bool applyToRest = false;
};
// The restore page's answer from the window's end code and outputs: the
// close button skips this file only. Any other end code (the window could
// not be shown) skips it too: a file is never replaced without a choice.
OverwriteAnswer AnswerOf(int endCode, int32_t choice, bool applyToRest);

}  // namespace vk
