#include "wizard/CFolderTree.h"

#include <type_traits>

#include "resources/ResourceIds.h"

namespace vk {
namespace {

constexpr int kFolderImage = 0, kPcImage = 1;

// The item state of a check state: 0x1000 unchecked, 0x2000 checked,
// 0x3000 partly checked, 0 no image.
static_assert(INDEXTOSTATEIMAGEMASK(1) == kUnchecked && INDEXTOSTATEIMAGEMASK(2) == kChecked &&
                  INDEXTOSTATEIMAGEMASK(3) == kPartlyChecked,
              "check states are the state-image bits");
static_assert(std::is_same_v<NodeId, CCheckTree::TreeNode> && kNoNode == CCheckTree::kNoTreeNode,
              "the model's node ids are the tree's");

}  // namespace

bool CFolderTree::Create(HWND parent, UINT id, const RECT& rc) {
  // In the order of kFolderImage and kPcImage.
  return CCheckTree::Create(parent, id, rc, {IDP_TREE_FOLDER, IDP_TREE_PC});
}

HTREEITEM CFolderTree::InsertItem(NodeId node, HTREEITEM parent) {
  const FolderNode& n = model_->Node(node);
  const int image = node == model_->ThisPcRoot() ? kPcImage : kFolderImage;
  return CCheckTree::InsertItem(node, parent, {n.name, n.state, n.firstChild != kNoNode, image});
}

// Each child is listed before it gets its item, so that it shows an expand
// button exactly when it has subfolders.
void CFolderTree::InsertChildren(NodeId node) {
  HTREEITEM parent = ItemOf(node);
  for (NodeId c = model_->Node(node).firstChild; c != kNoNode; c = model_->Node(c).nextSibling) {
    if (ItemOf(c)) continue;
    model_->Populate(c);
    InsertItem(c, parent);
  }
}

void CFolderTree::Show(FolderTreeModel& model) {
  model_ = &model;
  ClearItems();
  for (NodeId root : {model.LibraryRoot(), model.ThisPcRoot()}) {
    if (root == kNoNode) continue;
    InsertItem(root, nullptr);
    InsertChildren(root);
    TreeView_Expand(Hwnd(), ItemOf(root), TVE_EXPAND);
  }
}

void CFolderTree::Expand(NodeId node) {
  if (!model_ || !ItemOf(node)) return;
  InsertChildren(node);
  TreeView_Expand(Hwnd(), ItemOf(node), TVE_EXPAND);
}

}  // namespace vk
