// Names that more than one subsystem speaks: one definition each, so that the
// tray window, the corner notification, the program's start-up and the
// service can never disagree on them.
#pragma once
#include <windows.h>

namespace vk {

// Sent to the tray window: open the main window (a click on a corner
// notification, or a second start of the program handing over).
inline constexpr UINT kMsgOpenMainWindow = 0x8068;

// The service's registry key, and the machine-wide values under it that the
// service writes and the interactive program reads.
inline constexpr wchar_t kServiceKeyPath[] = L"SYSTEM\\CurrentControlSet\\Services\\ArkwellSvc";
inline constexpr wchar_t kLanguageValue[] = L"Language";
inline constexpr wchar_t kUpdateNoticeValue[] = L"UpdateNotice";

}  // namespace vk
