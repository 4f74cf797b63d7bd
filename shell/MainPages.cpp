#include "shell/MainPages.h"

#include "controls/CLangDlg.h"
#include "restorewin/CLogDlg.h"
#include "restorewin/CRest01Dlg.h"
#include "restorewin/CRest02Dlg.h"
#include "restorewin/CRest03Dlg.h"
#include "shell/MainWindowRules.h"
#include "wizard/CBkup00Dlg.h"
#include "wizard/CBkup01Dlg.h"
#include "wizard/CBkup02Dlg.h"
#include "wizard/CBkup03Dlg.h"
#include "wizard/CBkup04Dlg.h"
#include "wizard/CBkup05Dlg.h"
#include "wizard/CBkup06Dlg.h"
#include "wizard/CBkup07Dlg.h"

namespace vk {

std::unique_ptr<CPage> MakePageObject(int index) {
  switch (index) {
    // Each page class adds its case here: case kPage...: return std::make_unique<C...Dlg>();
    case kPageNoDevice: return std::make_unique<CBkup00Dlg>();
    case kPagePlanStart: return std::make_unique<CBkup01Dlg>();
    case kPagePartition: return std::make_unique<CBkup02Dlg>();
    case kPageFolders: return std::make_unique<CBkup03Dlg>();
    case kPageSchedule: return std::make_unique<CBkup04Dlg>();
    case kPageSummary: return std::make_unique<CBkup05Dlg>();
    case kPagePlanView: return std::make_unique<CBkup06Dlg>();
    case kPageBackupProgress: return std::make_unique<CBkup07Dlg>();
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
