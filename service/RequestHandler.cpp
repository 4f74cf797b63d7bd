#include "service/RequestHandler.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "channel/ChannelSecurity.h"

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
  if (IsAllowedMoveRequest(request, setupUrl))
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
      actions.WriteServiceDword(kLanguageValue, static_cast<DWORD>(req.dword.nValue));
      return true;
    case SVC_CMD_SET_UPDATENOTICE:
      actions.WriteServiceDword(kUpdateNoticeValue, static_cast<DWORD>(req.dword.nValue));
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

}  // namespace

bool IsAllowedMoveRequest(const _SVC_MOVEFILE_REQUEST& request, const wchar_t* setupUrl) {
  if (request.dwFlags != MOVEFILE_DELAY_UNTIL_REBOOT || request.szNew[0] != 0) return false;
  if (!IsTerminated(request.szExisting) || !IsAbsoluteLocalPath(request.szExisting)) return false;
  if (!setupUrl || !setupUrl[0]) return false;
  // The setup URL's file name, without a query or fragment.
  wchar_t wanted[kPathChars];
  std::wcsncpy(wanted, FileNamePart(setupUrl, L"/"), kPathChars - 1);
  wanted[kPathChars - 1] = 0;
  wanted[std::wcscspn(wanted, L"?#")] = 0;
  const wchar_t* have = FileNamePart(request.szExisting, L"\\");
  if (!wanted[0] || !have[0]) return false;
  return ::CompareStringOrdinal(have, -1, wanted, -1, TRUE) == CSTR_EQUAL;
}

void HandleRequest(unsigned char* block, ServiceData& data, SystemActions& actions) {
  RequestCopy req;
  std::memcpy(&req.hdr, block, sizeof(req.hdr));
  Put(block, offsetof(_SVC_REQUEST, nStatus), kStatusReceived);
  int32_t required = RequiredRequestSize(req.hdr.nCommand);
  if (required == 0 || req.hdr.nSize != required) return;  // refused: status stays 1
  std::memcpy(req.bytes, block, static_cast<size_t>(required));
  req.hdr.nStatus = kStatusReceived;
  if (Execute(block, req, data, actions)) Put(block, offsetof(_SVC_REQUEST, nStatus), kStatusDone);
}

void RealSystemActions::WriteServiceDword(const wchar_t* name, DWORD value) {
  HKEY key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath_, 0, KEY_READ | KEY_WRITE, &key) !=
      ERROR_SUCCESS)
    return;
  ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
  ::RegCloseKey(key);
}

BOOL RealSystemActions::MoveFile(const wchar_t* existing, const wchar_t* newPath, DWORD flags,
                                 DWORD* error) {
  BOOL ok = ::MoveFileExW(existing[0] ? existing : nullptr, newPath[0] ? newPath : nullptr,
                          flags);
  *error = ::GetLastError();
  return ok;
}

DWORD ChannelServer::Create() {
  ObjectSecurity eventSecurity, sectionSecurity;
  if (!eventSecurity.Build(kEventAllAccess, kUserDoorbellRights) ||
      !sectionSecurity.Build(kSectionAllAccess, kUserSectionRights))
    return ::GetLastError();
  doorbell_.Reset(::CreateEventW(eventSecurity.Attributes(), FALSE, FALSE, kDoorbellName));
  DWORD error = ::GetLastError();
  if (!doorbell_ || error == ERROR_ALREADY_EXISTS) {
    bool squatted = doorbell_.Valid();
    Close();
    return squatted ? ERROR_ALREADY_EXISTS : error;
  }
  section_.Reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, sectionSecurity.Attributes(),
                                      PAGE_READWRITE, 0, kSectionSize, kSectionName));
  error = ::GetLastError();
  if (!section_ || error == ERROR_ALREADY_EXISTS) {
    bool squatted = section_.Valid();
    Close();
    return squatted ? ERROR_ALREADY_EXISTS : error;
  }
  return 0;
}

void ChannelServer::Close() {
  section_.Reset();
  doorbell_.Reset();
}

void ChannelServer::ServeOne(ServiceData& data, SystemActions& actions) {
  if (section_) {
    void* view = ::MapViewOfFile(section_.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (view) {
      HandleRequest(static_cast<unsigned char*>(view), data, actions);
      ::UnmapViewOfFile(view);
    }
  }
  ::ResetEvent(doorbell_.Get());
  KernelHandle completion(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kCompletionName));
  if (completion) ::SetEvent(completion.Get());
}

}  // namespace vk::svc
