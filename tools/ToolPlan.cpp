#include "tools/ToolPlan.h"

#include <cstring>
#include <vector>

#include "engine/PlanFile.h"

namespace vk::tool {
namespace {

uint32_t SystemVolumeSerial() {
  wchar_t windows[MAX_PATH + 1] = {};
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  wchar_t root[] = {windows[0] ? windows[0] : L'C', L':', L'\\', 0};
  DWORD serial = 0;
  ::GetVolumeInformationW(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
  return serial;
}

}  // namespace

_BKUP_PLAN NewPlan(const std::wstring& name) {
  _BKUP_PLAN plan;
  std::memset(&plan, 0, sizeof plan);
  plan.OwnerPcId = SystemVolumeSerial();
  DWORD chars = kMaxTextChars;
  ::GetUserNameW(plan.OwnerUser, &chars);
  std::wcsncpy(plan.PlanName, name.c_str(), kPlanNameChars - 2);
  return plan;
}

uint32_t WritePlan(int drive, _BKUP_PLAN* plan, const std::wstring& folderList) {
  return SavePlanFile(drive, plan, folderList.c_str(), static_cast<uint32_t>(folderList.size()));
}

uint32_t ReadPlan(int drive, _BKUP_PLAN* plan, std::wstring* folderList) {
  std::vector<wchar_t> list;
  uint32_t result = LoadPlanFile(drive, plan, &list);
  if (result != kResultOk) return result;
  folderList->assign(list.begin(), list.end());
  if (folderList->empty()) folderList->assign(1, L'\0');
  return kResultOk;
}

}  // namespace vk::tool
