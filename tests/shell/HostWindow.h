// A hidden top-level window standing in for the program's notification
// window: it counts the messages a running copy receives from a second one.
#pragma once
#include <windows.h>

#include <functional>

namespace vk::test {

class HostWindow {
 public:
  HostWindow();
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  int openRequests = 0;      // kMsgOpenMainWindow received
  int closeRequests = 0;     // WM_CLOSE received
  bool closeOnRequest = false;  // false: a busy copy that refuses to close
  std::function<void()> onClose;  // runs before the window is destroyed

  // Handles this thread's messages until `done` holds or `ms` have passed.
  static bool PumpUntil(const std::function<bool()>& done, DWORD ms, HANDLE alsoWaitFor = nullptr);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND hwnd_ = nullptr;
};

}  // namespace vk::test
