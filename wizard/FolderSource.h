// What the folder tree reads of the machine: folder listings, the shell's
// display names, and which drives are internal disks. The tree uses the real
// machine; tests use a fake tree of folders and a fake drive probe.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vk {

// One entry of a folder listing, as the system returned it.
struct ListedEntry {
  DWORD attributes = 0;
  std::wstring name;
};

class FolderSource {
 public:
  virtual ~FolderSource() = default;
  // The entries of `folder` + "\*.*" in the order the system returns them
  // ("." and ".." included when the system gives them); empty when the
  // folder cannot be listed.
  virtual std::vector<ListedEntry> List(const std::wstring& folder) = 0;
  // The shell's display name of a folder; empty when it has none.
  virtual std::wstring DisplayName(const std::wstring& folder) = 0;
  // Drive letters C..Z whose root lies on an internal disk: bit n = 'A' + n.
  virtual uint32_t InternalDrives() = 0;
};

// The drive questions behind InternalDrives, one call each, so that the rule
// can be checked without the machine's disks.
class DriveProbe {
 public:
  virtual ~DriveProbe() = default;
  virtual DWORD LogicalDrives() = 0;
  // GetVolumePathNameW of a root such as "C:\" succeeds.
  virtual bool HasVolumePath(const wchar_t* root) = 0;
  // GetDriveTypeW of the root.
  virtual UINT DriveType(const wchar_t* root) = 0;
  // IOCTL_STORAGE_GET_HOTPLUG_INFO sent to the volume of `letter`; false
  // when the volume cannot be opened or does not answer.
  virtual bool QueryHotplug(wchar_t letter, bool* removableMedia, bool* hotplugDevice) = 0;
};

constexpr int kFirstOfferedDrive = 2;  // C:; A: and B: are never offered
constexpr int kLastOfferedDrive = 25;  // Z:

// The internal drives by the probe: a fixed drive with a volume path whose
// disk reports neither removable media nor a hot-pluggable device. A volume
// that does not answer the hot-plug query counts as internal: its disk
// reported neither (some drivers, and Wine, have no such query), and hiding a
// real internal disk would lose the user's folders.
uint32_t InternalDriveMask(DriveProbe& probe);

// The machine's drives and the real hot-plug query.
std::unique_ptr<DriveProbe> CreateRealDriveProbe();
// Listings through the engine's file-system door, display names from the
// shell, internal drives by `probe` (kept by the caller while the source is
// used).
std::unique_ptr<FolderSource> CreateRealFolderSource(DriveProbe& probe);

}  // namespace vk
