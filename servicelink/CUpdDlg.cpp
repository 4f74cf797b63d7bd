#include "servicelink/CUpdDlg.h"

#include "controls/UiFonts.h"
#include "resources/ResourceIds.h"
#include "servicelink/ServiceClient.h"
#include "servicelink/UpdateRules.h"
#include "shell/AppTexts.h"

namespace vk {
namespace {

static_assert(IDD_UPDATE_NOTICE == 159, "the notice's template");

constexpr int kWidth = 581, kHeight = 343;
constexpr POINT kPictureAt = {20, 110};
constexpr int kCloseSize = kSkinCloseSize;
constexpr int kButtonWidth = kSkinButtonWidth, kButtonHeight = kSkinButtonHeight;
constexpr int kButtonsTop = 217;
// The message ends this far above the buttons: reaching into them, its
// background would be painted over their tops and cut their texts.
constexpr int kMessageGap = 7;

constexpr ControlPlacement kPlacements[] = {
    {IDC_TITLE, {40, 22, 40 + 368, 22 + 32}},
    {IDC_CLOSE, {525, 20, 525 + kCloseSize, 20 + kCloseSize}},
    {IDC_MESSAGE, {125, 110, 125 + 431, kButtonsTop - kMessageGap}},
    {IDC_UPD_UPDATE, {127, kButtonsTop, 127 + kButtonWidth, kButtonsTop + kButtonHeight}},
    {IDC_UPD_CANCEL, {315, kButtonsTop, 315 + kButtonWidth, kButtonsTop + kButtonHeight}},
    {IDC_UPD_CHECK, {125, 294, 125 + 431, 294 + 24}},
};

}  // namespace

INT_PTR CUpdDlg::Run(HWND owner) {
  const INT_PTR r = DoModal(owner, kTemplate);
  return r == kNoticeUpdate ? kNoticeUpdate : kNoticeNoUpdate;
}

void CUpdDlg::SetUpButtons() {
  AttachCloseButton(close_);
  AttachTextButton(update_, IDC_UPD_UPDATE);
  AttachTextButton(cancel_, IDC_UPD_CANCEL);
  AttachCheckBox(check_, IDC_UPD_CHECK, false);
}

BOOL CUpdDlg::OnInitDialog() {
  OpenFrame();
  LayOut(kWidth, kHeight, kPlacements);
  SetUpButtons();
  background_.Load(IDP_MESSAGE_BACKGROUND);
  picture_.Load(IDP_ICON_INFORMATION);
  ::SetWindowTextW(Item(IDC_MESSAGE), GetString(txt::kUpdateNoticeReleased).c_str());
  ::SetWindowTextW(Item(IDC_UPD_UPDATE), GetString(txt::kUpdateNoticeUpdate).c_str());
  ::SetWindowTextW(Item(IDC_UPD_CANCEL), GetString(txt::kMsgButtonCancel).c_str());
  ::SetWindowTextW(Item(IDC_UPD_CHECK), GetString(txt::kUpdateNoticeDontShowAgain).c_str());
  ::MessageBeep(MB_ICONASTERISK);
  CentreOn(nullptr);
  return TRUE;
}

void CUpdDlg::Finish(INT_PTR result) {
  link::SetUpdateNotice(nullptr, link::NoticesStayOn(check_.Ticked()));
  Close(result);
}

void CUpdDlg::OnCommand(UINT id, UINT, HWND) {
  switch (id) {
    case IDC_UPD_UPDATE: Finish(kNoticeUpdate); break;
    case IDC_UPD_CANCEL: Finish(kNoticeNoUpdate); break;
    case IDC_CLOSE: Close(kNoticeNoUpdate); break;  // the service is not told
    case IDC_UPD_CHECK: check_.SetTicked(!check_.Ticked()); break;
    default: break;  // Enter and Escape do nothing
  }
}

void CUpdDlg::OnPaint(HDC dc) { PaintFace(dc, background_, &picture_, kPictureAt); }

}  // namespace vk
