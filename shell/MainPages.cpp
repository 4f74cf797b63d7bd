#include "shell/MainPages.h"

#include "controls/CLangDlg.h"
#include "restorewin/CLogDlg.h"
#include "shell/MainWindowRules.h"

namespace vk {

std::unique_ptr<CPage> MakePageObject(int index) {
  switch (index) {
    // Each page class adds its case here: case kPage...: return std::make_unique<C...Dlg>();
    case kPageLog: return std::make_unique<CLogDlg>();
    case kPageLanguage: return std::make_unique<CLangDlg>();
    default:
      return std::make_unique<CPage>();
  }
}

}  // namespace vk
