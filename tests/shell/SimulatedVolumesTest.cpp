// The test build's described volumes, which the end-to-end walks rely on to
// meet a FAT32 partition and a full disk on the scratch volumes.
#ifdef VK_SIMULATED_CLOCK
#include "shell/SimulatedVolumes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Handle.h"
#include "tests/driver/Observe.h"
#include "tests/support/TestVolume.h"

namespace vk {
namespace {

// A key of these tests' own, so that no program of another test sees it.
constexpr wchar_t kKey[] = L"SOFTWARE\\CORVANE\\VaultkeepTest\\VolumeUnit";
constexpr uint64_t kFree = 1000;

class SimulatedVolumesTest : public test::VolumeTest {
 protected:
  void SetUp() override {
    VolumeTest::SetUp();
    driver::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kKey);
    volumeKey_ = std::wstring(kKey) + L"\\" + kTestVolumesSubkey + L"\\" + root.substr(0, 1);
  }
  void TearDown() override { driver::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kKey); }

  void Describe(const wchar_t* fileSystem, uint64_t total, uint64_t free) {
    if (fileSystem) {
      ASSERT_TRUE(driver::SetRegistryString(HKEY_LOCAL_MACHINE, volumeKey_,
                                            kTestVolumeFileSystemValue, fileSystem));
    }
    if (total) {
      ASSERT_TRUE(
          driver::SetRegistryQword(HKEY_LOCAL_MACHINE, volumeKey_, kTestVolumeTotalValue, total));
    }
    ASSERT_TRUE(driver::SetRegistryQword(HKEY_LOCAL_MACHINE, volumeKey_, kTestVolumeFreeValue, free));
  }

  HANDLE Create(const std::wstring& name, DWORD access) {
    return volumes_.CreateFile((root + name).c_str(), access, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  }
  uint64_t FreeNow() {
    ULARGE_INTEGER available = {}, total = {}, free = {};
    EXPECT_TRUE(volumes_.GetDiskFreeSpaceEx(root.c_str(), &available, &total, &free));
    EXPECT_EQ(available.QuadPart, free.QuadPart);
    return free.QuadPart;
  }

  SimulatedVolumes volumes_{kKey};
  std::wstring volumeKey_;
};

TEST_F(SimulatedVolumesTest, UndescribedVolumeAnswersAsTheRealOne) {
  std::wstring real, seen;
  ASSERT_TRUE(FileSystemApi().GetVolumeFileSystem(root.c_str(), &real));
  ASSERT_TRUE(volumes_.GetVolumeFileSystem(root.c_str(), &seen));
  EXPECT_EQ(seen, real);
  ULARGE_INTEGER realTotal = {}, seenTotal = {};
  ASSERT_TRUE(FileSystemApi().GetDiskFreeSpaceEx(root.c_str(), nullptr, &realTotal, nullptr));
  ASSERT_TRUE(volumes_.GetDiskFreeSpaceEx(root.c_str(), nullptr, &seenTotal, nullptr));
  EXPECT_EQ(seenTotal.QuadPart, realTotal.QuadPart);
  HANDLE h = Create(L"plain.bin", GENERIC_WRITE);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const std::vector<uint8_t> bytes(kFree * 4, 1);
  DWORD done = 0;
  EXPECT_TRUE(volumes_.WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done));
  EXPECT_EQ(done, bytes.size());
  volumes_.CloseHandle(h);
}

TEST_F(SimulatedVolumesTest, DescribedFileSystemAndSizeAreReported) {
  Describe(L"FAT32", 123456789, kFree);
  std::wstring name;
  ASSERT_TRUE(volumes_.GetVolumeFileSystem(root.c_str(), &name));
  EXPECT_EQ(name, L"FAT32");
  ULARGE_INTEGER total = {};
  ASSERT_TRUE(volumes_.GetDiskFreeSpaceEx(root.c_str(), nullptr, &total, nullptr));
  EXPECT_EQ(total.QuadPart, 123456789u);
  EXPECT_EQ(FreeNow(), kFree);
}

// Writes use the free bytes up; the one that does not fit fails as on a full
// disk and leaves the file as it was. Reading and other volumes are untouched.
TEST_F(SimulatedVolumesTest, WritesUseTheFreeBytesUpAndTheOneThatDoesNotFitFailsWithDiskFull) {
  Describe(nullptr, 0, kFree);
  HANDLE h = Create(L"set.bkup", GENERIC_READ | GENERIC_WRITE);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const std::vector<uint8_t> bytes(600, 7);
  DWORD done = 0;
  ASSERT_TRUE(volumes_.WriteFile(h, bytes.data(), 600, &done));
  EXPECT_EQ(done, 600u);
  EXPECT_EQ(FreeNow(), kFree - 600);
  ::SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(volumes_.WriteFile(h, bytes.data(), 401, &done));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_EQ(done, 0u);
  LARGE_INTEGER size = {};
  ASSERT_TRUE(volumes_.GetFileSizeEx(h, &size));
  EXPECT_EQ(size.QuadPart, 600);
  ASSERT_TRUE(volumes_.WriteFile(h, bytes.data(), 400, &done));  // exactly what is left
  EXPECT_EQ(FreeNow(), 0u);
  EXPECT_FALSE(volumes_.WriteFile(h, bytes.data(), 1, &done));
  EXPECT_TRUE(volumes_.CloseHandle(h));

  // A second file on the same volume finds it just as full.
  HANDLE other = Create(L"Backup.plan", GENERIC_WRITE);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(volumes_.WriteFile(other, bytes.data(), 1, &done));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  volumes_.CloseHandle(other);

  // More room given while the program runs counts at once.
  Describe(nullptr, 0, kFree + 10);
  EXPECT_EQ(FreeNow(), 10u);
}

TEST_F(SimulatedVolumesTest, LongPathFormFindsTheSameVolume) {
  Describe(L"FAT32", 0, kFree);
  const std::wstring longRoot = L"\\\\?\\" + root;
  std::wstring name;
  ASSERT_TRUE(volumes_.GetVolumeFileSystem(longRoot.c_str(), &name));
  EXPECT_EQ(name, L"FAT32");
  HANDLE h = volumes_.CreateFile((longRoot + L"big.bin").c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const std::vector<uint8_t> bytes(kFree + 1, 7);
  DWORD done = 0;
  EXPECT_FALSE(volumes_.WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done));
  volumes_.CloseHandle(h);
}

}  // namespace
}  // namespace vk
#endif
