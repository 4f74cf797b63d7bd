#include "restorewin/RestoreWizardState.h"

namespace vk {

RestoreWizardState& RestoreWizard() {
  static RestoreWizardState state;
  return state;
}

std::wstring SelectionListOf(const std::vector<std::wstring>& selection) {
  std::wstring list;
  for (const std::wstring& path : selection) {
    list += path;
    list += L'\0';
  }
  list += L'\0';
  return list;
}

}  // namespace vk
