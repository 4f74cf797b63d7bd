// Firewall rules for both programs, added at install and removed at
// uninstall through the netsh command.
#pragma once
#include <windows.h>

namespace vk::svc {

inline constexpr int kFirewallCommandChars = 520;

enum class FirewallOp { Add, Delete };

// The netsh command line for `programPath` on Windows major.minor; false
// when that version takes no command (below 5, 5.0, 5.2) or the command
// would not fit kFirewallCommandChars (it is not cut short).
bool FormatFirewallCommand(FirewallOp op, DWORD major, DWORD minor, const wchar_t* programPath,
                           wchar_t (&command)[kFirewallCommandChars]);

// Runs a command line without a window and waits for it (bounded).
void RunHidden(const wchar_t* commandLine);

void AddFirewallRule(const wchar_t* programPath);
void DeleteFirewallRule(const wchar_t* programPath);

}  // namespace vk::svc
