// Pictures of what the screen shows, taken from the display itself, so a
// window of another process comes out as the user sees it (with whatever
// overlaps it).
#pragma once
#include <windows.h>

#include <string>

namespace vk::driver {

// Saves the screen area of `window` as a 24-bit BMP file at `path`; false
// when the window is gone or the file cannot be written.
bool SaveWindowImage(HWND window, const std::wstring& path);

}  // namespace vk::driver
