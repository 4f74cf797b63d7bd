// Shows one of the skinned windows for a screenshot (scripts/screenshot.sh):
// prints "ready x y w h" with the window's screen rectangle once it is
// painted, and closes it a few seconds later.
//   controls_showcase <scene>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "controls/CMsgDlg.h"
#include "controls/CPopupDlg.h"
#include "controls/SkinImage.h"

namespace {

constexpr UINT_PTR kReadyTimer = 1, kEndTimer = 2;
constexpr UINT kShowMs = 4000;

void Announce(HWND hwnd) {
  ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT rc;
  ::GetWindowRect(hwnd, &rc);
  std::printf("ready %ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
  std::fflush(stdout);
}

class ShownMsgDlg : public vk::CMsgDlg {
 public:
  using CMsgDlg::CMsgDlg;

 protected:
  BOOL OnInitDialog() override {
    const BOOL r = CMsgDlg::OnInitDialog();
    ::SetTimer(Hwnd(), kReadyTimer, 300, nullptr);
    ::SetTimer(Hwnd(), kEndTimer, kShowMs, nullptr);
    return r;
  }
  void OnTimer(UINT_PTR id) override {
    ::KillTimer(Hwnd(), id);
    if (id == kReadyTimer) Announce(Hwnd());
    if (id == kEndTimer) Close(2);
  }
};

struct MsgScene {
  const char* name;
  const wchar_t* text;
  uint32_t style;
  bool logMode, logEnabled, backMode, check;
};

const MsgScene kMsgScenes[] = {
    {"msg-305", L"Do you want to cancel this backup? \nThe data currently backing up will be deleted.",
     305, false, false, false, false},
    {"msg-385-log", L"Backup completed successfully.", 385, true, true, false, false},
    {"msg-385-nolog", L"Backup completed successfully.", 385, true, false, false, false},
    {"msg-check",
     L"Do you want to delete the backup plan? \nThe backup data will be also deleted from the "
     L"storage device. ",
     305, false, false, false, true},
    {"msg-back",
     L"The next scheduled backup would be your first time to back up your folders. \nIt may take "
     L"a while to complete.",
     321, false, false, true, false},
    {"msg-error", L"You can connect 5 devices at a maximum. \nPlease remove the extra devices from your PC.",
     0x10, false, false, false, false},
};

struct PopupScene {
  const char* name;
  const wchar_t* text;
  uint32_t kind;
};

const PopupScene kPopupScenes[] = {
    {"popup-error", L"The backup has been canceled due to the disconnection of your storage device.", 16},
    {"popup-warning", L"You have missed the scheduled backup.\nPlease connect the storage device.", 48},
    {"popup-info", L"Backup completed successfully.", 64},
};

int ShowMsg(const MsgScene& s) {
  ShownMsgDlg dlg(s.text, s.style);
  dlg.logMode = s.logMode;
  dlg.logEnabled = s.logEnabled;
  dlg.backMode = s.backMode;
  dlg.checkShown = s.check;
  dlg.checkText = L"Acknowledged";
  dlg.Show(nullptr);
  return 0;
}

int ShowPopup(const PopupScene& s) {
  bool gone = false;
  auto* popup = new vk::CPopupDlg(s.text, s.kind, false);
  popup->onDestroyed = [&gone](vk::CPopupDlg* p) {
    gone = true;
    delete p;
  };
  if (!popup->Create(nullptr)) return 1;
  HWND hwnd = popup->Hwnd();
  const DWORD start = ::GetTickCount();
  bool announced = false;
  MSG msg;
  while (!gone && ::GetTickCount() - start < kShowMs) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    if (!announced && ::GetTickCount() - start > 300) {
      Announce(hwnd);
      announced = true;
    }
    ::Sleep(20);
  }
  if (!gone) ::DestroyWindow(hwnd);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  char scene[64] = {};
  std::snprintf(scene, sizeof scene, "%ls", argv[1]);
  vk::GdiplusSession gdiplus;
  for (const auto& s : kMsgScenes)
    if (std::strcmp(s.name, scene) == 0) return ShowMsg(s);
  for (const auto& s : kPopupScenes)
    if (std::strcmp(s.name, scene) == 0) return ShowPopup(s);
  return 2;
}
