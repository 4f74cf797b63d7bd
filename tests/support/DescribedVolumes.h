// A file-system door whose volumes report what a test describes: the
// file-system name and the sizes of each root "X:\". A root it does not
// describe does not answer, as a volume that is gone.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include "engine/FileSystem.h"

namespace vk::test {

struct DescribedVolume {
  std::wstring fileSystem;
  uint64_t totalBytes = 0;
  uint64_t freeBytes = 0;
};

class DescribedVolumes : public FileSystemApi {
 public:
  std::map<std::wstring, DescribedVolume> volumes;  // by root, "P:\"

  BOOL GetVolumeFileSystem(const wchar_t* root, std::wstring* name) override {
    auto it = volumes.find(root);
    if (it == volumes.end()) return FALSE;
    *name = it->second.fileSystem;
    return TRUE;
  }
  BOOL GetDiskFreeSpaceEx(const wchar_t* root, ULARGE_INTEGER* available, ULARGE_INTEGER* total,
                          ULARGE_INTEGER* totalFree) override {
    auto it = volumes.find(root);
    if (it == volumes.end()) return FALSE;
    if (available) available->QuadPart = it->second.freeBytes;
    if (total) total->QuadPart = it->second.totalBytes;
    if (totalFree) totalFree->QuadPart = it->second.freeBytes;
    return TRUE;
  }
};

}  // namespace vk::test
