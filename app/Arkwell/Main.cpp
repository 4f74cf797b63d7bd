// Entry point of the interactive program.
#include <windows.h>

#include "shell/ArkwellApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  try {
    vk::AppOptions options;
    // The hidden notification window is the program's main loop; until it
    // is plugged in here, start-up ends where it would be created.
    options.runTrayWindow = nullptr;
    vk::CArkwellApp app(options);
    app.Run(commandLine);
  } catch (...) {
  }
  return 0;
}
