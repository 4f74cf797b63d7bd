#include "channel/ChannelSecurity.h"

#include <sddl.h>

#include <cwchar>

namespace vk::svc {

ObjectSecurity::~ObjectSecurity() {
  if (descriptor_) ::LocalFree(descriptor_);
}

bool ObjectSecurity::Build(DWORD fullRights, DWORD userRights) {
  if (descriptor_) ::LocalFree(descriptor_);
  descriptor_ = nullptr;
  // Protected DACL (no inherited entries): SYSTEM, Administrators, and
  // authenticated users with the narrow mask, or no entry for them at all.
  wchar_t sddl[160];
  int n = std::swprintf(sddl, 160, L"D:P(A;;0x%lx;;;SY)(A;;0x%lx;;;BA)",
                        static_cast<unsigned long>(fullRights),
                        static_cast<unsigned long>(fullRights));
  if (userRights != 0 && n > 0)
    std::swprintf(sddl + n, 160 - n, L"(A;;0x%lx;;;AU)", static_cast<unsigned long>(userRights));
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                              &descriptor_, nullptr)) {
    descriptor_ = nullptr;
    return false;
  }
  attributes_.nLength = sizeof(attributes_);
  attributes_.lpSecurityDescriptor = descriptor_;
  attributes_.bInheritHandle = FALSE;
  return true;
}

}  // namespace vk::svc
