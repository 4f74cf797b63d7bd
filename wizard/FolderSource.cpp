#include "wizard/FolderSource.h"

#include <shellapi.h>
#include <winioctl.h>

#include "common/Handle.h"
#include "engine/FileSystem.h"

#ifdef VK_SIMULATED_CLOCK
#include "wizard/SimulatedDriveProbe.h"
#endif

namespace vk {
namespace {

// IOCTL_STORAGE_GET_HOTPLUG_INFO, sent to a volume.
constexpr DWORD kIoctlGetHotplugInfo = 0x2D0C14;
#ifdef IOCTL_STORAGE_GET_HOTPLUG_INFO
static_assert(IOCTL_STORAGE_GET_HOTPLUG_INFO == kIoctlGetHotplugInfo, "");
#endif
constexpr wchar_t kListPattern[] = L"\\*.*";
constexpr DWORD kVolumePathChars = MAX_PATH + 1;

class RealDriveProbe : public DriveProbe {
 public:
  DWORD LogicalDrives() override { return ::GetLogicalDrives(); }
  bool HasVolumePath(const wchar_t* root) override {
    wchar_t volume[kVolumePathChars] = {};
    return ::GetVolumePathNameW(root, volume, kVolumePathChars) != FALSE;
  }
  UINT DriveType(const wchar_t* root) override { return ::GetDriveTypeW(root); }
  bool QueryHotplug(wchar_t letter, bool* removableMedia, bool* hotplugDevice) override {
    const wchar_t device[] = {L'\\', L'\\', L'.', L'\\', letter, L':', 0};
    // No access rights needed for this query, so it works without elevation.
    FileHandle volume(::CreateFileW(device, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    if (!volume) return false;
    STORAGE_HOTPLUG_INFO info = {};
    DWORD bytes = 0;
    if (!::DeviceIoControl(volume.Get(), kIoctlGetHotplugInfo, nullptr, 0, &info, sizeof(info),
                           &bytes, nullptr) ||
        bytes < sizeof(info))
      return false;
    *removableMedia = info.MediaRemovable != 0;
    *hotplugDevice = info.DeviceHotplug != 0;
    return true;
  }
};

class RealFolderSource : public FolderSource {
 public:
  explicit RealFolderSource(DriveProbe& probe) : probe_(probe) {}

  std::vector<ListedEntry> List(const std::wstring& folder) override {
    std::vector<ListedEntry> entries;
    WIN32_FIND_DATAW found = {};
    EngineFind find(FileSystem().FindFirstFile((folder + kListPattern).c_str(), &found));
    if (!find) return entries;
    do {
      entries.push_back({found.dwFileAttributes, found.cFileName});
    } while (FileSystem().FindNextFile(find.Get(), &found));
    return entries;
  }

  std::wstring DisplayName(const std::wstring& folder) override {
    SHFILEINFOW info = {};
    if (::SHGetFileInfoW(folder.c_str(), 0, &info, sizeof(info), SHGFI_DISPLAYNAME) == 0)
      return std::wstring();
    return info.szDisplayName;
  }

  uint32_t InternalDrives() override { return InternalDriveMask(probe_); }

 private:
  DriveProbe& probe_;
};

}  // namespace

uint32_t InternalDriveMask(DriveProbe& probe) {
  const DWORD present = probe.LogicalDrives();
  uint32_t internal = 0;
  for (int i = kFirstOfferedDrive; i <= kLastOfferedDrive; ++i) {
    if ((present & (1u << i)) == 0) continue;
    const wchar_t letter = static_cast<wchar_t>(L'A' + i);
    const wchar_t root[] = {letter, L':', L'\\', 0};
    if (!probe.HasVolumePath(root) || probe.DriveType(root) != DRIVE_FIXED) continue;
    bool removable = false, hotplug = false;
    if (probe.QueryHotplug(letter, &removable, &hotplug) && (removable || hotplug)) continue;
    internal |= 1u << i;
  }
  return internal;
}

std::unique_ptr<DriveProbe> CreateRealDriveProbe() {
#ifdef VK_SIMULATED_CLOCK
  return CreateSimulatedDriveProbe(std::make_unique<RealDriveProbe>());
#else
  return std::make_unique<RealDriveProbe>();
#endif
}

std::unique_ptr<FolderSource> CreateRealFolderSource(DriveProbe& probe) {
  return std::make_unique<RealFolderSource>(probe);
}

}  // namespace vk
