// The folder tree of the restore wizard: a tree-view that shows a
// RestoreTreeModel with the same three-state check images as the plan
// wizard's tree. Items are created as the user expands; expanding reads the
// next level of the set's index through the reader the page lends.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <vector>

#include "controls/Gdi.h"
#include "controls/Window.h"
#include "restorewin/RestoreTreeModel.h"

namespace vk {

class CRestoreTree : public Control {
 public:
  // Reads the children ahead of an expanded node (the page opens and closes
  // a catalogue around it).
  using LoadAhead = std::function<void(NodeId)>;

  CRestoreTree() = default;
  ~CRestoreTree() override;

  bool Create(HWND parent, UINT id, const RECT& rc);
  // Shows `model` afresh (kept by the caller while the control lives) and
  // makes its first top-level item visible.
  void Show(RestoreTreeModel& model, LoadAhead loadAhead);
  void Clear();

  // The tree's WM_NOTIFY, forwarded by the parent; true when it was the
  // tree's. `checksChanged` is set when a click changed the checks.
  bool OnNotify(const NMHDR& hdr, LRESULT* result, bool* checksChanged);
  bool ClickNode(NodeId node);
  HTREEITEM ItemOf(NodeId node) const;

 protected:
  void OnWindowGone() override;

 private:
  HTREEITEM InsertItem(NodeId node, HTREEITEM parent);
  void InsertMissing(NodeId node);
  void InsertSubtree(NodeId node, HTREEITEM parent);
  NodeId NodeOf(HTREEITEM item) const;
  void ShowStates();
  bool OnClick(bool* checksChanged);
  void OnExpanding(const NMTREEVIEWW& tv);

  RestoreTreeModel* model_ = nullptr;
  LoadAhead loadAhead_;
  std::vector<HTREEITEM> items_;
  ImageList states_, icons_;
};

}  // namespace vk
