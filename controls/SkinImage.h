// A skin image: a PNG from the program's RCDATA resources decoded by GDI+.
// GDI+ must be running while images are loaded, drawn and released.
#pragma once
#include <windows.h>

#include <cstdint>

namespace vk {
namespace Private { class MemoryStream; }

class SkinImage {
 public:
  SkinImage() = default;
  ~SkinImage() { Release(); }
  SkinImage(const SkinImage&) = delete;
  SkinImage& operator=(const SkinImage&) = delete;

  // Replaces what the holder held with image resource `id` of this program;
  // true when a bitmap exists afterwards.
  bool Load(UINT id);
  // Frees the bitmap, then the stream it reads from.
  void Release();
  bool Loaded() const { return bitmap_ != nullptr; }
  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }

  // The whole image with its top-left corner at (x, y).
  void Draw(HDC dc, int x, int y) const;
  // The part (srcX, srcY, w, h) of the image at (x, y), e.g. one frame of a strip.
  void DrawPart(HDC dc, int x, int y, int srcX, int srcY, int w, int h) const;
  // The colour of pixel (x, y) as 0xAARRGGBB; 0 outside the image.
  uint32_t Pixel(int x, int y) const;

 private:
  Private::MemoryStream* stream_ = nullptr;
  void* bitmap_ = nullptr;  // GpBitmap*, kept opaque so that users need no GDI+ headers
  uint32_t width_ = 0;
  uint32_t height_ = 0;
};

// Starts GDI+ for the life of the object (tests and tools; the program
// itself starts it at start-up).
class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool Started() const { return token_ != 0; }

 private:
  ULONG_PTR token_ = 0;
};

}  // namespace vk
