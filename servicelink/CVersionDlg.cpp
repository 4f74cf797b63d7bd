#include "servicelink/CVersionDlg.h"

#include "controls/UiFonts.h"
#include "resources/ResourceIds.h"
#include "servicelink/VersionTexts.h"
#include "shell/AppTexts.h"

namespace vk {
namespace {

constexpr int kWidth = 745, kHeight = 350;
constexpr POINT kProductAt = {35, 120};
constexpr int kCloseSize = 36;
constexpr int kButtonWidth = 138, kButtonHeight = 52;
constexpr int kDragBand = 76;
constexpr INT_PTR kClosedByButton = 2;

struct Placement {
  UINT id;
  RECT rc;
};
constexpr Placement kPlacements[] = {
    {IDC_TITLE, {40, 22, 40 + 368, 22 + 32}},
    {IDC_CLOSE, {689, 20, 689 + kCloseSize, 20 + kCloseSize}},
    {IDC_VER_PRODUCT, {160, 120, 160 + 368, 120 + 24}},
    {IDC_VER_LABEL, {160, 165, 160 + 100, 165 + 24}},
    {IDC_VER_VERSION, {260, 165, 260 + 268, 165 + 24}},
    {IDC_VER_COPYRIGHT, {35, 210, 35 + 656, 210 + 48}},
    {IDOK, {582, 273, 582 + kButtonWidth, 273 + kButtonHeight}},
};

}  // namespace

INT_PTR CVersionDlg::Run(HWND owner) { return DoModal(owner, IDD_VERSION); }
bool CVersionDlg::CreateForCheck(HWND owner) { return CreateModeless(owner, IDD_VERSION); }

void CVersionDlg::Layout() const {
  SetClientSize(kWidth, kHeight);
  HFONT font = TextFont(AppLanguage());
  for (const Placement& p : kPlacements) {
    Place(p.id, p.rc.left, p.rc.top, p.rc.right - p.rc.left, p.rc.bottom - p.rc.top);
    SetItemFont(p.id, p.id == IDC_TITLE ? LargeFont() : font);
  }
}

void CVersionDlg::SetUpButtons() {
  Attach(close_, IDC_CLOSE);
  close_.SetImage(IDP_CLOSE_BUTTON, kCloseSize, kCloseSize);
  close_.SetBackground(kBlack);
  Attach(ok_, IDOK);
  ok_.SetImage(IDP_TEXT_BUTTON, kButtonWidth, kButtonHeight);
  ok_.SetTextMode(true);
  ok_.SetBackground(kDarkBackground);
  ok_.SetFocusFrame(true);
}

// A text the resource lacks leaves its control as the template has it.
void CVersionDlg::ShowVersionTexts() const {
  const link::VersionTexts texts = link::ReadOwnVersionTexts();
  if (texts.hasVersion) ::SetWindowTextW(Item(IDC_VER_VERSION), texts.version.c_str());
  if (texts.hasCopyright) ::SetWindowTextW(Item(IDC_VER_COPYRIGHT), texts.copyright.c_str());
}

BOOL CVersionDlg::OnInitDialog() {
  titleId_ = IDC_TITLE;
  dragBand_ = kDragBand;
  SetWindowIcons(Hwnd(), IDI_APP);
  const std::wstring title = LoadResourceText(txt::kAppTitle);
  ::SetWindowTextW(Hwnd(), title.c_str());
  ::SetWindowTextW(Item(IDC_TITLE), title.c_str());
  Layout();
  SetUpButtons();
  background_.Load(IDP_VERSION_BACKGROUND);
  product_.Load(IDP_PRODUCT);
  SolidBrush(kDarkBackground);
  SolidBrush(kBlack);
  ShowVersionTexts();
  ::SetWindowTextW(Item(IDC_VER_PRODUCT), GetString(txt::kVersionTitle).c_str());
  ::SetWindowTextW(Item(IDC_VER_LABEL), GetString(txt::kVersionLabel).c_str());
  ::SetWindowTextW(Item(IDOK), GetString(txt::kVersionOk).c_str());
  CentreOn(nullptr);
  return TRUE;
}

void CVersionDlg::OnCommand(UINT id, UINT, HWND) {
  if (id == IDOK) Close(IDOK);
  else if (id == IDC_CLOSE) Close(kClosedByButton);
  // Escape does nothing, as in the program's other windows.
}

void CVersionDlg::OnPaint(HDC dc) {
  RECT rc;
  ::GetClientRect(Hwnd(), &rc);
  BufferDC buffer(dc, rc);
  HDC b = buffer.Get();
  FillSolid(b, rc, kDarkBackground);
  background_.Draw(b, 0, 0);
  product_.Draw(b, kProductAt.x, kProductAt.y);
  buffer.Flush();
}

}  // namespace vk
