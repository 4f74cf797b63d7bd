#include "wizard/FolderTreeModel.h"

#include <gtest/gtest.h>

#include <map>

#include "engine/EngineUtil.h"

namespace vk {
namespace {

constexpr DWORD kDir = FILE_ATTRIBUTE_DIRECTORY;
constexpr DWORD kJunction = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
constexpr DWORD kTempDir = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY;
constexpr DWORD kFile = FILE_ATTRIBUTE_ARCHIVE;
constexpr uint32_t kDrivesCD = (1u << 2) | (1u << 3);

// A machine of folders: each path is listed under its parent, in the order
// given, with "." and ".." first as the system returns them.
class FakeFolders : public FolderSource {
 public:
  FakeFolders(std::initializer_list<std::pair<const wchar_t*, DWORD>> entries, uint32_t drives)
      : drives_(drives) {
    for (const auto& e : entries) {
      std::wstring path = e.first;
      size_t cut = path.rfind(L'\\');
      std::vector<ListedEntry>& level = listings_[Key(path.substr(0, cut))];
      if (level.empty()) level = {{kDir, L"."}, {kDir, L".."}};
      level.push_back({e.second, path.substr(cut + 1)});
    }
  }
  std::vector<ListedEntry> List(const std::wstring& folder) override {
    listed.push_back(folder);
    auto it = listings_.find(Key(folder));
    return it == listings_.end() ? std::vector<ListedEntry>() : it->second;
  }
  std::wstring DisplayName(const std::wstring& folder) override {
    const std::wstring trimmed = TrimTrailingBackslashes(folder);
    return L"Shell " + trimmed.substr(trimmed.rfind(L'\\') + 1);
  }
  uint32_t InternalDrives() override { return drives_; }

  std::vector<std::wstring> listed;

 private:
  static std::wstring Key(std::wstring p) {
    for (wchar_t& c : p) c = static_cast<wchar_t>(towlower(c));
    return p;
  }
  std::map<std::wstring, std::vector<ListedEntry>> listings_;
  uint32_t drives_;
};

// Ann's PC: her Documents folder redirected (a reparse point), the system's
// folders the exclusion list names, a second internal disk D:.
FakeFolders AnnsPc() {
  return FakeFolders(
      {{L"C:\\$Recycle.Bin", kDir},
       {L"C:\\Data", kDir},
       {L"C:\\DATA", kDir},  // a second listing of the same name
       {L"C:\\Data\\notes.txt", kFile},
       {L"C:\\Data\\Sub", kDir},
       {L"C:\\Data\\Scratch", kTempDir},
       {L"C:\\Program Files", kDir},
       {L"C:\\Program Files\\Tool", kDir},
       {L"C:\\System Volume Information", kDir},
       {L"C:\\Users", kDir},
       {L"C:\\Users\\All Users", kJunction},
       {L"C:\\Users\\Ann", kDir},
       {L"C:\\Users\\Ann\\AppData", kDir},
       {L"C:\\Users\\Ann\\AppData\\Roaming", kDir},
       {L"C:\\Users\\Ann\\AppData\\Roaming\\Microsoft", kDir},
       {L"C:\\Users\\Ann\\AppData\\Roaming\\Microsoft\\Windows", kDir},
       {L"C:\\Users\\Ann\\Documents", kJunction},
       {L"C:\\Users\\Ann\\Documents\\Work", kDir},
       {L"C:\\Users\\Ann\\Documents\\Letters", kDir},
       {L"C:\\Users\\Ann\\Documents\\My Music", kJunction},
       {L"C:\\Users\\Ann\\Documents\\CorvaneRestore", kDir},
       {L"C:\\Users\\Ann\\Music", kDir},
       {L"C:\\Users\\Ann\\Music\\Rock", kDir},
       {L"C:\\Users\\Ann\\Music\\Jazz", kDir},
       {L"C:\\Users\\Ann\\Pictures", kDir},
       {L"C:\\Users\\Ann\\Videos", kDir},
       {L"C:\\Windows", kDir},
       {L"C:\\Windows\\System32", kDir},
       {L"D:\\Photos", kDir},
       {L"D:\\Photos\\2016", kDir},
       {L"D:\\deep\\System Volume Information", kDir},
       {L"E:\\Stick", kDir}},  // a USB disk: listed, but not an internal drive
      kDrivesCD);
}

std::wstring AnnExpand(const wchar_t* text) {
  static const std::pair<const wchar_t*, const wchar_t*> kVars[] = {
      {L"%AppData%", L"C:\\Users\\Ann\\AppData\\Roaming"},
      {L"%windir%", L"C:\\WINDOWS"},
      {L"%SystemRoot%", L"C:\\Windows"},
      {L"%ProgramFiles%", L"C:\\Program Files"},
      {L"%SystemDrive%", L"C:"},
  };
  std::wstring s = text;
  for (const auto& v : kVars) {
    size_t at = s.find(v.first);
    if (at != std::wstring::npos) s.replace(at, std::wcslen(v.first), v.second);
  }
  return s;
}

SpecialFolders AnnsFolders() {
  SpecialFolders f;
  f.available = true;
  f.paths[0] = L"C:\\Users\\Ann\\Documents";
  f.paths[1] = L"C:\\Users\\Ann\\Music\\";
  f.paths[2] = L"C:\\Users\\Ann\\Pictures";
  f.paths[3] = L"C:\\Users\\Ann\\Videos";
  return f;
}

FolderTreeInputs AnnsInputs() {
  FolderTreeInputs in;
  in.libraryText = L"Library";
  in.thisPcText = L"This PC";
  in.special = AnnsFolders();
  in.exclusionList = BuildExclusionList(in.special.paths[0], &AnnExpand);
  return in;
}

class FolderTree : public ::testing::Test {
 protected:
  void SetUp() override { tree.Build(AnnsInputs()); }
  NodeId Find(const wchar_t* path) { return tree.FindNode(path); }
  CheckState StateOf(const wchar_t* path) {
    NodeId n = Find(path);
    EXPECT_NE(n, kNoNode) << path;
    return n == kNoNode ? kNoCheckBox : tree.Node(n).state;
  }
  CheckState LibraryState(size_t i) { return tree.Node(tree.Libraries()[i]).state; }
  std::vector<std::wstring> Sel() { return tree.Selection(); }

  FakeFolders pc = AnnsPc();
  FolderTreeModel tree{pc};
};

using Paths = std::vector<std::wstring>;

TEST_F(FolderTree, BuildsTwoRootsLibrariesWithTheirPlacesAndInternalDrivesOnly) {
  EXPECT_EQ(tree.Node(tree.LibraryRoot()).name, L"Library");
  EXPECT_EQ(tree.Node(tree.ThisPcRoot()).name, L"This PC");
  EXPECT_EQ(tree.Node(tree.LibraryRoot()).state, kNoCheckBox);
  Paths drives, libraries, places;
  for (NodeId d = tree.Node(tree.ThisPcRoot()).firstChild; d != kNoNode; d = tree.Node(d).nextSibling)
    drives.push_back(tree.Node(d).name);
  for (NodeId l : tree.Libraries()) {
    libraries.push_back(tree.Node(l).name);
    places.push_back(tree.PathOf(tree.CounterpartOf(l)));
    EXPECT_EQ(tree.Node(l).firstChild, kNoNode);  // leaves, browsed under "This PC"
  }
  EXPECT_EQ(drives, (Paths{L"C:", L"D:"}));
  EXPECT_EQ(libraries, (Paths{L"Shell Documents", L"Shell Music", L"Shell Pictures", L"Shell Videos"}));
  EXPECT_EQ(places, (Paths{L"C:\\Users\\Ann\\Documents", L"C:\\Users\\Ann\\Music",
                           L"C:\\Users\\Ann\\Pictures", L"C:\\Users\\Ann\\Videos"}));
  for (NodeId n = 0; n < static_cast<NodeId>(tree.NodeCount()); ++n)
    if (n != tree.LibraryRoot() && n != tree.ThisPcRoot()) {
      EXPECT_EQ(tree.Node(n).state, kUnchecked);
    }
}

TEST_F(FolderTree, OffersOnlyTheFoldersABackupRunWouldEnter) {
  struct Case {
    const wchar_t* path;
    bool offered;
  } cases[] = {
      {L"C:", true},
      {L"c:\\users\\ann\\DOCUMENTS", true},           // names compared without case
      {L"C:\\Users\\Ann\\Documents", true},           // a reparse point that is a special folder
      {L"C:\\Users\\Ann\\Documents\\Work\\", true},   // trailing backslash passed over
      {L"C:\\Users\\Ann\\Documents\\My Music", false},  // a junction off the way
      {L"C:\\Users\\All Users", false},
      {L"C:\\Data\\Scratch", false},                  // temporary folder
      {L"C:\\Data\\notes.txt", false},                // files are not offered
      {L"C:\\$Recycle.Bin", false},
      {L"C:\\System Volume Information", false},
      {L"D:\\deep\\System Volume Information", false},  // a name excluded anywhere
      {L"C:\\Windows", false},                        // expanded %windir% differs in case
      {L"C:\\Windows\\System32", false},
      {L"C:\\Program Files\\Tool", false},
      {L"C:\\Users\\Ann\\AppData\\Roaming\\Microsoft", true},
      {L"C:\\Users\\Ann\\AppData\\Roaming\\Microsoft\\Windows", false},
      {L"C:\\Users\\Ann\\Documents\\CorvaneRestore", false},  // the restore folder
      {L"D:\\Photos\\2016", true},
      {L"E:\\Stick", false},                          // not an internal drive
      {L"A:", false},
      {L"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(Find(c.path) != kNoNode, c.offered) << c.path;
}

TEST_F(FolderTree, ListsEachFolderOnceAndKeepsOneChildPerName) {
  NodeId data = Find(L"C:\\Data");
  ASSERT_NE(data, kNoNode);
  tree.Populate(data);
  tree.Populate(data);
  Paths listedData;
  for (const std::wstring& p : pc.listed)
    if (EqualNoCase(p, L"C:\\Data")) listedData.push_back(p);
  EXPECT_EQ(listedData.size(), 1u);
  int named = 0;
  for (NodeId c = tree.Node(tree.FindNode(L"C:")).firstChild; c != kNoNode; c = tree.Node(c).nextSibling)
    named += EqualNoCase(tree.Node(c).name, L"data") ? 1 : 0;
  EXPECT_EQ(named, 1);
}

TEST_F(FolderTree, CheckingALibraryFolderChecksItsPlaceAndMarksTheWayPartly) {
  ASSERT_TRUE(tree.Click(tree.Libraries()[0]));
  EXPECT_EQ(StateOf(L"C:\\Users\\Ann\\Documents"), kChecked);
  EXPECT_EQ(StateOf(L"C:\\Users\\Ann\\Documents\\Work"), kChecked);
  for (const wchar_t* way : {L"C:", L"C:\\Users", L"C:\\Users\\Ann"}) EXPECT_EQ(StateOf(way), kPartlyChecked) << way;
  EXPECT_EQ(StateOf(L"D:"), kUnchecked);
  EXPECT_EQ(LibraryState(0), kChecked);
  EXPECT_EQ(LibraryState(1), kUnchecked);
  EXPECT_EQ(Sel(), (Paths{L"C:\\Users\\Ann\\Documents"}));
  EXPECT_TRUE(tree.AnySelected());

  // Unchecking the place under "This PC" unchecks the library folder too.
  tree.Click(Find(L"C:\\Users\\Ann\\Documents"));
  EXPECT_EQ(LibraryState(0), kUnchecked);
  EXPECT_EQ(StateOf(L"C:"), kUnchecked);
  EXPECT_TRUE(Sel().empty());
  EXPECT_FALSE(tree.AnySelected());
}

TEST_F(FolderTree, LibraryFoldersFollowClicksUnderThisPc) {
  tree.Click(Find(L"C:\\Users\\Ann\\Music\\Rock"));
  EXPECT_EQ(LibraryState(1), kPartlyChecked);
  tree.Click(Find(L"C:\\Users\\Ann"));  // partly -> checked, with everything in it
  for (size_t i = 0; i < tree.Libraries().size(); ++i) EXPECT_EQ(LibraryState(i), kChecked) << i;
  EXPECT_EQ(Sel(), (Paths{L"C:\\Users\\Ann"}));
  tree.Click(Find(L"C:\\Users\\Ann"));
  for (size_t i = 0; i < tree.Libraries().size(); ++i) EXPECT_EQ(LibraryState(i), kUnchecked) << i;
}

TEST_F(FolderTree, AllSubfoldersCheckedOneByOneLeaveTheFolderPartly) {
  tree.Click(Find(L"C:\\Users\\Ann\\Documents\\Work"));
  EXPECT_EQ(StateOf(L"C:\\Users\\Ann\\Documents"), kPartlyChecked);
  tree.Click(Find(L"C:\\Users\\Ann\\Documents\\Letters"));
  EXPECT_EQ(StateOf(L"C:\\Users\\Ann\\Documents"), kPartlyChecked);
  EXPECT_EQ(LibraryState(0), kPartlyChecked);
  EXPECT_EQ(Sel(), (Paths{L"C:\\Users\\Ann\\Documents\\Work", L"C:\\Users\\Ann\\Documents\\Letters"}));

  // A partly checked folder clicked becomes checked and stands for itself.
  tree.Click(Find(L"C:\\Users\\Ann\\Documents"));
  EXPECT_EQ(Sel(), (Paths{L"C:\\Users\\Ann\\Documents"}));

  // One subfolder out and back in: the folder's own files stay out.
  tree.Click(Find(L"C:\\Users\\Ann\\Documents\\Work"));
  EXPECT_EQ(StateOf(L"C:\\Users\\Ann\\Documents"), kPartlyChecked);
  EXPECT_EQ(Sel(), (Paths{L"C:\\Users\\Ann\\Documents\\Letters"}));
  tree.Click(Find(L"C:\\Users\\Ann\\Documents\\Work"));
  EXPECT_EQ(StateOf(L"C:\\Users\\Ann\\Documents"), kPartlyChecked);
}

TEST_F(FolderTree, ACheckedDriveIsItsLetterAndColon) {
  tree.Click(Find(L"D:"));
  EXPECT_EQ(Sel(), (Paths{L"D:"}));
  EXPECT_EQ(tree.SelectionList(), std::wstring(L"D:\0\0", 4));
  tree.Click(Find(L"D:"));
  EXPECT_EQ(tree.SelectionList(), std::wstring(1, L'\0'));
}

TEST_F(FolderTree, FoldersListedBelowACheckedFolderComeInChecked) {
  NodeId data = Find(L"C:\\Data");
  ASSERT_EQ(tree.Node(data).firstChild, kNoNode);  // not listed yet
  tree.Click(data);
  EXPECT_EQ(StateOf(L"C:\\Data\\Sub"), kChecked);
  EXPECT_EQ(Sel(), (Paths{L"C:\\Data"}));
}

TEST_F(FolderTree, RootsHaveNoCheckBox) {
  EXPECT_FALSE(tree.Click(tree.LibraryRoot()));
  EXPECT_FALSE(tree.Click(tree.ThisPcRoot()));
  EXPECT_FALSE(tree.Click(kNoNode));
  EXPECT_FALSE(tree.AnySelected());
}

TEST_F(FolderTree, AStoredListIsCheckedAndFoldersNoLongerThereAreDropped) {
  const wchar_t list[] = L"D:\\Photos\0C:\\Users\\Ann\\Documents\\Gone\0C:\\Data\0C:\\Users\\Ann\\Music\0";
  tree.ApplyFolderList(list, sizeof(list) / sizeof(list[0]));
  EXPECT_EQ(Sel(), (Paths{L"C:\\Data", L"C:\\Users\\Ann\\Music", L"D:\\Photos"}));  // tree order
  EXPECT_EQ(LibraryState(1), kChecked);  // the library folder shows the stored place
  EXPECT_EQ(LibraryState(0), kUnchecked);
  EXPECT_EQ(StateOf(L"C:\\Users\\Ann\\Documents"), kUnchecked);
}

TEST_F(FolderTree, AStoredListIsReadOnlyWithinItsLength) {
  struct Case {
    std::wstring list;
    Paths want;
  } cases[] = {
      // The last entry lacks its zero: a shortened path must not check a parent.
      {std::wstring(L"D:\\Photos\0C:\\Users", 18), {L"D:\\Photos"}},
      // An empty entry ends the list.
      {std::wstring(L"D:\\Photos\0\0C:\\Data\0\0", 20), {L"D:\\Photos"}},
      {std::wstring(), {}},
  };
  for (const Case& c : cases) {
    tree.Build(AnnsInputs());
    tree.ApplyFolderList(c.list.data(), c.list.size());
    EXPECT_EQ(Sel(), c.want);
  }
  tree.ApplyFolderList(nullptr, 4);
  EXPECT_TRUE(Sel().empty());
}

TEST_F(FolderTree, ANewPlanChecksTheFourLibraryFolders) {
  tree.CheckLibraries();
  EXPECT_EQ(Sel(), (Paths{L"C:\\Users\\Ann\\Documents", L"C:\\Users\\Ann\\Music",
                          L"C:\\Users\\Ann\\Pictures", L"C:\\Users\\Ann\\Videos"}));
  for (size_t i = 0; i < tree.Libraries().size(); ++i) EXPECT_EQ(LibraryState(i), kChecked);
  EXPECT_EQ(StateOf(L"C:\\Users\\Ann"), kPartlyChecked);  // AppData is not among them
}

TEST(FolderTreeBuild, NoLibraryFolderStandsForNothing) {
  FakeFolders pc = AnnsPc();
  FolderTreeModel tree(pc);
  struct Case {
    const char* what;
    SpecialFolders special;
    Paths places;
  } cases[] = {
      {"a network Pictures folder and no Videos folder",
       [] {
         SpecialFolders f = AnnsFolders();
         f.paths[2] = L"\\\\server\\pictures";
         f.paths[3].clear();
         f.available = false;
         return f;
       }(),
       {L"C:\\Users\\Ann\\Music"}},  // unknown special folders: the redirected Documents is a
                                     // reparse point the walk would not enter either
      {"Music on a USB disk", [] {
         SpecialFolders f = AnnsFolders();
         f.paths[1] = L"E:\\Stick";
         return f;
       }(),
       {L"C:\\Users\\Ann\\Documents", L"C:\\Users\\Ann\\Pictures", L"C:\\Users\\Ann\\Videos"}},
  };
  for (const Case& c : cases) {
    FolderTreeInputs in = AnnsInputs();
    in.special = c.special;
    tree.Build(in);
    Paths places;
    for (NodeId l : tree.Libraries()) places.push_back(tree.PathOf(l));
    EXPECT_EQ(places, c.places) << c.what;
    tree.CheckLibraries();
    EXPECT_EQ(tree.Selection(), c.places) << c.what;
  }
}

}  // namespace
}  // namespace vk
