#include "wizard/CFolderTree.h"

#include "controls/SkinImage.h"
#include "resources/ResourceIds.h"

namespace vk {
namespace {

constexpr int kImageSize = 16;
constexpr COLORREF kMaskColour = RGB(0xFF, 0x00, 0xFF);
constexpr COLORREF kLineColour = RGB(0x60, 0x60, 0x60);
constexpr COLORREF kSelectedBack = RGB(0x0B, 0x4F, 0x52);  // the accent, darkened under white text
constexpr int kFolderImage = 0, kPcImage = 1;

// The item state of a check state: 0x1000 unchecked, 0x2000 checked,
// 0x3000 partly checked, 0 no image.
static_assert(INDEXTOSTATEIMAGEMASK(1) == kUnchecked && INDEXTOSTATEIMAGEMASK(2) == kChecked &&
                  INDEXTOSTATEIMAGEMASK(3) == kPartlyChecked,
              "check states are the state-image bits");

// The two item icons on the tree's background, as one image list.
HIMAGELIST LoadIcons() {
  SkinImage folder, pc;
  if (!folder.Load(IDP_TREE_FOLDER) || !pc.Load(IDP_TREE_PC)) return nullptr;
  HIMAGELIST list = ::ImageList_Create(kImageSize, kImageSize, ILC_COLOR32, 2, 0);
  if (!list) return nullptr;
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  Bitmap strip(::CreateCompatibleBitmap(screen, 2 * kImageSize, kImageSize));
  ::ReleaseDC(nullptr, screen);
  {
    SelectGuard select(dc, strip.Get());
    const RECT rc = {0, 0, 2 * kImageSize, kImageSize};
    FillSolid(dc, rc, kDarkBackground);
    folder.Draw(dc, kFolderImage * kImageSize, 0);
    pc.Draw(dc, kPcImage * kImageSize, 0);
  }
  ::DeleteDC(dc);
  ::ImageList_Add(list, strip.Get(), nullptr);
  return list;
}

}  // namespace

CFolderTree::~CFolderTree() { Detach(); }

bool CFolderTree::Create(HWND parent, UINT id, const RECT& rc) {
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
  return LoadImages();
}

bool CFolderTree::LoadImages() {
  states_.Reset(::ImageList_LoadImageW(::GetModuleHandleW(nullptr),
                                       MAKEINTRESOURCEW(IDB_TREE_STATES), kImageSize, 0,
                                       kMaskColour, IMAGE_BITMAP, LR_CREATEDIBSECTION));
  icons_.Reset(LoadIcons());
  TreeView_SetImageList(Hwnd(), states_.Get(), TVSIL_STATE);
  TreeView_SetImageList(Hwnd(), icons_.Get(), TVSIL_NORMAL);
  return states_ && icons_;
}

void CFolderTree::OnWindowGone() {
  // The tree is gone before its image lists are destroyed.
  states_.Reset();
  icons_.Reset();
  items_.clear();
  model_ = nullptr;
}

HTREEITEM CFolderTree::ItemOf(NodeId node) const {
  if (node < 0 || static_cast<size_t>(node) >= items_.size()) return nullptr;
  return items_[static_cast<size_t>(node)];
}

NodeId CFolderTree::NodeOf(HTREEITEM item) const {
  if (!item) return kNoNode;
  TVITEMW tv = {};
  tv.mask = TVIF_PARAM | TVIF_HANDLE;
  tv.hItem = item;
  if (!TreeView_GetItem(Hwnd(), &tv)) return kNoNode;
  return static_cast<NodeId>(tv.lParam);
}

HTREEITEM CFolderTree::InsertItem(NodeId node, HTREEITEM parent) {
  const FolderNode& n = model_->Node(node);
  TVINSERTSTRUCTW ins = {};
  ins.hParent = parent ? parent : TVI_ROOT;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_CHILDREN | TVIF_IMAGE |
                  TVIF_SELECTEDIMAGE;
  std::wstring text = n.name;  // a folder name from the disk: shown as it is
  ins.item.pszText = &text[0];
  ins.item.lParam = node;
  ins.item.state = n.state;
  ins.item.stateMask = TVIS_STATEIMAGEMASK;
  ins.item.cChildren = n.firstChild != kNoNode ? 1 : 0;
  const int image = node == model_->ThisPcRoot() ? kPcImage : kFolderImage;
  ins.item.iImage = ins.item.iSelectedImage = image;
  HTREEITEM item = TreeView_InsertItem(Hwnd(), &ins);
  if (items_.size() < model_->NodeCount()) items_.resize(model_->NodeCount(), nullptr);
  items_[static_cast<size_t>(node)] = item;
  return item;
}

// Each child is listed before it gets its item, so that it shows an expand
// button exactly when it has subfolders.
void CFolderTree::InsertChildren(NodeId node) {
  HTREEITEM parent = ItemOf(node);
  for (NodeId c = model_->Node(node).firstChild; c != kNoNode; c = model_->Node(c).nextSibling) {
    if (ItemOf(c)) continue;
    model_->Populate(c);
    InsertItem(c, parent);
  }
}

void CFolderTree::Show(FolderTreeModel& model) {
  model_ = &model;
  TreeView_DeleteAllItems(Hwnd());
  items_.assign(model.NodeCount(), nullptr);
  for (NodeId root : {model.LibraryRoot(), model.ThisPcRoot()}) {
    if (root == kNoNode) continue;
    InsertItem(root, nullptr);
    InsertChildren(root);
    TreeView_Expand(Hwnd(), ItemOf(root), TVE_EXPAND);
  }
}

void CFolderTree::Expand(NodeId node) {
  if (!model_ || !ItemOf(node)) return;
  InsertChildren(node);
  TreeView_Expand(Hwnd(), ItemOf(node), TVE_EXPAND);
}

void CFolderTree::ShowStates() {
  if (items_.size() < model_->NodeCount()) items_.resize(model_->NodeCount(), nullptr);
  for (size_t i = 0; i < items_.size(); ++i) {
    if (!items_[i]) continue;
    TreeView_SetItemState(Hwnd(), items_[i], model_->Node(static_cast<NodeId>(i)).state,
                          TVIS_STATEIMAGEMASK);
  }
}

bool CFolderTree::ClickNode(NodeId node) {
  if (!model_ || !model_->Click(node)) return false;
  ShowStates();
  if (HTREEITEM item = ItemOf(node)) TreeView_SelectItem(Hwnd(), item);
  return true;
}

bool CFolderTree::OnClick(bool* checksChanged) {
  TVHITTESTINFO hit = {};
  const DWORD pos = ::GetMessagePos();
  hit.pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
  ::ScreenToClient(Hwnd(), &hit.pt);
  TreeView_HitTest(Hwnd(), &hit);
  if (!hit.hItem || (hit.flags & TVHT_ONITEMSTATEICON) == 0) return false;
  *checksChanged = ClickNode(NodeOf(hit.hItem));
  return *checksChanged;
}

bool CFolderTree::OnKeyDown(const NMTVKEYDOWN& key, bool* checksChanged) {
  if (key.wVKey != VK_SPACE) return false;
  *checksChanged = ClickNode(NodeOf(TreeView_GetSelection(Hwnd())));
  return true;
}

// The selected item in white on the dark accent, with or without the focus:
// the system's colours for a tree without the focus are light, and the
// white text would vanish on them.
LRESULT CFolderTree::OnCustomDraw(NMTVCUSTOMDRAW& draw) const {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && (draw.nmcd.uItemState & CDIS_SELECTED)) {
    draw.clrText = kTextWhite;
    draw.clrTextBk = kSelectedBack;
  }
  return CDRF_DODEFAULT;
}

void CFolderTree::OnExpanding(const NMTREEVIEWW& tv) {
  if ((tv.action & TVE_EXPAND) == 0) return;
  InsertChildren(NodeOf(tv.itemNew.hItem));
}

bool CFolderTree::OnNotify(const NMHDR& hdr, LRESULT* result, bool* checksChanged) {
  *checksChanged = false;
  if (hdr.hwndFrom != Hwnd() || !model_) return false;
  *result = 0;
  switch (hdr.code) {
    case NM_CLICK:
      // Handled clicks on a check image are not passed on: the tree-view would
      // take them for a selection change as well.
      *result = OnClick(checksChanged) ? 1 : 0;
      return true;
    case TVN_KEYDOWN:
      *result = OnKeyDown(reinterpret_cast<const NMTVKEYDOWN&>(hdr), checksChanged) ? 1 : 0;
      return true;
    case NM_CUSTOMDRAW:
      *result = OnCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW&>(const_cast<NMHDR&>(hdr)));
      return true;
    case TVN_ITEMEXPANDINGW:
      OnExpanding(reinterpret_cast<const NMTREEVIEWW&>(hdr));
      return true;
    default:
      return false;
  }
}

}  // namespace vk
