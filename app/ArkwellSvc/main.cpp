// ArkwellSvc: the background service. "I" installs it, "U" removes it, no
// argument runs it under the service manager.
#include <windows.h>

#include "service/ServiceHost.h"

int wmain(int argc, wchar_t** argv) {
  return vk::svc::RunServiceProgram(argc > 1 ? argv[1] : L"");
}
