// The tool's stand-in for the plan file: just enough to write a Backup.plan
// for a demo and to read one back for a backup run.
#pragma once
#include <cstdint>
#include <string>

#include "engine/BkupTypes.h"

namespace vk::tool {

// A plan named `name` for this computer and user, with no schedule.
_BKUP_PLAN NewPlan(const std::wstring& name);

// Writes the record and the double-zero-terminated folder list to the
// volume's Backup.plan: 0, 2 (bad volume), 6 (cannot write).
uint32_t WritePlan(int drive, _BKUP_PLAN* plan, const std::wstring& folderList);

// Reads the record and the folder list back: 0, 2 (foreign or newer), 5.
uint32_t ReadPlan(int drive, _BKUP_PLAN* plan, std::wstring* folderList);

}  // namespace vk::tool
