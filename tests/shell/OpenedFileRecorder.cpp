// Stands in for the program the system opens a log file with: it records
// which file it was asked to open, so that a test can tell what File View
// handed to the shell. Command line: <record file> <opened file>.
#include <windows.h>
#include <shellapi.h>

#include "common/Handle.h"

namespace {

constexpr int kExpectedArguments = 3;  // this program, the record, the opened file

bool Record(const wchar_t* recordPath, const wchar_t* opened) {
  vk::FileHandle out(::CreateFileW(recordPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return false;
  const DWORD bytes = static_cast<DWORD>(::lstrlenW(opened) * sizeof(wchar_t));
  DWORD written = 0;
  return ::WriteFile(out.Get(), opened, bytes, &written, nullptr) && written == bytes;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!arguments) return 1;
  const bool recorded = count == kExpectedArguments && Record(arguments[1], arguments[2]);
  ::LocalFree(arguments);
  return recorded ? 0 : 1;
}
