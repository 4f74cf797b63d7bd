#include "shell/MainPages.h"

#include "controls/CLangDlg.h"
#include "restorewin/CLogDlg.h"
#include "restorewin/CRest01Dlg.h"
#include "restorewin/CRest02Dlg.h"
#include "restorewin/CRest03Dlg.h"
#include "shell/MainWindowRules.h"

namespace vk {

std::unique_ptr<CPage> MakePageObject(int index) {
  switch (index) {
    // Each page class adds its case here: case kPage...: return std::make_unique<C...Dlg>();
    case kPageRestoreSets: return std::make_unique<CRest01Dlg>();
    case kPageRestoreFolders: return std::make_unique<CRest02Dlg>();
    case kPageRestoreProgress: return std::make_unique<CRest03Dlg>();
    case kPageLog: return std::make_unique<CLogDlg>();
    case kPageLanguage: return std::make_unique<CLangDlg>();
    default:
      return std::make_unique<CPage>();
  }
}

}  // namespace vk
