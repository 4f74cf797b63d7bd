// Hosts the windows of the main window's issue behind a fake tray window, in
// a process of its own, for the GUI tests and the screenshots:
//   window_host [command...]                 runs each command (FakeTray::Run),
//                                            then takes commands by WM_COPYDATA
//   window_host --shot main|overwrite|tree|message [command...]
//                                            prints "ready x y w h" of that window
//                                            once painted and ends a few seconds later
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>

#include "controls/SkinImage.h"
#include "tests/windows/FakeTray.h"

namespace {

constexpr DWORD kGiveUpMs = 180000;  // a test that forgot the host must not keep it
constexpr DWORD kSettleMs = 400;
constexpr DWORD kShowMs = 4000;
constexpr DWORD kStepMs = 10;

// Handles messages until `done` holds or `ms` have passed; false on WM_QUIT.
bool Pump(DWORD ms, const std::function<bool()>& done) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  MSG msg;
  while (::GetTickCount64() < end) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return false;
      if (!::IsDialogMessageW(::GetActiveWindow(), &msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
    if (done && done()) return true;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kStepMs, QS_ALLINPUT);
  }
  return true;
}

HWND ShotWindow(const vk::test::FakeTray& tray, const std::wstring& which) {
  if (which == L"overwrite") return tray.OverwriteHwnd();
  if (which == L"tree") return tray.TreeHwnd();
  if (which == L"message") return tray.MessageHwnd();
  return tray.MainHwnd();
}

// Shot mode: a timer finds the window, announces it once painted and ends
// the scene. A timer, because the overwrite prompt runs its own modal loop.
struct Shot {
  const vk::test::FakeTray* tray = nullptr;
  std::wstring which;
  ULONGLONG foundAt = 0, announcedAt = 0;
} g_shot;

void CALLBACK ShotTimer(HWND, UINT, UINT_PTR, DWORD) {
  HWND target = ShotWindow(*g_shot.tray, g_shot.which);
  const ULONGLONG now = ::GetTickCount64();
  if (!target) return;
  if (!g_shot.foundAt) g_shot.foundAt = now;
  if (!g_shot.announcedAt && now - g_shot.foundAt >= kSettleMs) {
    ::RedrawWindow(target, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT rc;
    ::GetWindowRect(target, &rc);
    std::printf("ready %ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    std::fflush(stdout);
    g_shot.announcedAt = now;
  }
  // The scene has been taken; whatever modal loop runs, the process is done.
  if (g_shot.announcedAt && now - g_shot.announcedAt >= kShowMs) ::ExitProcess(0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    vk::GdiplusSession gdiplus;
    vk::test::FakeTray tray;
    int first = 1;
    if (argc > 2 && std::wstring(argv[1]) == L"--shot") {
      g_shot.tray = &tray;
      g_shot.which = argv[2];
      first = 3;
      ::SetTimer(nullptr, 0, kStepMs * 5, ShotTimer);
    }
    for (int i = first; i < argc; ++i) tray.Run(argv[i]);
    Pump(kGiveUpMs, nullptr);
  } catch (...) {
    return 3;
  }
  return 0;
}
