#include "restorewin/RestoreTreeModel.h"

#include <gtest/gtest.h>

#include <map>

#include "engine/EngineUtil.h"

namespace vk {
namespace {

constexpr uint32_t kFolder = FILE_ATTRIBUTE_DIRECTORY, kFile = FILE_ATTRIBUTE_ARCHIVE;

// An index as offset -> record, with a count of the reads asked.
class FakeIndex : public EntryReader {
 public:
  void Add(uint64_t offset, uint32_t attributes, const wchar_t* path, uint64_t firstChild,
           uint64_t nextSibling) {
    TreeEntry e;
    e.length = 100;
    e.attributes = attributes;
    e.path = path;
    e.firstChild = firstChild;
    e.nextSibling = nextSibling;
    entries_[offset] = e;
  }
  bool Read(uint64_t offset, TreeEntry* entry) override {
    ++reads;
    auto it = entries_.find(offset);
    if (it == entries_.end()) return false;
    *entry = it->second;
    return true;
  }
  int reads = 0;

 private:
  std::map<uint64_t, TreeEntry> entries_;
};

// C:\Users\Ann\Documents (backed up) with a file and two subfolders, and
// D:\Data (backed up) with a file only; Documents\Work has one file.
void MakeIndex(FakeIndex& index) {
  index.Add(0, kFolder, L"C:\\Users\\Ann\\Documents", 200, 100);
  index.Add(100, kFolder, L"D:\\Data", 400, 0);
  index.Add(200, kFile, L"C:\\Users\\Ann\\Documents\\a.txt", 0, 300);
  index.Add(300, kFolder, L"C:\\Users\\Ann\\Documents\\Work", 500, 350);
  index.Add(350, kFolder, L"C:\\Users\\Ann\\Documents\\Old", 0, 0);
  index.Add(400, kFile, L"D:\\Data\\b.bin", 0, 0);
  index.Add(500, kFile, L"C:\\Users\\Ann\\Documents\\Work\\c.txt", 0, 0);
}

NodeId Find(const RestoreTreeModel& m, const std::wstring& path) {
  for (size_t i = 0; i < m.NodeCount(); ++i)
    if (m.PathOf(static_cast<NodeId>(i)) == path) return static_cast<NodeId>(i);
  return kNoNode;
}

TEST(RestoreTree, TopLevelWithOneLevelAheadFilesShownAsTheirFolder) {
  FakeIndex index;
  MakeIndex(index);
  RestoreTreeModel m;
  m.LoadTop(index);
  ASSERT_EQ(m.Top().size(), 2u);
  EXPECT_EQ(m.Node(m.Top()[0]).name, L"C:");
  EXPECT_EQ(m.Node(m.Top()[1]).name, L"D:");
  // The folders above a backed-up folder carry no check box.
  for (const wchar_t* p : {L"C:", L"C:\\Users", L"C:\\Users\\Ann", L"D:"})
    EXPECT_EQ(m.Node(Find(m, p)).state, kNoCheckBox) << p;
  // The backed-up folders are checked; their children were read ahead; a file
  // makes no node of its own.
  const NodeId docs = Find(m, L"C:\\Users\\Ann\\Documents");
  ASSERT_NE(docs, kNoNode);
  EXPECT_EQ(m.Node(docs).state, kChecked);
  EXPECT_TRUE(m.Node(docs).loaded);
  const NodeId work = Find(m, L"C:\\Users\\Ann\\Documents\\Work");
  ASSERT_NE(work, kNoNode);
  EXPECT_EQ(m.Node(work).state, kChecked);  // takes its parent's state
  EXPECT_FALSE(m.Node(work).loaded);        // two levels down: not yet
  EXPECT_EQ(Find(m, L"C:\\Users\\Ann\\Documents\\a.txt"), kNoNode);
  EXPECT_EQ(Find(m, L"D:\\Data\\b.bin"), kNoNode);
  EXPECT_EQ(m.NodeCount(), 8u);
  // Expanding Documents reads Work's children: its file adds no node.
  m.LoadAhead(docs, index);
  EXPECT_TRUE(m.Node(work).loaded);
  EXPECT_EQ(m.NodeCount(), 8u);
}

TEST(RestoreTree, TheSelectionFollowsTheChecks) {
  FakeIndex index;
  MakeIndex(index);
  RestoreTreeModel m;
  m.LoadTop(index);
  const NodeId docs = Find(m, L"C:\\Users\\Ann\\Documents");
  const NodeId work = Find(m, L"C:\\Users\\Ann\\Documents\\Work");
  const NodeId data = Find(m, L"D:\\Data");
  using List = std::vector<std::wstring>;
  EXPECT_EQ(m.Selection(), (List{L"C:\\Users\\Ann\\Documents", L"D:\\Data"}));
  EXPECT_FALSE(m.Click(Find(m, L"C:\\Users")));  // no check box
  ASSERT_TRUE(m.Click(work));                     // Work off: Documents partly checked
  EXPECT_EQ(m.Node(docs).state, kPartlyChecked);
  // A partly checked folder is descended into; the unchecked child is left out.
  // Documents' own files are not restored then (no node stands for them).
  EXPECT_EQ(m.Selection(), (List{L"C:\\Users\\Ann\\Documents\\Old", L"D:\\Data"}));
  ASSERT_TRUE(m.Click(docs));  // partly -> checked, the whole subtree
  EXPECT_EQ(m.Node(work).state, kChecked);
  ASSERT_TRUE(m.Click(docs));  // checked -> unchecked
  ASSERT_TRUE(m.Click(data));
  EXPECT_FALSE(m.AnySelected());
  EXPECT_EQ(ZeroEndedList(m.Selection()), std::wstring(1, L'\0'));
  ASSERT_TRUE(m.Click(work));
  EXPECT_TRUE(m.AnySelected());
  EXPECT_EQ(m.Selection(), (List{L"C:\\Users\\Ann\\Documents\\Work"}));
  EXPECT_EQ(ZeroEndedList(m.Selection()), std::wstring(L"C:\\Users\\Ann\\Documents\\Work") + L'\0' + L'\0');
}

TEST(RestoreTree, NamesMatchIgnoringCaseAndGoLastAmongSiblings) {
  FakeIndex index;
  index.Add(0, kFolder, L"C:\\Music", 0, 100);
  index.Add(100, kFile, L"c:\\users\\x.txt", 0, 200);  // a file: its folder, under the same drive
  index.Add(200, kFolder, L"C:\\Alpha", 0, 0);
  RestoreTreeModel m;
  m.LoadTop(index);
  ASSERT_EQ(m.Top().size(), 1u);
  std::vector<std::wstring> names;
  for (NodeId c = m.Node(m.Top()[0]).firstChild; c != kNoNode; c = m.Node(c).nextSibling)
    names.push_back(m.Node(c).name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Music", L"users", L"Alpha"}));
}

TEST(RestoreTree, ADamagedIndexShowsWhatCanBeRead) {
  struct Case {
    const char* what;
    void (*make)(FakeIndex&);
    size_t nodes;
  } cases[] = {
      {"no index at all", [](FakeIndex&) {}, 0},
      {"the chain breaks off", [](FakeIndex& i) { i.Add(0, kFolder, L"C:\\A", 0, 999); }, 2},
      {"a chain that points back", [](FakeIndex& i) {
         i.Add(0, kFolder, L"C:\\A", 0, 100);
         i.Add(100, kFolder, L"C:\\B", 100, 0);  // its own child: read once, not again
         i.Add(200, kFolder, L"C:\\Never", 0, 100);
       }, 3},
      {"a sibling that points back", [](FakeIndex& i) {
         i.Add(0, kFolder, L"C:\\A", 0, 100);
         i.Add(100, kFolder, L"C:\\B", 0, 0);
         i.Add(100, kFolder, L"C:\\B", 0, 50);
       }, 3},
      {"paths that are no paths", [](FakeIndex& i) {
         i.Add(0, kFolder, L"C:\\..\\Windows", 0, 100);
         i.Add(100, kFolder, L"C:\\a\\\\b", 0, 200);
         i.Add(200, kFolder, L"", 0, 300);
         i.Add(300, kFolder, (L"C:\\" + std::wstring(300, L'n')).c_str(), 0, 400);
         i.Add(400, kFolder, L"C:\\.\\x", 0, 500);
         i.Add(500, kFolder, L"C:\\Ok", 0, 0);
       }, 2},
  };
  for (const Case& c : cases) {
    FakeIndex index;
    c.make(index);
    RestoreTreeModel m;
    m.LoadTop(index);
    EXPECT_EQ(m.NodeCount(), c.nodes) << c.what;
    EXPECT_LT(index.reads, 20) << c.what;
    if (c.nodes == 0) {
      EXPECT_FALSE(m.AnySelected());
    }
  }
}

TEST(RestoreTree, AZeroLengthRecordEndsTheChain) {
  FakeIndex index;
  index.Add(0, kFolder, L"C:\\A", 0, 100);
  index.Add(100, kFolder, L"C:\\B", 0, 0);
  RestoreTreeModel m;
  m.LoadTop(index);
  EXPECT_EQ(m.NodeCount(), 3u);

  class ZeroAt100 : public EntryReader {
   public:
    explicit ZeroAt100(FakeIndex& inner) : inner_(inner) {}
    bool Read(uint64_t offset, TreeEntry* e) override {
      if (!inner_.Read(offset, e)) return false;
      if (offset == 100) e->length = 0;
      return true;
    }

   private:
    FakeIndex& inner_;
  } zero(index);
  m.LoadTop(zero);
  EXPECT_EQ(m.NodeCount(), 2u);
}

}  // namespace
}  // namespace vk
