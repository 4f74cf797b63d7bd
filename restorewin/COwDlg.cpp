#include "restorewin/COwDlg.h"

#include <commctrl.h>

#include "controls/UiFonts.h"
#include "resources/ResourceIds.h"
#include "shell/AppTexts.h"

namespace vk {
namespace {

// Layout of the prompt, in client pixels.
constexpr int kWidth = 581, kHeight = 600;
constexpr POINT kPictureAt = {20, 110};
constexpr int kCloseSize = kSkinCloseSize;
constexpr int kMaxTipWidth = 1000;
constexpr COLORREF kPanelFill = RGB(0x23, 0x23, 0x23);

constexpr ControlPlacement kPlacements[] = {
    {IDC_TITLE, {40, 22, 40 + 368, 22 + 32}},
    {IDC_CLOSE, {525, 20, 525 + kCloseSize, 20 + kCloseSize}},
    {IDC_MESSAGE, {125, 110, 125 + 431, 110 + 48}},
    {IDC_OW_FILE_LABEL, {125, 158, 125 + 160, 158 + 24}},
    {IDC_OW_FILE_NAME, {285, 158, 285 + 271, 158 + 24}},
    {IDC_OW_LOCATION_LABEL, {125, 190, 125 + 160, 190 + 24}},
    {IDC_OW_LOCATION, {285, 190, 285 + 271, 190 + 24}},
    {IDC_OW_REPLACE, {25, 240, 25 + 531, 240 + 120}},
    {IDC_OW_SKIP, {25, 400, 25 + 531, 400 + 120}},
    {IDC_OW_APPLY, {25, 551, 25 + 531, 551 + 24}},
};

}  // namespace

INT_PTR COwDlg::Run(HWND owner) {
  owner_ = owner;
  return DoModal(owner, IDD_OVERWRITE);
}

bool COwDlg::CreateForCheck(HWND owner) {
  owner_ = owner;
  return CreateModeless(owner, IDD_OVERWRITE);
}

void COwDlg::SetUpPanels(const OverwriteTexts& texts) {
  AttachCloseButton(close_);
  Place(IDC_CLOSE, kPlacements[1].rc.left, kPlacements[1].rc.top, kCloseSize, kCloseSize);
  struct Panel {
    CImageButton& button;
    UINT id;
    const std::array<std::wstring, 4>& lines;
    UINT picture;
  } panels[] = {{replace_, IDC_OW_REPLACE, texts.replacePanel, IDP_CHOICE_OVERWRITE},
                {skip_, IDC_OW_SKIP, texts.skipPanel, IDP_CHOICE_SKIP}};
  for (Panel& p : panels) {
    Attach(p.button, p.id);
    p.button.SetPanelMode(true);
    p.button.SetBackground(kPanelFill);
    p.button.SetPanelLines(p.lines);
    p.button.SetPanelPicture(p.picture);
    // The lines also as the window text, for screen readers and tests.
    const std::wstring all = p.lines[0] + L"\n" + p.lines[1] + L"\n" + p.lines[2] + L"\n" + p.lines[3];
    ::SetWindowTextW(Item(p.id), all.c_str());
  }
}

void COwDlg::SetUpCheckBox() {
  AttachCheckBox(apply_, IDC_OW_APPLY, false);
  ::SetWindowTextW(Item(IDC_OW_APPLY), GetString(txt::kOverwriteApplyToRest).c_str());
}

// Each path box shows its whole text in a tip, so a long name can be read.
void COwDlg::SetUpTips() {
  tips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                            WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(), nullptr,
                            ::GetModuleHandleW(nullptr), nullptr);
  if (!tips_) return;
  ::SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
  ::SendMessageW(tips_, WM_SETFONT, reinterpret_cast<WPARAM>(TextFont(AppLanguage())), FALSE);
  for (UINT id : {IDC_OW_FILE_NAME, IDC_OW_LOCATION}) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(Item(id))) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(Item(id), &text[0], static_cast<int>(text.size()))));
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(Item(id));
    tool.lpszText = &text[0];  // copied by the tip control
    ::SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

BOOL COwDlg::OnInitDialog() {
  OpenFrame();
  ::SendMessageW(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(LargeFont()), FALSE);
  LayOut(kWidth, kHeight, kPlacements);
  const OverwriteTexts texts = BuildOverwriteTexts(query_);
  query_.targetPath = nullptr;  // the caller's string need not outlive the opening
  SetUpPanels(texts);
  background_.Load(IDP_OVERWRITE_BACKGROUND);
  picture_.Load(IDP_ICON_WARNING);
  ::SetWindowTextW(Item(IDC_MESSAGE), texts.message.c_str());
  ::SetWindowTextW(Item(IDC_OW_FILE_LABEL), GetString(txt::kOverwriteFileName).c_str());
  ::SetWindowTextW(Item(IDC_OW_FILE_NAME), texts.fileName.c_str());
  ::SetWindowTextW(Item(IDC_OW_LOCATION_LABEL), GetString(txt::kOverwriteLocation).c_str());
  ::SetWindowTextW(Item(IDC_OW_LOCATION), texts.location.c_str());
  SetUpCheckBox();
  SetUpTips();
  ::MessageBeep(MB_ICONEXCLAMATION);
  CentreOn(owner_);
  return TRUE;
}

void COwDlg::Finish(OverwriteAction action) {
  const OverwriteOutcome o = OutcomeOf(action, apply_.Ticked());
  if (!o.ends) return;
  choice_ = o.choice;
  applyToRest_ = o.applyToRest;
  Close(o.endCode);
}

void COwDlg::OnCommand(UINT id, UINT, HWND) {
  switch (id) {
    case IDC_OW_REPLACE: Finish(OverwriteAction::kReplace); break;
    case IDC_OW_SKIP: Finish(OverwriteAction::kSkip); break;
    case IDC_CLOSE: Finish(OverwriteAction::kClose); break;
    case IDC_OW_APPLY: apply_.SetTicked(!apply_.Ticked()); break;
    case IDOK: Finish(OverwriteAction::kEnter); break;        // stays open
    case IDCANCEL: Finish(OverwriteAction::kEscape); break;   // stays open
    default: break;
  }
}

void COwDlg::OnPaint(HDC dc) { PaintFace(dc, background_, &picture_, kPictureAt); }

}  // namespace vk
