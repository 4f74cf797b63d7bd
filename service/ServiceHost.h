// The service program: its command line, installation and removal, the
// service-control protocol and the worker thread.
#pragma once
#include <windows.h>

#include <cstdint>

namespace vk::svc {

inline constexpr wchar_t kDisplayName[] = L"Vaultkeep";
inline constexpr wchar_t kDescription[] = L"CORVANE Vaultkeep";
inline constexpr wchar_t kInteractiveProgram[] = L"Arkwell.exe";
inline constexpr DWORD kControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE |
                                           SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_PARAMCHANGE;
inline constexpr DWORD kDoorbellWaitMs = 100;
inline constexpr DWORD kFirstCheckDelayMs = 180000;    // 3 minutes after the worker starts
inline constexpr DWORD kCheckPeriodMs = 86400000;      // then every 24 hours

enum class CommandLineAction { RunService, Install, Uninstall, Nothing };
// "" runs the service, an upper-case 'I' or 'U' as first character installs
// or removes it; anything else does nothing.
CommandLineAction ParseCommandLine(const wchar_t* arguments);

// What a control does and which state is reported afterwards.
enum class ControlAction { None, Stop, Pause, Continue, Rescan };
struct ControlOutcome {
  ControlAction action;
  DWORD pendingState;  // reported before acting, 0 for none
  DWORD finalState;    // reported afterwards, 0 for none (the stop reports its own)
};
ControlOutcome DecideControl(DWORD control, DWORD eventType, bool running, bool paused);

// When the update check is due. Tick counts wrap every 49.7 days, so the
// due time is compared by signed difference, which stays right across a wrap
// and after any run length.
class UpdateRhythm {
 public:
  UpdateRhythm(DWORD firstDelayMs = kFirstCheckDelayMs, DWORD periodMs = kCheckPeriodMs)
      : firstDelay_(firstDelayMs), period_(periodMs) {}
  void Start(DWORD now) { due_ = now + firstDelay_; }
  bool Due(DWORD now) const { return static_cast<int32_t>(now - due_) >= 0; }
  void Advance() { due_ += period_; }

 private:
  DWORD firstDelay_, period_, due_ = 0;
};

// 0 or the Win32 error of the failed step.
DWORD InstallService(const wchar_t* programPath);
DWORD UninstallService();

// The program's entry: `arguments` is the command line after the program name.
int RunServiceProgram(const wchar_t* arguments);

}  // namespace vk::svc
