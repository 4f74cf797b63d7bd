// What every skinned modal window of the program shares: the title band (the
// program's title on black, dragging the window), the close button in its
// corner, text buttons and check boxes of the skin, placement from a table,
// and a face of one background image with a picture beside the message.
#pragma once
#include <windows.h>

#include <cstddef>

#include "controls/CCheckBtn.h"
#include "controls/CImageButton.h"
#include "controls/SkinImage.h"
#include "controls/Window.h"

namespace vk {

// One child control's place in client pixels.
struct ControlPlacement {
  UINT id;
  RECT rc;
};

constexpr int kSkinCloseSize = 36;
constexpr int kSkinButtonWidth = 138, kSkinButtonHeight = 52;
constexpr int kSkinCheckFrame = 16, kSkinCheckMargin = 5;
constexpr int kSkinDragBand = 76;
// The modal result of the title band's close button where it differs from
// OK and Cancel.
constexpr INT_PTR kClosedByCloseButton = 2;

class SkinnedModal : public Dialog {
 protected:
  // Caption icons, the program's title in the window and its band, and the
  // brushes of the face and the band.
  void OpenFrame();
  // The client size and every control's place; the title in the large font,
  // the others (except `keepFont`) in the text font of the program's language.
  template <size_t N>
  void LayOut(int width, int height, const ControlPlacement (&placements)[N],
              UINT keepFont = 0) const {
    LayOutTable(width, height, placements, N, keepFont);
  }
  void AttachCloseButton(CImageButton& button);
  void AttachTextButton(CImageButton& button, UINT id);
  void AttachCheckBox(CCheckBtn& box, UINT id, bool ticked);
  // The face: the background image over the dark fill, and `picture` at `at`
  // when one is given.
  void PaintFace(HDC dc, const SkinImage& face, const SkinImage* picture = nullptr,
                 POINT at = {}) const;

 private:
  // Its own name, not an overload of LayOut: a call with a table and a
  // control id would take the id for the table's length.
  void LayOutTable(int width, int height, const ControlPlacement* placements, size_t count,
                   UINT keepFont) const;
};

}  // namespace vk
