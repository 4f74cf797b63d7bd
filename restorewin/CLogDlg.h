// The log page (page 11): the backup history, the restore history and the
// latest detail log of the selected drive, one at a time, with File View to
// open the shown file in the program the system associates with it. What is
// shown and which buttons can be pressed is decided by restorewin/LogRules.
#pragma once
#include <windows.h>

#include <array>
#include <string>

#include "controls/CImageButton.h"
#include "controls/Page.h"
#include "controls/SkinImage.h"
#include "restorewin/LogRules.h"

namespace vk {

class CLogDlg : public CPage {
 public:
  void Enter(int slot, bool comingBack) override;

  // For tests and screenshots: the view shown and its path.
  LogMode Mode() const { return mode_; }
  const std::wstring& ShownPath() const { return path_; }

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnPaint(HDC dc) override;

 private:
  void Activate();
  std::wstring LogFolder() const;
  void ShowTab(LogTab tab);
  void ShowMode(LogMode mode);
  void UpdateButtons();
  void OpenShownFile() const;

  LogMode mode_ = LogMode::kBackupSummary;
  LogTab selected_ = LogTab::kBackup;
  bool restoreDetailNewer_ = false;
  std::wstring path_;
  std::array<CImageButton, kLogTabCount> tabs_;
  CImageButton fileView_;
  SkinImage separator_;
  Font tabFont_;  // two lines in a 47-pixel button, in every language
};

}  // namespace vk
