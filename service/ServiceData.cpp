#include "service/ServiceData.h"

#include "channel/ChannelSecurity.h"

namespace vk::svc {

bool ServiceData::CreateSemaphore(const wchar_t* name) {
  ObjectSecurity security;
  if (!security.Build(SEMAPHORE_ALL_ACCESS, 0)) return false;
  semaphore_.Reset(::CreateSemaphoreW(security.Attributes(), 1, 1, name));
  if (semaphore_ && name && ::GetLastError() == ERROR_ALREADY_EXISTS) {
    semaphore_.Reset();
    ::SetLastError(ERROR_ALREADY_EXISTS);
  }
  return semaphore_.Valid();
}

ServiceData::Lock::Lock(ServiceData& d) : sem_(d.semaphore_.Get()), held_(false) {
  held_ = sem_ && ::WaitForSingleObject(sem_, INFINITE) == WAIT_OBJECT_0;
}

ServiceData::Lock::~Lock() {
  if (held_) ::ReleaseSemaphore(sem_, 1, nullptr);
}

}  // namespace vk::svc
