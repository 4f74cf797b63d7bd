// Entry point of the interactive program.
#include <windows.h>

#include "shell/ArkwellApp.h"
#include "shell/CTrayDlg.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  try {
    vk::AppOptions options;
    // The hidden notification window is the program's main loop.
    options.runTrayWindow = &vk::RunTrayWindow;
    vk::CArkwellApp app(options);
    app.Run(commandLine);
  } catch (...) {
  }
  return 0;
}
