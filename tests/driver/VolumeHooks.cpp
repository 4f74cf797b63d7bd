#include "tests/driver/VolumeHooks.h"

#include <string>

#include "shell/SimulatedClock.h"
#include "shell/SimulatedVolumes.h"
#include "tests/driver/Observe.h"

namespace vk::driver {
namespace {

std::wstring VolumeKey(int drive) {
  return std::wstring(kTrayTestKeyPath) + L"\\" + kTestVolumesSubkey + L"\\" +
         std::wstring(1, static_cast<wchar_t>(L'A' + drive));
}

}  // namespace

bool DescribeVolume(int drive, const VolumeLook& look) {
  ForgetVolume(drive);
  const std::wstring key = VolumeKey(drive);
  bool ok = true;
  if (look.fileSystem)
    ok = ok && SetRegistryString(HKEY_LOCAL_MACHINE, key, kTestVolumeFileSystemValue, look.fileSystem);
  if (look.totalBytes != 0)
    ok = ok && SetRegistryQword(HKEY_LOCAL_MACHINE, key, kTestVolumeTotalValue, look.totalBytes);
  if (look.limitFree)
    ok = ok && SetRegistryQword(HKEY_LOCAL_MACHINE, key, kTestVolumeFreeValue, look.freeBytes);
  if (look.hotPlug) ok = ok && SetRegistryDword(HKEY_LOCAL_MACHINE, key, kTestVolumeHotPlugValue, 1);
  if (look.driveType != 0)
    ok = ok && SetRegistryDword(HKEY_LOCAL_MACHINE, key, kTestVolumeDriveTypeValue, look.driveType);
  return ok;
}

void ForgetVolume(int drive) { DeleteRegistryTree(HKEY_LOCAL_MACHINE, VolumeKey(drive)); }

}  // namespace vk::driver
