// The small window layer every window of the program is built on: a dialog
// base that creates modal and modeless dialogs from the resource templates
// and dispatches to member handlers, and a control base that subclasses one
// child window (owner-drawn buttons, the progress bar) and receives its own
// messages and the WM_DRAWITEM its parent reflects to it.
//
// Templates only supply the controls; windows place them in pixels in code.
#pragma once
#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "controls/Gdi.h"
#include "controls/TextSlot.h"

namespace vk {

constexpr COLORREF kDarkBackground = RGB(0x19, 0x19, 0x19);
constexpr COLORREF kTextWhite = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kTextGrey = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kAccent = 0x00CDCA07;  // red 7, green 202, blue 205
constexpr COLORREF kBlack = RGB(0, 0, 0);

// A subclassed child control. The object must outlive the window or be
// destroyed first (its destructor removes the subclass).
class Control {
 public:
  Control() = default;
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // Subclasses `hwnd`; false when it is null or already attached.
  bool Attach(HWND hwnd);
  void Detach();
  HWND Hwnd() const { return hwnd_; }

  // The control object attached to `hwnd`, or null.
  static Control* FromHwnd(HWND hwnd);

  // Owner drawing, reflected by the parent dialog.
  virtual void DrawItem(const DRAWITEMSTRUCT& /*item*/) {}
  // A control that paints its own texts appends where it draws them and
  // returns true; false leaves the control to be measured as the system
  // control it is.
  virtual bool DescribeTexts(std::vector<TextSlot>* /*out*/) const { return false; }

 protected:
  // The window is being destroyed: free what belongs to it (images, fonts).
  virtual void OnWindowGone() {}

  // The control's own messages; the default passes them on.
  virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT DefProc(UINT msg, WPARAM wp, LPARAM lp);
  void Invalidate(const RECT* rc = nullptr) const;
  // Has the parent paint what lies behind the control into `dc`, so that
  // images with transparency show the window's background through them.
  void PaintParentBackground(HDC dc) const;

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR ref);
  HWND hwnd_ = nullptr;
};

// A dialog from a template of this program's resources.
class Dialog {
 public:
  Dialog() = default;
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally; returns the result given to Close, or -1 when
  // the window could not be created.
  INT_PTR DoModal(HWND owner, UINT templateId);
  // Creates the dialog modeless (shown by the caller); false on failure.
  bool CreateModeless(HWND owner, UINT templateId);

  HWND Hwnd() const { return hwnd_; }
  HWND Item(UINT id) const { return ::GetDlgItem(hwnd_, static_cast<int>(id)); }
  // Ends a modal dialog with `result`, or destroys a modeless one.
  void Close(INT_PTR result);

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  virtual void OnCommand(UINT /*id*/, UINT /*code*/, HWND /*ctl*/) {}
  // Paints on the window's DC between BeginPaint and EndPaint.
  virtual void OnPaint(HDC /*dc*/) {}
  virtual void OnTimer(UINT_PTR /*id*/) {}
  // A press on the dialog itself (not on a child); true when handled.
  virtual bool OnLButtonDown(POINT /*pt*/) { return false; }
  virtual void OnDestroy() {}
  // After the window is gone: the last call the object gets from it.
  virtual void OnFinalMessage() {}
  // Any other message; true when handled with `*result` as the answer.
  virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result);
  // Colours of static texts: white on the dialog background, and on black
  // for the control named by titleId_.
  virtual HBRUSH OnCtlColorStatic(HDC dc, HWND ctl);

  // Subclasses child `id` with `control`, which the dialog then reflects
  // owner drawing to. The control object is usually a member.
  bool Attach(Control& control, UINT id);
  // A solid brush that lives as long as the window.
  HBRUSH SolidBrush(COLORREF colour);
  void Place(UINT id, int x, int y, int w, int h) const;
  void SetClientSize(int w, int h) const;
  void CentreOn(HWND owner) const;
  void SetItemFont(UINT id, HFONT font) const;

  COLORREF background_ = kDarkBackground;  // dialog and static backgrounds
  UINT titleId_ = 0;                       // static drawn on black (0 = none)
  int dragBand_ = 0;                       // top band that moves the window

 private:
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR Answer(LRESULT result) const;
  void Paint();

  HWND hwnd_ = nullptr;
  bool modal_ = false;
  std::vector<std::pair<COLORREF, Brush>> brushes_;
};

// Caption icons of a window from the program's icon resource `iconId`.
void SetWindowIcons(HWND hwnd, UINT iconId);

}  // namespace vk
