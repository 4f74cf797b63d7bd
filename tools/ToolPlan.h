// The tool's plans: a new plan for this computer and user, saved to and
// loaded from the volume's Backup.plan.
#pragma once
#include <cstdint>
#include <string>

#include "engine/BkupTypes.h"

namespace vk::tool {

// A plan named `name` for this computer and user, with no schedule.
_BKUP_PLAN NewPlan(const std::wstring& name);

// Saves the record and the double-zero-terminated folder list as the
// volume's Backup.plan (the plan file's result codes).
uint32_t WritePlan(int drive, _BKUP_PLAN* plan, const std::wstring& folderList);

// Loads the record and the folder list back (the plan file's result codes).
uint32_t ReadPlan(int drive, _BKUP_PLAN* plan, std::wstring* folderList);

}  // namespace vk::tool
