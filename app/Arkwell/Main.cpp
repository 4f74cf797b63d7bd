// Entry point of the interactive program.
#include <windows.h>

#include "shell/ArkwellApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  try {
    vk::CArkwellApp app;
    app.Run(commandLine);
  } catch (...) {
  }
  return 0;
}
