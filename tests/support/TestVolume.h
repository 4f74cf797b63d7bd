// Target volumes for tests. The test runner maps one spare drive letter of
// the Wine prefix to a scratch folder per test executable (VAULTKEEP_TEST_VOLUME;
// Wine does not pass variables named VK_* on to Windows programs);
// Wine reports it as a fixed "NTFS" volume. Each test empties it first.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vk::test {

// The drive index (0 = A:) of this executable's scratch volume, or -1.
int ScratchDriveIndex();

// Deletes everything below `folder` (not the folder itself). Long paths work.
void EmptyFolder(const std::wstring& folder);

// Writes `bytes` to `path`, creating missing parent folders.
void WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFileBytes(const std::wstring& path);
bool PathExists(const std::wstring& path);

// A fixture whose every test starts with an empty scratch volume.
class VolumeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  int drive = -1;          // drive index
  std::wstring root;       // "X:\"
};

}  // namespace vk::test
