// The text-fit check: every text a window shows, measured with its
// control's font against the space the control gives it (DrawText with
// DT_CALCRECT and the control's wrapping), so that no translation is cut off
// or runs out of its control. A window of a later issue adds itself by
// opening in the check's test and calling TextsThatDoNotFit on its handle.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "controls/TextSlot.h"

namespace vk::test {

// The texts of the visible controls of `window` (and their children):
// controls that paint their own texts describe them; statics are measured
// as they wrap (SS_LEFTNOWORDWRAP, SS_SIMPLE and SS_CENTERIMAGE on one line);
// each line of a drop-down list is measured in its box beside the arrow;
// a one-line edit box scrolls, so only its line height is measured. Other
// system controls (tree-views, tips, menus) size or scroll their own texts.
std::vector<TextSlot> CollectTexts(HWND window);

struct Misfit {
  std::wstring text;
  UINT controlId;
  SIZE needed;
  SIZE available;
};
// The slots whose text needs more room than its area has.
std::vector<Misfit> Misfits(const std::vector<TextSlot>& slots);
std::vector<Misfit> TextsThatDoNotFit(HWND window);

// "id 1049: needs 480x40 in 431x48: <text>", for a failure message.
std::string Describe(const Misfit& m);

// The ids of each two visible child controls of `window` that overlap: a
// text that fits its control is still cut when its control covers another
// (a static paints its background over the top of a button below it).
struct Overlap {
  UINT first, second;
};
std::vector<Overlap> OverlappingControls(HWND window);

}  // namespace vk::test
