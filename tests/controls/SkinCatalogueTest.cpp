// The artwork is complete: every skin image decodes with its catalogue size
// and frame layout, and the icons and the tree-state bitmap load.
#include <gtest/gtest.h>

#include <iterator>

#include "controls/SkinImage.h"
#include "resources/ResourceIds.h"

namespace vk {
namespace {

struct Entry {
  UINT id;
  uint32_t width, height;
  uint32_t frameWidth;  // 0: a single picture
};

// Sizes and frames of the skin, as the windows use them.
const Entry kCatalogue[] = {
    {9000, 480, 96, 96}, {9001, 480, 96, 96}, {9002, 480, 96, 96}, {9003, 480, 96, 96},
    {9047, 480, 96, 96}, {9008, 180, 36, 36}, {9009, 180, 36, 36}, {9010, 690, 52, 138},
    {9011, 860, 93, 172}, {9012, 768, 542, 0}, {9013, 78, 78, 0}, {9014, 120, 24, 24},
    {9015, 250, 25, 50}, {9016, 80, 16, 16}, {9017, 80, 16, 16}, {9020, 80, 16, 16},
    {9021, 80, 16, 16}, {9023, 96, 15, 0}, {9024, 64, 64, 0}, {9025, 64, 64, 0},
    {9026, 16, 16, 0}, {9034, 16, 16, 0}, {9027, 581, 600, 0}, {9028, 581, 343, 0},
    {9030, 745, 350, 0}, {9031, 83, 75, 0}, {9032, 80, 72, 0}, {9033, 83, 75, 0},
    {9040, 75, 75, 0}, {9035, 450, 170, 0}, {9036, 80, 16, 16}, {9037, 550, 47, 110},
    {9038, 810, 47, 162}, {9039, 178, 61, 0}, {9041, 16, 16, 0}, {9044, 16, 16, 0},
    {9042, 500, 50, 0}, {9043, 573, 4, 0}, {9045, 96, 96, 0}, {9046, 580, 530, 0},
};

bool HasInk(const SkinImage& img, uint32_t x0, uint32_t w) {
  for (uint32_t y = 0; y < img.Height(); ++y)
    for (uint32_t x = x0; x < x0 + w; ++x)
      if ((img.Pixel(static_cast<int>(x), static_cast<int>(y)) >> 24) != 0) return true;
  return false;
}

// Whether two frames of a strip differ anywhere.
bool FramesDiffer(const SkinImage& img, uint32_t fw, uint32_t a, uint32_t b) {
  for (uint32_t y = 0; y < img.Height(); ++y)
    for (uint32_t x = 0; x < fw; ++x)
      if (img.Pixel(static_cast<int>(a * fw + x), static_cast<int>(y)) !=
          img.Pixel(static_cast<int>(b * fw + x), static_cast<int>(y)))
        return true;
  return false;
}

TEST(SkinCatalogueTest, EveryImageHasItsSizeAndFrames) {
  GdiplusSession gdiplus;
  ASSERT_TRUE(gdiplus.Started());
  EXPECT_EQ(std::size(kCatalogue), 40u);
  for (const Entry& e : kCatalogue) {
    SCOPED_TRACE(e.id);
    SkinImage img;
    ASSERT_TRUE(img.Load(e.id));
    EXPECT_EQ(img.Width(), e.width);
    EXPECT_EQ(img.Height(), e.height);
    if (e.frameWidth == 0) {
      EXPECT_TRUE(HasInk(img, 0, e.width));
      continue;
    }
    ASSERT_EQ(e.width, 5 * e.frameWidth);
    for (uint32_t f = 0; f < 5; ++f) EXPECT_TRUE(HasInk(img, f * e.frameWidth, e.frameWidth)) << f;
    // Normal, over, pressed and disabled must look different from each other.
    EXPECT_TRUE(FramesDiffer(img, e.frameWidth, 0, 1));
    EXPECT_TRUE(FramesDiffer(img, e.frameWidth, 0, 2));
    EXPECT_TRUE(FramesDiffer(img, e.frameWidth, 0, 4));
    EXPECT_TRUE(FramesDiffer(img, e.frameWidth, 1, 2));
  }
}

TEST(SkinCatalogueTest, ReloadAndReleaseLeaveAConsistentHolder) {
  GdiplusSession gdiplus;
  SkinImage img;
  ASSERT_TRUE(img.Load(IDP_TEXT_BUTTON));
  ASSERT_TRUE(img.Load(IDP_CHECK_ON));  // replaces the first
  EXPECT_EQ(img.Width(), 80u);
  EXPECT_FALSE(img.Load(9019));         // no such image: the holder is empty
  EXPECT_FALSE(img.Loaded());
  EXPECT_EQ(img.Width(), 0u);
  HDC dc = ::CreateCompatibleDC(nullptr);
  img.Draw(dc, 0, 0);                   // drawing nothing is harmless
  ::DeleteDC(dc);
}

TEST(SkinCatalogueTest, IconsAndTreeStates) {
  HINSTANCE module = ::GetModuleHandleW(nullptr);
  for (UINT id : {IDI_APP, IDI_BUSY_0, IDI_BUSY_1, IDI_BUSY_2, IDI_BUSY_3}) {
    for (int size : {16, 32, 48}) {
      SCOPED_TRACE(id);
      HANDLE icon = ::LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0);
      ASSERT_NE(icon, nullptr);
      ::DestroyIcon(static_cast<HICON>(icon));
    }
  }
  HBITMAP bitmap = static_cast<HBITMAP>(
      ::LoadImageW(module, MAKEINTRESOURCEW(IDB_TREE_STATES), IMAGE_BITMAP, 0, 0, 0));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info = {};
  ::GetObjectW(bitmap, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 64);  // four 16 x 16 images
  EXPECT_EQ(info.bmHeight, 16);
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  EXPECT_EQ(::GetPixel(dc, 0, 0), RGB(255, 0, 255));   // the mask colour around the marks
  EXPECT_EQ(::GetPixel(dc, 16, 0), RGB(255, 0, 255));
  EXPECT_NE(::GetPixel(dc, 40, 8), RGB(255, 0, 255));  // the ticked mark has ink
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::DeleteObject(bitmap);
}

}  // namespace
}  // namespace vk
