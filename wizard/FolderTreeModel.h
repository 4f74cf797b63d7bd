// The folder tree of the plan wizard as a model: the nodes with their
// three-state checks, how a click propagates, the library folders mirrored
// onto their places under "This PC", and the folder list a selection makes.
// The tree control only shows this model; it keeps one item per node id.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/EntryFilter.h"
#include "wizard/FolderSource.h"

namespace vk {

// Check states, as the tree control keeps them in an item's state-image bits.
enum CheckState : uint32_t {
  kNoCheckBox = 0x0000,  // the two roots
  kUnchecked = 0x1000,
  kChecked = 0x2000,
  kPartlyChecked = 0x3000,
};

using NodeId = int32_t;
constexpr NodeId kNoNode = -1;
constexpr size_t kMaxNodeNameChars = 259;

struct FolderNode {
  NodeId parent = kNoNode;
  NodeId firstChild = kNoNode;
  NodeId lastChild = kNoNode;
  NodeId nextSibling = kNoNode;
  std::wstring name;  // a root's text, a drive as "C:", or a folder name
  CheckState state = kUnchecked;
  bool populated = false;  // subfolders listed (always set for roots, drives listed at build)
};

// What Build needs besides the folder source.
struct FolderTreeInputs {
  std::wstring libraryText;     // the first root's text
  std::wstring thisPcText;      // the second root's text
  SpecialFolders special;       // Documents, Music, Pictures, Videos
  std::wstring exclusionList;   // double-zero-terminated, as the backup run gets it
};

class FolderTreeModel {
 public:
  explicit FolderTreeModel(FolderSource& source) : source_(source) {}

  // Empties the tree and builds "Library" with the library folders and
  // "This PC" with the internal drives, each drive listed at once. A library
  // folder is offered only when its place under "This PC" is found: checking
  // one that stands for nothing would back up nothing.
  void Build(const FolderTreeInputs& inputs);

  // Lists the node's subfolders once, through the backup walk's entry filter.
  void Populate(NodeId node);

  // The node of a full path ("C:", "C:\Users\Ann"), walking down from
  // "This PC" and listing on the way; kNoNode when a component is missing.
  // Empty components (a trailing backslash) are passed over.
  NodeId FindNode(const std::wstring& path);

  // Sets `state` on the node and every descendant, then recomputes the
  // ancestors. Nodes without a check box are left alone.
  void Check(NodeId node, CheckState state);

  // A click on the node's check box: unchecked and partly checked become
  // checked, checked becomes unchecked; then the library folders and their
  // places follow each other. False when the node has no check box.
  bool Click(NodeId node);

  // Checks every path of a stored folder list (`chars` characters, the
  // list's terminators included); paths no longer found are dropped. Read as
  // untrusted: the walk stops at `chars` even without the final zero.
  void ApplyFolderList(const wchar_t* list, size_t chars);
  // Checks the library folders (a new plan's default).
  void CheckLibraries();

  bool AnySelected() const;
  // The topmost checked folders under "This PC", in tree order.
  std::vector<std::wstring> Selection() const;
  // The same as a double-zero-terminated folder list (just one zero when
  // nothing is selected).
  std::wstring SelectionList() const;

  std::wstring PathOf(NodeId node) const;
  const FolderNode& Node(NodeId id) const { return nodes_[static_cast<size_t>(id)]; }
  size_t NodeCount() const { return nodes_.size(); }
  NodeId LibraryRoot() const { return libraryRoot_; }
  NodeId ThisPcRoot() const { return thisPcRoot_; }
  const std::vector<NodeId>& Libraries() const { return libraries_; }
  NodeId CounterpartOf(NodeId library) const;

 private:
  NodeId AddNode(NodeId parent, const std::wstring& name, CheckState state);
  NodeId FindChild(NodeId parent, const std::wstring& name) const;
  FolderNode& At(NodeId id) { return nodes_[static_cast<size_t>(id)]; }
  void SetSubtree(NodeId node, CheckState state);
  void RecomputeAncestors(NodeId node);
  CheckState FromChildren(NodeId node) const;
  void MirrorLibraries(NodeId clicked);
  void AddLibraries(const SpecialFolders& special);
  void AddDrives();
  void CollectSelection(NodeId first, std::vector<std::wstring>* out) const;

  FolderSource& source_;
  std::vector<FolderNode> nodes_;
  NodeId libraryRoot_ = kNoNode;
  NodeId thisPcRoot_ = kNoNode;
  std::vector<NodeId> libraries_;     // children of "Library"
  std::vector<NodeId> counterparts_;  // the same folders under "This PC"
  SpecialFolders special_;
  std::wstring exclusions_;
};

}  // namespace vk
