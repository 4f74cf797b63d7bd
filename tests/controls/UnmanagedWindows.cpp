// Under Xvfb no window manager runs, and Wine waits up to two seconds for one
// whenever a managed window is hidden (every closed message window). The
// windows of these tests are therefore left unmanaged. This must happen
// before the first window exists, when Wine's display driver reads its
// settings; the key lives in the test build's own Wine prefix.
#include <windows.h>

namespace {

struct UnmanagedWindows {
  UnmanagedWindows() {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0,
                          KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
      return;
    const wchar_t no[] = L"N";
    ::RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(no), sizeof no);
    ::RegCloseKey(key);
  }
} g_unmanagedWindows;

}  // namespace
