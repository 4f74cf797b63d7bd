#include "tests/driver/RemoteControls.h"

#include <shlobj.h>

#include "common/Handle.h"
#include "tests/driver/Ui.h"

namespace vk::driver {
namespace {

constexpr UINT kAnswerMs = 5000;
constexpr size_t kMaxItemChars = 520;
// A tree deeper or wider than this is not one a test builds.
constexpr size_t kMaxDescribedItems = 1000;
constexpr unsigned kStateImageShift = 12;  // the state image index in an item's state

LRESULT Ask(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, kAnswerMs, &answer)) return 0;
  return static_cast<LRESULT>(answer);
}

// Memory in another process, freed when it goes.
class RemoteBlock {
 public:
  RemoteBlock(HWND owner, size_t bytes) : bytes_(bytes) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(owner, &pid);
    process_.Reset(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (process_)
      base_ = ::VirtualAllocEx(process_.Get(), nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBlock() {
    if (base_) ::VirtualFreeEx(process_.Get(), base_, 0, MEM_RELEASE);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  uint8_t* At(size_t offset) const { return static_cast<uint8_t*>(base_) + offset; }
  bool Write(size_t offset, const void* data, size_t n) const {
    SIZE_T done = 0;
    return base_ && offset + n <= bytes_ &&
           ::WriteProcessMemory(process_.Get(), At(offset), data, n, &done) && done == n;
  }
  bool Read(size_t offset, void* data, size_t n) const {
    SIZE_T done = 0;
    return base_ && offset + n <= bytes_ &&
           ::ReadProcessMemory(process_.Get(), At(offset), data, n, &done) && done == n;
  }

 private:
  KernelHandle process_;
  void* base_ = nullptr;
  size_t bytes_;
};

}  // namespace

std::vector<std::wstring> ComboLines(HWND combo) {
  std::vector<std::wstring> lines;
  const LRESULT count = Ask(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT chars = Ask(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (chars < 0 || static_cast<size_t>(chars) > kMaxItemChars) {
      lines.emplace_back();
      continue;
    }
    std::wstring text(static_cast<size_t>(chars) + 1, L'\0');
    const LRESULT got = ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                       reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    lines.push_back(text);
  }
  return lines;
}

HTREEITEM TreeChild(HWND tree, HTREEITEM parent) {
  return reinterpret_cast<HTREEITEM>(Ask(tree, TVM_GETNEXTITEM,
                                         parent ? TVGN_CHILD : TVGN_ROOT,
                                         reinterpret_cast<LPARAM>(parent)));
}

HTREEITEM TreeNextSibling(HWND tree, HTREEITEM item) {
  return reinterpret_cast<HTREEITEM>(
      Ask(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
}

std::wstring TreeItemText(HWND tree, HTREEITEM item) {
  // The item record first, its text buffer after it.
  constexpr size_t kTextOffset = sizeof(TVITEMW);
  RemoteBlock block(tree, kTextOffset + (kMaxItemChars + 1) * sizeof(wchar_t));
  TVITEMW tv = {};
  tv.mask = TVIF_TEXT | TVIF_HANDLE;
  tv.hItem = item;
  tv.pszText = reinterpret_cast<wchar_t*>(block.At(kTextOffset));
  tv.cchTextMax = static_cast<int>(kMaxItemChars);
  if (!block.Write(0, &tv, sizeof tv)) return L"";
  if (!Ask(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(block.At(0)))) return L"";
  wchar_t text[kMaxItemChars + 1] = {};
  if (!block.Read(kTextOffset, text, kMaxItemChars * sizeof(wchar_t))) return L"";
  return text;
}

UINT TreeStateImage(HWND tree, HTREEITEM item) {
  const LRESULT state =
      Ask(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK);
  return static_cast<UINT>((static_cast<UINT>(state) & TVIS_STATEIMAGEMASK) >> kStateImageShift);
}

HTREEITEM FindTreeItem(HWND tree, const std::vector<std::wstring>& names) {
  HTREEITEM parent = nullptr;
  for (const std::wstring& name : names) {
    HTREEITEM item = TreeChild(tree, parent);
    while (item && TreeItemText(tree, item) != name) item = TreeNextSibling(tree, item);
    if (!item) return nullptr;
    parent = item;
  }
  return parent;
}

std::string DescribeTree(HWND tree) {
  std::string out;
  std::vector<std::pair<HTREEITEM, size_t>> stack;
  for (HTREEITEM i = TreeChild(tree, nullptr); i; i = TreeNextSibling(tree, i)) stack.push_back({i, 0});
  size_t shown = 0;
  while (!stack.empty() && shown++ < kMaxDescribedItems) {
    const auto [item, level] = stack.front();
    stack.erase(stack.begin());
    out += std::string(level * 2, ' ');
    for (wchar_t c : TreeItemText(tree, item)) out += c < 0x80 ? static_cast<char>(c) : '?';
    out += '\n';
    std::vector<std::pair<HTREEITEM, size_t>> children;
    for (HTREEITEM c = TreeChild(tree, item); c; c = TreeNextSibling(tree, c))
      children.push_back({c, level + 1});
    stack.insert(stack.begin(), children.begin(), children.end());
  }
  return out;
}

::testing::AssertionResult TickTreeItem(HWND tree, HTREEITEM item) {
  if (!item) return ::testing::AssertionFailure() << "no such tree item";
  if (!Ask(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)))
    return ::testing::AssertionFailure() << "the tree does not select the item";
  // Posted as the keyboard's messages are; the tree tells its parent.
  ::PostMessageW(tree, WM_KEYDOWN, VK_SPACE, 0);
  ::PostMessageW(tree, WM_KEYUP, VK_SPACE, 0);
  return ::testing::AssertionSuccess();
}

HWND FindFolderPicker(DWORD pid) {
  for (HWND w : TopLevelWindows(pid))
    if (Shown(w) && ::FindWindowExW(w, nullptr, WC_TREEVIEWW, nullptr)) return w;
  return nullptr;
}

::testing::AssertionResult PickFolder(HWND picker, const std::wstring& folder) {
  // The picker takes the folder to select by pointer: lent in its process.
  const size_t bytes = (folder.size() + 1) * sizeof(wchar_t);
  RemoteBlock block(picker, bytes);
  if (!block.Write(0, folder.c_str(), bytes))
    return ::testing::AssertionFailure() << "no memory in the picker's process";
  Ask(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(block.At(0)));
  return Click(picker, IDOK);
}

}  // namespace vk::driver
