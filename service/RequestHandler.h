// The service's handling of one request found in the shared block, and the
// service's end of the channel (doorbell event and shared block).
#pragma once
#include <windows.h>

#include "common/Handle.h"
#include "service/ServiceData.h"
#include "channel/SvcChannel.h"

namespace vk::svc {

// The two privileged actions a request can cause; tests replace them.
class SystemActions {
 public:
  virtual ~SystemActions() = default;
  // Stores a REG_DWORD under the service key; failures are not reported.
  virtual void WriteServiceDword(const wchar_t* name, DWORD value) = 0;
  // MoveFileExW; an empty path stands for null. *error gets GetLastError().
  virtual BOOL MoveFile(const wchar_t* existing, const wchar_t* newPath, DWORD flags,
                        DWORD* error) = 0;
};

class RealSystemActions : public SystemActions {
 public:
  explicit RealSystemActions(const wchar_t* serviceKeyPath = kServiceKeyPath)
      : keyPath_(serviceKeyPath) {}
  void WriteServiceDword(const wchar_t* name, DWORD value) override;
  BOOL MoveFile(const wchar_t* existing, const wchar_t* newPath, DWORD flags,
                DWORD* error) override;

 private:
  const wchar_t* keyPath_;
};

// True when a move request has the one form the interactive program sends:
// delete-at-restart of an absolute local path whose file name is the file
// name of the current setup URL. Anything else would let any local user
// move or delete files with the service's rights.
bool IsAllowedMoveRequest(const _SVC_MOVEFILE_REQUEST& request, const wchar_t* setupUrl);

// Handles the request in `block` (at least kLargestRequest bytes long). The
// request is copied out before it is checked, so the sender cannot change it
// afterwards; the answer is written back into the block.
void HandleRequest(unsigned char* block, ServiceData& data, SystemActions& actions);

// The service's channel objects. Create() refuses names that already exist:
// an object someone else created first is not ours to trust.
class ChannelServer {
 public:
  DWORD Create();  // 0 or a Win32 error
  void Close();
  HANDLE Doorbell() const { return doorbell_.Get(); }
  // Answers one request (the doorbell was found set) and signals completion.
  void ServeOne(ServiceData& data, SystemActions& actions);

 private:
  KernelHandle doorbell_;
  KernelHandle section_;
};

}  // namespace vk::svc
