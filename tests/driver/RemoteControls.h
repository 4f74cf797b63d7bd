// Lists and trees of another process read and used as a user would. A
// combo box's lines travel with the message; a tree-view's messages carry
// pointers, so its item texts are read through memory lent in the owning
// process for the time of one message.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vk::driver {

// Every line of a combo box's list, top to bottom.
std::vector<std::wstring> ComboLines(HWND combo);

// The first top-level item (parent null) or first child of `parent`; null when none.
HTREEITEM TreeChild(HWND tree, HTREEITEM parent);
HTREEITEM TreeNextSibling(HWND tree, HTREEITEM item);
std::wstring TreeItemText(HWND tree, HTREEITEM item);
// The item's state image as drawn: 0 none, then the images of the state list
// (a check box's unticked, ticked and partly ticked marks are 1, 2 and 3).
UINT TreeStateImage(HWND tree, HTREEITEM item);
// The item reached from the top by the texts in `names`, one per level;
// null when some level lacks it.
HTREEITEM FindTreeItem(HWND tree, const std::vector<std::wstring>& names);
// Every item shown so far, indented by level: what a failing test prints.
std::string DescribeTree(HWND tree);
// Selects `item` and presses the space bar on the tree, as a keyboard user
// ticks a check box.
::testing::AssertionResult TickTreeItem(HWND tree, HTREEITEM item);

// The system's folder picker shown by process `pid` (a dialog holding a
// tree), or null.
HWND FindFolderPicker(DWORD pid);
// Chooses `folder` in the picker as a user who browses to it would, and
// presses OK.
::testing::AssertionResult PickFolder(HWND picker, const std::wstring& folder);

}  // namespace vk::driver
