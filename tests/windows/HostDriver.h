// The window host (window_host.exe) seen from a test: started, given
// commands for its fake tray window, and its windows found.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/driver/Program.h"

namespace vk::test {

class WindowHost {
 public:
  // Starts the host and waits for its fake tray window.
  ::testing::AssertionResult Start();
  // Runs a command of FakeTray::Run in the host; its answer.
  std::wstring Command(const std::wstring& command);
  // Opens the main window (the host's "open") and waits for it.
  ::testing::AssertionResult OpenMain(HWND* main, const wchar_t* how = L"open");
  DWORD Id() const { return program_.Id(); }

 private:
  driver::Program program_;
  HWND tray_ = nullptr;
};

}  // namespace vk::test
