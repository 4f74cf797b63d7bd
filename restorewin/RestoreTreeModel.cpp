#include "restorewin/RestoreTreeModel.h"

#include "engine/EngineUtil.h"

namespace vk {
namespace {

constexpr wchar_t kSeparator = L'\\';

// The components of a path; false when one is empty (past the first
// character), "." or "..", or longer than a node name can be.
bool SplitFolderPath(const std::wstring& path, std::vector<std::wstring>* parts) {
  parts->clear();
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find(kSeparator, start);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring part = path.substr(start, end - start);
    if (part.empty() || part == L"." || part == L".." || part.size() > kMaxNodeNameChars)
      return false;
    parts->push_back(part);
    start = end + 1;
  }
  return !parts->empty();
}

// What a node shows for an entry: a folder's own path, a file's folder.
std::wstring DisplayedPath(const TreeEntry& entry) {
  if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) return TrimTrailingBackslashes(entry.path);
  const SplitPathParts p = SplitPath(entry.path);
  return TrimTrailingBackslashes(p.drive + p.folder);
}

}  // namespace

void RestoreTreeModel::LoadChain(uint64_t first, EntryReader& reader, std::vector<NodeId>* made) {
  uint64_t offset = first;
  TreeEntry entry;
  for (size_t n = 0; n < kMaxChainEntries; ++n) {
    if (!reader.Read(offset, &entry) || entry.length == 0) return;
    const NodeId node = InsertEntry(entry, offset);
    if (made && node != kNoNode) made->push_back(node);
    if (entry.nextSibling == 0 || entry.nextSibling <= offset) return;  // chains only go forward
    offset = entry.nextSibling;
  }
}

void RestoreTreeModel::LoadChildren(NodeId node, EntryReader& reader) {
  At(node).loaded = true;
  TreeEntry entry;
  const uint64_t offset = Node(node).offset;
  if (!reader.Read(offset, &entry) || entry.firstChild == 0 || entry.firstChild <= offset) return;
  LoadChain(entry.firstChild, reader, nullptr);
}

void RestoreTreeModel::LoadTop(EntryReader& reader) {
  Clear();
  // The root chain names the plan's folders: they are the ones shown
  // expandable at once, so their children are read now.
  std::vector<NodeId> planFolders;
  LoadChain(0, reader, &planFolders);
  for (NodeId n : planFolders)
    if (!Node(n).loaded && Node(n).entryKnown) LoadChildren(n, reader);
}

void RestoreTreeModel::LoadAhead(NodeId node, EntryReader& reader) {
  if (node < 0 || static_cast<size_t>(node) >= nodes_.size()) return;
  std::vector<NodeId> children;
  for (NodeId c = Node(node).firstChild; c != kNoNode; c = Node(c).nextSibling) children.push_back(c);
  for (NodeId c : children)
    if (!Node(c).loaded && Node(c).entryKnown) LoadChildren(c, reader);
}

NodeId RestoreTreeModel::FindOrAdd(NodeId parent, const std::wstring& name) {
  const NodeId first = parent == kNoNode ? (top_.empty() ? kNoNode : top_.front()) : Node(parent).firstChild;
  for (NodeId c = first; c != kNoNode; c = Node(c).nextSibling)
    if (EqualNoCase(Node(c).name, name)) return c;
  if (nodes_.size() >= kMaxRestoreNodes) return kNoNode;
  const NodeId id = static_cast<NodeId>(nodes_.size());
  RestoreNode node;
  node.parent = parent;
  node.name = name;
  node.state = parent == kNoNode ? kNoCheckBox : Node(parent).state;
  nodes_.push_back(node);
  if (parent == kNoNode) {
    if (!top_.empty()) At(top_.back()).nextSibling = id;
    top_.push_back(id);
    return id;
  }
  RestoreNode& p = At(parent);
  if (p.lastChild == kNoNode)
    p.firstChild = id;
  else
    At(p.lastChild).nextSibling = id;
  p.lastChild = id;
  return id;
}

NodeId RestoreTreeModel::InsertEntry(const TreeEntry& entry, uint64_t offset) {
  std::vector<std::wstring> parts;
  if (!SplitFolderPath(DisplayedPath(entry), &parts)) return kNoNode;
  NodeId node = kNoNode;
  for (const std::wstring& part : parts) {
    node = FindOrAdd(node, part);
    if (node == kNoNode) return kNoNode;
  }
  RestoreNode& n = At(node);
  if (n.state == kNoCheckBox) n.state = kChecked;
  n.offset = offset;
  n.entryKnown = true;
  return node;
}

void RestoreTreeModel::SetSubtree(NodeId node, CheckState state) {
  std::vector<NodeId> stack = {node};
  while (!stack.empty()) {
    const NodeId n = stack.back();
    stack.pop_back();
    if (Node(n).state != kNoCheckBox) At(n).state = state;
    for (NodeId c = Node(n).firstChild; c != kNoNode; c = Node(c).nextSibling) stack.push_back(c);
  }
}

void RestoreTreeModel::RecomputeAncestors(NodeId node) {
  for (NodeId p = Node(node).parent; p != kNoNode; p = Node(p).parent) {
    if (Node(p).state == kNoCheckBox) continue;
    bool anyChecked = false, anyOther = false;  // a partly checked child counts as both
    for (NodeId c = Node(p).firstChild; c != kNoNode; c = Node(c).nextSibling) {
      const CheckState s = Node(c).state;
      if (s == kNoCheckBox) continue;
      anyChecked = anyChecked || s != kUnchecked;
      anyOther = anyOther || s != kChecked;
    }
    if (!anyChecked && !anyOther) continue;  // no child with a box: the folder keeps its own
    At(p).state = anyChecked && anyOther ? kPartlyChecked : anyChecked ? kChecked : kUnchecked;
  }
}

bool RestoreTreeModel::Click(NodeId node) {
  if (node < 0 || static_cast<size_t>(node) >= nodes_.size()) return false;
  if (Node(node).state == kNoCheckBox) return false;
  SetSubtree(node, Node(node).state == kChecked ? kUnchecked : kChecked);
  RecomputeAncestors(node);
  return true;
}

bool RestoreTreeModel::AnySelected() const {
  for (const RestoreNode& n : nodes_)
    if (n.state == kChecked || n.state == kPartlyChecked) return true;
  return false;
}

std::wstring RestoreTreeModel::PathOf(NodeId node) const {
  std::vector<NodeId> chain;
  for (NodeId n = node; n != kNoNode; n = Node(n).parent) chain.push_back(n);
  std::wstring path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!path.empty()) path = TrimTrailingBackslashes(path) + kSeparator;
    path += Node(*it).name;
  }
  return path;
}

// Depth first in tree order, without recursion: a damaged index may nest
// deeply.
void RestoreTreeModel::Collect(NodeId first, std::vector<std::wstring>* out) const {
  std::vector<NodeId> stack;
  for (NodeId n = first; n != kNoNode; n = Node(n).nextSibling) stack.push_back(n);
  std::vector<NodeId> reversed(stack.rbegin(), stack.rend());
  stack.swap(reversed);
  while (!stack.empty()) {
    const NodeId n = stack.back();
    stack.pop_back();
    const CheckState s = Node(n).state;
    if (s == kUnchecked) continue;
    if (s == kChecked) {
      out->push_back(PathOf(n));
      continue;
    }
    std::vector<NodeId> children;
    for (NodeId c = Node(n).firstChild; c != kNoNode; c = Node(c).nextSibling) children.push_back(c);
    stack.insert(stack.end(), children.rbegin(), children.rend());
  }
}

std::vector<std::wstring> RestoreTreeModel::Selection() const {
  std::vector<std::wstring> out;
  if (!top_.empty()) Collect(top_.front(), &out);
  return out;
}

}  // namespace vk
