// The folder tree control of the plan wizard: a tree-view that shows a
// FolderTreeModel with three-state check images. The model decides every
// check; the control creates items as the user expands, turns clicks on a
// check image (or the space key) into the model's clicks and shows the
// states that result. The parent forwards its WM_NOTIFY from the tree here.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "controls/Gdi.h"
#include "controls/Window.h"
#include "wizard/FolderTreeModel.h"

namespace vk {

class CFolderTree : public Control {
 public:
  CFolderTree() = default;
  ~CFolderTree() override;

  // Creates the tree-view as child `id` of `parent` in `rc` and attaches to
  // it; false when the window cannot be created.
  bool Create(HWND parent, UINT id, const RECT& rc);

  // Shows `model` (kept by the caller while the control lives): the two roots
  // expanded with their children. Call again after the model was rebuilt.
  void Show(FolderTreeModel& model);

  // The tree's WM_NOTIFY, forwarded by the parent; true when it was the
  // tree's. `checksChanged` is set when a click changed the checks (the
  // wizard then asks AnySelected).
  bool OnNotify(const NMHDR& hdr, LRESULT* result, bool* checksChanged);

  // The same as a click on the node's check image.
  bool ClickNode(NodeId node);
  // Expands a node as the user would (its children get their items).
  void Expand(NodeId node);

  HTREEITEM ItemOf(NodeId node) const;
  NodeId NodeOf(HTREEITEM item) const;

 protected:
  void OnWindowGone() override;

 private:
  bool LoadImages();
  HTREEITEM InsertItem(NodeId node, HTREEITEM parent);
  void InsertChildren(NodeId node);
  void ShowStates();
  bool OnClick(bool* checksChanged);
  bool OnKeyDown(const NMTVKEYDOWN& key, bool* checksChanged);
  void OnExpanding(const NMTREEVIEWW& tv);
  LRESULT OnCustomDraw(NMTVCUSTOMDRAW& draw) const;

  FolderTreeModel* model_ = nullptr;
  std::vector<HTREEITEM> items_;  // by node id; null while the node has no item
  ImageList states_, icons_;
};

}  // namespace vk
