// The folder tree control over a model of a fake machine: items appear as
// the user expands, each with an expand button exactly when it has
// subfolders, and the check images show the model's states after a click.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "controls/SkinImage.h"
#include "tests/windows/FakeTray.h"
#include "wizard/CFolderTree.h"

namespace vk::test {
namespace {

constexpr UINT kTreeId = 1100;

// A parent that forwards the tree's notifications, as a wizard page does.
class TreeParent {
 public:
  TreeParent() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VkTreeTestParent";
    ::RegisterClassW(&wc);
    hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 400,
                             nullptr, nullptr, wc.hInstance, nullptr);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~TreeParent() { ::DestroyWindow(hwnd); }

  HWND hwnd = nullptr;
  CFolderTree tree;
  int changes = 0;

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<TreeParent*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
    if (self && msg == WM_NOTIFY) {
      LRESULT r = 0;
      bool changed = false;
      if (self->tree.OnNotify(*reinterpret_cast<NMHDR*>(lp), &r, &changed)) {
        self->changes += changed ? 1 : 0;
        return r;
      }
    }
    return ::DefWindowProcW(h, msg, wp, lp);
  }
};

class FolderTreeControl : public ::testing::Test {
 protected:
  void SetUp() override {
    model.Build(SceneFolders::Inputs());
    ASSERT_TRUE(parent.tree.Create(parent.hwnd, kTreeId, {0, 0, 400, 400}));
    parent.tree.Show(model);
  }
  HTREEITEM Item(const wchar_t* path) { return parent.tree.ItemOf(model.FindNode(path)); }
  UINT State(HTREEITEM item) {
    return TreeView_GetItemState(parent.tree.Hwnd(), item, TVIS_STATEIMAGEMASK);
  }
  int Children(HTREEITEM item) {
    TVITEMW tv = {};
    tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tv.hItem = item;
    TreeView_GetItem(parent.tree.Hwnd(), &tv);
    return tv.cChildren;
  }

  GdiplusSession gdiplus;
  SceneFolders folders;
  FolderTreeModel model{folders};
  TreeParent parent;
};

TEST_F(FolderTreeControl, ItemsComeAsTheUserExpands) {
  EXPECT_TRUE(parent.tree.ItemOf(model.LibraryRoot()));
  EXPECT_TRUE(parent.tree.ItemOf(model.Libraries()[0]));
  ASSERT_TRUE(Item(L"C:"));
  EXPECT_EQ(Children(Item(L"C:")), 1);
  EXPECT_EQ(Children(parent.tree.ItemOf(model.Libraries()[0])), 0);  // browsed under This PC
  EXPECT_FALSE(Item(L"C:\\Users"));
  parent.tree.Expand(model.FindNode(L"C:"));
  ASSERT_TRUE(Item(L"C:\\Users"));
  EXPECT_EQ(Children(Item(L"C:\\Users")), 1);
  EXPECT_FALSE(Item(L"C:\\Windows"));  // excluded: never offered
  parent.tree.Expand(model.FindNode(L"C:\\Users"));
  EXPECT_EQ(Children(Item(L"C:\\Users\\Public")), 0);
}

TEST_F(FolderTreeControl, ACheckShowsOnTheLibraryItsPlaceAndTheWayThere) {
  for (const wchar_t* path : {L"C:", L"C:\\Users", L"C:\\Users\\Ann"})
    parent.tree.Expand(model.FindNode(path));
  ASSERT_TRUE(parent.tree.ClickNode(model.Libraries()[0]));  // Documents under Library
  EXPECT_EQ(State(parent.tree.ItemOf(model.Libraries()[0])), static_cast<UINT>(kChecked));
  EXPECT_EQ(State(Item(L"C:\\Users\\Ann\\Documents")), static_cast<UINT>(kChecked));
  EXPECT_EQ(State(Item(L"C:\\Users\\Ann")), static_cast<UINT>(kPartlyChecked));
  EXPECT_EQ(State(Item(L"C:")), static_cast<UINT>(kPartlyChecked));
  EXPECT_EQ(State(Item(L"D:")), static_cast<UINT>(kUnchecked));
  EXPECT_EQ(State(parent.tree.ItemOf(model.ThisPcRoot())), 0u);  // no check box
  EXPECT_EQ(TreeView_GetSelection(parent.tree.Hwnd()), parent.tree.ItemOf(model.Libraries()[0]));
}

TEST_F(FolderTreeControl, TheSpaceKeyTicksTheSelectedItem) {
  HTREEITEM d = Item(L"D:");
  TreeView_SelectItem(parent.tree.Hwnd(), d);
  ::SendMessageW(parent.tree.Hwnd(), WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(State(d), static_cast<UINT>(kChecked));
  EXPECT_EQ(parent.changes, 1);
  EXPECT_EQ(model.Selection(), std::vector<std::wstring>{L"D:"});
}

}  // namespace
}  // namespace vk::test
