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
constexpr int kCloseSize = 36;
constexpr int kButtonWidth = 138, kButtonHeight = 52;
constexpr int kCheckFrame = 16, kCheckMargin = 5;
constexpr int kDragBand = 76;
constexpr int kButtonsTop = 217;
// The message ends this far above the buttons: reaching into them, its
// background would be painted over their tops and cut their texts.
constexpr int kMessageGap = 7;

struct Placement {
  UINT id;
  RECT rc;
};
constexpr Placement kPlacements[] = {
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

void CUpdDlg::Layout() const {
  SetClientSize(kWidth, kHeight);
  HFONT font = TextFont(AppLanguage());
  for (const Placement& p : kPlacements) {
    Place(p.id, p.rc.left, p.rc.top, p.rc.right - p.rc.left, p.rc.bottom - p.rc.top);
    SetItemFont(p.id, p.id == IDC_TITLE ? LargeFont() : font);
  }
}

void CUpdDlg::SetUpButtons() {
  Attach(close_, IDC_CLOSE);
  close_.SetImage(IDP_CLOSE_BUTTON, kCloseSize, kCloseSize);
  close_.SetBackground(kBlack);
  for (CImageButton* b : {&update_, &cancel_}) {
    Attach(*b, b == &update_ ? IDC_UPD_UPDATE : IDC_UPD_CANCEL);
    b->SetImage(IDP_TEXT_BUTTON, kButtonWidth, kButtonHeight);
    b->SetTextMode(true);
    b->SetBackground(kDarkBackground);
    b->SetFocusFrame(true);
  }
  Attach(check_, IDC_UPD_CHECK);
  check_.SetImages(IDP_CHECK_OFF, IDP_CHECK_ON, kCheckFrame, kCheckFrame);
  check_.SetColours(kDarkBackground, kTextWhite, kTextGrey);
  check_.SetLeftMargin(kCheckMargin);
  check_.SetTicked(false);
}

BOOL CUpdDlg::OnInitDialog() {
  titleId_ = IDC_TITLE;
  dragBand_ = kDragBand;
  SetWindowIcons(Hwnd(), IDI_APP);
  const std::wstring title = LoadResourceText(txt::kAppTitle);
  ::SetWindowTextW(Hwnd(), title.c_str());
  ::SetWindowTextW(Item(IDC_TITLE), title.c_str());
  Layout();
  SetUpButtons();
  background_.Load(IDP_MESSAGE_BACKGROUND);
  picture_.Load(IDP_ICON_INFORMATION);
  SolidBrush(kDarkBackground);
  SolidBrush(kBlack);
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

void CUpdDlg::OnPaint(HDC dc) {
  RECT rc;
  ::GetClientRect(Hwnd(), &rc);
  BufferDC buffer(dc, rc);
  HDC b = buffer.Get();
  FillSolid(b, rc, kDarkBackground);
  background_.Draw(b, 0, 0);
  picture_.Draw(b, kPictureAt.x, kPictureAt.y);
  buffer.Flush();
}

}  // namespace vk
