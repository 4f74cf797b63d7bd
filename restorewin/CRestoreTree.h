// The folder tree of the restore wizard: a check tree that shows a
// RestoreTreeModel with the same three-state check images as the plan
// wizard's tree. Items are created as the user expands; expanding reads the
// next level of the set's index through the reader the page lends.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "controls/CCheckTree.h"
#include "restorewin/RestoreTreeModel.h"

namespace vk {

class CRestoreTree : public CCheckTree {
 public:
  // Reads the children ahead of an expanded node (the page opens and closes
  // a catalogue around it).
  using LoadAhead = std::function<void(NodeId)>;

  bool Create(HWND parent, UINT id, const RECT& rc);
  // Shows `model` afresh (kept by the caller while the control lives) and
  // makes its first top-level item visible.
  void Show(RestoreTreeModel& model, LoadAhead loadAhead);
  void Clear();

 protected:
  bool HasModel() const override { return model_ != nullptr; }
  size_t NodeCount() const override { return model_->NodeCount(); }
  uint32_t NodeState(NodeId node) const override { return model_->Node(node).state; }
  bool ClickModel(NodeId node) override { return model_->Click(node); }
  void OnExpandNode(NodeId node) override;
  void OnModelGone() override { model_ = nullptr; }

 private:
  HTREEITEM InsertItem(NodeId node, HTREEITEM parent);
  void InsertMissing(NodeId node);
  void InsertSubtree(NodeId node, HTREEITEM parent);

  RestoreTreeModel* model_ = nullptr;
  LoadAhead loadAhead_;
};

}  // namespace vk
