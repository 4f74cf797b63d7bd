// The folder tree of the restore wizard as a model, built from one backup
// set's index rather than from the disk: one node per folder the index
// names (files show up as their folder), the folders above a backed-up
// folder without a check box, children read one level ahead of what is
// shown, the three-state checks, and the selection the checks make.
// The index is read through EntryReader, so a test feeds it a fake.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "wizard/FolderTreeModel.h"

namespace vk {

// What the tree needs of one index record.
struct TreeEntry {
  uint32_t length = 0;
  uint32_t attributes = 0;
  uint64_t firstChild = 0;
  uint64_t nextSibling = 0;
  std::wstring path;
};

class EntryReader {
 public:
  virtual ~EntryReader() = default;
  // The record at index offset `offset`; false when there is none or it is
  // damaged (the end of a chain).
  virtual bool Read(uint64_t offset, TreeEntry* entry) = 0;
};

// Entries read along one chain at most: an index names far fewer siblings,
// and a damaged one must not keep the window busy.
constexpr size_t kMaxChainEntries = 1u << 20;
// Nodes of one tree at most, whatever the index holds.
constexpr size_t kMaxRestoreNodes = 1u << 21;

struct RestoreNode {
  NodeId parent = kNoNode;
  NodeId firstChild = kNoNode;
  NodeId lastChild = kNoNode;
  NodeId nextSibling = kNoNode;
  std::wstring name;
  CheckState state = kNoCheckBox;
  bool entryKnown = false;  // an index entry made this node
  uint64_t offset = 0;      // that entry's index offset
  bool loaded = false;      // the entry's children were read
};

class RestoreTreeModel {
 public:
  void Clear() { nodes_.clear(); top_.clear(); }

  // The root chain from offset 0 (the plan's folders), then the children of
  // each folder it names, one level ahead of what is shown.
  void LoadTop(EntryReader& reader);
  // The user expands `node`: each child not yet loaded reads its own
  // children, so that its expand mark is right when it is shown.
  void LoadAhead(NodeId node, EntryReader& reader);

  // Enters one index entry: its folder (a file's own folder) is found or
  // made component by component, ignoring ASCII case. A path with an empty,
  // "." or ".." component or one longer than a file name can be is no real
  // path and is left out. The node of the entry, kNoNode when left out.
  NodeId InsertEntry(const TreeEntry& entry, uint64_t offset);

  // A click on the node's check box: unchecked and partly checked become
  // checked, checked becomes unchecked, for the whole subtree; the ancestors
  // with a check box follow their children. False when it has none.
  bool Click(NodeId node);

  bool AnySelected() const;
  // The restore selection: checked nodes whose ancestors are not checked,
  // as full paths, in tree order.
  std::vector<std::wstring> Selection() const;

  const std::vector<NodeId>& Top() const { return top_; }
  const RestoreNode& Node(NodeId id) const { return nodes_[static_cast<size_t>(id)]; }
  size_t NodeCount() const { return nodes_.size(); }
  std::wstring PathOf(NodeId node) const;

 private:
  void LoadChain(uint64_t first, EntryReader& reader, std::vector<NodeId>* made);
  void LoadChildren(NodeId node, EntryReader& reader);
  NodeId FindOrAdd(NodeId parent, const std::wstring& name);
  void SetSubtree(NodeId node, CheckState state);
  void RecomputeAncestors(NodeId node);
  void Collect(NodeId node, std::vector<std::wstring>* out) const;
  RestoreNode& At(NodeId id) { return nodes_[static_cast<size_t>(id)]; }

  std::vector<RestoreNode> nodes_;
  std::vector<NodeId> top_;
};

}  // namespace vk
