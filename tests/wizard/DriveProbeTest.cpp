#include <gtest/gtest.h>

#include <map>
#include <string>

#include "wizard/FolderSource.h"

namespace vk {
namespace {

// One drive as the probe answers for it.
struct FakeDrive {
  bool volumePath = true;
  UINT type = DRIVE_FIXED;
  bool answers = true;  // the hot-plug query
  bool removableMedia = false;
  bool hotplugDevice = false;
};

class FakeProbe : public DriveProbe {
 public:
  std::map<wchar_t, FakeDrive> drives;
  DWORD present = 0;

  DWORD LogicalDrives() override { return present; }
  bool HasVolumePath(const wchar_t* root) override { return drives[root[0]].volumePath; }
  UINT DriveType(const wchar_t* root) override { return drives[root[0]].type; }
  bool QueryHotplug(wchar_t letter, bool* removable, bool* hotplug) override {
    const FakeDrive& d = drives[letter];
    if (!d.answers) return false;
    *removable = d.removableMedia;
    *hotplug = d.hotplugDevice;
    return true;
  }
};

uint32_t Bit(wchar_t letter) { return 1u << (letter - L'A'); }

TEST(InternalDriveMask, FixedDisksThatAreNeitherRemovableNorHotPluggable) {
  struct Case {
    wchar_t letter;
    FakeDrive drive;
    bool internal;
  } cases[] = {
      {L'A', {}, false},                                   // never offered
      {L'B', {}, false},
      {L'C', {}, true},
      {L'D', {true, DRIVE_FIXED, false}, true},            // no hot-plug answer (Wine)
      {L'E', {true, DRIVE_FIXED, true, false, true}, false},  // a USB disk
      {L'F', {true, DRIVE_FIXED, true, true, false}, false},  // removable media
      {L'G', {true, DRIVE_CDROM}, false},
      {L'H', {true, DRIVE_REMOTE}, false},
      {L'I', {true, DRIVE_REMOVABLE}, false},
      {L'J', {false}, false},                              // no volume path
      {L'Z', {}, true},
  };
  FakeProbe probe;
  uint32_t want = 0;
  for (const Case& c : cases) {
    probe.drives[c.letter] = c.drive;
    probe.present |= Bit(c.letter);
    if (c.internal) want |= Bit(c.letter);
  }
  probe.drives[L'K'] = {};  // answers as internal, but is not a present drive
  EXPECT_EQ(InternalDriveMask(probe), want);
}

TEST(RealDriveProbe, TheSystemDriveIsInternal) {
  std::unique_ptr<DriveProbe> probe = CreateRealDriveProbe();
  wchar_t windows[MAX_PATH + 1] = {};
  ASSERT_NE(::GetWindowsDirectoryW(windows, MAX_PATH + 1), 0u);
  EXPECT_NE(InternalDriveMask(*probe) & Bit(windows[0]), 0u);
}

TEST(RealFolderSource, ListsFoldersAndFilesOfAFolder) {
  std::unique_ptr<DriveProbe> probe = CreateRealDriveProbe();
  std::unique_ptr<FolderSource> source = CreateRealFolderSource(*probe);
  wchar_t temp[MAX_PATH + 1] = {};
  ASSERT_NE(::GetTempPathW(MAX_PATH + 1, temp), 0u);
  const std::wstring folder = std::wstring(temp) + L"vk-folder-source";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  ::CreateDirectoryW((folder + L"\\Sub").c_str(), nullptr);
  ::CloseHandle(::CreateFileW((folder + L"\\a.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr));
  std::map<std::wstring, DWORD> seen;
  for (const ListedEntry& e : source->List(folder)) seen[e.name] = e.attributes;
  ::DeleteFileW((folder + L"\\a.txt").c_str());
  ::RemoveDirectoryW((folder + L"\\Sub").c_str());
  ::RemoveDirectoryW(folder.c_str());
  ASSERT_EQ(seen.count(L"Sub"), 1u);
  ASSERT_EQ(seen.count(L"a.txt"), 1u);
  EXPECT_NE(seen[L"Sub"] & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(seen[L"a.txt"] & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_TRUE(source->List(folder + L"\\missing").empty());
}

}  // namespace
}  // namespace vk
