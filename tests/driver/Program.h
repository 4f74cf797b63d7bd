// Programs a test starts: the test build's Arkwell.exe and ArkwellSvc.exe, or
// a helper of the test's own. A started program never outlives its owner.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "common/Handle.h"
#include "tests/driver/Wait.h"

namespace vk::driver {

// The Windows path (Z:\...) of a program of this build, given its path on the
// host as the build knows it.
std::wstring HostPathToWindows(const char* hostPath);
// The test build's programs.
std::wstring ArkwellExe();
std::wstring ServiceExe();

// CreateProcessW with the same arguments, tried again (up to three times in
// all) when Wine refuses with ERROR_INTERNAL_ERROR; GetLastError holds the
// last attempt's error on failure.
BOOL CreateProcessRetrying(const wchar_t* exe, std::wstring& commandLine, BOOL inheritHandles,
                           STARTUPINFOW& startup, PROCESS_INFORMATION& process);

class Program {
 public:
  Program() = default;
  ~Program();  // ends the program by force if it still runs
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Starts `exe` with `arguments` (the working folder is the test's). Fails
  // when a program is already held or CreateProcess refuses.
  ::testing::AssertionResult Start(const std::wstring& exe, const std::wstring& arguments = L"");

  DWORD Id() const { return id_; }
  HANDLE Handle() const { return process_.Get(); }
  bool Started() const { return process_.Valid(); }
  bool Running() const;
  // The exit code once the program has ended; STILL_ACTIVE before.
  DWORD ExitCode() const;

  // Waits for the program to end by itself.
  ::testing::AssertionResult WaitForExit(DWORD deadlineMs = kProcessDeadlineMs);
  // Asks the program to end as a user or the system would (WM_CLOSE to each
  // of its top-level windows) and waits. Past the deadline it is ended by
  // force and the result is a failure.
  ::testing::AssertionResult Close(DWORD deadlineMs = kProcessDeadlineMs);
  // Ends it at once and waits until it is gone.
  void Kill();

 private:
  KernelHandle process_;
  DWORD id_ = 0;
};

// Runs `exe` to its end; its exit code, or -1 when it could not be started or
// ran past the deadline (it is ended by force then).
int RunProgram(const std::wstring& exe, const std::wstring& arguments,
               DWORD deadlineMs = kProcessDeadlineMs);

// Ends by force every process running the program file `exe` (compared
// without regard to case) and waits until each is gone: for programs a test
// did not start itself, such as the copy an installer starts. Returns how
// many it found.
int KillEveryCopyOf(const std::wstring& exe);

// The program file of process `pid`; empty when it cannot be asked.
std::wstring ProcessImage(DWORD pid);

}  // namespace vk::driver
