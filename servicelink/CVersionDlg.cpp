#include "servicelink/CVersionDlg.h"

#include "controls/UiFonts.h"
#include "resources/ResourceIds.h"
#include "servicelink/VersionTexts.h"
#include "shell/AppTexts.h"

namespace vk {
namespace {

constexpr int kWidth = 745, kHeight = 350;
constexpr POINT kProductAt = {35, 120};
constexpr int kCloseSize = kSkinCloseSize;
constexpr int kButtonWidth = kSkinButtonWidth, kButtonHeight = kSkinButtonHeight;

constexpr ControlPlacement kPlacements[] = {
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

void CVersionDlg::SetUpButtons() {
  AttachCloseButton(close_);
  AttachTextButton(ok_, IDOK);
}

// A text the resource lacks leaves its control as the template has it.
void CVersionDlg::ShowVersionTexts() const {
  const link::VersionTexts texts = link::ReadOwnVersionTexts();
  if (texts.hasVersion) ::SetWindowTextW(Item(IDC_VER_VERSION), texts.version.c_str());
  if (texts.hasCopyright) ::SetWindowTextW(Item(IDC_VER_COPYRIGHT), texts.copyright.c_str());
}

BOOL CVersionDlg::OnInitDialog() {
  OpenFrame();
  LayOut(kWidth, kHeight, kPlacements);
  SetUpButtons();
  background_.Load(IDP_VERSION_BACKGROUND);
  product_.Load(IDP_PRODUCT);
  ShowVersionTexts();
  ::SetWindowTextW(Item(IDC_VER_PRODUCT), GetString(txt::kVersionTitle).c_str());
  ::SetWindowTextW(Item(IDC_VER_LABEL), GetString(txt::kVersionLabel).c_str());
  ::SetWindowTextW(Item(IDOK), GetString(txt::kVersionOk).c_str());
  CentreOn(nullptr);
  return TRUE;
}

void CVersionDlg::OnCommand(UINT id, UINT, HWND) {
  if (id == IDOK) Close(IDOK);
  else if (id == IDC_CLOSE) Close(kClosedByCloseButton);
  // Escape does nothing, as in the program's other windows.
}

void CVersionDlg::OnPaint(HDC dc) { PaintFace(dc, background_, &product_, kProductAt); }

}  // namespace vk
