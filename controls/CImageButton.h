// The owner-drawn push button of every window: a five-frame image strip
// (normal, mouse over, pressed, focused, disabled) with hover tracking, and
// optional text, drive-entry and panel layouts drawn over it.
#pragma once
#include <windows.h>

#include <array>
#include <string>

#include "common/Messages.h"
#include "controls/ControlLook.h"
#include "controls/SkinImage.h"
#include "controls/Window.h"

namespace vk {

class CImageButton : public Control {
 public:
  CImageButton() = default;
  ~CImageButton() override;

  // Loads strip `id` with frames of frameWidth x frameHeight and sizes the
  // button to one frame; false (and no image) when the strip cannot load.
  bool SetImage(UINT id, int frameWidth, int frameHeight);
  // A second strip whose frames show the selected look.
  bool SetAlternateImage(UINT id);
  // Mouse-over test region in client coordinates; the button owns it.
  void SetClickRegion(HRGN region);

  void SetSelected(bool selected);
  bool Selected() const { return selected_; }
  void SetForceOver(bool on);
  void SetNoDisabledFrame(bool on) { noDisabledFrame_ = on; }
  void SetTextMode(bool on) { textMode_ = on; }
  void SetBackground(COLORREF colour) { background_ = colour; }
  void SetFocusFrame(bool on) { focusFrame_ = on; }
  void SetSelectedUsesFrame3(bool on) { selectedUsesFrame3_ = on; }
  void SetTextAlwaysWhite(bool on) { textAlwaysWhite_ = on; }

  // Drive entry: three lines, an optional plan mark (enabled/disabled images).
  void SetDriveMode(bool on);
  void SetDriveLines(const std::wstring& l1, const std::wstring& l2, const std::wstring& l3);
  void SetPlanMark(bool on, UINT enabledId, UINT disabledId);
  // Panel: four lines and a 64 x 64 picture on the background colour.
  void SetPanelMode(bool on) { panelMode_ = on; }
  void SetPanelLines(const std::array<std::wstring, 4>& lines) { panelLines_ = lines; }
  bool SetPanelPicture(UINT id) { return panelPicture_.Load(id); }

  void SetCursors(HCURSOR over, HCURSOR pressed) { overCursor_ = over; pressedCursor_ = pressed; }
  // Posts msg(param, state) to `target` whenever the drawn state changes.
  void SetStateNotify(HWND target, UINT msg, WPARAM param);
  void SetFocusNotify(bool on) { focusNotify_ = on; }

  UINT ImageId() const { return imageId_; }
  bool HasImage() const { return strip_.Loaded(); }
  int LastState() const { return lastState_; }
  bool MouseOver() const { return mouseOver_ != 0; }

  void DrawItem(const DRAWITEMSTRUCT& item) override;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnWindowGone() override;

 private:
  ImageButtonLook Look(UINT itemState) const;
  bool PointInside(POINT client) const;
  void OnMouseMove(LPARAM lp);
  void DrawStripFrame(HDC dc, const StripFrame& f) const;
  void DrawPanel(HDC dc, const RECT& rc) const;
  void DrawDrive(HDC dc, const RECT& rc, const StripFrame& f, bool enabled) const;
  void DrawTextMode(HDC dc, const RECT& rc, const StripFrame& f, bool enabled) const;
  void DrawPlainText(HDC dc, const RECT& rc, bool enabled) const;
  void DrawImageOnly(HDC dc, const RECT& rc, const StripFrame& f) const;
  void NotifyState(int state);
  COLORREF TextColour(bool enabled) const;

  SkinImage strip_, alternate_;
  UINT imageId_ = 0;
  int frameCount_ = 0, frameWidth_ = 0, frameHeight_ = 0;
  Region clickRegion_;

  LONG mouseOver_ = 0;
  bool leftHeld_ = false, focused_ = false, selected_ = false, forceOver_ = false;
  bool noDisabledFrame_ = false;

  bool textMode_ = false, focusFrame_ = false, selectedUsesFrame3_ = false;
  bool textAlwaysWhite_ = false;
  COLORREF background_ = kDarkBackground;

  bool driveMode_ = false, planMark_ = false;
  std::array<std::wstring, 3> driveLines_;
  SkinImage markEnabled_, markDisabled_;
  Font driveFont_;

  bool panelMode_ = false;
  std::array<std::wstring, 4> panelLines_;
  SkinImage panelPicture_;

  HCURSOR overCursor_ = nullptr, pressedCursor_ = nullptr;
  HWND notifyWindow_ = nullptr;
  UINT notifyMsg_ = 0;
  WPARAM notifyParam_ = 0;
  int lastState_ = -1;
  bool focusNotify_ = false;
};

}  // namespace vk
