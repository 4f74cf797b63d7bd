#include "shell/TrayIcon.h"

#include <cwchar>

namespace vk {
namespace {

template <size_t N>
void CopyTip(wchar_t (&to)[N], const std::wstring& tip) {
  std::wcsncpy(to, tip.c_str(), N - 1);
  to[N - 1] = L'\0';
}

}  // namespace

void TrayIcon::Init(HWND window, UINT callbackMessage, HICON idleIcon,
                    const std::wstring& idleTip) {
  data_ = {};
  data_.cbSize = sizeof(data_);
  data_.hWnd = window;
  data_.uID = kTrayIconId;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = callbackMessage;
  data_.hIcon = idleIcon;
  CopyTip(data_.szTip, idleTip);
  idleIcon_ = idleIcon;
  idleTip_ = idleTip;
}

bool TrayIcon::Add() {
  if (!data_.hWnd) return false;
  added_ = ::Shell_NotifyIconW(NIM_ADD, &data_) != FALSE;
  return added_;
}

void TrayIcon::Show(HICON icon, const std::wstring& tip) {
  data_.hIcon = icon;
  CopyTip(data_.szTip, tip);
  // The shell may have come up only now: an icon it does not know is added.
  if (!added_ || !::Shell_NotifyIconW(NIM_MODIFY, &data_)) Add();
}

void TrayIcon::Remove() {
  if (data_.hWnd) ::Shell_NotifyIconW(NIM_DELETE, &data_);
  added_ = false;
}

}  // namespace vk
