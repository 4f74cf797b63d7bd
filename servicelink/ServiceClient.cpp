#include "servicelink/ServiceClient.h"

#include <cstring>
#include <cwchar>
#include <memory>

#include "channel/SvcClient.h"

namespace vk::link {
namespace {

using namespace vk::svc;

template <class T>
void Prepare(T& request, int32_t command) {
  std::memset(&request, 0, sizeof(request));
  request.hdr.nCommand = command;
  request.hdr.nSize = sizeof(T);
}

int SendDword(HANDLE mutex, int32_t command, int32_t value, int32_t* answer) {
  _SVC_DWORD_REQUEST request;
  Prepare(request, command);
  request.nValue = value;
  int result = SendServiceCommand(mutex, &request, sizeof(request));
  if (Succeeded(result) && answer) *answer = request.nValue;
  return result;
}

// Text fields from another process end within their field, whatever it sent.
void Terminate(wchar_t (&field)[kPathChars]) { field[kPathChars - 1] = 0; }

}  // namespace

int GetDriveCounter(HANDLE mutex, int32_t* counter) {
  return SendDword(mutex, SVC_CMD_GET_DRVCOUNTER, 0, counter);
}

int GetDriveList(HANDLE mutex, std::vector<_SVC_DRVINFO>& drives) {
  drives.clear();
  auto request = std::make_unique<_SVC_DRVINFO_REQUEST>();
  Prepare(*request, SVC_CMD_GET_DRVINFO);
  int result = SendServiceCommand(mutex, request.get(), sizeof(*request));
  if (!Succeeded(result)) return result;
  if (request->nCount < 0 || request->nCount > kMaxDrivesPerAnswer)
    return kResultReadBackFailed;  // not an answer this program can read
  drives.assign(request->drives, request->drives + request->nCount);
  for (_SVC_DRVINFO& d : drives) {
    Terminate(d.szFriendlyName);
    Terminate(d.szDevicePath);
    Terminate(d.szDeviceObject);
  }
  return result;
}

int GetUpdateInfo(HANDLE mutex, _SVC_UPDINFO* info) {
  _SVC_UPDINFO_REQUEST request;
  Prepare(request, SVC_CMD_GET_UPDINFO);
  int result = SendServiceCommand(mutex, &request, sizeof(request));
  if (Succeeded(result)) {
    *info = request.info;
    Terminate(info->szURL);
    Terminate(info->szSetupURL);
  }
  return result;
}

int DeleteFileAtRestart(HANDLE mutex, const wchar_t* path, bool* scheduled) {
  if (scheduled) *scheduled = false;
  _SVC_MOVEFILE_REQUEST request;
  Prepare(request, SVC_CMD_MOVEFILE);
  if (path) {
    if (std::wcslen(path) >= static_cast<size_t>(kPathChars)) return kResultRefused;
    std::wcscpy(request.szExisting, path);
  }
  request.dwFlags = MOVEFILE_DELAY_UNTIL_REBOOT;
  int result = SendServiceCommand(mutex, &request, sizeof(request));
  if (Succeeded(result) && scheduled) *scheduled = request.nResult != 0;
  return result;
}

int SetServiceLanguage(HANDLE mutex, int32_t language) {
  return SendDword(mutex, SVC_CMD_SET_LANGUAGE, language, nullptr);
}

int SetUpdateNotice(HANDLE mutex, bool show) {
  return SendDword(mutex, SVC_CMD_SET_UPDATENOTICE, show ? 1 : 0, nullptr);
}

}  // namespace vk::link
