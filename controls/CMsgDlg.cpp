#include "controls/CMsgDlg.h"

#include "controls/UiFonts.h"
#include "common/Texts.h"
#include "resources/ResourceIds.h"

namespace vk {
namespace {

// Layout of the message window, in pixels.
constexpr int kWidth = 581, kHeight = 343;
constexpr RECT kTitle = {40, 22, 40 + 368, 22 + 32};
constexpr POINT kClose = {525, 20};
constexpr POINT kIcon = {20, 110};
constexpr RECT kText = {125, 90, 125 + 431, 90 + 130};
constexpr RECT kCheck = {125, 218, 125 + 431, 218 + 24};
constexpr int kButtonsY = 266;
constexpr int kOkX = 127, kSecondX = 315, kSingleOkX = 221;
constexpr int kCloseSize = kSkinCloseSize;
constexpr int kButtonWidth = kSkinButtonWidth, kButtonHeight = kSkinButtonHeight;

void PlaceRect(HWND item, const RECT& rc) {
  ::SetWindowPos(item, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

INT_PTR CMsgDlg::Show(HWND owner) {
  owner_ = owner;
  return DoModal(owner, IDD_MESSAGE);
}

bool CMsgDlg::TwoButtons() const { return (style_ & kMsgButtonsMask) == kMsgOkCancel; }

UINT CMsgDlg::IconImage() const {
  switch (style_ & kIconMask) {
    case kIconError: return IDP_ICON_ERROR;
    case kIconInformation: return IDP_ICON_INFORMATION;
    case kIconSuccess: return IDP_ICON_SUCCESS;
    default: return IDP_ICON_WARNING;
  }
}

void CMsgDlg::Layout() {
  SetClientSize(kWidth, kHeight);
  PlaceRect(Item(IDC_TITLE), kTitle);
  Place(IDC_CLOSE, kClose.x, kClose.y, kCloseSize, kCloseSize);
  PlaceRect(Item(IDC_MESSAGE), kText);
  PlaceRect(Item(IDC_CHECK), kCheck);
  const bool two = TwoButtons();
  Place(IDC_OK, two ? kOkX : kSingleOkX, kButtonsY, kButtonWidth, kButtonHeight);
  Place(IDC_SECOND, kSecondX, kButtonsY, kButtonWidth, kButtonHeight);
  ::ShowWindow(Item(IDC_SECOND), two ? SW_SHOW : SW_HIDE);
}

void CMsgDlg::SetUpButtons() {
  const uint32_t language = AppLanguage();
  AttachCloseButton(close_);
  close_.SetTextMode(true);
  AttachTextButton(ok_, IDC_OK);
  AttachTextButton(second_, IDC_SECOND);
  SetItemFont(IDC_OK, TextFont(language));
  SetItemFont(IDC_SECOND, TextFont(language));
  ::SetWindowTextW(Item(IDC_OK), LoadText(txt::kMsgButtonOk, language).c_str());
  uint32_t secondText = txt::kMsgButtonCancel;
  if (backMode)
    secondText = txt::kMsgButtonBack;
  else if (logMode)
    secondText = txt::kMsgButtonLog;
  ::SetWindowTextW(Item(IDC_SECOND), LoadText(secondText, language).c_str());
  if (logMode && !backMode && !logEnabled) ::EnableWindow(Item(IDC_SECOND), FALSE);
}

void CMsgDlg::SetUpCheckBox() {
  AttachCheckBox(check_, IDC_CHECK, checkState);
  SetItemFont(IDC_CHECK, TextFont(AppLanguage()));
  ::SetWindowTextW(Item(IDC_CHECK), checkText.c_str());
  if (checkShown) {
    ::ShowWindow(Item(IDC_CHECK), SW_SHOW);
    ::EnableWindow(Item(IDC_OK), checkState ? TRUE : FALSE);
  }
}

void CMsgDlg::PlaySound() const {
  switch (style_ & kIconMask) {
    case kIconError: ::MessageBeep(MB_ICONHAND); break;
    case kIconInformation:
    case kIconSuccess: ::MessageBeep(MB_ICONASTERISK); break;
    default: ::MessageBeep(MB_ICONEXCLAMATION); break;
  }
}

BOOL CMsgDlg::OnInitDialog() {
  OpenFrame();
  ::SendMessageW(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(LargeFont()), FALSE);
  SetItemFont(IDC_TITLE, LargeFont());
  // The message is painted by the window; the hidden static carries it too,
  // so that other programs (screen readers, the GUI tests) can read it.
  ::SetWindowTextW(Item(IDC_MESSAGE), message_.c_str());
  Layout();
  SetUpButtons();
  SetUpCheckBox();
  backImage_.Load(IDP_MESSAGE_BACKGROUND);
  icon_.Load(IconImage());
  if (topmost)
    ::SetWindowPos(Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  PlaySound();
  CentreOn(owner_);
  if (TwoButtons() && (style_ & kMsgDefaultMask) == kMsgDefaultSecond &&
      ::IsWindowEnabled(Item(IDC_SECOND))) {
    ::SetFocus(Item(IDC_SECOND));
    return FALSE;  // the focus is set
  }
  return TRUE;
}

void CMsgDlg::OnCommand(UINT id, UINT, HWND) {
  switch (id) {
    case IDOK:  // Enter
    case IDC_OK:
      if (::IsWindowEnabled(Item(IDC_OK))) Close(kMsgResultOk);
      break;
    case IDC_SECOND:
      if (!TwoButtons() || !::IsWindowEnabled(Item(IDC_SECOND))) break;
      Close(backMode ? kMsgResultBack : logMode ? kMsgResultLog : kMsgResultCancel);
      break;
    case IDCANCEL:  // Esc
    case IDC_CLOSE:
      Close(kMsgResultCancel);
      break;
    case IDC_CHECK:
      checkState = !checkState;
      check_.SetTicked(checkState);
      ::EnableWindow(Item(IDC_OK), checkState ? TRUE : FALSE);
      break;
    default:
      break;
  }
}

void CMsgDlg::OnPaint(HDC dc) {
  PaintMessageFace(Hwnd(), dc, {kDarkBackground, &backImage_, &icon_, kIcon, kText, kTextWhite},
                   message_);
}

void PaintMessageFace(HWND hwnd, HDC dc, const MessageFace& face, const std::wstring& text) {
  RECT rc;
  ::GetClientRect(hwnd, &rc);
  BufferDC buffer(dc, rc);
  HDC b = buffer.Get();
  FillSolid(b, rc, face.fill);
  face.background->Draw(b, 0, 0);
  face.icon->Draw(b, face.iconAt.x, face.iconAt.y);
  DrawWrappedText(b, face.textArea, text, TextFont(AppLanguage()), face.textColour, DT_LEFT);
  buffer.Flush();
}

TextSlot MessageTextSlot(HWND window, const std::wstring& text) {
  return {window, text, kText, TextFont(AppLanguage()), true};
}

INT_PTR ShowMessageBox(HWND owner, const std::wstring& text, uint32_t style) {
  CMsgDlg dlg(text, style);
  return dlg.Show(owner);
}

INT_PTR ShowMessageBoxWithLog(HWND owner, const std::wstring& text, uint32_t style,
                              bool logEnabled) {
  CMsgDlg dlg(text, style);
  dlg.logMode = true;
  dlg.logEnabled = logEnabled;
  return dlg.Show(owner);
}

}  // namespace vk
