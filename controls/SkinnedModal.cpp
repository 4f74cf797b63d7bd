#include "controls/SkinnedModal.h"

#include "common/Texts.h"
#include "controls/Gdi.h"
#include "controls/UiFonts.h"
#include "resources/ResourceIds.h"

namespace vk {

void SkinnedModal::OpenFrame() {
  titleId_ = IDC_TITLE;
  dragBand_ = kSkinDragBand;
  SetWindowIcons(Hwnd(), IDI_APP);
  const std::wstring title = LoadResourceText(txt::kAppTitle);
  ::SetWindowTextW(Hwnd(), title.c_str());
  ::SetWindowTextW(Item(IDC_TITLE), title.c_str());
  SolidBrush(kDarkBackground);
  SolidBrush(kBlack);
}

void SkinnedModal::LayOutTable(int width, int height, const ControlPlacement* placements,
                               size_t count, UINT keepFont) const {
  SetClientSize(width, height);
  HFONT font = TextFont(AppLanguage());
  for (size_t i = 0; i < count; ++i) {
    const ControlPlacement& p = placements[i];
    Place(p.id, p.rc.left, p.rc.top, p.rc.right - p.rc.left, p.rc.bottom - p.rc.top);
    if (keepFont != 0 && p.id == keepFont) continue;
    SetItemFont(p.id, p.id == IDC_TITLE ? LargeFont() : font);
  }
}

void SkinnedModal::AttachCloseButton(CImageButton& button) {
  Attach(button, IDC_CLOSE);
  button.SetImage(IDP_CLOSE_BUTTON, kSkinCloseSize, kSkinCloseSize);
  button.SetBackground(kBlack);
}

void SkinnedModal::AttachTextButton(CImageButton& button, UINT id) {
  Attach(button, id);
  button.SetImage(IDP_TEXT_BUTTON, kSkinButtonWidth, kSkinButtonHeight);
  button.SetTextMode(true);
  button.SetBackground(kDarkBackground);
  button.SetFocusFrame(true);
}

void SkinnedModal::AttachCheckBox(CCheckBtn& box, UINT id, bool ticked) {
  Attach(box, id);
  box.SetImages(IDP_CHECK_OFF, IDP_CHECK_ON, kSkinCheckFrame, kSkinCheckFrame);
  box.SetColours(kDarkBackground, kTextWhite, kTextGrey);
  box.SetLeftMargin(kSkinCheckMargin);
  box.SetTicked(ticked);
}

void SkinnedModal::PaintFace(HDC dc, const SkinImage& face, const SkinImage* picture,
                             POINT at) const {
  RECT rc;
  ::GetClientRect(Hwnd(), &rc);
  BufferDC buffer(dc, rc);
  HDC b = buffer.Get();
  FillSolid(b, rc, kDarkBackground);
  face.Draw(b, 0, 0);
  if (picture) picture->Draw(b, at.x, at.y);
  buffer.Flush();
}

}  // namespace vk
