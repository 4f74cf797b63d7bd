#include "channel/SvcClient.h"

#include <cstring>
#include <vector>

#include "common/Handle.h"

namespace vk::svc {
namespace {

// Releases the command mutex when the exchange ends, however it ends.
class MutexHold {
 public:
  explicit MutexHold(HANDLE m) : m_(m) {}
  ~MutexHold() {
    if (m_) ::ReleaseMutex(m_);
  }
  MutexHold(const MutexHold&) = delete;
  MutexHold& operator=(const MutexHold&) = delete;

 private:
  HANDLE m_;
};

bool WaitBounded(HANDLE h, DWORD waitMs) {
  DWORD w = ::WaitForSingleObject(h, waitMs);
  return w == WAIT_OBJECT_0 || w == WAIT_ABANDONED;
}

// An answer belongs to this request only when it echoes its code and size and
// carries a status the service writes; anything else (a late answer to an
// abandoned request, an untouched block) is not taken.
bool IsAnswerTo(const _SVC_REQUEST& request, const _SVC_REQUEST& answer) {
  return answer.nCommand == request.nCommand && answer.nSize == request.nSize &&
         (answer.nStatus == kStatusDone || answer.nStatus == kStatusReceived);
}

}  // namespace

int SendServiceCommand(HANDLE commandMutex, void* buffer, int size) {
  return SendServiceCommand(commandMutex, buffer, size, kClientWaitMs);
}

int SendServiceCommand(HANDLE commandMutex, void* buffer, int size, DWORD waitMs) {
  if (!buffer || size < static_cast<int>(sizeof(_SVC_REQUEST)) || size > kLargestRequest)
    return kResultRefused;
  // The service makes every object of the channel; a client only opens them,
  // and holds them for this one exchange, so a restarted service can make
  // them anew.
  KernelHandle serviceMutex;
  if (!commandMutex) {
    serviceMutex.Reset(::OpenMutexW(kUserMutexRights, FALSE, kCmdMutexName));
    if (!serviceMutex) return kResultUnreachable;  // the service is not running
    commandMutex = serviceMutex.Get();
  }
  if (!WaitBounded(commandMutex, waitMs)) return kResultUnreachable;
  MutexHold hold(commandMutex);

  KernelHandle doorbell(::OpenEventW(kUserDoorbellRights, FALSE, kDoorbellName));
  if (!doorbell) return kResultUnreachable;  // the service is not running
  KernelHandle completion(::OpenEventW(kUserCompletionRights, FALSE, kCompletionName));
  if (!completion) return kResultUnreachable;
  KernelHandle section(::OpenFileMappingW(kUserSectionRights, FALSE, kSectionName));
  if (!section) return kResultUnreachable;

  _SVC_REQUEST sent;
  std::memcpy(&sent, buffer, sizeof(sent));
  sent.nStatus = kStatusNotAnswered;
  {
    MappedView view(section.Get(), FILE_MAP_READ | FILE_MAP_WRITE, static_cast<size_t>(size));
    if (!view.Writable(static_cast<size_t>(size))) return kResultUnreachable;
    std::memcpy(view.Bytes(), buffer, static_cast<size_t>(size));
    std::memcpy(view.Bytes(), &sent, sizeof(sent));
  }
  ::ResetEvent(completion.Get());  // a stale signal from an abandoned exchange
  ::SetEvent(doorbell.Get());
  if (!WaitBounded(completion.Get(), waitMs)) return kResultUnreachable;
  ::ResetEvent(completion.Get());

  // Whatever the block holds now is only a claim: every local user can write
  // it. It is copied once and checked before the caller sees it.
  std::vector<unsigned char> answer(static_cast<size_t>(size));
  {
    MappedView view(section.Get(), FILE_MAP_READ, static_cast<size_t>(size));
    // Committed above, and section memory is never decommitted.
    if (!view) return kResultReadBackFailed;
    std::memcpy(answer.data(), view.Bytes(), answer.size());
  }
  _SVC_REQUEST header;
  std::memcpy(&header, answer.data(), sizeof(header));
  if (!IsAnswerTo(sent, header)) return kResultUnreachable;
  std::memcpy(buffer, answer.data(), answer.size());
  return header.nStatus;
}

}  // namespace vk::svc
