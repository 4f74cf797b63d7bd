// The service's handling of one request found in the shared block, and the
// service's end of the channel (doorbell event and shared block).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "common/Handle.h"
#include "service/ServiceData.h"
#include "channel/SvcChannel.h"

namespace vk::svc {

// Where the system lists its user profiles, one subkey per account with the
// profile folder in "ProfileImagePath".
inline constexpr wchar_t kProfileListKeyPath[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
// The temporary folder below a profile folder, where the interactive program
// downloads the installer.
inline constexpr wchar_t kProfileTempFolder[] = L"\\AppData\\Local\\Temp";
// More profiles than any machine has; the walk stops there.
inline constexpr DWORD kMaxProfiles = 4096;

// The two privileged actions a request can cause and what the move rule
// needs to know about the machine; tests replace them.
class SystemActions {
 public:
  virtual ~SystemActions() = default;
  // The profile folders of the machine's user accounts.
  virtual std::vector<std::wstring> ProfileFolders() = 0;
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
  std::vector<std::wstring> ProfileFolders() override;
  void WriteServiceDword(const wchar_t* name, DWORD value) override;
  BOOL MoveFile(const wchar_t* existing, const wchar_t* newPath, DWORD flags,
                DWORD* error) override;

 private:
  const wchar_t* keyPath_;
};

// True when a move request has the one form the interactive program sends:
// delete-at-restart of the installer it downloaded. The file name must be
// the plain installer name of the current setup URL, and the folder the
// temporary folder of one of `profileFolders` (compared without regard to
// case, spelled exactly: no other form, short name, relative step or
// trailing dot or blank). Anything else would let any local user delete
// files with the service's rights.
bool IsAllowedMoveRequest(const _SVC_MOVEFILE_REQUEST& request, const wchar_t* setupUrl,
                          const std::vector<std::wstring>& profileFolders);

// True for the values commands 243 and 245 may store: a language index of
// the program's languages, and a notice switch of 0 or 1.
bool IsAcceptedSetting(int32_t command, int32_t value);

// Handles the request in `block` (at least kLargestRequest bytes long). The
// request is copied out before it is checked, so the sender cannot change it
// afterwards; the answer is written back into the block.
void HandleRequest(unsigned char* block, ServiceData& data, SystemActions& actions);

// The service's channel objects: doorbell, completion event, command mutex
// and shared block, all created at the service's start with their explicit
// DACLs. Create() refuses names that already exist: an object someone else
// created first is not ours to trust.
class ChannelServer {
 public:
  DWORD Create();  // 0 or a Win32 error
  void Close();
  HANDLE Doorbell() const { return doorbell_.Get(); }
  // Answers one request (the doorbell was found set) and signals completion.
  void ServeOne(ServiceData& data, SystemActions& actions);

 private:
  KernelHandle doorbell_;
  KernelHandle completion_;
  KernelHandle commandMutex_;
  KernelHandle section_;
};

}  // namespace vk::svc
