#include "shell/Instance.h"

#include <sddl.h>

#include <cstring>
#include <string>
#include <vector>

namespace vk {
namespace {

// Security attributes granting the user of this process's token and SYSTEM
// full access, and nobody else: another user of the machine must not be able
// to open the main window of this user's copy or read the hand-over block.
class OwnerOnlySecurity {
 public:
  OwnerOnlySecurity() {
    std::wstring user = TokenUserSid();
    if (user.empty()) return;
    std::wstring sddl = L"D:P(A;;GA;;;" + user + L")(A;;GA;;;SY)";
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            sddl.c_str(), SDDL_REVISION_1, descriptor_.Receive(), nullptr))
      return;
    attributes_.nLength = sizeof(attributes_);
    attributes_.lpSecurityDescriptor = descriptor_.Get();
    attributes_.bInheritHandle = FALSE;
  }
  SECURITY_ATTRIBUTES* Attributes() { return descriptor_ ? &attributes_ : nullptr; }

 private:
  // The token user's SID in string form, or "" when it cannot be read.
  static std::wstring TokenUserSid() {
    KernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return L"";
    DWORD bytes = 0;
    ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &bytes);
    std::vector<unsigned char> buffer(bytes);
    if (bytes < sizeof(TOKEN_USER) ||
        !::GetTokenInformation(token.Get(), TokenUser, buffer.data(), bytes, &bytes))
      return L"";
    LocalMemory text;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid,
                                  reinterpret_cast<wchar_t**>(text.Receive())))
      return L"";
    return static_cast<const wchar_t*>(text.Get());
  }

  LocalMemory descriptor_;
  SECURITY_ATTRIBUTES attributes_{};
};

// A view of the hand-over record. Another process may have made the mapping
// (a second copy writes into the running copy's), so the record is touched
// only when the view is committed, writable memory.
class MappedRecord {
 public:
  explicit MappedRecord(HANDLE mapping)
      : view_(mapping, FILE_MAP_ALL_ACCESS, kHandOverRecordSize) {}
  // Another process writes the record: every access goes to the memory.
  volatile _HANDOVER_RECORD* Get() const {
    return view_.Writable(kHandOverRecordSize)
               ? static_cast<volatile _HANDOVER_RECORD*>(view_.Get())
               : nullptr;
  }

 private:
  MappedView view_;
};

// Takes a freshly created object into `slot`; false (and the slot empty)
// when it could not be made or the name already existed: an object that
// exists before the first copy made it is not this copy's to trust.
bool TakeFresh(KernelHandle& slot, HANDLE created) {
  bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
  slot.Reset(created);
  if (existed) slot.Reset();
  return slot.Valid();
}

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
  OwnerOnlySecurity security;
  if (!security.Attributes()) return false;
  if (!TakeFresh(event_,
                 ::CreateEventW(security.Attributes(), FALSE, FALSE, kHandOverEventName)) ||
      !TakeFresh(mapping_, ::CreateFileMappingW(INVALID_HANDLE_VALUE, security.Attributes(),
                                                PAGE_READWRITE, 0, kHandOverMappingSize,
                                                kHandOverMappingName))) {
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
