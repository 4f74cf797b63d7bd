#include "restorewin/CRestoreTree.h"

#include "controls/SkinImage.h"
#include "resources/ResourceIds.h"

namespace vk {
namespace {

constexpr int kImageSize = 16;
constexpr COLORREF kMaskColour = RGB(0xFF, 0x00, 0xFF);
constexpr COLORREF kLineColour = RGB(0x60, 0x60, 0x60);
constexpr COLORREF kSelectedBack = RGB(0x0B, 0x4F, 0x52);  // as the plan wizard's tree

// The folder icon on the tree's background.
HIMAGELIST LoadFolderIcon() {
  SkinImage folder;
  if (!folder.Load(IDP_TREE_FOLDER)) return nullptr;
  HIMAGELIST list = ::ImageList_Create(kImageSize, kImageSize, ILC_COLOR32, 1, 0);
  if (!list) return nullptr;
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  Bitmap strip(::CreateCompatibleBitmap(screen, kImageSize, kImageSize));
  ::ReleaseDC(nullptr, screen);
  {
    SelectGuard select(dc, strip.Get());
    const RECT rc = {0, 0, kImageSize, kImageSize};
    FillSolid(dc, rc, kDarkBackground);
    folder.Draw(dc, 0, 0);
  }
  ::DeleteDC(dc);
  ::ImageList_Add(list, strip.Get(), nullptr);
  return list;
}

}  // namespace

CRestoreTree::~CRestoreTree() { Detach(); }

bool CRestoreTree::Create(HWND parent, UINT id, const RECT& rc) {
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
  icons_.Reset(LoadFolderIcon());
  TreeView_SetImageList(tree, states_.Get(), TVSIL_STATE);
  TreeView_SetImageList(tree, icons_.Get(), TVSIL_NORMAL);
  return states_ && icons_;
}

void CRestoreTree::OnWindowGone() {
  states_.Reset();
  icons_.Reset();
  items_.clear();
  model_ = nullptr;
}

HTREEITEM CRestoreTree::ItemOf(NodeId node) const {
  if (node < 0 || static_cast<size_t>(node) >= items_.size()) return nullptr;
  return items_[static_cast<size_t>(node)];
}

NodeId CRestoreTree::NodeOf(HTREEITEM item) const {
  if (!item) return kNoNode;
  TVITEMW tv = {};
  tv.mask = TVIF_PARAM | TVIF_HANDLE;
  tv.hItem = item;
  if (!TreeView_GetItem(Hwnd(), &tv)) return kNoNode;
  return static_cast<NodeId>(tv.lParam);
}

HTREEITEM CRestoreTree::InsertItem(NodeId node, HTREEITEM parent) {
  const RestoreNode& n = model_->Node(node);
  TVINSERTSTRUCTW ins = {};
  ins.hParent = parent ? parent : TVI_ROOT;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_CHILDREN | TVIF_IMAGE |
                  TVIF_SELECTEDIMAGE;
  std::wstring text = n.name;  // a folder name from the backup: shown as it is
  ins.item.pszText = &text[0];
  ins.item.lParam = node;
  ins.item.state = n.state;
  ins.item.stateMask = TVIS_STATEIMAGEMASK;
  ins.item.cChildren = n.firstChild != kNoNode ? 1 : 0;
  HTREEITEM item = TreeView_InsertItem(Hwnd(), &ins);
  if (items_.size() < model_->NodeCount()) items_.resize(model_->NodeCount(), nullptr);
  items_[static_cast<size_t>(node)] = item;
  return item;
}

// Items for a node's children that have none yet (read since the last
// look), and the expand mark of a node that gained children.
void CRestoreTree::InsertMissing(NodeId node) {
  HTREEITEM parent = ItemOf(node);
  if (!parent) return;
  TVITEMW tv = {};
  tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
  tv.hItem = parent;
  tv.cChildren = model_->Node(node).firstChild != kNoNode ? 1 : 0;
  TreeView_SetItem(Hwnd(), &tv);
  for (NodeId c = model_->Node(node).firstChild; c != kNoNode; c = model_->Node(c).nextSibling) {
    if (ItemOf(c)) continue;
    InsertItem(c, parent);
  }
}

// The nodes read so far, depth first, without recursion.
void CRestoreTree::InsertSubtree(NodeId first, HTREEITEM parent) {
  std::vector<std::pair<NodeId, HTREEITEM>> stack;
  std::vector<NodeId> level;
  for (NodeId n = first; n != kNoNode; n = model_->Node(n).nextSibling) level.push_back(n);
  for (auto it = level.rbegin(); it != level.rend(); ++it) stack.push_back({*it, parent});
  while (!stack.empty()) {
    const auto [node, under] = stack.back();
    stack.pop_back();
    HTREEITEM item = InsertItem(node, under);
    level.clear();
    for (NodeId c = model_->Node(node).firstChild; c != kNoNode; c = model_->Node(c).nextSibling)
      level.push_back(c);
    for (auto it = level.rbegin(); it != level.rend(); ++it) stack.push_back({*it, item});
  }
}

void CRestoreTree::Clear() {
  TreeView_DeleteAllItems(Hwnd());
  items_.clear();
  model_ = nullptr;
}

void CRestoreTree::Show(RestoreTreeModel& model, LoadAhead loadAhead) {
  Clear();
  model_ = &model;
  loadAhead_ = std::move(loadAhead);
  items_.assign(model.NodeCount(), nullptr);
  if (model.Top().empty()) return;
  InsertSubtree(model.Top().front(), nullptr);
  TreeView_EnsureVisible(Hwnd(), ItemOf(model.Top().front()));
}

void CRestoreTree::ShowStates() {
  for (size_t i = 0; i < items_.size() && i < model_->NodeCount(); ++i) {
    if (!items_[i]) continue;
    TreeView_SetItemState(Hwnd(), items_[i], model_->Node(static_cast<NodeId>(i)).state,
                          TVIS_STATEIMAGEMASK);
  }
}

bool CRestoreTree::ClickNode(NodeId node) {
  if (!model_ || !model_->Click(node)) return false;
  ShowStates();
  if (HTREEITEM item = ItemOf(node)) TreeView_SelectItem(Hwnd(), item);
  return true;
}

bool CRestoreTree::OnClick(bool* checksChanged) {
  TVHITTESTINFO hit = {};
  const DWORD pos = ::GetMessagePos();
  hit.pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
  ::ScreenToClient(Hwnd(), &hit.pt);
  TreeView_HitTest(Hwnd(), &hit);
  if (!hit.hItem || (hit.flags & TVHT_ONITEMSTATEICON) == 0) return false;
  *checksChanged = ClickNode(NodeOf(hit.hItem));
  return *checksChanged;
}

void CRestoreTree::OnExpanding(const NMTREEVIEWW& tv) {
  if ((tv.action & TVE_EXPAND) == 0) return;
  const NodeId node = NodeOf(tv.itemNew.hItem);
  if (node == kNoNode) return;
  if (loadAhead_) loadAhead_(node);
  InsertMissing(node);
  for (NodeId c = model_->Node(node).firstChild; c != kNoNode; c = model_->Node(c).nextSibling)
    InsertMissing(c);
}

bool CRestoreTree::OnNotify(const NMHDR& hdr, LRESULT* result, bool* checksChanged) {
  *checksChanged = false;
  if (hdr.hwndFrom != Hwnd() || !model_) return false;
  *result = 0;
  switch (hdr.code) {
    case NM_CLICK:
      *result = OnClick(checksChanged) ? 1 : 0;
      return true;
    case TVN_KEYDOWN: {
      const auto& key = reinterpret_cast<const NMTVKEYDOWN&>(hdr);
      if (key.wVKey != VK_SPACE) return true;
      *checksChanged = ClickNode(NodeOf(TreeView_GetSelection(Hwnd())));
      *result = 1;
      return true;
    }
    case NM_CUSTOMDRAW: {
      auto& draw = reinterpret_cast<NMTVCUSTOMDRAW&>(const_cast<NMHDR&>(hdr));
      if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
        *result = CDRF_NOTIFYITEMDRAW;
      } else if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && (draw.nmcd.uItemState & CDIS_SELECTED)) {
        draw.clrText = kTextWhite;
        draw.clrTextBk = kSelectedBack;
      }
      return true;
    }
    case TVN_ITEMEXPANDINGW:
      OnExpanding(reinterpret_cast<const NMTREEVIEWW&>(hdr));
      return true;
    default:
      return false;
  }
}

}  // namespace vk
