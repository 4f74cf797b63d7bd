// What the screenshot programs share with the scripts that capture them: the
// command line (scene, language, done file), the "ready x y w h" line that
// tells the script where to capture, and the wait for the file the script
// touches once it has the picture.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace vk::driver {

// Prints the area to capture, in screen pixels, and flushes it to the script.
void AnnounceShot(const RECT& screenArea);
void AnnounceShot(HWND window);
// Waits (a minute at most) until the capturing script has touched `doneFile`.
void WaitForCapture(const std::wstring& doneFile);

// The screenshot program's wmain: `run` gets the scene, the language number
// and the done file as a Windows path; a wrong command line gives 2.
using ShotRun = std::function<int(const std::string& scene, uint32_t language,
                                  const std::wstring& doneFile)>;
int ShotMain(int argc, wchar_t** argv, const ShotRun& run);

}  // namespace vk::driver
