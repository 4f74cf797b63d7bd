// Owners for GDI objects and device contexts, so that every object a control
// creates while painting is selected out and deleted on every path.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace vk {

// Owns one GDI object (brush, font, bitmap, region) and deletes it once.
template <class T>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(T h) : h_(h) {}
  ~GdiObject() { Reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  GdiObject(GdiObject&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
  GdiObject& operator=(GdiObject&& o) noexcept {
    if (this != &o) { Reset(o.h_); o.h_ = nullptr; }
    return *this;
  }
  T Get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void Reset(T h = nullptr) {
    if (h_) ::DeleteObject(h_);
    h_ = h;
  }

 private:
  T h_ = nullptr;
};

using Brush = GdiObject<HBRUSH>;
using Font = GdiObject<HFONT>;
using Bitmap = GdiObject<HBITMAP>;
using Region = GdiObject<HRGN>;

// Owns an image list (ImageList_Create) and destroys it once.
class ImageList {
 public:
  ImageList() = default;
  explicit ImageList(HIMAGELIST h) : h_(h) {}
  ~ImageList() { Reset(); }
  ImageList(const ImageList&) = delete;
  ImageList& operator=(const ImageList&) = delete;
  HIMAGELIST Get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void Reset(HIMAGELIST h = nullptr) {
    if (h_) ::ImageList_Destroy(h_);
    h_ = h;
  }

 private:
  HIMAGELIST h_ = nullptr;
};

// Selects an object into a device context for the life of the guard.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
  ~SelectGuard() { if (old_) ::SelectObject(dc_, old_); }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The device context of a window's client area (GetDC), released with the
// guard.
class WindowDC {
 public:
  explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  ~WindowDC() { if (dc_) ::ReleaseDC(hwnd_, dc_); }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// An off-screen bitmap compatible with `target`, the size of `rc`; Flush()
// copies it to the target. Painting there first keeps controls from
// flickering while they redraw every layer.
class BufferDC {
 public:
  BufferDC(HDC target, const RECT& rc);
  ~BufferDC();
  BufferDC(const BufferDC&) = delete;
  BufferDC& operator=(const BufferDC&) = delete;
  // The off-screen DC, or the target itself when no bitmap could be made.
  HDC Get() const { return old_ ? dc_ : target_; }
  void Flush() const;

 private:
  HDC target_;
  RECT rc_;
  HDC dc_;
  Bitmap bitmap_;
  HGDIOBJ old_ = nullptr;
};

// Fills `rc` with a solid colour.
void FillSolid(HDC dc, const RECT& rc, COLORREF colour);

// Draws `text` word-wrapped in `area`, vertically centred (measured first,
// then moved down by half the free height), on a transparent background.
// `align` is DT_LEFT or DT_CENTER.
void DrawWrappedText(HDC dc, const RECT& area, const std::wstring& text, HFONT font,
                     COLORREF colour, UINT align);
// Draws one line of `text` in `area` with DrawText `format` flags.
void DrawLine(HDC dc, const RECT& area, const std::wstring& text, HFONT font, COLORREF colour,
              UINT format);

}  // namespace vk
