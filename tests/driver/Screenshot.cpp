#include "tests/driver/Screenshot.h"

#include <cstdint>
#include <vector>

#include "common/Handle.h"
#include "controls/Gdi.h"

namespace vk::driver {
namespace {

constexpr WORD kBitmapMagic = 0x4D42;  // "BM"
constexpr WORD kBitsPerPixel = 24;
constexpr LONG kRowAlignBytes = 4;
constexpr LONG kBytesPerPixel = kBitsPerPixel / 8;
// A window larger than this is not one of the program's.
constexpr LONG kMaxSide = 4096;

#pragma pack(push, 1)
struct BmpHeader {
  WORD type;
  DWORD fileSize;
  WORD reserved1, reserved2;
  DWORD pixelOffset;
};
#pragma pack(pop)
static_assert(sizeof(BmpHeader) == 14, "the BMP file header is 14 bytes");

// The pixels of `area` of the screen, bottom row first, each row padded.
bool ReadScreen(const RECT& area, BITMAPINFOHEADER* info, std::vector<uint8_t>* pixels) {
  const LONG width = area.right - area.left, height = area.bottom - area.top;
  DeviceContext screen(::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
  if (!screen) return false;
  DeviceContext memory(::CreateCompatibleDC(screen.Get()));
  Bitmap bitmap(::CreateCompatibleBitmap(screen.Get(), width, height));
  if (!memory || !bitmap) return false;
  {
    SelectGuard select(memory.Get(), bitmap.Get());
    if (!::BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), area.left, area.top, SRCCOPY))
      return false;
  }
  *info = {};
  info->biSize = sizeof(BITMAPINFOHEADER);
  info->biWidth = width;
  info->biHeight = height;
  info->biPlanes = 1;
  info->biBitCount = kBitsPerPixel;
  info->biCompression = BI_RGB;
  const LONG row = (width * kBytesPerPixel + kRowAlignBytes - 1) / kRowAlignBytes * kRowAlignBytes;
  pixels->assign(static_cast<size_t>(row) * static_cast<size_t>(height), 0);
  info->biSizeImage = static_cast<DWORD>(pixels->size());
  return ::GetDIBits(memory.Get(), bitmap.Get(), 0, static_cast<UINT>(height), pixels->data(),
                     reinterpret_cast<BITMAPINFO*>(info), DIB_RGB_COLORS) == height;
}

bool WriteAll(HANDLE file, const void* bytes, DWORD size) {
  DWORD written = 0;
  return ::WriteFile(file, bytes, size, &written, nullptr) && written == size;
}

}  // namespace

bool SaveWindowImage(HWND window, const std::wstring& path) {
  RECT area = {};
  if (!::IsWindow(window) || !::GetWindowRect(window, &area)) return false;
  const LONG width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  BITMAPINFOHEADER info = {};
  std::vector<uint8_t> pixels;
  if (!ReadScreen(area, &info, &pixels)) return false;
  BmpHeader header = {};
  header.type = kBitmapMagic;
  header.pixelOffset = sizeof(BmpHeader) + sizeof(BITMAPINFOHEADER);
  header.fileSize = header.pixelOffset + static_cast<DWORD>(pixels.size());
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.Valid() && WriteAll(file.Get(), &header, sizeof(header)) &&
         WriteAll(file.Get(), &info, sizeof(info)) &&
         WriteAll(file.Get(), pixels.data(), static_cast<DWORD>(pixels.size()));
}

}  // namespace vk::driver
