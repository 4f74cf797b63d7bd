// The program's notification-area icon: added when the tray window starts,
// changed while a job runs, added again when the shell restarts, removed at
// the end. Without a shell tray (as under a bare X server) the calls fail
// harmlessly and the program runs on without an icon.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace vk {

// The shell broadcasts this registered message when its task bar is
// (re)created.
inline constexpr wchar_t kTaskbarCreatedMessage[] = L"TaskbarCreated";
constexpr UINT kTrayIconId = 0;

class TrayIcon {
 public:
  // Remembers the window, its callback message and the idle icon and tip.
  void Init(HWND window, UINT callbackMessage, HICON idleIcon, const std::wstring& idleTip);
  // Adds the icon (again, after a shell restart) with the current look.
  bool Add();
  // Shows `icon` with `tip` (cut to the tip's size).
  void Show(HICON icon, const std::wstring& tip);
  // Back to the idle icon and tip.
  void Reset() { Show(idleIcon_, idleTip_); }
  void Remove();

 private:
  NOTIFYICONDATAW data_ = {};
  HICON idleIcon_ = nullptr;
  std::wstring idleTip_;
  bool added_ = false;
};

}  // namespace vk
