// Until the main window exists, opening it ends after the tray's own steps.
#include "shell/TrayHost.h"

namespace vk {

MainWindowLink* CreateMainWindow(HWND, bool) { return nullptr; }

}  // namespace vk
