// The page objects of the main window's content area: one per slot (the
// language page fills slots 12 and 13). Each page class lives with its
// subsystem (wizard/, restorewin/, servicelink/, controls/); this is the one
// place that knows which class fills which slot.
#pragma once
#include <memory>

#include "controls/Page.h"

namespace vk {

// The page object for object index `index` (0..kPageObjectCount - 1); a
// plain empty page where no class of its own exists yet.
std::unique_ptr<CPage> MakePageObject(int index);

}  // namespace vk
