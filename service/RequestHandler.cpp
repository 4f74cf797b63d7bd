#include "service/RequestHandler.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "channel/ChannelSecurity.h"
#include "common/Texts.h"
#include "service/UpdateCheck.h"

namespace vk::svc {
namespace {

// Local copy of a request, large enough for the largest one.
union RequestCopy {
  _SVC_REQUEST hdr;
  _SVC_DWORD_REQUEST dword;
  _SVC_DRVINFO_REQUEST drives;
  _SVC_UPDINFO_REQUEST update;
  _SVC_MOVEFILE_REQUEST move;
  unsigned char bytes[kLargestRequest];
};

template <class T>
void Put(unsigned char* block, size_t offset, const T& value) {
  std::memcpy(block + offset, &value, sizeof(value));
}

// The answers return false when they could not be given; the request then
// stays at status 1, so the client never takes an unwritten answer for one.
bool AnswerDrives(unsigned char* block, ServiceData& data) {
  ServiceData::Lock lock(data);
  if (!lock.Held()) return false;
  int32_t count = static_cast<int32_t>(
      std::min<size_t>(data.drives.size(), static_cast<size_t>(kMaxDrivesPerAnswer)));
  Put(block, offsetof(_SVC_DRVINFO_REQUEST, nCount), count);
  if (count > 0)
    std::memcpy(block + offsetof(_SVC_DRVINFO_REQUEST, drives), data.drives.data(),
                static_cast<size_t>(count) * sizeof(_SVC_DRVINFO));
  return true;
}

bool AnswerUpdate(unsigned char* block, ServiceData& data) {
  ServiceData::Lock lock(data);
  if (!lock.Held()) return false;
  Put(block, offsetof(_SVC_UPDINFO_REQUEST, info), data.update);
  return true;
}

void AnswerMove(unsigned char* block, const _SVC_MOVEFILE_REQUEST& request, ServiceData& data,
                SystemActions& actions) {
  wchar_t setupUrl[kPathChars];
  {
    ServiceData::Lock lock(data);
    if (lock.Held())
      std::memcpy(setupUrl, data.update.szSetupURL, sizeof(setupUrl));
    else
      setupUrl[0] = 0;
  }
  setupUrl[kPathChars - 1] = 0;
  int32_t result = 0;
  DWORD error = ERROR_ACCESS_DENIED;
  if (IsAllowedMoveRequest(request, setupUrl, actions.ProfileFolders()))
    result = actions.MoveFile(request.szExisting, request.szNew, request.dwFlags, &error) ? 1 : 0;
  Put(block, offsetof(_SVC_MOVEFILE_REQUEST, nResult), result);
  Put(block, offsetof(_SVC_MOVEFILE_REQUEST, dwError), static_cast<uint32_t>(error));
}

bool Execute(unsigned char* block, const RequestCopy& req, ServiceData& data,
             SystemActions& actions) {
  switch (req.hdr.nCommand) {
    case SVC_CMD_GET_DRVINFO: return AnswerDrives(block, data);
    case SVC_CMD_GET_DRVCOUNTER:
      Put(block, offsetof(_SVC_DWORD_REQUEST, nValue), static_cast<int32_t>(data.driveCounter));
      return true;
    case SVC_CMD_SET_LANGUAGE:
    case SVC_CMD_SET_UPDATENOTICE:
      // Stored machine-wide: only the values the programs know are taken.
      if (!IsAcceptedSetting(req.hdr.nCommand, req.dword.nValue)) return false;
      actions.WriteServiceDword(
          req.hdr.nCommand == SVC_CMD_SET_LANGUAGE ? kLanguageValue : kUpdateNoticeValue,
          static_cast<DWORD>(req.dword.nValue));
      return true;
    case SVC_CMD_GET_UPDINFO: return AnswerUpdate(block, data);
    case SVC_CMD_MOVEFILE: AnswerMove(block, req.move, data, actions); return true;
    default: return true;  // SVC_CMD_NOP: acknowledged only
  }
}

// The file name part of a path or URL: what follows the last separator.
const wchar_t* FileNamePart(const wchar_t* s, const wchar_t* separators) {
  const wchar_t* name = s;
  for (const wchar_t* p = s; *p; ++p)
    if (std::wcschr(separators, *p)) name = p + 1;
  return name;
}

bool IsTerminated(const wchar_t* field) {
  return std::wmemchr(field, 0, kPathChars) != nullptr;
}

// "X:\..." with no second colon (streams), no forward slash and no "..".
bool IsAbsoluteLocalPath(const wchar_t* p) {
  bool letter = (p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z');
  if (!letter || p[1] != L':' || p[2] != L'\\') return false;
  if (std::wcschr(p + 2, L':') || std::wcschr(p, L'/')) return false;
  return std::wcsstr(p, L"\\..") == nullptr;
}

// The well-known service accounts (SYSTEM, LOCAL SERVICE, NETWORK SERVICE)
// have profiles too, but the interactive program never runs as one of them.
bool IsServiceAccount(const wchar_t* sid) {
  static const wchar_t* const kServiceSids[] = {L"S-1-5-18", L"S-1-5-19", L"S-1-5-20"};
  for (const wchar_t* s : kServiceSids)
    if (::CompareStringOrdinal(sid, -1, s, -1, TRUE) == CSTR_EQUAL) return true;
  return false;
}

bool SameText(const wchar_t* a, size_t aChars, const wchar_t* b, size_t bChars) {
  return ::CompareStringOrdinal(a, static_cast<int>(aChars), b, static_cast<int>(bChars), TRUE) ==
         CSTR_EQUAL;
}

// True when folder[0, chars) is the temporary folder of one of the profiles.
bool IsProfileTempFolder(const wchar_t* folder, size_t chars,
                         const std::vector<std::wstring>& profileFolders) {
  for (std::wstring temp : profileFolders) {
    while (!temp.empty() && temp.back() == L'\\') temp.pop_back();
    // A profile folder from the registry must itself be a plain local path.
    if (temp.empty() || !IsAbsoluteLocalPath((temp + L"\\").c_str())) continue;
    temp += kProfileTempFolder;
    if (SameText(folder, chars, temp.c_str(), temp.size())) return true;
  }
  return false;
}

}  // namespace

bool IsAllowedMoveRequest(const _SVC_MOVEFILE_REQUEST& request, const wchar_t* setupUrl,
                          const std::vector<std::wstring>& profileFolders) {
  if (request.dwFlags != MOVEFILE_DELAY_UNTIL_REBOOT || request.szNew[0] != 0) return false;
  if (!IsTerminated(request.szExisting) || !IsAbsoluteLocalPath(request.szExisting)) return false;
  wchar_t wanted[kMaxInstallerNameChars + 1];
  if (!SetupFileName(setupUrl, wanted)) return false;
  const wchar_t* path = request.szExisting;
  const wchar_t* have = FileNamePart(path, L"\\");
  if (!SameText(have, std::wcslen(have), wanted, std::wcslen(wanted))) return false;
  size_t folderChars = static_cast<size_t>(have - path) - 1;  // without the last separator
  return IsProfileTempFolder(path, folderChars, profileFolders);
}

std::vector<std::wstring> RealSystemActions::ProfileFolders() {
  std::vector<std::wstring> folders;
  RegKey list = OpenRegKey(HKEY_LOCAL_MACHINE, kProfileListKeyPath, KEY_READ);
  if (!list) return folders;
  for (DWORD i = 0; i < kMaxProfiles; ++i) {
    wchar_t sid[kPathChars];
    DWORD sidChars = kPathChars;
    if (::RegEnumKeyExW(list.Get(), i, sid, &sidChars, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    if (IsServiceAccount(sid)) continue;
    wchar_t folder[kPathChars] = {};
    DWORD bytes = sizeof(folder) - sizeof(wchar_t);
    // Without RRF_NOEXPAND a REG_EXPAND_SZ value ("%SystemDrive%\Users\...")
    // is taken as well, and comes back expanded.
    if (::RegGetValueW(list.Get(), sid, L"ProfileImagePath", RRF_RT_REG_SZ,
                       nullptr, folder, &bytes) == ERROR_SUCCESS &&
        folder[0])
      folders.emplace_back(folder);
  }
  return folders;
}

bool IsAcceptedSetting(int32_t command, int32_t value) {
  if (command == SVC_CMD_SET_LANGUAGE)
    return value >= 0 && value < static_cast<int32_t>(kLanguageCount);
  if (command == SVC_CMD_SET_UPDATENOTICE) return value == 0 || value == 1;
  return false;
}

void HandleRequest(unsigned char* block, ServiceData& data, SystemActions& actions) {
  // The client can write the block at any moment: the header is read once,
  // and everything below checks and acts on this one copy only.
  RequestCopy req;
  std::memset(&req, 0, sizeof(req));
  std::memcpy(&req.hdr, block, sizeof(req.hdr));
  Put(block, offsetof(_SVC_REQUEST, nStatus), kStatusReceived);
  int32_t required = RequiredRequestSize(req.hdr.nCommand);
  if (required == 0 || req.hdr.nSize != required) return;  // refused: status stays 1
  std::memcpy(req.bytes + sizeof(req.hdr), block + sizeof(req.hdr),
              static_cast<size_t>(required) - sizeof(req.hdr));
  req.hdr.nStatus = kStatusReceived;
  if (Execute(block, req, data, actions)) Put(block, offsetof(_SVC_REQUEST, nStatus), kStatusDone);
}

void RealSystemActions::WriteServiceDword(const wchar_t* name, DWORD value) {
  RegKey key = OpenRegKey(HKEY_LOCAL_MACHINE, keyPath_, KEY_READ | KEY_WRITE);
  if (!key) return;
  ::RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
}

BOOL RealSystemActions::MoveFile(const wchar_t* existing, const wchar_t* newPath, DWORD flags,
                                 DWORD* error) {
  BOOL ok = ::MoveFileExW(existing[0] ? existing : nullptr, newPath[0] ? newPath : nullptr,
                          flags);
  *error = ::GetLastError();
  return ok;
}

namespace {

// Takes a freshly created object into `slot`; a name that already existed
// belongs to someone else and is refused.
DWORD TakeFresh(KernelHandle& slot, HANDLE created) {
  DWORD error = ::GetLastError();
  slot.Reset(created);
  if (!slot) return error ? error : ERROR_INVALID_HANDLE;
  if (error == ERROR_ALREADY_EXISTS) {
    slot.Reset();
    return ERROR_ALREADY_EXISTS;
  }
  return 0;
}

}  // namespace

DWORD ChannelServer::Create() {
  ObjectSecurity doorbellSecurity, completionSecurity, sectionSecurity, mutexSecurity;
  if (!doorbellSecurity.Build(kEventAllAccess, kUserDoorbellRights) ||
      !completionSecurity.Build(kEventAllAccess, kUserCompletionRights) ||
      !sectionSecurity.Build(kSectionAllAccess, kUserSectionRights) ||
      !mutexSecurity.Build(kMutexAllAccess, kUserMutexRights))
    return ::GetLastError();
  // All four objects are the service's own, made before any client can use
  // them: a client that made one first could give it a DACL that locks every
  // other client out, so clients only ever open them.
  DWORD error = TakeFresh(
      doorbell_, ::CreateEventW(doorbellSecurity.Attributes(), FALSE, FALSE, kDoorbellName));
  if (!error)
    error = TakeFresh(completion_, ::CreateEventW(completionSecurity.Attributes(), FALSE, FALSE,
                                                  kCompletionName));
  if (!error)
    error = TakeFresh(commandMutex_,
                      ::CreateMutexW(mutexSecurity.Attributes(), FALSE, kCmdMutexName));
  // The block is readable and writable by every local user, as the channel
  // requires: any answer in it may have been changed by another process, so
  // clients treat every answer as untrusted and bound what they take from it.
  if (!error)
    error = TakeFresh(section_, ::CreateFileMappingW(INVALID_HANDLE_VALUE,
                                                     sectionSecurity.Attributes(), PAGE_READWRITE,
                                                     0, kSectionSize, kSectionName));
  if (error) Close();
  return error;
}

void ChannelServer::Close() {
  section_.Reset();
  commandMutex_.Reset();
  completion_.Reset();
  doorbell_.Reset();
}

void ChannelServer::ServeOne(ServiceData& data, SystemActions& actions) {
  if (section_) {
    MappedView view(section_.Get(), FILE_MAP_ALL_ACCESS, 0);
    if (view) HandleRequest(view.Bytes(), data, actions);
  }
  ::ResetEvent(doorbell_.Get());
  if (completion_) ::SetEvent(completion_.Get());
}

}  // namespace vk::svc
