// The test build's described volumes (the tray's test key, "Volumes"): a
// scratch volume that the program sees with another file system, another
// size, or only so many bytes free, writes past them failing as on a full
// disk. Removed with the rest of the key by ResetTrayHooks.
#pragma once
#include <windows.h>

#include <cstdint>

namespace vk::driver {

struct VolumeLook {
  const wchar_t* fileSystem = nullptr;  // null: as the volume reports it
  uint64_t totalBytes = 0;              // 0: as the volume reports it
  bool limitFree = false;               // freeBytes counts only when set
  uint64_t freeBytes = 0;
  bool hotPlug = false;                 // the disk reports itself hot-pluggable (USB)
  UINT driveType = 0;                   // 0: as the root reports it; DRIVE_REMOTE...
};

// Describes drive index `drive` (0 = A) to the program; false when the key
// cannot be written.
bool DescribeVolume(int drive, const VolumeLook& look);
// The volume as it really is again.
void ForgetVolume(int drive);

}  // namespace vk::driver
