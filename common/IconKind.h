// The icon of a message window or a corner notification. The values are the
// icon bits of the system message-box styles, so a message window's style
// carries its icon and the rules that raise a notification speak the same
// numbers.
#pragma once
#include <cstdint>

namespace vk {

enum IconKind : uint32_t {
  kIconError = 0x10,
  kIconWarning = 0x30,
  kIconInformation = 0x40,
  kIconSuccess = 0x80,  // message windows only; a notification shows it as a warning
};

// The icon bits of a message window's style.
constexpr uint32_t kIconMask = 0xF0;

}  // namespace vk
