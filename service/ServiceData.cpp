#include "service/ServiceData.h"

namespace vk::svc {

bool ServiceData::CreateSemaphore(const wchar_t* name) {
  semaphore_.Reset(::CreateSemaphoreW(nullptr, 1, 1, name));
  return semaphore_.Valid();
}

ServiceData::Lock::Lock(ServiceData& d) : sem_(d.semaphore_.Get()), held_(false) {
  held_ = sem_ && ::WaitForSingleObject(sem_, INFINITE) == WAIT_OBJECT_0;
}

ServiceData::Lock::~Lock() {
  if (held_) ::ReleaseSemaphore(sem_, 1, nullptr);
}

}  // namespace vk::svc
