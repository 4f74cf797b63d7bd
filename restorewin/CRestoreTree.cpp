#include "restorewin/CRestoreTree.h"

#include <utility>
#include <vector>

#include "resources/ResourceIds.h"

namespace vk {
namespace {

constexpr int kFolderImage = 0;

}  // namespace

bool CRestoreTree::Create(HWND parent, UINT id, const RECT& rc) {
  return CCheckTree::Create(parent, id, rc, {IDP_TREE_FOLDER});
}

HTREEITEM CRestoreTree::InsertItem(NodeId node, HTREEITEM parent) {
  const RestoreNode& n = model_->Node(node);
  return CCheckTree::InsertItem(node, parent,
                                {n.name, n.state, n.firstChild != kNoNode, kFolderImage});
}

// Items for a node's children that have none yet (read since the last
// look), and the expand mark of a node that gained children.
void CRestoreTree::InsertMissing(NodeId node) {
  HTREEITEM parent = ItemOf(node);
  if (!parent) return;
  SetHasChildren(parent, model_->Node(node).firstChild != kNoNode);
  for (NodeId c = model_->Node(node).firstChild; c != kNoNode; c = model_->Node(c).nextSibling) {
    if (ItemOf(c)) continue;
    InsertItem(c, parent);
  }
}

// The nodes read so far, depth first, without recursion.
void CRestoreTree::InsertSubtree(NodeId first, HTREEITEM parent) {
  std::vector<std::pair<NodeId, HTREEITEM>> stack;
  std::vector<NodeId> level;
  for (NodeId n = first; n != kNoNode; n = model_->Node(n).nextSibling) level.push_back(n);
  for (auto it = level.rbegin(); it != level.rend(); ++it) stack.push_back({*it, parent});
  while (!stack.empty()) {
    const auto [node, under] = stack.back();
    stack.pop_back();
    HTREEITEM item = InsertItem(node, under);
    level.clear();
    for (NodeId c = model_->Node(node).firstChild; c != kNoNode; c = model_->Node(c).nextSibling)
      level.push_back(c);
    for (auto it = level.rbegin(); it != level.rend(); ++it) stack.push_back({*it, item});
  }
}

void CRestoreTree::Clear() {
  model_ = nullptr;
  ClearItems();
}

void CRestoreTree::Show(RestoreTreeModel& model, LoadAhead loadAhead) {
  model_ = &model;
  loadAhead_ = std::move(loadAhead);
  ClearItems();
  if (model.Top().empty()) return;
  InsertSubtree(model.Top().front(), nullptr);
  TreeView_EnsureVisible(Hwnd(), ItemOf(model.Top().front()));
}

void CRestoreTree::OnExpandNode(NodeId node) {
  if (loadAhead_) loadAhead_(node);
  InsertMissing(node);
  for (NodeId c = model_->Node(node).firstChild; c != kNoNode; c = model_->Node(c).nextSibling)
    InsertMissing(c);
}

}  // namespace vk
