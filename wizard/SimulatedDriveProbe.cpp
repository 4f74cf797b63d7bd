#include "wizard/SimulatedDriveProbe.h"

#include <cwctype>
#include <string>

#include "shell/SimulatedClock.h"
#include "shell/SimulatedVolumes.h"

namespace vk {
namespace {

bool TestVolumeNumber(wchar_t letter, const wchar_t* name, DWORD* value) {
  if (!std::iswalpha(letter)) return false;
  const std::wstring key = std::wstring(kTrayTestKeyPath) + L"\\" + kTestVolumesSubkey + L"\\" +
                           std::wstring(1, static_cast<wchar_t>(std::towupper(letter)));
  DWORD bytes = sizeof(*value);
  return ::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, value,
                        &bytes) == ERROR_SUCCESS;
}

class SimulatedDriveProbe : public DriveProbe {
 public:
  explicit SimulatedDriveProbe(std::unique_ptr<DriveProbe> real) : real_(std::move(real)) {}

  DWORD LogicalDrives() override { return real_->LogicalDrives(); }
  bool HasVolumePath(const wchar_t* root) override { return real_->HasVolumePath(root); }
  UINT DriveType(const wchar_t* root) override {
    DWORD type = 0;
    if (root && TestVolumeNumber(root[0], kTestVolumeDriveTypeValue, &type)) return type;
    return real_->DriveType(root);
  }
  bool QueryHotplug(wchar_t letter, bool* removableMedia, bool* hotplugDevice) override {
    DWORD hotplug = 0;
    if (!TestVolumeNumber(letter, kTestVolumeHotPlugValue, &hotplug))
      return real_->QueryHotplug(letter, removableMedia, hotplugDevice);
    *removableMedia = false;
    *hotplugDevice = hotplug != 0;
    return true;
  }

 private:
  std::unique_ptr<DriveProbe> real_;
};

}  // namespace

std::unique_ptr<DriveProbe> CreateSimulatedDriveProbe(std::unique_ptr<DriveProbe> real) {
  return std::make_unique<SimulatedDriveProbe>(std::move(real));
}

}  // namespace vk
