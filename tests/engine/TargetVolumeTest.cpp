#include "engine/FileSystem.h"
#include "engine/TargetVolume.h"
#include "tests/support/ScopedFileSystem.h"
#include "tests/support/TestVolume.h"

namespace vk {
namespace {

// Reports a fixed drive mask and file-system name instead of the real ones.
class FakeVolumes : public FileSystemApi {
 public:
  DWORD mask = 0;
  std::wstring fileSystem;
  BOOL answer = TRUE;
  DWORD GetLogicalDrives() override { return mask; }
  BOOL GetVolumeFileSystem(const wchar_t*, std::wstring* name) override {
    *name = fileSystem;
    return answer;
  }
};

TEST(CheckTargetVolume, Conditions) {
  struct Case {
    int drive;
    DWORD mask;
    const wchar_t* fileSystem;
    BOOL answer;
    BkupResult want;
  } cases[] = {
      {3, 1u << 3, L"NTFS", TRUE, kResultOk},
      {-1, 0xFFFFFFFF, L"NTFS", TRUE, kResultInvalid},
      {26, 0xFFFFFFFF, L"NTFS", TRUE, kResultInvalid},
      {3, 1u << 4, L"NTFS", TRUE, kResultInvalid},   // letter absent
      {3, 1u << 3, L"ntfs", TRUE, kResultInvalid},   // case-sensitive
      {3, 1u << 3, L"FAT32", TRUE, kResultInvalid},
      {3, 1u << 3, L"NTFS", FALSE, kResultInvalid},  // no volume information
      {25, 1u << 25, L"NTFS", TRUE, kResultOk},
  };
  for (const Case& c : cases) {
    FakeVolumes fake;
    fake.mask = c.mask;
    fake.fileSystem = c.fileSystem;
    fake.answer = c.answer;
    test::ScopedFileSystem scoped(&fake);
    EXPECT_EQ(CheckTargetVolume(c.drive), c.want) << c.drive << " " << c.fileSystem;
  }
}

TEST(CheckTargetVolume, ScratchVolumeUnderWineIsUsable) {
  int drive = test::ScratchDriveIndex();
  ASSERT_GE(drive, 0);
  EXPECT_EQ(CheckTargetVolume(drive), kResultOk);
}

TEST(TargetVolume, Names) {
  EXPECT_EQ(RootFolderPath(23), L"X:\\CorvaneVaultkeep");
  EXPECT_EQ(BackupFolderPath(0), L"A:\\CorvaneVaultkeep\\Backup");
  EXPECT_EQ(LogFolderPath(25), L"Z:\\CorvaneVaultkeep\\Log");
  EXPECT_EQ(PlanFilePath(4), L"E:\\CorvaneVaultkeep\\Backup\\Backup.plan");
  SYSTEMTIME t = {};
  t.wYear = 2017;
  t.wMonth = 4;
  t.wDay = 1;
  t.wHour = 9;
  t.wMinute = 5;
  t.wSecond = 7;
  t.wMilliseconds = 42;
  EXPECT_EQ(BackupSetFileName(t), L"20170401090507042.bkup");
  std::wstring temp = TempIndexPath();
  EXPECT_EQ(temp.substr(temp.size() - 12), L"\\Arkwell.tmp");
  EXPECT_EQ(temp.find(L"\\\\Arkwell"), std::wstring::npos) << "no doubled backslash";
  EXPECT_NE(temp.find(L"vaultkeep-test-"), std::wstring::npos)
      << "each test executable has a temporary folder of its own";

  // A temporary folder too long to be had gives no path, never one in the
  // root of the current drive.
  wchar_t tmp[MAX_PATH + 1] = {}, tempVar[MAX_PATH + 1] = {};
  ::GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH + 1);
  ::GetEnvironmentVariableW(L"TEMP", tempVar, MAX_PATH + 1);
  const std::wstring tooLong = L"C:\\" + std::wstring(300, L'x');
  ::SetEnvironmentVariableW(L"TMP", tooLong.c_str());
  ::SetEnvironmentVariableW(L"TEMP", tooLong.c_str());
  const std::wstring none = TempIndexPath();
  ::SetEnvironmentVariableW(L"TMP", tmp);
  ::SetEnvironmentVariableW(L"TEMP", tempVar);
  EXPECT_EQ(none, L"");
}

}  // namespace
}  // namespace vk
