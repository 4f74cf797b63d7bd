#include "tests/windows/HostDriver.h"

#include "resources/ResourceIds.h"
#include "tests/driver/MainWindowView.h"
#include "tests/driver/Ui.h"
#include "tests/windows/FakeTray.h"

namespace vk::test {
namespace {

constexpr ULONG_PTR kCommandData = 0x564B;  // as the host expects it
constexpr UINT kAnswerMs = 10000;

}  // namespace

::testing::AssertionResult WindowHost::Start() {
  ::testing::AssertionResult started =
      program_.Start(driver::HostPathToWindows(VK_WINDOW_HOST_EXE));
  if (!started) return started;
  return driver::WaitFor("the host's fake tray window", driver::kWindowDeadlineMs, [&] {
    for (HWND h : driver::TopLevelWindows(program_.Id())) {
      wchar_t cls[64] = {};
      ::GetClassNameW(h, cls, 64);
      if (std::wstring(cls) == kFakeTrayClass) tray_ = h;
    }
    return tray_ != nullptr;
  });
}

std::wstring WindowHost::Command(const std::wstring& command) {
  COPYDATASTRUCT data = {kCommandData, static_cast<DWORD>(command.size() * sizeof(wchar_t)),
                         const_cast<wchar_t*>(command.data())};
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(tray_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, kAnswerMs, &result) ||
      result != 1)
    return L"no answer";
  return driver::WindowText(tray_);
}

::testing::AssertionResult WindowHost::OpenMain(HWND* main, const wchar_t* how) {
  *main = nullptr;
  const std::wstring answer = Command(how);
  if (answer != L"ok") return ::testing::AssertionFailure() << "open answered " << ::testing::PrintToString(answer);
  return driver::WaitForMainWindow(Id(), main);
}

}  // namespace vk::test
