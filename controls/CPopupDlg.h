// The corner notification: a small window in the lower-right corner of the
// screen with an icon and a text, which may close itself after a minute and
// opens the main window when clicked. The tray window owns the one on
// screen and deletes it after it has gone.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "common/IconKind.h"
#include "common/Messages.h"
#include "controls/CImageButton.h"
#include "controls/SkinImage.h"
#include "controls/Window.h"

namespace vk {

constexpr UINT_PTR kPopupTimer = 106;
constexpr UINT kPopupTimerPeriod = 1000;     // ms
constexpr DWORD kPopupLifetime = 60000;      // ms before closing by itself

class CPopupDlg : public Dialog {
 public:
  // `kind` is the icon: error, information, anything else warning.
  CPopupDlg(std::wstring text, IconKind kind, bool closesByItself)
      : text_(std::move(text)), kind_(kind), closesByItself_(closesByItself) {}

  // Creates and shows the notification, owned by `tray`; false on failure.
  bool Create(HWND tray);
  // Shows an existing notification again and brings it to the foreground.
  void Reshow() const;

  // Called once the window is gone; the owner deletes the object then or later.
  std::function<void(CPopupDlg*)> onDestroyed;
  // The clock the lifetime is measured with (tests shorten the minute).
  std::function<DWORD()> clock = [] { return ::GetTickCount(); };

  bool ClosesByItself() const { return closesByItself_; }

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnPaint(HDC dc) override;
  void OnTimer(UINT_PTR id) override;
  bool OnLButtonDown(POINT pt) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result) override;
  void OnDestroy() override;
  void OnFinalMessage() override;

 private:
  UINT IconImage() const;
  void MoveToCorner() const;

  std::wstring text_;
  IconKind kind_;
  bool closesByItself_;
  HWND tray_ = nullptr;
  DWORD created_ = 0;
  CImageButton close_;
  SkinImage backImage_, icon_;
};

}  // namespace vk
