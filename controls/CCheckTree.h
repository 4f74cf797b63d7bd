// A tree-view of folders with three-state check images, as both wizards show
// them: dark colours, the selected item in white on the accent, a click on a
// check image (or the space key) handed to the model behind the tree, and one
// item per node id, created as the user expands. The model itself (what a
// click does, which nodes exist) belongs to the derived class.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "controls/Gdi.h"
#include "controls/Window.h"

namespace vk {

class CCheckTree : public Control {
 public:
  using TreeNode = int32_t;  // the models' node ids; -1 is none
  static constexpr TreeNode kNoTreeNode = -1;

  ~CCheckTree() override;

  // Creates the tree-view as child `id` of `parent` in `rc` and attaches to
  // it, with `iconPictures` as its item icons in that order; false when the
  // window or its images cannot be made.
  bool Create(HWND parent, UINT id, const RECT& rc, std::initializer_list<UINT> iconPictures);

  // The tree's WM_NOTIFY, forwarded by the parent; true when it was the
  // tree's. `checksChanged` is set when a click changed the checks.
  bool OnNotify(const NMHDR& hdr, LRESULT* result, bool* checksChanged);
  // The same as a click on the node's check image.
  bool ClickNode(TreeNode node);

  HTREEITEM ItemOf(TreeNode node) const;
  TreeNode NodeOf(HTREEITEM item) const;

 protected:
  // What the derived class's model answers.
  virtual bool HasModel() const = 0;
  virtual size_t NodeCount() const = 0;
  virtual uint32_t NodeState(TreeNode node) const = 0;
  virtual bool ClickModel(TreeNode node) = 0;
  // The user opens `node`: its children need their items.
  virtual void OnExpandNode(TreeNode node) = 0;
  virtual void OnModelGone() = 0;

  struct ItemText {
    std::wstring text;  // a folder name from a disk or a backup: shown as it is
    uint32_t state;
    bool hasChildren;
    int image;
  };
  HTREEITEM InsertItem(TreeNode node, HTREEITEM parent, ItemText item);
  // Whether `item` shows an expand button.
  void SetHasChildren(HTREEITEM item, bool hasChildren) const;
  // Every item's check image from its node's state.
  void ShowStates();
  // No items; the table of items emptied (then sized to the model).
  void ClearItems();
  void OnWindowGone() override;

 private:
  bool OnClick(bool* checksChanged);
  LRESULT OnCustomDraw(NMTVCUSTOMDRAW& draw) const;

  std::vector<HTREEITEM> items_;  // by node id; null while the node has no item
  ImageList states_, icons_;
};

}  // namespace vk
