// What the service keeps for its clients: the drive list with its change
// counter and the update record, guarded by the drive semaphore.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "common/Handle.h"
#include "channel/SvcChannel.h"

namespace vk::svc {

class ServiceData {
 public:
  // Creates the drive semaphore (count 1, maximum 1); `name` may be null for
  // a private one. A name that already exists is refused: a semaphore some
  // other process made first could be held forever. Only SYSTEM and
  // Administrators may open it. False with GetLastError set on failure.
  bool CreateSemaphore(const wchar_t* name);
  void CloseSemaphore() { semaphore_.Reset(); }

  // Holds the drive semaphore for its lifetime; Held() is false when the
  // wait failed, and the guarded data must then not be touched.
  class Lock {
   public:
    explicit Lock(ServiceData& d);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    bool Held() const { return held_; }

   private:
    HANDLE sem_;
    bool held_;
  };

  std::vector<_SVC_DRVINFO> drives;     // sorted; replaced whole by a rescan
  // Written by the worker and the control handler's thread, read by both.
  std::atomic<int32_t> driveCounter{0};  // grows by one per changed rescan
  std::atomic<bool> rescanFlag{true};    // a rescan is due
  _SVC_UPDINFO update{};                // outcome of the last update check

 private:
  KernelHandle semaphore_;
};

}  // namespace vk::svc
