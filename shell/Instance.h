// One copy of the program per logon session: the instance marks, the probe a
// starting copy makes, and the hand-over through which a second start asks
// the running copy to open its main window.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "common/Handle.h"
#include "common/Messages.h"

namespace vk {

// Mutex and window-property names; the property (value 1) sits on the
// running copy's notification window.
constexpr wchar_t kInstanceName[] = L"Arkwell201704";                // this session
constexpr wchar_t kGlobalInstanceName[] = L"Global\\Arkwell201704";  // all sessions
constexpr wchar_t kHandOverEventName[] = L"ArkwellEvent";
constexpr wchar_t kHandOverMappingName[] = L"ArkwellMem";
constexpr DWORD kHandOverMappingSize = 0x80000;

constexpr uint32_t kHandOverNone = 0;
constexpr uint32_t kHandOverOpenMainWindow = 244;
constexpr uint32_t kHandOverRecordSize = 16;
constexpr DWORD kHandOverPollMs = 500;
constexpr DWORD kHandOverStopWaitMs = 1000;

#pragma pack(push, 1)
// At offset 0 of the hand-over mapping.
struct _HANDOVER_RECORD {
  uint32_t Command;   // kHandOverNone or kHandOverOpenMainWindow
  uint32_t Seen;      // 1 after each poll of the running copy, 0 once taken
  uint32_t Size;      // kHandOverRecordSize with a command
  uint32_t Reserved;  // 0
};
#pragma pack(pop)
static_assert(sizeof(_HANDOVER_RECORD) == kHandOverRecordSize, "hand-over record size");
static_assert(offsetof(_HANDOVER_RECORD, Command) == 0, "");
static_assert(offsetof(_HANDOVER_RECORD, Seen) == 4, "");
static_assert(offsetof(_HANDOVER_RECORD, Size) == 8, "");
static_assert(offsetof(_HANDOVER_RECORD, Reserved) == 12, "");

enum InstanceProbe : uint32_t {
  kNoCopyRunning = 0,        // the name was free
  kCopyInThisSession = 1,    // a window of this desktop carries the mark
  kCopyInOtherSession = 2,   // the name is taken, but by no window here
};

// Looks for a running copy marked `name`. When one runs here and `activate`
// is set, its window comes forward and is asked to open its main window.
InstanceProbe ProbeInstance(const wchar_t* name, bool activate);

// The top-level window carrying property `name`, or null.
HWND FindMarkedWindow(const wchar_t* name);

// Takes the mutex `name` into `slot` (releasing what the slot held) and marks
// `window` with the property. False when another copy holds the name.
bool ClaimInstance(HWND window, KernelHandle& slot, const wchar_t* name);
// Removes the mark and closes the mutex, if held.
void ReleaseInstance(HWND window, KernelHandle& slot, const wchar_t* name);

// Second copy: asks the running one to open its main window. Failures are
// ignored: the running copy's window was already brought forward.
void OpenExistingCopy();

// Command line "U": asks every copy running in this session to close, up to
// ten tries 100 ms apart (a copy running a job refuses). Returns at once when
// no copy runs. `name` is the instance name the copies mark themselves with.
void CloseRunningCopies(const wchar_t* name = kInstanceName);
constexpr int kCloseTries = 10;
constexpr DWORD kCloseRetryMs = 100;

// The running copy's side of the hand-over: owns the event, the mapping and
// the polling thread, which sends kMsgOpenMainWindow to `target` when a
// second copy asked for it.
class CHandOver {
 public:
  CHandOver() = default;
  ~CHandOver() { Stop(); }
  CHandOver(const CHandOver&) = delete;
  CHandOver& operator=(const CHandOver&) = delete;

  // Creates the objects (open to this user and SYSTEM only) and starts the
  // thread. False when an object could not be made or its name already
  // existed (someone else's object); nothing runs then.
  bool Start(HWND target);
  // Ends the thread and closes the objects. Messages sent to the calling
  // thread are delivered while it waits, so a hand-over caught in the middle
  // of its send cannot deadlock the window that stops it.
  void Stop();
  bool Running() const { return thread_.Valid(); }

 private:
  static DWORD WINAPI ThreadProc(void* self);
  void Poll();

  HWND target_ = nullptr;
  KernelHandle event_, mapping_, thread_;
  std::atomic<bool> stop_{false};
};

}  // namespace vk
