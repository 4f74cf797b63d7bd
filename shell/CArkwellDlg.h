// The main window: the drive buttons down the left, the four tabs, the
// information menu and the content area with its fourteen page slots. It
// routes: which drive, tab and page are current and which buttons can be
// pressed are decided by shell/MainWindowRules; each page handles its own
// messages. Created and owned by the tray window, reached through MainWindow().
#pragma once
#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/CImageButton.h"
#include "controls/Page.h"
#include "controls/SkinImage.h"
#include "controls/Window.h"
#include "engine/BkupTypes.h"
#include "shell/MainWindowRules.h"
#include "shell/TrayHost.h"

namespace vk {

class CArkwellDlg : public Dialog, public MainWindowLink {
 public:
  explicit CArkwellDlg(bool onUpdatePage) : onUpdatePage_(onUpdatePage) {}
  ~CArkwellDlg() override;

  // Creates the window owned by `tray`, hidden; false when the template
  // cannot be created.
  bool Create(HWND tray);

  // MainWindowLink.
  HWND Hwnd() const override { return Dialog::Hwnd(); }
  void RefreshDrivePanel() override;
  HWND ProgressPage(JobKind kind) const override;
  uint32_t ModalCount() const override { return modalCount_; }
  void AddModal(int delta) override { modalCount_ = static_cast<uint32_t>(static_cast<int>(modalCount_) + delta); }

  void SwitchTab(int tab) override;
  void SwitchPage(int page, bool comingBack) override;
  void UpdateButtons() override;
  // Modal message windows centred on this window, the modal count raised
  // while they are open.
  INT_PTR ShowMessage(const std::wstring& text, uint32_t style) override;
  INT_PTR ShowMessageWithLog(const std::wstring& text, uint32_t style, bool logEnabled) override;
  INT_PTR RunModal(const std::function<INT_PTR(HWND owner)>& run) override;
  INT_PTR ShowMessageWith(const std::wstring& text, uint32_t style,
                          const MessageOptions& options) override;
  const std::vector<_BKUP_DRVINFO>& Drives() const override { return drives_; }
  int SelectedDrive() const override { return selected_; }
  PageContext& Context() override { return context_; }

  void SelectDrive(int index, bool keepPage);
  int CurrentTab() const { return tab_; }
  int CurrentPage() const { return page_; }

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnPaint(HDC dc) override;
  void OnDestroy() override;
  void OnFinalMessage() override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result) override;

 private:
  void SetUpWindow();
  void CreatePages();
  void SetUpButtons();
  void SetUpTooltips();
  void ApplyTextFont();
  void OpenFirstView();
  void ShowDriveButton(int i);
  void ApplyButtonStates(const ButtonStates& s);
  void ShowSixthDeviceWarning();
  void ShowInfoMenu();
  void ToggleUpdateNotice();
  void RunInfoWindow(UINT command);
  void RequestClose();
  std::wstring TipFor(HWND tool);
  bool SelectedHasPlan() const;
  CPage* PageObject(int page) const;

  bool onUpdatePage_;
  uint32_t modalCount_ = 0;
  bool warningPending_ = false;  // the sixth-device warning waits for the window to show
  bool updateChecked_ = false;   // the update item's mark when the menu was last shown

  std::vector<_BKUP_DRVINFO> drives_;
  std::vector<PanelDrive> panel_;
  int selected_ = kNoDriveSelected;
  int tab_ = 0;    // none until the first SwitchTab
  int page_ = -1;  // none until the first SwitchPage
  PageContext context_;

  CImageButton info_, close_;
  std::array<CImageButton, kMaxDriveButtons> driveButtons_;
  std::array<CImageButton, kTabSetting> tabButtons_;
  HWND tooltip_ = nullptr;  // a child of this window, destroyed with it
  std::wstring tipText_;    // the text of the last tip asked for
  SkinImage background_, logo_, marker_;
  std::array<std::unique_ptr<CPage>, kPageObjectCount> pages_;
};

}  // namespace vk
