#include "controls/SkinImage.h"

#include <objidl.h>
#include <propidl.h>

#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include "controls/MemoryStream.h"

namespace vk {
namespace gp = Gdiplus::DllExports;

namespace {

Gdiplus::GpBitmap* AsBitmap(void* p) { return static_cast<Gdiplus::GpBitmap*>(p); }

}  // namespace

bool SkinImage::Load(UINT id) {
  Release();
  if (FAILED(LoadSkinStream(::GetModuleHandleW(nullptr), id, &stream_))) return false;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (gp::GdipCreateBitmapFromStream(stream_, &bitmap) != Gdiplus::Ok || !bitmap) {
    Release();
    return false;
  }
  bitmap_ = bitmap;
  UINT w = 0, h = 0;
  gp::GdipGetImageWidth(bitmap, &w);
  gp::GdipGetImageHeight(bitmap, &h);
  width_ = w;
  height_ = h;
  return true;
}

void SkinImage::Release() {
  if (bitmap_) gp::GdipDisposeImage(AsBitmap(bitmap_));
  bitmap_ = nullptr;
  if (stream_) stream_->Release();
  stream_ = nullptr;
  width_ = height_ = 0;
}

void SkinImage::Draw(HDC dc, int x, int y) const {
  DrawPart(dc, x, y, 0, 0, static_cast<int>(width_), static_cast<int>(height_));
}

void SkinImage::DrawPart(HDC dc, int x, int y, int srcX, int srcY, int w, int h) const {
  if (!bitmap_ || !dc) return;
  Gdiplus::GpGraphics* graphics = nullptr;
  if (gp::GdipCreateFromHDC(dc, &graphics) != Gdiplus::Ok) return;
  gp::GdipDrawImagePointRectI(graphics, AsBitmap(bitmap_), x, y, srcX, srcY, w, h,
                              Gdiplus::UnitPixel);
  gp::GdipDeleteGraphics(graphics);
}

uint32_t SkinImage::Pixel(int x, int y) const {
  Gdiplus::ARGB argb = 0;
  if (bitmap_ && x >= 0 && y >= 0 && static_cast<uint32_t>(x) < width_ &&
      static_cast<uint32_t>(y) < height_)
    gp::GdipBitmapGetPixel(AsBitmap(bitmap_), x, y, &argb);
  return argb;
}

GdiplusSession::GdiplusSession() {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiplusSession::~GdiplusSession() {
  if (token_) Gdiplus::GdiplusShutdown(token_);
}

}  // namespace vk
