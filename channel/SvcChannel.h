// The command channel between the interactive program and the service: the
// kernel object names, the layout of the shared block and of the two payload
// records, the command codes with their exact sizes, and the result codes.
// Both programs include this header; it is the one definition of the channel.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "common/SharedNames.h"

namespace vk::svc {

// ---- Names -----------------------------------------------------------------
inline constexpr wchar_t kServiceName[] = L"ArkwellSvc";
inline constexpr wchar_t kMutexPrefix[] = L"2017ArkwellSvc";
inline constexpr wchar_t kDoorbellFormat[] = L"Global\\%sEvent";
inline constexpr wchar_t kSectionFormat[] = L"Global\\%sMem";
inline constexpr wchar_t kCompletionFormat[] = L"Global\\%sEndEvent";
inline constexpr wchar_t kCmdMutexFormat[] = L"Global\\%sCmdMutex";
inline constexpr wchar_t kDoorbellName[] = L"Global\\ArkwellSvcEvent";
inline constexpr wchar_t kSectionName[] = L"Global\\ArkwellSvcMem";
inline constexpr wchar_t kCompletionName[] = L"Global\\ArkwellSvcEndEvent";
inline constexpr wchar_t kCmdMutexName[] = L"Global\\2017ArkwellSvcCmdMutex";
inline constexpr wchar_t kDriveSemaphoreName[] = L"Global\\BackupSemDrv2017";

inline constexpr DWORD kSectionSize = 0x80000;  // 512 KiB; only the first request's bytes are used

// Rights a local non-administrator gets on each object, and with which the
// client opens it: nothing more than its side of the exchange needs.
inline constexpr DWORD kUserDoorbellRights = EVENT_MODIFY_STATE;
inline constexpr DWORD kUserCompletionRights = EVENT_MODIFY_STATE | SYNCHRONIZE;
inline constexpr DWORD kUserSectionRights = FILE_MAP_READ | FILE_MAP_WRITE;
inline constexpr DWORD kUserMutexRights = SYNCHRONIZE;

// How long a client waits for the command mutex and for the service's
// answer. A paused or hung service must not freeze the program.
inline constexpr DWORD kClientWaitMs = 10000;

// ---- Commands --------------------------------------------------------------
enum SvcCommand : int32_t {
  SVC_CMD_GET_DRVINFO = 241,
  SVC_CMD_GET_DRVCOUNTER = 242,
  SVC_CMD_SET_LANGUAGE = 243,
  SVC_CMD_NOP = 244,
  SVC_CMD_SET_UPDATENOTICE = 245,
  SVC_CMD_GET_UPDINFO = 246,
  SVC_CMD_MOVEFILE = 247,
};
inline constexpr int32_t kFirstCommand = SVC_CMD_GET_DRVINFO;
inline constexpr int32_t kLastCommand = SVC_CMD_MOVEFILE;

// nStatus values written by the service.
inline constexpr int32_t kStatusDone = 0;
inline constexpr int32_t kStatusReceived = 1;
// Sent by the client in nStatus: a block the service never touched still
// carries it, so an unanswered request cannot read back as success.
inline constexpr int32_t kStatusNotAnswered = 4;

// Client results (a result whose remainder on division by 100 is 0 is success).
inline constexpr int kResultOk = 0;
inline constexpr int kResultRefused = 1;
inline constexpr int kResultUnreachable = 4;
inline constexpr int kResultReadBackFailed = 255;
inline bool Succeeded(int result) { return result % 100 == 0; }

inline constexpr int kMaxDrivesPerAnswer = 6;
inline constexpr int kPathChars = 261;  // fixed text fields: 260 characters and a terminator

// ---- Records ---------------------------------------------------------------
#pragma pack(push, 1)

// Header of the shared block.
struct _SVC_REQUEST {
  int32_t nCommand;
  int32_t nStatus;
  int32_t nSize;  // whole request, header included
};
static_assert(sizeof(_SVC_REQUEST) == 12);
static_assert(offsetof(_SVC_REQUEST, nCommand) == 0);
static_assert(offsetof(_SVC_REQUEST, nStatus) == 4);
static_assert(offsetof(_SVC_REQUEST, nSize) == 8);

// One USB disk as the service lists it.
struct _SVC_DRVINFO {
  wchar_t szFriendlyName[kPathChars];
  wchar_t szDevicePath[kPathChars];
  wchar_t szDeviceObject[kPathChars];
  uint16_t wReserved;
  uint32_t dwDeviceNumber;
  uint32_t dwDriveMask;  // bit n: drive letter 'A'+n lies on this disk
  uint64_t ullSectorCount;
  uint32_t dwBytesPerSector;
  uint16_t wVendorId;
  uint16_t wProductId;
};
static_assert(sizeof(_SVC_DRVINFO) == 1592);
static_assert(offsetof(_SVC_DRVINFO, szFriendlyName) == 0);
static_assert(offsetof(_SVC_DRVINFO, szDevicePath) == 522);
static_assert(offsetof(_SVC_DRVINFO, szDeviceObject) == 1044);
static_assert(offsetof(_SVC_DRVINFO, wReserved) == 1566);
static_assert(offsetof(_SVC_DRVINFO, dwDeviceNumber) == 1568);
static_assert(offsetof(_SVC_DRVINFO, dwDriveMask) == 1572);
static_assert(offsetof(_SVC_DRVINFO, ullSectorCount) == 1576);
static_assert(offsetof(_SVC_DRVINFO, dwBytesPerSector) == 1584);
static_assert(offsetof(_SVC_DRVINFO, wVendorId) == 1588);
static_assert(offsetof(_SVC_DRVINFO, wProductId) == 1590);

// Outcome of the update check.
struct _SVC_UPDINFO {
  int32_t nLatestMajor;
  int32_t nLatestMinor;
  int32_t nCurrentMajor;
  int32_t nCurrentMinor;
  int32_t bUpdateAvailable;
  int32_t nCheckCount;
  wchar_t szURL[kPathChars];
  wchar_t szSetupURL[kPathChars];
};
static_assert(sizeof(_SVC_UPDINFO) == 1068);
static_assert(offsetof(_SVC_UPDINFO, nLatestMajor) == 0);
static_assert(offsetof(_SVC_UPDINFO, nLatestMinor) == 4);
static_assert(offsetof(_SVC_UPDINFO, nCurrentMajor) == 8);
static_assert(offsetof(_SVC_UPDINFO, nCurrentMinor) == 12);
static_assert(offsetof(_SVC_UPDINFO, bUpdateAvailable) == 16);
static_assert(offsetof(_SVC_UPDINFO, nCheckCount) == 20);
static_assert(offsetof(_SVC_UPDINFO, szURL) == 24);
static_assert(offsetof(_SVC_UPDINFO, szSetupURL) == 546);

// The request records, one per payload shape.
struct _SVC_DWORD_REQUEST {  // 242, 243, 244, 245
  _SVC_REQUEST hdr;
  int32_t nValue;
};
static_assert(sizeof(_SVC_DWORD_REQUEST) == 16);
static_assert(offsetof(_SVC_DWORD_REQUEST, nValue) == 12);

struct _SVC_DRVINFO_REQUEST {  // 241
  _SVC_REQUEST hdr;
  int32_t nCount;
  _SVC_DRVINFO drives[kMaxDrivesPerAnswer];
};
static_assert(sizeof(_SVC_DRVINFO_REQUEST) == 9568);
static_assert(offsetof(_SVC_DRVINFO_REQUEST, nCount) == 12);
static_assert(offsetof(_SVC_DRVINFO_REQUEST, drives) == 16);

struct _SVC_UPDINFO_REQUEST {  // 246
  _SVC_REQUEST hdr;
  _SVC_UPDINFO info;
};
static_assert(sizeof(_SVC_UPDINFO_REQUEST) == 1080);
static_assert(offsetof(_SVC_UPDINFO_REQUEST, info) == 12);

struct _SVC_MOVEFILE_REQUEST {  // 247
  _SVC_REQUEST hdr;
  int32_t nResult;     // answer: MoveFileExW result, non-zero = success
  uint32_t dwError;    // answer: GetLastError() right after the call
  wchar_t szExisting[kPathChars];
  wchar_t szNew[kPathChars];
  uint32_t dwFlags;
};
static_assert(sizeof(_SVC_MOVEFILE_REQUEST) == 1068);
static_assert(offsetof(_SVC_MOVEFILE_REQUEST, nResult) == 12);
static_assert(offsetof(_SVC_MOVEFILE_REQUEST, dwError) == 16);
static_assert(offsetof(_SVC_MOVEFILE_REQUEST, szExisting) == 20);
static_assert(offsetof(_SVC_MOVEFILE_REQUEST, szNew) == 542);
static_assert(offsetof(_SVC_MOVEFILE_REQUEST, dwFlags) == 1064);

#pragma pack(pop)

inline constexpr int32_t kLargestRequest = sizeof(_SVC_DRVINFO_REQUEST);

// The exact nSize each command requires, or 0 for an unknown code.
constexpr int32_t RequiredRequestSize(int32_t command) {
  switch (command) {
    case SVC_CMD_GET_DRVINFO: return sizeof(_SVC_DRVINFO_REQUEST);
    case SVC_CMD_GET_DRVCOUNTER:
    case SVC_CMD_SET_LANGUAGE:
    case SVC_CMD_NOP:
    case SVC_CMD_SET_UPDATENOTICE: return sizeof(_SVC_DWORD_REQUEST);
    case SVC_CMD_GET_UPDINFO: return sizeof(_SVC_UPDINFO_REQUEST);
    case SVC_CMD_MOVEFILE: return sizeof(_SVC_MOVEFILE_REQUEST);
    default: return 0;
  }
}
static_assert(kLargestRequest < static_cast<int32_t>(kSectionSize));

}  // namespace vk::svc
