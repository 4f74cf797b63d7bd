// Page 3: the folders to back up, in the folder tree.
#pragma once
#include <memory>

#include "wizard/CFolderTree.h"
#include "wizard/FolderSource.h"
#include "wizard/FolderTreeModel.h"
#include "wizard/WizardPage.h"

namespace vk {

class CBkup03Dlg : public WizardPage {
 public:
  CBkup03Dlg();
  ~CBkup03Dlg() override;
  void Enter(int slot, bool comingBack) override;

 protected:
  BOOL OnInitDialog() override;
  void OnLanguageChanged() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result) override;

 private:
  void Rebuild();
  void OnNext();
  void OnBack();

  CImageButton next_, back_;
  std::unique_ptr<DriveProbe> probe_;
  std::unique_ptr<FolderSource> source_;
  std::unique_ptr<FolderTreeModel> model_;
  CFolderTree tree_;
};

}  // namespace vk
