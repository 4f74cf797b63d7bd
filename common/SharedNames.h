// Names that more than one subsystem speaks: one definition each, so that the
// program's start-up and the service can never disagree on them. The window
// messages are in common/Messages.h.
#pragma once
#include <windows.h>

namespace vk {

// The service's registry key, and the machine-wide values under it that the
// service writes and the interactive program reads.
inline constexpr wchar_t kServiceKeyPath[] = L"SYSTEM\\CurrentControlSet\\Services\\ArkwellSvc";
inline constexpr wchar_t kLanguageValue[] = L"Language";
inline constexpr wchar_t kUpdateNoticeValue[] = L"UpdateNotice";

}  // namespace vk
