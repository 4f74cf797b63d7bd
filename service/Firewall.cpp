#include "service/Firewall.h"

#include <cwchar>
#include <string>

#include "common/Handle.h"

namespace vk::svc {
namespace {

// netsh normally ends within seconds; a hung one must not hang the installer.
constexpr DWORD kRunHiddenWaitMs = 60000;

// The file name without folder and extension.
std::wstring RuleName(const wchar_t* path) {
  const wchar_t* name = path;
  for (const wchar_t* p = path; *p; ++p)
    if (*p == L'\\' || *p == L'/') name = p + 1;
  std::wstring rule(name);
  size_t dot = rule.rfind(L'.');
  if (dot != std::wstring::npos) rule.resize(dot);
  return rule;
}

void OsVersion(DWORD* major, DWORD* minor) {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExW(&info)) info = {};
#pragma GCC diagnostic pop
  *major = info.dwMajorVersion;
  *minor = info.dwMinorVersion;
}

void RunFirewall(FirewallOp op, const wchar_t* programPath) {
  DWORD major = 0, minor = 0;
  OsVersion(&major, &minor);
  wchar_t command[kFirewallCommandChars];
  if (FormatFirewallCommand(op, major, minor, programPath, command)) RunHidden(command);
}

}  // namespace

bool FormatFirewallCommand(FirewallOp op, DWORD major, DWORD minor, const wchar_t* programPath,
                           wchar_t (&command)[kFirewallCommandChars]) {
  bool newer = major > 5;
  bool older = major == 5 && minor == 1;
  if (!newer && !older) return false;
  std::wstring rule = RuleName(programPath);
  int n;
  if (op == FirewallOp::Add && newer)
    n = std::swprintf(command, kFirewallCommandChars,
                      L"netsh advfirewall firewall add rule name=\"%ls\" dir=in action=allow "
                      L"program=\"%ls\" enable=yes",
                      rule.c_str(), programPath);
  else if (op == FirewallOp::Add)
    n = std::swprintf(command, kFirewallCommandChars,
                      L"netsh firewall add allowedprogram program=\"%ls\"  name=%ls", programPath,
                      rule.c_str());
  else if (newer)
    n = std::swprintf(command, kFirewallCommandChars,
                      L"netsh advfirewall firewall delete rule name=\"%ls\"", rule.c_str());
  else
    n = std::swprintf(command, kFirewallCommandChars,
                      L"netsh firewall delete allowedprogram program=\"%ls\"", programPath);
  return n > 0 && n < kFirewallCommandChars;
}

void RunHidden(const wchar_t* commandLine) {
  std::wstring writable(commandLine);  // CreateProcessW may write to it
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                        &process))
    return;
  KernelHandle thread(process.hThread);
  KernelHandle child(process.hProcess);
  ::WaitForSingleObject(child.Get(), kRunHiddenWaitMs);
}

void AddFirewallRule(const wchar_t* programPath) { RunFirewall(FirewallOp::Add, programPath); }
void DeleteFirewallRule(const wchar_t* programPath) {
  RunFirewall(FirewallOp::Delete, programPath);
}

}  // namespace vk::svc
