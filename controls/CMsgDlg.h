// The program's modal message window: icon, message, one or two buttons and
// an optional check box that must be ticked before OK can be pressed. The
// system message box is never used.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "common/IconKind.h"
#include "controls/SkinnedModal.h"
#include "controls/TextSlot.h"

namespace vk {

// Style bits, in the layout of the system message-box styles.
constexpr uint32_t kMsgButtonsMask = 0x0F;
constexpr uint32_t kMsgOkCancel = 0x01;       // anything else: OK only
// The icon: an IconKind in the kIconMask bits.
constexpr uint32_t kMsgDefaultMask = 0xF00;
constexpr uint32_t kMsgDefaultSecond = 0x100;

// Results.
constexpr INT_PTR kMsgResultOk = 1;
constexpr INT_PTR kMsgResultCancel = 2;  // also the close button
constexpr INT_PTR kMsgResultLog = 100;
constexpr INT_PTR kMsgResultBack = 101;

class CMsgDlg : public SkinnedModal {
 public:
  CMsgDlg(std::wstring message, uint32_t style) : message_(std::move(message)), style_(style) {}

  // Options, set before Show.
  bool logMode = false;      // second button "Log" -> 100
  bool logEnabled = false;   // the "Log" button can be pressed
  bool backMode = false;     // second button "Back" -> 101
  bool topmost = false;
  bool checkShown = false;   // OK stays disabled until the box is ticked
  std::wstring checkText;
  bool checkState = false;   // after Show: whether the box was ticked

  // Runs the window modally, centred on `owner` (the desktop when null).
  INT_PTR Show(HWND owner);

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnPaint(HDC dc) override;

 private:
  void Layout();
  void SetUpButtons();
  void SetUpCheckBox();
  void PlaySound() const;
  UINT IconImage() const;
  bool TwoButtons() const;

  std::wstring message_;
  uint32_t style_;
  HWND owner_ = nullptr;
  CImageButton close_, ok_, second_;
  CCheckBtn check_;
  SkinImage backImage_, icon_;
};

// Where a message window `window` paints `text`, which is no control of its
// own: what the text-fit check measures.
TextSlot MessageTextSlot(HWND window, const std::wstring& text);

// The face shared by the message and notification windows: background
// image, icon and the message word-wrapped and vertically centred in its area.
struct MessageFace {
  COLORREF fill;  // under the background image
  const SkinImage* background;
  const SkinImage* icon;
  POINT iconAt;
  RECT textArea;
  COLORREF textColour;
};
void PaintMessageFace(HWND hwnd, HDC dc, const MessageFace& face, const std::wstring& text);

// A message with OK (and Cancel when the style asks).
INT_PTR ShowMessageBox(HWND owner, const std::wstring& text, uint32_t style);
// The same with a "Log" second button, pressable when `logEnabled`.
INT_PTR ShowMessageBoxWithLog(HWND owner, const std::wstring& text, uint32_t style,
                              bool logEnabled);

}  // namespace vk
