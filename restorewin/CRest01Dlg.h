// Restore page 1: the backup set (newest first) and the folders to bring
// back, in a tree built from that set's index.
#pragma once
#include <windows.h>

#include <vector>

#include "controls/CImageButton.h"
#include "controls/Page.h"
#include "engine/BkupTypes.h"
#include "restorewin/CRestoreTree.h"
#include "restorewin/RestoreTreeModel.h"

namespace vk {

class CRest01Dlg : public CPage {
 public:
  void Enter(int slot, bool comingBack) override;

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result) override;

 private:
  void Activate();
  void FillSetList();
  void RebuildTree();
  void LoadAhead(NodeId node);
  void UpdateNext();
  void OnNext();
  int DriveIndex() const;

  std::vector<_BKUPFILE_HEADER> sets_;
  int selected_ = -1;
  RestoreTreeModel model_;
  CRestoreTree tree_;
  CImageButton next_;
};

}  // namespace vk
