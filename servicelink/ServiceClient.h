// The interactive program's operations on the service, one per command.
// Each returns the exchange result (channel/SvcClient.h): a caller can tell a
// failed exchange from an answer, so a drive list that could not be fetched is
// never taken for "no disks attached". Outputs change only on success.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "common/Handle.h"
#include "channel/SvcChannel.h"

namespace vk::link {

// Every operation takes `mutex` as SendServiceCommand does: null (the usual
// case) uses the service's own command mutex for the one exchange.

int GetDriveCounter(HANDLE mutex, int32_t* counter);
// Empties `drives`, then appends the answer's records in order.
int GetDriveList(HANDLE mutex, std::vector<svc::_SVC_DRVINFO>& drives);
int GetUpdateInfo(HANDLE mutex, svc::_SVC_UPDINFO* info);
// Asks the service to delete `path` at the next restart. A path that does
// not fit the request (260 characters) is refused here: cut short, it would
// name another file. *scheduled tells whether the service's move succeeded.
int DeleteFileAtRestart(HANDLE mutex, const wchar_t* path, bool* scheduled = nullptr);
int SetServiceLanguage(HANDLE mutex, int32_t language);
int SetUpdateNotice(HANDLE mutex, bool show);

}  // namespace vk::link
