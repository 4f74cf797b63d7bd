#include "shell/TrayHost.h"

namespace vk {
namespace {
// Written and read on the main thread only.
TrayHost* g_tray = nullptr;
MainWindowLink* g_mainWindow = nullptr;
}  // namespace

TrayHost* Tray() { return g_tray; }
void SetTray(TrayHost* tray) { g_tray = tray; }
MainWindowLink* MainWindow() { return g_mainWindow; }
void SetMainWindow(MainWindowLink* window) { g_mainWindow = window; }

}  // namespace vk
