#include "shell/Instance.h"

#include <cstring>

namespace vk {
namespace {

// Security attributes whose DACL is absent, so any account may open the
// object (a second copy may run under another token).
struct OpenToEveryone {
  SECURITY_DESCRIPTOR descriptor;
  SECURITY_ATTRIBUTES attributes;
  bool ok;
  OpenToEveryone() {
    ok = ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
         ::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = FALSE;
  }
};

// Unmaps a view of the hand-over mapping when it goes out of scope.
class MappedRecord {
 public:
  explicit MappedRecord(HANDLE mapping)
      : view_(::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, kHandOverRecordSize)) {}
  ~MappedRecord() {
    if (view_) ::UnmapViewOfFile(view_);
  }
  MappedRecord(const MappedRecord&) = delete;
  MappedRecord& operator=(const MappedRecord&) = delete;
  // Another process writes the record: every access goes to the memory.
  volatile _HANDOVER_RECORD* Get() const { return static_cast<volatile _HANDOVER_RECORD*>(view_); }

 private:
  void* view_;
};

// True when the mutex `name` was free (and is now released again).
bool MutexWasFree(const wchar_t* name) {
  KernelHandle probe(::CreateMutexW(nullptr, FALSE, name));
  return probe.Valid() && ::GetLastError() != ERROR_ALREADY_EXISTS;
}

void BringForward(HWND window) {
  if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
  ::SetForegroundWindow(::GetLastActivePopup(window));
}

}  // namespace

HWND FindMarkedWindow(const wchar_t* name) {
  for (HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD); w != nullptr;
       w = ::GetWindow(w, GW_HWNDNEXT)) {
    if (::GetPropW(w, name) != nullptr) return w;
  }
  return nullptr;
}

InstanceProbe ProbeInstance(const wchar_t* name, bool activate) {
  if (MutexWasFree(name)) return kNoCopyRunning;
  HWND window = FindMarkedWindow(name);
  if (window == nullptr) return kCopyInOtherSession;
  if (activate) {
    BringForward(window);
    OpenExistingCopy();
  }
  return kCopyInThisSession;
}

bool ClaimInstance(HWND window, KernelHandle& slot, const wchar_t* name) {
  ReleaseInstance(window, slot, name);
  KernelHandle mutex(::CreateMutexW(nullptr, FALSE, name));
  if (!mutex.Valid() || ::GetLastError() == ERROR_ALREADY_EXISTS) return false;
  slot = std::move(mutex);
  ::SetPropW(window, name, reinterpret_cast<HANDLE>(1));
  return true;
}

void ReleaseInstance(HWND window, KernelHandle& slot, const wchar_t* name) {
  if (!slot.Valid()) return;
  ::RemovePropW(window, name);
  slot.Reset();
}

void OpenExistingCopy() {
  KernelHandle mapping(::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kHandOverMappingName));
  if (!mapping.Valid()) return;
  MappedRecord record(mapping.Get());
  if (record.Get() == nullptr) return;
  const _HANDOVER_RECORD request = {kHandOverOpenMainWindow, 0, kHandOverRecordSize, 0};
  // One 16-byte write; the running copy polls for it.
  std::memcpy(const_cast<_HANDOVER_RECORD*>(record.Get()), &request, sizeof(request));
}

void CloseRunningCopies(const wchar_t* name) {
  if (MutexWasFree(name)) return;
  for (int i = 0; i < kCloseTries; ++i) {
    HWND window = FindMarkedWindow(name);
    if (window == nullptr) return;
    // A hung copy must not hang this one as well.
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kHandOverStopWaitMs, &ignored);
    ::Sleep(kCloseRetryMs);
  }
}

bool CHandOver::Start(HWND target) {
  Stop();
  OpenToEveryone security;
  if (!security.ok) return false;
  event_.Reset(::CreateEventW(&security.attributes, FALSE, FALSE, kHandOverEventName));
  mapping_.Reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, &security.attributes, PAGE_READWRITE,
                                      0, kHandOverMappingSize, kHandOverMappingName));
  if (!event_.Valid() || !mapping_.Valid()) {
    Stop();
    return false;
  }
  {
    MappedRecord record(mapping_.Get());
    if (record.Get() == nullptr) {
      Stop();
      return false;
    }
    record.Get()->Command = kHandOverNone;
  }
  target_ = target;
  stop_ = false;
  thread_.Reset(::CreateThread(nullptr, 0, &CHandOver::ThreadProc, this, 0, nullptr));
  if (!thread_.Valid()) {
    Stop();
    return false;
  }
  return true;
}

void CHandOver::Stop() {
  if (thread_.Valid()) {
    stop_ = true;
    ::SetEvent(event_.Get());
    HANDLE thread = thread_.Get();
    while (::MsgWaitForMultipleObjects(1, &thread, FALSE, kHandOverStopWaitMs, QS_SENDMESSAGE) !=
           WAIT_OBJECT_0) {
      MSG msg;
      // Delivers messages other threads are sending to this one.
      ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    thread_.Reset();
  }
  event_.Reset();
  mapping_.Reset();
}

DWORD WINAPI CHandOver::ThreadProc(void* self) {
  try {
    CHandOver* handOver = static_cast<CHandOver*>(self);
    for (;;) {
      ::WaitForSingleObject(handOver->event_.Get(), kHandOverPollMs);
      if (handOver->stop_) break;
      handOver->Poll();
      ::ResetEvent(handOver->event_.Get());
    }
  } catch (...) {
  }
  return 0;
}

void CHandOver::Poll() {
  MappedRecord record(mapping_.Get());
  volatile _HANDOVER_RECORD* r = record.Get();
  if (r == nullptr) return;
  r->Seen = 1;
  if (r->Command == kHandOverOpenMainWindow && r->Size == kHandOverRecordSize) {
    // Taken before the send, so a request written while the window opens is
    // kept for the next poll.
    r->Command = kHandOverNone;
    r->Seen = 0;
    ::SendMessageW(target_, kMsgOpenMainWindow, 0, 0);
  }
}

}  // namespace vk
