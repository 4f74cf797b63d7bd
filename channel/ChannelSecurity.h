// Security descriptors for the channel's kernel objects. The service runs as
// LocalSystem and any local user reaches the objects, so each object gets an
// explicit DACL: SYSTEM and Administrators full access, authenticated users
// only the rights their side of the exchange needs.
#pragma once
#include <windows.h>

namespace vk::svc {

// Full-access masks of the object kinds the channel uses.
inline constexpr DWORD kEventAllAccess = EVENT_ALL_ACCESS;
inline constexpr DWORD kSectionAllAccess = SECTION_ALL_ACCESS;
inline constexpr DWORD kMutexAllAccess = MUTEX_ALL_ACCESS;

class ObjectSecurity {
 public:
  ObjectSecurity() = default;
  ~ObjectSecurity();
  ObjectSecurity(const ObjectSecurity&) = delete;
  ObjectSecurity& operator=(const ObjectSecurity&) = delete;

  // Builds the descriptor; userRights 0 gives users no entry. False (with
  // GetLastError set) when it cannot.
  bool Build(DWORD fullRights, DWORD userRights);
  // Attributes pointing at the descriptor, handles not inheritable.
  SECURITY_ATTRIBUTES* Attributes() { return descriptor_ ? &attributes_ : nullptr; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_{};
};

}  // namespace vk::svc
