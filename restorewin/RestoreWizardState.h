// What the three restore pages hand on to each other: the chosen set and
// selection (page 1), the location (page 2). Page 1 fills it afresh on each
// Next, page 2 on each Restore; page 3 only reads it.
#pragma once
#include <string>
#include <vector>

#include "engine/BkupTypes.h"

namespace vk {

struct RestoreWizardState {
  _BKUPFILE_HEADER set = {};            // the chosen set header
  std::vector<std::wstring> selection;  // full paths of the folders to restore
  bool newLocation = true;              // "Select a new location" was chosen
  std::wstring location;                // its path when Restore was pressed
};

// The one state of the restore pages (main thread only).
RestoreWizardState& RestoreWizard();

}  // namespace vk
