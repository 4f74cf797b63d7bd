// The update page: the Update sub-page of the Setting page. It shows the
// version running and the latest one of the tray window's update record,
// opens the new version's web page (Detail) and runs the download window
// (Update), which ends the program once the installer has started.
#pragma once
#include <windows.h>

#include "controls/CImageButton.h"
#include "controls/Page.h"

namespace vk {

class CUpdPgDlg : public CPage {
 public:
  // Refreshes the texts and versions; called each time the sub-page is shown.
  void Enter(int slot, bool comingBack) override;

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;

 private:
  void Layout() const;
  void OpenDetail() const;
  void RunDownload();

  CImageButton detail_, update_;
};

}  // namespace vk
