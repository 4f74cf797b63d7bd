#include "tests/driver/Program.h"

#include <tlhelp32.h>

#include <cstdio>

#include <vector>

namespace vk::driver {
namespace {

// What Kill waits for the system to tear a process down.
constexpr DWORD kKillWaitMs = 10000;
// The longest program path asked of the system (the long-path limit).
constexpr DWORD kMaxImageChars = 32767;
// Under Wine a process start now and then fails with ERROR_INTERNAL_ERROR when
// the machine is loaded (the new process died before it reported in); the
// same start right after succeeds. Any other error is the test's own.
constexpr int kStartAttempts = 3;

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

BOOL CreateProcessRetrying(const wchar_t* exe, std::wstring& commandLine, BOOL inheritHandles,
                           STARTUPINFOW& startup, PROCESS_INFORMATION& process) {
  for (int attempt = 1;; ++attempt) {
    if (::CreateProcessW(exe, &commandLine[0], nullptr, nullptr, inheritHandles, 0, nullptr,
                         nullptr, &startup, &process)) {
      return TRUE;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_INTERNAL_ERROR || attempt == kStartAttempts) {
      ::SetLastError(error);
      return FALSE;
    }
    std::fprintf(stderr, "start %d of %ls failed with error %lu; starting it again\n", attempt,
                 commandLine.c_str(), static_cast<unsigned long>(error));
  }
}

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
  if (!CreateProcessRetrying(exe.c_str(), line, FALSE, si, pi)) {
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
  // Why there is no exit code goes to the test's log: -1 alone does not say.
  if (auto started = program.Start(exe, arguments); !started) {
    std::fprintf(stderr, "RunProgram: %s\n", started.message());
    return -1;
  }
  if (!program.WaitForExit(deadlineMs)) {  // the destructor ends it
    std::fprintf(stderr, "RunProgram: still running after %lu ms\n",
                 static_cast<unsigned long>(deadlineMs));
    return -1;
  }
  return static_cast<int>(program.ExitCode());
}

std::wstring ProcessImage(DWORD pid) {
  KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process.Valid()) return L"";
  std::vector<wchar_t> path(kMaxImageChars + 1);
  DWORD chars = kMaxImageChars + 1;
  if (!::QueryFullProcessImageNameW(process.Get(), 0, path.data(), &chars)) return L"";
  return std::wstring(path.data(), chars);
}

int KillEveryCopyOf(const std::wstring& exe) {
  // A snapshot fails as a file does, with INVALID_HANDLE_VALUE.
  FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.Valid()) return 0;
  std::vector<DWORD> found;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
       more = ::Process32NextW(snapshot.Get(), &entry)) {
    if (::_wcsicmp(ProcessImage(entry.th32ProcessID).c_str(), exe.c_str()) == 0)
      found.push_back(entry.th32ProcessID);
  }
  for (DWORD pid : found) {
    KernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process.Valid()) continue;
    ::TerminateProcess(process.Get(), 1);
    ::WaitForSingleObject(process.Get(), kKillWaitMs);
  }
  return static_cast<int>(found.size());
}

}  // namespace vk::driver
