#include "tests/driver/Wait.h"

namespace vk::driver {

void PumpMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

::testing::AssertionResult WaitFor(const std::string& what, DWORD deadlineMs,
                                   const std::function<bool()>& done) {
  const ULONGLONG start = ::GetTickCount64();
  const ULONGLONG deadline = start + deadlineMs;
  for (;;) {
    if (done()) return ::testing::AssertionSuccess();
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) break;
    const ULONGLONG left = deadline - now;
    const DWORD slice = left < kPollIntervalMs ? static_cast<DWORD>(left) : kPollIntervalMs;
    // Wakes early for a message to this thread; otherwise one poll interval.
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_ALLINPUT);
    PumpMessages();
  }
  return ::testing::AssertionFailure()
         << "timed out after " << (::GetTickCount64() - start) << " ms waiting for " << what;
}

}  // namespace vk::driver
