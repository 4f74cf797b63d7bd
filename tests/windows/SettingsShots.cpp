// Brings the Log and Setting tabs, the version window and the licence window
// to the states of their screenshots (scripts/settings-screenshots.sh):
//   settings_shots main|version|licence [command...]
// Each command goes to the fake tray window (FakeTray::Run) except
//   logtab backup|restore|detail   presses that tab of the log page
//   version · licence              shows that window, modeless
// Once the window is painted it prints "ready x y w h" and ends a few
// seconds later.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <string>

#include "controls/CEulaDlg.h"
#include "controls/SkinImage.h"
#include "resources/ResourceIds.h"
#include "servicelink/CVersionDlg.h"
#include "tests/windows/FakeTray.h"

namespace {

constexpr DWORD kGiveUpMs = 60000;
constexpr DWORD kSettleMs = 600;
constexpr DWORD kShowMs = 4000;
constexpr UINT kTimerMs = 50;

struct Scene {
  vk::test::FakeTray* tray = nullptr;
  std::wstring which;
  std::unique_ptr<vk::CVersionDlg> version;
  std::unique_ptr<vk::CEulaDlg> licence;
  ULONGLONG foundAt = 0, announcedAt = 0;
} g_scene;

HWND Target() {
  if (g_scene.which == L"version") return g_scene.version ? g_scene.version->Hwnd() : nullptr;
  if (g_scene.which == L"licence") return g_scene.licence ? g_scene.licence->Hwnd() : nullptr;
  return g_scene.tray->MainHwnd();
}

void PressLogTab(const std::wstring& tab) {
  HWND page = ::GetDlgItem(g_scene.tray->MainHwnd(), IDD_PAGE_LOG);
  const UINT id = tab == L"restore" ? IDC_LOG_RESTORE : tab == L"detail" ? IDC_LOG_DETAIL : IDC_LOG_BACKUP;
  HWND button = ::GetDlgItem(page, static_cast<int>(id));
  if (button) ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

template <class Window>
void ShowModeless(std::unique_ptr<Window>& window) {
  window = std::make_unique<Window>();
  if (window->CreateForCheck(nullptr)) ::ShowWindow(window->Hwnd(), SW_SHOW);
}

void Run(const std::wstring& command) {
  if (command.rfind(L"logtab ", 0) == 0) PressLogTab(command.substr(7));
  else if (command == L"version") ShowModeless(g_scene.version);
  else if (command == L"licence") ShowModeless(g_scene.licence);
  else g_scene.tray->Run(command);
}

void CALLBACK ShotTimer(HWND, UINT, UINT_PTR, DWORD) {
  try {
    HWND target = Target();
    const ULONGLONG now = ::GetTickCount64();
    if (!target) return;
    if (!g_scene.foundAt) g_scene.foundAt = now;
    if (!g_scene.announcedAt && now - g_scene.foundAt >= kSettleMs) {
      ::RedrawWindow(target, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      RECT rc;
      ::GetWindowRect(target, &rc);
      std::printf("ready %ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
      std::fflush(stdout);
      g_scene.announcedAt = now;
    }
    if (g_scene.announcedAt && now - g_scene.announcedAt >= kShowMs) ::ExitProcess(0);
  } catch (...) {
    ::ExitProcess(3);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    if (argc < 2) return 2;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    vk::GdiplusSession gdiplus;
    vk::test::FakeTray tray;
    g_scene.tray = &tray;
    g_scene.which = argv[1];
    for (int i = 2; i < argc; ++i) Run(argv[i]);
    ::SetTimer(nullptr, 0, kTimerMs, ShotTimer);
    const ULONGLONG end = ::GetTickCount64() + kGiveUpMs;
    MSG msg;
    while (::GetTickCount64() < end && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (!::IsDialogMessageW(::GetActiveWindow(), &msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
  } catch (...) {
    return 3;
  }
  return 0;
}
