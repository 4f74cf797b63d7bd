#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/DescribedVolumes.h"
#include "tests/support/ScopedFileSystem.h"
#include "wizard/PlanWizardRules.h"
#include "wizard/WizardPage.h"

namespace vk {
namespace {

constexpr uint64_t kGiB = 1ull << 30;

uint32_t Bit(wchar_t letter) { return 1u << (letter - L'A'); }

// The disk's letters in ascending order, each as its volume reports it; a
// volume that does not answer is listed with no file system and no size, so
// that it can be shown but never chosen.
TEST(PartitionList, EachLetterOfTheDiskAsItsVolumeReportsIt) {
  test::DescribedVolumes door;
  door.volumes[L"E:\\"] = {L"FAT32", 32 * kGiB, kGiB};
  door.volumes[L"F:\\"] = {L"NTFS", 500 * kGiB, 2 * kGiB};
  door.volumes[L"H:\\"] = {L"NTFS", 900 * kGiB, 0};
  door.volumes[L"K:\\"] = {L"NTFS", kGiB, kGiB};  // another disk's
  test::ScopedFileSystem scope(&door);

  const std::vector<PartitionEntry> list = ReadPartitions(Bit(L'H') | Bit(L'E') | Bit(L'G') | Bit(L'F'));
  struct Want {
    int drive;
    const wchar_t* fileSystem;
    uint64_t total;
  };
  const Want want[] = {{L'E' - L'A', L"FAT32", 32 * kGiB},
                       {L'F' - L'A', L"NTFS", 500 * kGiB},
                       {L'G' - L'A', L"", 0},
                       {L'H' - L'A', L"NTFS", 900 * kGiB}};
  ASSERT_EQ(list.size(), std::size(want));
  for (size_t i = 0; i < list.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(list[i].driveIndex, want[i].drive);
    EXPECT_EQ(list[i].fileSystem, want[i].fileSystem);
    EXPECT_EQ(list[i].totalBytes, want[i].total);
  }
  EXPECT_EQ(CountNtfs(list), 2u);
}

}  // namespace
}  // namespace vk
