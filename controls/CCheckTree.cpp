#include "controls/CCheckTree.h"

#include <algorithm>

#include "controls/SkinImage.h"
#include "resources/ResourceIds.h"

namespace vk {
namespace {

constexpr int kImageSize = 16;
constexpr COLORREF kMaskColour = RGB(0xFF, 0x00, 0xFF);
constexpr COLORREF kLineColour = RGB(0x60, 0x60, 0x60);
constexpr COLORREF kSelectedBack = RGB(0x0B, 0x4F, 0x52);  // the accent, darkened under white text

// The item icons on the tree's background, side by side in one image list.
HIMAGELIST LoadIcons(std::initializer_list<UINT> pictures) {
  std::vector<SkinImage> images(pictures.size());
  size_t i = 0;
  for (UINT id : pictures)
    if (!images[i++].Load(id)) return nullptr;
  const int count = static_cast<int>(images.size());
  HIMAGELIST list = ::ImageList_Create(kImageSize, kImageSize, ILC_COLOR32, count, 0);
  if (!list) return nullptr;
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  Bitmap strip(::CreateCompatibleBitmap(screen, count * kImageSize, kImageSize));
  ::ReleaseDC(nullptr, screen);
  {
    SelectGuard select(dc, strip.Get());
    const RECT rc = {0, 0, count * kImageSize, kImageSize};
    FillSolid(dc, rc, kDarkBackground);
    for (int k = 0; k < count; ++k) images[static_cast<size_t>(k)].Draw(dc, k * kImageSize, 0);
  }
  ::DeleteDC(dc);
  ::ImageList_Add(list, strip.Get(), nullptr);
  return list;
}

}  // namespace

CCheckTree::~CCheckTree() { Detach(); }

bool CCheckTree::Create(HWND parent, UINT id, const RECT& rc,
                        std::initializer_list<UINT> iconPictures) {
  HWND tree = ::CreateWindowExW(
      0, WC_TREEVIEWW, L"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
          TVS_SHOWSELALWAYS,
      rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, parent,
      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
  if (!tree || !Attach(tree)) return false;
  TreeView_SetBkColor(tree, kDarkBackground);
  TreeView_SetTextColor(tree, kTextWhite);
  TreeView_SetLineColor(tree, kLineColour);
  states_.Reset(::ImageList_LoadImageW(::GetModuleHandleW(nullptr),
                                       MAKEINTRESOURCEW(IDB_TREE_STATES), kImageSize, 0,
                                       kMaskColour, IMAGE_BITMAP, LR_CREATEDIBSECTION));
  icons_.Reset(LoadIcons(iconPictures));
  TreeView_SetImageList(tree, states_.Get(), TVSIL_STATE);
  TreeView_SetImageList(tree, icons_.Get(), TVSIL_NORMAL);
  return states_ && icons_;
}

void CCheckTree::OnWindowGone() {
  // The tree is gone before its image lists are destroyed.
  states_.Reset();
  icons_.Reset();
  items_.clear();
  OnModelGone();
}

HTREEITEM CCheckTree::ItemOf(TreeNode node) const {
  if (node < 0 || static_cast<size_t>(node) >= items_.size()) return nullptr;
  return items_[static_cast<size_t>(node)];
}

CCheckTree::TreeNode CCheckTree::NodeOf(HTREEITEM item) const {
  if (!item) return kNoTreeNode;
  TVITEMW tv = {};
  tv.mask = TVIF_PARAM | TVIF_HANDLE;
  tv.hItem = item;
  if (!TreeView_GetItem(Hwnd(), &tv)) return kNoTreeNode;
  return static_cast<TreeNode>(tv.lParam);
}

HTREEITEM CCheckTree::InsertItem(TreeNode node, HTREEITEM parent, ItemText item) {
  if (node < 0) return nullptr;
  TVINSERTSTRUCTW ins = {};
  ins.hParent = parent ? parent : TVI_ROOT;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_CHILDREN | TVIF_IMAGE |
                  TVIF_SELECTEDIMAGE;
  ins.item.pszText = &item.text[0];
  ins.item.lParam = node;
  ins.item.state = item.state;
  ins.item.stateMask = TVIS_STATEIMAGEMASK;
  ins.item.cChildren = item.hasChildren ? 1 : 0;
  ins.item.iImage = ins.item.iSelectedImage = item.image;
  HTREEITEM made = TreeView_InsertItem(Hwnd(), &ins);
  const size_t need = std::max(NodeCount(), static_cast<size_t>(node) + 1);
  if (items_.size() < need) items_.resize(need, nullptr);
  items_[static_cast<size_t>(node)] = made;
  return made;
}

void CCheckTree::SetHasChildren(HTREEITEM item, bool hasChildren) const {
  TVITEMW tv = {};
  tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
  tv.hItem = item;
  tv.cChildren = hasChildren ? 1 : 0;
  TreeView_SetItem(Hwnd(), &tv);
}

void CCheckTree::ClearItems() {
  TreeView_DeleteAllItems(Hwnd());
  items_.assign(HasModel() ? NodeCount() : 0, nullptr);
}

void CCheckTree::ShowStates() {
  for (size_t i = 0; i < items_.size() && i < NodeCount(); ++i) {
    if (!items_[i]) continue;
    TreeView_SetItemState(Hwnd(), items_[i], NodeState(static_cast<TreeNode>(i)),
                          TVIS_STATEIMAGEMASK);
  }
}

bool CCheckTree::ClickNode(TreeNode node) {
  if (!HasModel() || node < 0 || static_cast<size_t>(node) >= NodeCount() || !ClickModel(node))
    return false;
  ShowStates();
  if (HTREEITEM item = ItemOf(node)) TreeView_SelectItem(Hwnd(), item);
  return true;
}

bool CCheckTree::OnClick(bool* checksChanged) {
  TVHITTESTINFO hit = {};
  const DWORD pos = ::GetMessagePos();
  hit.pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
  ::ScreenToClient(Hwnd(), &hit.pt);
  TreeView_HitTest(Hwnd(), &hit);
  if (!hit.hItem || (hit.flags & TVHT_ONITEMSTATEICON) == 0) return false;
  *checksChanged = ClickNode(NodeOf(hit.hItem));
  return *checksChanged;
}

// The selected item in white on the dark accent, with or without the focus:
// the system's colours for a tree without the focus are light, and the
// white text would vanish on them.
LRESULT CCheckTree::OnCustomDraw(NMTVCUSTOMDRAW& draw) const {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && (draw.nmcd.uItemState & CDIS_SELECTED)) {
    draw.clrText = kTextWhite;
    draw.clrTextBk = kSelectedBack;
  }
  return CDRF_DODEFAULT;
}

bool CCheckTree::OnNotify(const NMHDR& hdr, LRESULT* result, bool* checksChanged) {
  *checksChanged = false;
  if (hdr.hwndFrom != Hwnd() || !HasModel()) return false;
  *result = 0;
  switch (hdr.code) {
    case NM_CLICK:
      // Handled clicks on a check image are not passed on: the tree-view would
      // take them for a selection change as well.
      *result = OnClick(checksChanged) ? 1 : 0;
      return true;
    case TVN_KEYDOWN:
      if (reinterpret_cast<const NMTVKEYDOWN&>(hdr).wVKey != VK_SPACE) return true;
      *checksChanged = ClickNode(NodeOf(TreeView_GetSelection(Hwnd())));
      *result = 1;
      return true;
    case NM_CUSTOMDRAW:
      *result = OnCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW&>(const_cast<NMHDR&>(hdr)));
      return true;
    case TVN_ITEMEXPANDINGW: {
      const auto& tv = reinterpret_cast<const NMTREEVIEWW&>(hdr);
      if ((tv.action & TVE_EXPAND) == 0) return true;
      const TreeNode node = NodeOf(tv.itemNew.hItem);
      if (node != kNoTreeNode) OnExpandNode(node);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace vk
