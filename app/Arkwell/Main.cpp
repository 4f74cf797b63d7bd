// Entry point of the interactive program.
#include <windows.h>

#include "channel/SvcChannel.h"
#include "servicelink/ServiceClient.h"
#include "shell/ArkwellApp.h"
#include "shell/CTrayDlg.h"

namespace {

bool StoreServiceLanguage(uint32_t language) {
  return vk::svc::Succeeded(vk::link::SetServiceLanguage(nullptr, static_cast<int32_t>(language)));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  try {
    vk::AppOptions options;
    // The hidden notification window is the program's main loop.
    options.runTrayWindow = &vk::RunTrayWindow;
    options.storeLanguage = &StoreServiceLanguage;
    vk::CArkwellApp app(options);
    app.Run(commandLine);
  } catch (...) {
  }
  return 0;
}
