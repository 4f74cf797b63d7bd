// The client's side of one exchange over the command channel.
#pragma once
#include <windows.h>

#include "channel/SvcChannel.h"

namespace vk::svc {

// Sends the complete request in `buffer` (`size` bytes, equal to the
// command's nSize) and, on an answer, copies the answer back in place.
// The exchange holds a command mutex throughout: `commandMutex` when given
// (a caller's own lock), else the service's command mutex, opened by name for
// this exchange only. No client keeps a channel object open between
// exchanges: a name kept alive by a client would stop a restarted service
// from creating its objects.
// Returns the answer's nStatus (0 done, 1 refused), or 4 when the service
// cannot be reached or does not answer within kClientWaitMs, or 255 when the
// answer could not be read back; on 4 and 255 the buffer is unchanged.
int SendServiceCommand(HANDLE commandMutex, void* buffer, int size);

// The same with an explicit bound on each wait (tests use short ones).
int SendServiceCommand(HANDLE commandMutex, void* buffer, int size, DWORD waitMs);

}  // namespace vk::svc
