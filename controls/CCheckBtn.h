// A check box drawn from two five-frame strips (unticked, ticked) with its
// label beside the mark. The owner keeps the tick: it toggles Ticked on a
// click and the control repaints.
#pragma once
#include <windows.h>

#include "controls/ControlLook.h"
#include "controls/SkinImage.h"
#include "controls/Window.h"

namespace vk {

class CCheckBtn : public Control {
 public:
  CCheckBtn() = default;
  ~CCheckBtn() override;

  // Loads the two strips; frames are frameWidth x frameHeight.
  bool SetImages(UINT untickedId, UINT tickedId, int frameWidth, int frameHeight);
  void SetColours(COLORREF background, COLORREF text, COLORREF disabledText);
  void SetLeftMargin(int pixels) { leftMargin_ = pixels; }

  void SetTicked(bool ticked);
  bool Ticked() const { return ticked_; }
  bool MouseOver() const { return mouseOver_; }

  void DrawItem(const DRAWITEMSTRUCT& item) override;
  bool DescribeTexts(std::vector<TextSlot>* out) const override;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnWindowGone() override;

 private:
  void InvalidateMark() const;
  RECT LabelArea() const;
  std::wstring Label() const;
  void OnMouseMove(LPARAM lp);

  bool ticked_ = false;
  bool mouseOver_ = false;
  bool focused_ = false;
  int frameCount_ = 0;
  int leftMargin_ = 0;
  WPARAM wParamButtons_ = 0;  // mouse buttons of the last move
  SkinImage unticked_, tickedStrip_;
  int frameWidth_ = 0, frameHeight_ = 0;
  COLORREF background_ = kDarkBackground;
  COLORREF text_ = kTextWhite;
  COLORREF disabledText_ = kTextGrey;
};

}  // namespace vk
