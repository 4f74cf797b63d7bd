#include "restorewin/RestoreWizardState.h"

namespace vk {

RestoreWizardState& RestoreWizard() {
  static RestoreWizardState state;
  return state;
}

}  // namespace vk
