// The program's own window messages, in one list so that no two share a
// number. The first group has fixed values that threads and other processes
// rely on: a second start of the program sends kMsgOpenMainWindow to the
// running copy. Notes between our own windows come after them, from
// kMsgPrivateFirst; none lies in the WM_USER range, where the dialog manager
// has messages of its own (DM_SETDEFID is WM_USER + 1).
#pragma once
#include <windows.h>

namespace vk {

// Fixed values, WM_APP + 0x64 .. WM_APP + 0x6C.
// Backup run ended (worker thread to tray window, forwarded to the backup
// progress page).
inline constexpr UINT kMsgBackupEnded = 0x8064;
// Restore run ended (worker thread to tray window, forwarded to the restore
// progress page).
inline constexpr UINT kMsgRestoreEnded = 0x8065;
// Overwrite question to the restore progress page: wParam = the
// _OVERWRITE_QUERY, lParam = percent.
inline constexpr UINT kMsgOverwriteQuestion = 0x8066;
// The notification icon's callback: lParam = the mouse message.
inline constexpr UINT kMsgTrayIcon = 0x8067;
// To the tray window: open the main window (a click on a corner
// notification, or a second start of the program handing over).
inline constexpr UINT kMsgOpenMainWindow = 0x8068;
// Download thread to the download window: lParam = the download's result.
inline constexpr UINT kMsgDownloadEnded = WM_APP + 0x6A;
// While a cancel is asked for, to the backup or restore progress page: confirm
// it; wParam = the current item text, lParam = percent.
inline constexpr UINT kMsgConfirmBackupCancel = 0x806B;
inline constexpr UINT kMsgConfirmRestoreCancel = 0x806C;
inline constexpr UINT kMsgFixedLast = kMsgConfirmRestoreCancel;

// Private notes between the windows of this process.
inline constexpr UINT kMsgPrivateFirst = WM_APP + 0x100;
// An image button with the focus notification gained the focus; to its
// parent, wParam = the resource id of the button's strip.
inline constexpr UINT kMsgButtonFocused = kMsgPrivateFirst;

static_assert(kMsgBackupEnded == WM_APP + 0x64 && kMsgFixedLast == WM_APP + 0x6C,
              "the fixed messages keep their numbers");
static_assert(kMsgPrivateFirst > kMsgFixedLast, "private notes come after the fixed messages");

}  // namespace vk
