// Shows one of the skinned windows for a screenshot (scripts/screenshot.sh):
// prints "ready x y w h" with the window's screen rectangle once it is
// painted, and closes it a few seconds later.
//   controls_showcase <scene>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include <commctrl.h>

#include "controls/CCheckBtn.h"
#include "controls/CMsgDlg.h"
#include "controls/CProgressCtrlEx.h"
#include "controls/CPopupDlg.h"
#include "controls/SkinImage.h"
#include "controls/UiFonts.h"
#include "resources/ResourceIds.h"

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
  vk::IconKind kind;
};

const PopupScene kPopupScenes[] = {
    {"popup-error", L"The backup has been canceled due to the disconnection of your storage device.",
     vk::kIconError},
    {"popup-warning", L"You have missed the scheduled backup.\nPlease connect the storage device.",
     vk::kIconWarning},
    {"popup-info", L"Backup completed successfully.", vk::kIconInformation},
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

// The controls gallery: a plain window holding one of each control in its
// usual roles, so that the strips can be seen in use.
LRESULT CALLBACK GalleryProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (vk::Control* c = vk::Control::FromHwnd(item->hwndItem)) c->DrawItem(*item);
      return TRUE;
    }
    case WM_ERASEBKGND: {
      RECT rc;
      ::GetClientRect(hwnd, &rc);
      vk::FillSolid(reinterpret_cast<HDC>(wp), rc, vk::kDarkBackground);
      return 1;
    }
    default:
      return ::DefWindowProcW(hwnd, msg, wp, lp);
  }
}

HWND Button(HWND parent, const wchar_t* text, int x, int y, DWORD style = 0) {
  HWND h = ::CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW | style, x,
                             y, 10, 10, parent, nullptr, nullptr, nullptr);
  ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(vk::TextFont(0)), FALSE);
  return h;
}

int ShowGallery() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = GalleryProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VkGallery";
  ::RegisterClassW(&wc);
  HWND win = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 40, 40, 760, 420,
                               nullptr, nullptr, wc.hInstance, nullptr);
  vk::CImageButton tabs[5], drives[2], texts[3], panel;
  const UINT tabIds[] = {IDP_TAB_BACKUP, IDP_TAB_RESTORE, IDP_TAB_LOG, IDP_TAB_SETTING,
                         IDP_TAB_SETTING_NEW};
  for (int i = 0; i < 5; ++i) {
    tabs[i].Attach(Button(win, L"", 20 + 100 * i, 20, i == 2 ? WS_DISABLED : 0));
    tabs[i].SetImage(tabIds[i], 96, 96);
  }
  tabs[0].SetSelected(true);
  tabs[1].SetForceOver(true);
  // What the main window puts in them: the device's name, its drive letters
  // and its size.
  const wchar_t* driveLines[2][3] = {{L"Backup Drive", L"(E:)", L"931.51 GB"},
                                     {L"USB Stick", L"(F:)(G:)", L"57.30 GB"}};
  for (int i = 0; i < 2; ++i) {
    drives[i].Attach(Button(win, L"", 20 + 182 * i, 140, i == 1 ? WS_DISABLED : 0));
    drives[i].SetImage(IDP_DRIVE_BUTTON, 172, 93);
    drives[i].SetDriveMode(true);
    drives[i].SetDriveLines(driveLines[i][0], driveLines[i][1], driveLines[i][2]);
    drives[i].SetPlanMark(true, IDP_PLAN_MARK, IDP_PLAN_MARK_DISABLED);
  }
  const wchar_t* textLabels[] = {L"Next", L"Back", L"Apply"};
  for (int i = 0; i < 3; ++i) {
    texts[i].Attach(Button(win, textLabels[i], 390, 140, i == 2 ? WS_DISABLED : 0));
    texts[i].SetImage(IDP_TEXT_BUTTON, 138, 52);
    texts[i].SetTextMode(true);
    texts[i].SetFocusFrame(true);
  }
  ::SetWindowPos(texts[0].Hwnd(), nullptr, 390, 140, 138, 52, SWP_NOZORDER);
  ::SetWindowPos(texts[1].Hwnd(), nullptr, 540, 140, 138, 52, SWP_NOZORDER);
  ::SetWindowPos(texts[2].Hwnd(), nullptr, 390, 200, 138, 52, SWP_NOZORDER);
  texts[1].SetForceOver(true);
  panel.Attach(Button(win, L"", 20, 250));
  ::SetWindowPos(panel.Hwnd(), nullptr, 20, 250, 360, 128, SWP_NOZORDER);
  panel.SetPanelMode(true);
  panel.SetBackground(RGB(0x23, 0x23, 0x23));
  panel.SetPanelLines({L"Restore to the original location", L"Set: 2026-12-09 22:00",
                       L"Folders: 4", L"Size: 12.4 GB"});
  panel.SetPanelPicture(IDP_CHOICE_OVERWRITE);
  vk::CCheckBtn checks[2];
  const wchar_t* checkLabels[] = {L"Acknowledged", L"Do not show again"};
  for (int i = 0; i < 2; ++i) {
    checks[i].Attach(Button(win, checkLabels[i], 390, 270 + 30 * i));
    ::SetWindowPos(checks[i].Hwnd(), nullptr, 390, 270 + 30 * i, 300, 24, SWP_NOZORDER);
    checks[i].SetImages(IDP_CHECK_OFF, IDP_CHECK_ON, 16, 16);
    checks[i].SetLeftMargin(5);
    checks[i].SetTicked(i == 0);
  }
  HWND bar = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 390, 340, 340, 20,
                               win, nullptr, nullptr, nullptr);
  vk::CProgressCtrlEx progress;
  progress.Attach(bar);
  ::SendMessageW(bar, PBM_SETRANGE32, 0, 100);
  ::SendMessageW(bar, PBM_SETPOS, 62, 0);
  const DWORD start = ::GetTickCount();
  bool announced = false;
  MSG msg;
  while (::GetTickCount() - start < kShowMs) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    if (!announced && ::GetTickCount() - start > 300) {
      Announce(win);
      announced = true;
    }
    ::Sleep(20);
  }
  ::DestroyWindow(win);
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
  if (std::strcmp(scene, "controls") == 0) return ShowGallery();
  return 2;
}
