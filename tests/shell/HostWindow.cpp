#include "tests/shell/HostWindow.h"

#include "shell/Instance.h"

namespace vk::test {
namespace {
constexpr wchar_t kClassName[] = L"VaultkeepTestHost";
constexpr DWORD kSliceMs = 20;
}

HostWindow::HostWindow() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = &HostWindow::Proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kClassName;
  ::RegisterClassW(&wc);  // fails harmlessly when already registered
  hwnd_ = ::CreateWindowExW(0, kClassName, L"host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                            nullptr, wc.hInstance, this);
}

HostWindow::~HostWindow() {
  if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
}

LRESULT CALLBACK HostWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    if (msg == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<HostWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && msg == kMsgOpenMainWindow) {
      ++self->openRequests;
      return 0;
    }
    if (self != nullptr && msg == WM_CLOSE) {
      ++self->closeRequests;
      if (self->closeOnRequest) {
        if (self->onClose) self->onClose();
        ::DestroyWindow(hwnd);
        self->hwnd_ = nullptr;
      }
      return 0;
    }
  } catch (...) {
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

bool HostWindow::PumpUntil(const std::function<bool()>& done, DWORD ms, HANDLE alsoWaitFor) {
  const ULONGLONG deadline = ::GetTickCount64() + ms;
  HANDLE wait = alsoWaitFor;  // dropped once signalled, so the loop sleeps again
  while (!done()) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    const DWORD handles = wait ? 1 : 0;
    // Short waits: some conditions change without a message (shared memory).
    const DWORD slice = deadline - now < kSliceMs ? static_cast<DWORD>(deadline - now) : kSliceMs;
    const DWORD woke = ::MsgWaitForMultipleObjects(handles, &wait, FALSE, slice, QS_ALLINPUT);
    if (handles == 1 && woke == WAIT_OBJECT_0) wait = nullptr;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  return true;
}

}  // namespace vk::test
