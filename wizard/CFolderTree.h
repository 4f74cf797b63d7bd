// The folder tree control of the plan wizard: a check tree that shows a
// FolderTreeModel. The model decides every check; the control creates items
// as the user expands and shows the states that result. The parent forwards
// its WM_NOTIFY from the tree here.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "controls/CCheckTree.h"
#include "wizard/FolderTreeModel.h"

namespace vk {

class CFolderTree : public CCheckTree {
 public:
  // Creates the tree-view as child `id` of `parent` in `rc` and attaches to
  // it; false when the window cannot be created.
  bool Create(HWND parent, UINT id, const RECT& rc);

  // Shows `model` (kept by the caller while the control lives): the two roots
  // expanded with their children. Call again after the model was rebuilt.
  void Show(FolderTreeModel& model);

  // Expands a node as the user would (its children get their items).
  void Expand(NodeId node);

 protected:
  bool HasModel() const override { return model_ != nullptr; }
  size_t NodeCount() const override { return model_->NodeCount(); }
  uint32_t NodeState(NodeId node) const override { return model_->Node(node).state; }
  bool ClickModel(NodeId node) override { return model_->Click(node); }
  void OnExpandNode(NodeId node) override { InsertChildren(node); }
  void OnModelGone() override { model_ = nullptr; }

 private:
  HTREEITEM InsertItem(NodeId node, HTREEITEM parent);
  void InsertChildren(NodeId node);

  FolderTreeModel* model_ = nullptr;
};

}  // namespace vk
