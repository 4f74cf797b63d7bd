#include "wizard/FolderTreeModel.h"

#include <unordered_set>

#include "engine/BkupTypes.h"
#include "engine/EngineUtil.h"

namespace vk {
namespace {

constexpr wchar_t kSeparator = L'\\';

// The folding EqualNoCase uses (A-Z only), for a set of names.
std::wstring FoldCase(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
  return text;
}

bool IsDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

// The components of a path between its backslashes, empty ones left out.
std::vector<std::wstring> SplitComponents(const std::wstring& path) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(kSeparator, start);
    if (end == std::wstring::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// The last component of a path, for a library folder the shell cannot name.
std::wstring LastComponent(const std::wstring& path) {
  std::vector<std::wstring> parts = SplitComponents(path);
  return parts.empty() ? std::wstring() : parts.back();
}

}  // namespace

NodeId FolderTreeModel::AddNode(NodeId parent, const std::wstring& name, CheckState state) {
  const NodeId id = static_cast<NodeId>(nodes_.size());
  FolderNode node;
  node.parent = parent;
  node.name = name;
  node.state = state;
  nodes_.push_back(node);
  if (parent != kNoNode) {
    FolderNode& p = At(parent);
    if (p.lastChild == kNoNode)
      p.firstChild = id;
    else
      At(p.lastChild).nextSibling = id;
    p.lastChild = id;
  }
  return id;
}

NodeId FolderTreeModel::FindChild(NodeId parent, const std::wstring& name) const {
  for (NodeId c = Node(parent).firstChild; c != kNoNode; c = Node(c).nextSibling)
    if (EqualNoCase(Node(c).name, name)) return c;
  return kNoNode;
}

void FolderTreeModel::Build(const FolderTreeInputs& inputs) {
  nodes_.clear();
  libraries_.clear();
  counterparts_.clear();
  special_ = inputs.special;
  exclusions_ = inputs.exclusionList;
  exclusions_ += L'\0';  // with c_str()'s zero: a list end however the caller ended it
  libraryRoot_ = AddNode(kNoNode, inputs.libraryText, kNoCheckBox);
  thisPcRoot_ = AddNode(kNoNode, inputs.thisPcText, kNoCheckBox);
  At(libraryRoot_).populated = true;
  At(thisPcRoot_).populated = true;
  AddDrives();
  AddLibraries(inputs.special);
}

void FolderTreeModel::AddDrives() {
  const uint32_t internal = source_.InternalDrives();
  for (int i = kFirstOfferedDrive; i <= kLastOfferedDrive; ++i) {
    if ((internal & (1u << i)) == 0) continue;
    const wchar_t name[] = {static_cast<wchar_t>(L'A' + i), L':', 0};
    Populate(AddNode(thisPcRoot_, name, kUnchecked));
  }
}

void FolderTreeModel::AddLibraries(const SpecialFolders& special) {
  for (const std::wstring& path : special.paths) {
    if (path.empty()) continue;
    const NodeId place = FindNode(path);
    if (place == kNoNode) continue;
    std::wstring name = source_.DisplayName(path);
    if (name.empty()) name = LastComponent(path);
    const NodeId library = AddNode(libraryRoot_, name.substr(0, kMaxNodeNameChars), kUnchecked);
    At(library).populated = true;  // browsed under "This PC", never listed here
    libraries_.push_back(library);
    counterparts_.push_back(place);
  }
}

void FolderTreeModel::Populate(NodeId node) {
  if (Node(node).populated) return;
  At(node).populated = true;
  const std::wstring path = PathOf(node);
  const CheckState childState = Node(node).state == kChecked ? kChecked : kUnchecked;
  std::unordered_set<std::wstring> seen;
  for (const ListedEntry& entry : source_.List(path)) {
    if ((entry.attributes & kAttrFolder) == 0 || IsDotEntry(entry.name)) continue;
    if (entry.name.empty() || entry.name.size() > kMaxNodeNameChars) continue;
    const std::wstring full = path + kSeparator + entry.name;
    const FoundEntry found{entry.attributes, entry.name.c_str(), full.c_str()};
    if (SkipEntry(found, exclusions_.c_str(), &special_)) continue;
    if (!seen.insert(FoldCase(entry.name)).second) continue;
    AddNode(node, entry.name, childState);
  }
}

NodeId FolderTreeModel::FindNode(const std::wstring& path) {
  if (thisPcRoot_ == kNoNode) return kNoNode;
  NodeId node = thisPcRoot_;
  for (const std::wstring& part : SplitComponents(path)) {
    Populate(node);
    node = FindChild(node, part);
    if (node == kNoNode) return kNoNode;
  }
  return node == thisPcRoot_ ? kNoNode : node;
}

std::wstring FolderTreeModel::PathOf(NodeId node) const {
  for (size_t i = 0; i < libraries_.size(); ++i)
    if (libraries_[i] == node) return PathOf(counterparts_[i]);
  std::vector<NodeId> chain;
  for (NodeId n = node; n != kNoNode && n != thisPcRoot_; n = Node(n).parent) chain.push_back(n);
  if (chain.empty() || Node(chain.back()).parent != thisPcRoot_) return std::wstring();
  std::wstring path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!path.empty()) path += kSeparator;
    path += TrimTrailingBackslashes(Node(*it).name);
  }
  return path;
}

NodeId FolderTreeModel::CounterpartOf(NodeId library) const {
  for (size_t i = 0; i < libraries_.size(); ++i)
    if (libraries_[i] == library) return counterparts_[i];
  return kNoNode;
}

// Iterative: a deep tree from a long stored path must not exhaust the stack.
void FolderTreeModel::SetSubtree(NodeId node, CheckState state) {
  std::vector<NodeId> stack{node};
  while (!stack.empty()) {
    const NodeId n = stack.back();
    stack.pop_back();
    At(n).state = state;
    for (NodeId c = Node(n).firstChild; c != kNoNode; c = Node(c).nextSibling) stack.push_back(c);
  }
}

// All children checked leave a folder that was not checked itself partly
// checked: its own files are still left out.
CheckState FolderTreeModel::FromChildren(NodeId node) const {
  bool anyChecked = false, anyUnchecked = false;
  for (NodeId c = Node(node).firstChild; c != kNoNode; c = Node(c).nextSibling) {
    const CheckState s = Node(c).state;
    if (s == kPartlyChecked) return kPartlyChecked;
    if (s == kChecked) anyChecked = true;
    if (s == kUnchecked) anyUnchecked = true;
  }
  if (anyChecked && anyUnchecked) return kPartlyChecked;
  if (!anyChecked) return anyUnchecked ? kUnchecked : Node(node).state;
  return Node(node).state == kChecked ? kChecked : kPartlyChecked;
}

void FolderTreeModel::RecomputeAncestors(NodeId node) {
  for (NodeId p = Node(node).parent; p != kNoNode && Node(p).state != kNoCheckBox;
       p = Node(p).parent)
    At(p).state = FromChildren(p);
}

void FolderTreeModel::Check(NodeId node, CheckState state) {
  if (node == kNoNode || Node(node).state == kNoCheckBox || state == kNoCheckBox) return;
  SetSubtree(node, state);
  RecomputeAncestors(node);
}

// A clicked library folder moves its place under "This PC"; then every
// library folder shows its place's state, which also follows a click under
// "This PC" and a library folder that lies inside another one.
void FolderTreeModel::MirrorLibraries(NodeId clicked) {
  for (size_t i = 0; i < libraries_.size(); ++i)
    if (libraries_[i] == clicked) Check(counterparts_[i], Node(clicked).state);
  for (size_t i = 0; i < libraries_.size(); ++i)
    At(libraries_[i]).state = Node(counterparts_[i]).state;
}

bool FolderTreeModel::Click(NodeId node) {
  if (node == kNoNode || Node(node).state == kNoCheckBox) return false;
  Check(node, Node(node).state == kChecked ? kUnchecked : kChecked);
  MirrorLibraries(node);
  return true;
}

void FolderTreeModel::ApplyFolderList(const wchar_t* list, size_t chars) {
  size_t start = 0;
  for (size_t i = 0; list != nullptr && i < chars; ++i) {
    if (list[i] != 0) continue;
    if (i == start) break;  // the empty entry ends the list
    Check(FindNode(std::wstring(list + start, i - start)), kChecked);
    start = i + 1;
  }
  // A last entry without its zero is cut off: checking a shortened path could
  // back up a parent folder the user never picked.
  MirrorLibraries(kNoNode);
}

void FolderTreeModel::CheckLibraries() {
  for (NodeId place : counterparts_) Check(place, kChecked);
  MirrorLibraries(kNoNode);
}

bool FolderTreeModel::AnySelected() const {
  if (thisPcRoot_ == kNoNode) return false;
  for (NodeId d = Node(thisPcRoot_).firstChild; d != kNoNode; d = Node(d).nextSibling)
    if (Node(d).state == kChecked || Node(d).state == kPartlyChecked) return true;
  return false;
}

// Pre-order with an explicit stack; children are pushed last-first so that
// they come off in tree order.
void FolderTreeModel::CollectSelection(NodeId first, std::vector<std::wstring>* out) const {
  std::vector<NodeId> stack;
  auto pushChildren = [&](NodeId firstChild) {
    std::vector<NodeId> level;
    for (NodeId c = firstChild; c != kNoNode; c = Node(c).nextSibling) level.push_back(c);
    stack.insert(stack.end(), level.rbegin(), level.rend());
  };
  pushChildren(first);
  while (!stack.empty()) {
    const NodeId n = stack.back();
    stack.pop_back();
    if (Node(n).state == kChecked)
      out->push_back(PathOf(n));
    else if (Node(n).state == kPartlyChecked)
      pushChildren(Node(n).firstChild);
  }
}

std::vector<std::wstring> FolderTreeModel::Selection() const {
  std::vector<std::wstring> paths;
  if (thisPcRoot_ != kNoNode) CollectSelection(Node(thisPcRoot_).firstChild, &paths);
  return paths;
}

std::wstring FolderTreeModel::SelectionList() const {
  return ZeroEndedList(Selection());
}

}  // namespace vk
