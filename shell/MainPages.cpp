#include "shell/MainPages.h"

#include "shell/MainWindowRules.h"

namespace vk {

std::unique_ptr<CPage> MakePageObject(int index) {
  switch (index) {
    // Each page class adds its case here: case kPage...: return std::make_unique<C...Dlg>();
    default:
      return std::make_unique<CPage>();
  }
}

}  // namespace vk
