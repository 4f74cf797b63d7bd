#include "channel/SvcClient.h"

#include <cstring>
#include <vector>

#include "common/Handle.h"
#include "channel/ChannelSecurity.h"

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

class ViewOf {
 public:
  ViewOf(HANDLE section, size_t bytes)
      : p_(static_cast<unsigned char*>(
            ::MapViewOfFile(section, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, bytes))) {}
  ~ViewOf() {
    if (p_) ::UnmapViewOfFile(p_);
  }
  ViewOf(const ViewOf&) = delete;
  ViewOf& operator=(const ViewOf&) = delete;
  unsigned char* Get() const { return p_; }

 private:
  unsigned char* p_;
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
  if (commandMutex && !WaitBounded(commandMutex, waitMs)) return kResultUnreachable;
  MutexHold hold(commandMutex);

  KernelHandle doorbell(::OpenEventW(kUserDoorbellRights, FALSE, kDoorbellName));
  if (!doorbell) return kResultUnreachable;  // the service is not running

  ObjectSecurity security;
  if (!security.Build(kEventAllAccess, kUserCompletionRights)) return kResultUnreachable;
  KernelHandle completion(::CreateEventExW(security.Attributes(), kCompletionName, 0,
                                           kUserCompletionRights));
  if (!completion) return kResultUnreachable;
  KernelHandle section(::OpenFileMappingW(kUserSectionRights, FALSE, kSectionName));
  if (!section) return kResultUnreachable;

  _SVC_REQUEST sent;
  std::memcpy(&sent, buffer, sizeof(sent));
  sent.nStatus = kStatusNotAnswered;
  {
    ViewOf view(section.Get(), static_cast<size_t>(size));
    if (!view.Get()) return kResultUnreachable;
    std::memcpy(view.Get(), buffer, static_cast<size_t>(size));
    std::memcpy(view.Get(), &sent, sizeof(sent));
  }
  ::ResetEvent(completion.Get());  // a stale signal from an abandoned exchange
  ::SetEvent(doorbell.Get());
  if (!WaitBounded(completion.Get(), waitMs)) return kResultUnreachable;
  ::ResetEvent(completion.Get());

  std::vector<unsigned char> answer(static_cast<size_t>(size));
  {
    ViewOf view(section.Get(), static_cast<size_t>(size));
    if (!view.Get()) return kResultReadBackFailed;
    std::memcpy(answer.data(), view.Get(), answer.size());
  }
  _SVC_REQUEST header;
  std::memcpy(&header, answer.data(), sizeof(header));
  if (!IsAnswerTo(sent, header)) return kResultUnreachable;
  std::memcpy(buffer, answer.data(), answer.size());
  return header.nStatus;
}

}  // namespace vk::svc
