// The restore wizard's decisions as plain functions: the order and texts of
// the set list, which location choices page 2 offers and when Restore may be
// pressed, which warnings Restore asks, whether a picked folder may take the
// restore, how the overwrite questions of one run are answered, and the
// message that ends a run. The pages only apply the results.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/IconKind.h"
#include "controls/CMsgDlg.h"
#include "engine/BkupTypes.h"
#include "restore/RestoreRun.h"

namespace vk {

// ---- Page 1: the set list ------------------------------------------------------

// The sets as the drop-down lists them: the first min(first, second) headers
// that the second listing returned (`listed` holds them in folder order,
// `secondCount` is what that listing reported), newest (last in folder
// order) first. A second count above what was stored is bounded by it.
std::vector<_BKUPFILE_HEADER> NewestFirst(const std::vector<_BKUPFILE_HEADER>& listed,
                                          uint32_t firstCount, uint32_t secondCount);

// One line of the drop-down: FormatDateTime of the set's BackupTime.
std::wstring SetLineText(const _BKUPFILE_HEADER& set);

// ---- Page 2: where the folders go ------------------------------------------------

// This PC and user as a plan records them.
struct Owner {
  uint32_t pcId = 0;
  std::wstring user;
};

// The plan is the user's own: same PC id and user name (ASCII case ignored).
// Only then may the folders go back to their original place. The plan's user
// field is read up to its size even without a terminator.
bool IsOwnPlan(const _BKUP_PLAN& plan, const Owner& me);
// Restore warns that the folders come from another PC.
bool IsOtherPcPlan(const _BKUP_PLAN& plan, const Owner& me);

struct LocationStates {
  bool newOn = true;            // the choice shown ticked
  bool originalEnabled = false;
  bool pathEnabled = false;     // path box and browse
  bool restoreEnabled = false;
};
// The controls of page 2. A request for the original place on another's plan
// falls back to the new location: only that one can be chosen then.
LocationStates ComputeLocationStates(bool wantNew, bool pathEmpty, bool ownPlan);

// The folder the picker opens on: the path box without a trailing backslash
// (beyond three characters), a bare "X:" with one, or the Documents folder
// when the box is empty.
std::wstring PickerStartFolder(const std::wstring& box, const std::wstring& documents);

// The volume of a picked folder, as the system described it.
struct PickedVolume {
  UINT driveType = DRIVE_UNKNOWN;
  bool queried = false;          // the hot-plug query answered
  bool removableMedia = false;
  bool hotplugDevice = false;
};
// A restore location must lie on an internal fixed disk: a removable disk
// or a network share may be gone when the run writes. A volume that does not
// answer the hot-plug query counts as internal (its disk reported neither).
bool LocationAccepted(const PickedVolume& volume);

// The volume root of a location for the free-space question: the path
// without trailing backslashes, then one.
std::wstring VolumeQueryPath(const std::wstring& location);

// Not enough space: the selection's size reaches the free bytes (equal sizes
// warn too: nothing would be left of the disk).
bool NeedsSpaceWarning(uint64_t selectionBytes, uint64_t freeBytes);

// ---- Page 3: the run ---------------------------------------------------------------

// The overwrite answers of one run: the last choice and whether it stands
// for every later conflict.
struct OverwriteMemory {
  int32_t choice = kChoiceNone;
  bool applyToRest = false;
};
// Whether the next conflict needs the prompt.
inline bool NeedsPrompt(const OverwriteMemory& memory) { return !memory.applyToRest; }
// The memory after the prompt ended with `endCode` and its outputs: a prompt
// closed without a choice (or never shown) skips this file only.
OverwriteMemory RememberAnswer(int endCode, int32_t choice, bool applyToRest);

// Styles of the wizard's messages (buttons, icon, default button).
constexpr uint32_t kAskInfoStyle = kMsgOkCancel | kIconInformation | kMsgDefaultSecond;   // 0x141
constexpr uint32_t kAskWarningStyle = kMsgOkCancel | kIconWarning | kMsgDefaultSecond;    // 0x131
constexpr uint32_t kRefusedStyle = kIconError;                                           // OK only
constexpr uint32_t kCanceledStyle = kAskInfoStyle;                                       // 0x141
constexpr uint32_t kFailedStyle = kMsgOkCancel | kIconError | kMsgDefaultSecond;          // 0x111
constexpr uint32_t kDoneWithLogStyle = kMsgOkCancel | kIconSuccess | kMsgDefaultSecond;   // 0x181
constexpr uint32_t kDoneStyle = kIconSuccess;                                            // OK only

// The message that ends a run.
struct RestoreOutcome {
  uint32_t textId = 0;         // a base text id
  uint32_t style = 0;          // the message window's style
  bool withLog = false;        // the log variant (second button "Log")
  bool withCount = false;      // the text takes the unreadable count
  bool showsFull = false;      // the progress shows 100 % first
};
RestoreOutcome RestoreOutcomeOf(uint32_t result, uint32_t unreadable);

// The message text of an outcome.
std::wstring RestoreOutcomeText(const RestoreOutcome& outcome, uint32_t unreadable);

// The restore detail log of the run's drive: X:\CorvaneVaultkeep\Log\restore-detail.log.
std::wstring RestoreDetailLogPath(int driveIndex);

}  // namespace vk
