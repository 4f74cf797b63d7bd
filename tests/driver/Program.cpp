#include "tests/driver/Program.h"

#include <vector>

namespace vk::driver {
namespace {

// What Kill waits for the system to tear a process down.
constexpr DWORD kKillWaitMs = 10000;

BOOL CALLBACK CloseWindowOfProcess(HWND hwnd, LPARAM pid) {
  DWORD owner = 0;
  ::GetWindowThreadProcessId(hwnd, &owner);
  if (owner == static_cast<DWORD>(pid)) ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

std::wstring HostPathToWindows(const char* hostPath) {
  std::wstring path = L"Z:";
  for (const char* c = hostPath; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return path;
}

std::wstring ArkwellExe() { return HostPathToWindows(VK_DRIVER_ARKWELL_EXE); }
std::wstring ServiceExe() { return HostPathToWindows(VK_DRIVER_SERVICE_EXE); }

Program::~Program() {
  if (Running()) Kill();
}

::testing::AssertionResult Program::Start(const std::wstring& exe, const std::wstring& arguments) {
  if (process_.Valid()) return ::testing::AssertionFailure() << "a program is already held";
  std::wstring line = L"\"" + exe + L"\"";
  if (!arguments.empty()) line += L" " + arguments;
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  // No handles inherited: the program must not hold the test's output open.
  if (!::CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
    const DWORD error = ::GetLastError();
    return ::testing::AssertionFailure()
           << "cannot start " << std::string(exe.begin(), exe.end()) << " (error " << error << ")";
  }
  KernelHandle thread(pi.hThread);
  process_.Reset(pi.hProcess);
  id_ = pi.dwProcessId;
  return ::testing::AssertionSuccess();
}

bool Program::Running() const {
  return process_.Valid() && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

DWORD Program::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_.Valid()) ::GetExitCodeProcess(process_.Get(), &code);
  return code;
}

::testing::AssertionResult Program::WaitForExit(DWORD deadlineMs) {
  if (!process_.Valid()) return ::testing::AssertionFailure() << "no program was started";
  return WaitFor("the program to end", deadlineMs, [this] { return !Running(); });
}

::testing::AssertionResult Program::Close(DWORD deadlineMs) {
  if (!Running()) return ::testing::AssertionSuccess();
  ::EnumWindows(&CloseWindowOfProcess, static_cast<LPARAM>(id_));
  ::testing::AssertionResult ended = WaitForExit(deadlineMs);
  if (!ended) {
    Kill();
    return ::testing::AssertionFailure() << "the program ignored WM_CLOSE and was ended by force ("
                                         << ended.message() << ")";
  }
  return ended;
}

void Program::Kill() {
  if (!Running()) return;
  ::TerminateProcess(process_.Get(), 1);
  ::WaitForSingleObject(process_.Get(), kKillWaitMs);
}

int RunProgram(const std::wstring& exe, const std::wstring& arguments, DWORD deadlineMs) {
  Program program;
  if (!program.Start(exe, arguments)) return -1;
  if (!program.WaitForExit(deadlineMs)) return -1;  // the destructor ends it
  return static_cast<int>(program.ExitCode());
}

}  // namespace vk::driver
