#include "tests/driver/ShotProgram.h"

#include <cstdio>
#include <cwchar>

#include "tests/driver/Program.h"
#include "tests/driver/Wait.h"

namespace vk::driver {
namespace {

constexpr DWORD kDoneDeadlineMs = 60000;
constexpr int kShotArguments = 4;  // program, scene, language, done file

}  // namespace

void AnnounceShot(const RECT& rc) {
  std::printf("ready %ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
  std::fflush(stdout);
}

void AnnounceShot(HWND window) {
  RECT rc = {};
  ::GetWindowRect(window, &rc);
  AnnounceShot(rc);
}

void WaitForCapture(const std::wstring& doneFile) {
  WaitFor("the capture", kDoneDeadlineMs,
          [&] { return ::GetFileAttributesW(doneFile.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

int ShotMain(int argc, wchar_t** argv, const ShotRun& run) {
  if (argc != kShotArguments) return 2;
  char scene[64] = {}, done[1024] = {};
  std::snprintf(scene, sizeof scene, "%ls", argv[1]);
  std::snprintf(done, sizeof done, "%ls", argv[3]);
  const uint32_t language = static_cast<uint32_t>(std::wcstoul(argv[2], nullptr, 10));
  return run(scene, language, HostPathToWindows(done));
}

}  // namespace vk::driver
