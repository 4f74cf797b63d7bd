// A small program that shows one of the skinned windows until a test closes
// it from outside, so the driver can be proven on a window of another
// process. Exit code: the message window's result, 0 for a notification that
// was closed, kGaveUp when nobody answered in time.
//   gui_driver_helper message <style> <plain|check|log> <text>
//   gui_driver_helper notification <kind> <text>
#include <windows.h>

#include <shellapi.h>

#include <cwchar>
#include <string>

#include "controls/CMsgDlg.h"
#include "controls/CPopupDlg.h"
#include "controls/SkinImage.h"

namespace {

constexpr int kGaveUp = 99;
constexpr int kBadArguments = 98;
constexpr UINT_PTR kGiveUpTimer = 1;
// A driven window is answered within seconds; past this the test is broken
// and the helper must not stay behind.
constexpr UINT kGiveUpMs = 120000;

class HelperMsgDlg : public vk::CMsgDlg {
 public:
  using CMsgDlg::CMsgDlg;

 protected:
  BOOL OnInitDialog() override {
    const BOOL r = CMsgDlg::OnInitDialog();
    ::SetTimer(Hwnd(), kGiveUpTimer, kGiveUpMs, nullptr);
    return r;
  }
  void OnTimer(UINT_PTR id) override {
    if (id == kGiveUpTimer) Close(kGaveUp);
  }
};

int ShowMessage(uint32_t style, const std::wstring& mode, const std::wstring& text) {
  HelperMsgDlg dlg(text, style);
  dlg.checkShown = mode == L"check";
  dlg.checkText = L"Acknowledged";
  dlg.logMode = mode == L"log";
  dlg.logEnabled = dlg.logMode;
  return static_cast<int>(dlg.Show(nullptr));
}

int ShowNotification(uint32_t kind, const std::wstring& text) {
  bool gone = false;
  auto* popup = new vk::CPopupDlg(text, static_cast<vk::IconKind>(kind), false);
  popup->onDestroyed = [&gone](vk::CPopupDlg* p) {
    gone = true;
    delete p;
  };
  if (!popup->Create(nullptr)) return kGaveUp;
  const ULONGLONG deadline = ::GetTickCount64() + kGiveUpMs;
  MSG msg;
  while (!gone && ::GetTickCount64() < deadline) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kGiveUpMs, QS_ALLINPUT);
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
  return gone ? 0 : kGaveUp;
}

int Run(int argc, wchar_t** argv) {
  vk::GdiplusSession gdiplus;
  const std::wstring scene = argc > 1 ? argv[1] : L"";
  if (scene == L"message" && argc == 5)
    return ShowMessage(static_cast<uint32_t>(std::wcstoul(argv[2], nullptr, 0)), argv[3], argv[4]);
  if (scene == L"notification" && argc == 4)
    return ShowNotification(static_cast<uint32_t>(std::wcstoul(argv[2], nullptr, 0)), argv[3]);
  return kBadArguments;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    return Run(argc, argv);
  } catch (...) {
    return kBadArguments;
  }
}
