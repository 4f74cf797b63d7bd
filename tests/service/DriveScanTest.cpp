// The drive scan against a fake device tree: which disks are listed, how
// they are measured, masked and ordered, and when the counter moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "service/DriveScan.h"

namespace vk::test {
namespace {

using namespace vk::svc;

struct Capacity {
  int result = kScsiOk;
  uint64_t lastLba = 0;
  uint32_t blockLength = 0;
};

struct FakeDiskSpec {
  const wchar_t* name = L"Disk";
  bool removable = false;
  bool openFails = false;
  Capacity cap16{kScsiOk, 999, 512};
  Capacity cap10{kScsiFailed, 0, 0};
  bool numberFails = false;
  DWORD deviceNumber = 1;
};

struct SentCdb {
  std::vector<uint8_t> cdb;
  uint32_t length;
};

class FakeDisk : public Disk {
 public:
  FakeDisk(const FakeDiskSpec& spec, std::vector<SentCdb>* log) : spec_(spec), log_(log) {}
  bool QueryRemovableMedia(bool* removable) override {
    *removable = spec_.removable;
    return true;
  }
  bool GetDeviceNumber(STORAGE_DEVICE_NUMBER* number) override {
    if (spec_.numberFails) return false;
    *number = {FILE_DEVICE_DISK, spec_.deviceNumber, 0};
    return true;
  }
  int ScsiDataIn(const uint8_t* cdb, uint8_t cdbLength, uint8_t* data, uint32_t length) override {
    log_->push_back({std::vector<uint8_t>(cdb, cdb + cdbLength), length});
    std::memset(data, 0, length);
    if (cdb[0] == 0x9E) {
      for (int i = 0; i < 8; ++i) data[i] = static_cast<uint8_t>(spec_.cap16.lastLba >> (56 - 8 * i));
      for (int i = 0; i < 4; ++i)
        data[8 + i] = static_cast<uint8_t>(spec_.cap16.blockLength >> (24 - 8 * i));
      return spec_.cap16.result;
    }
    for (int i = 0; i < 4; ++i) data[i] = static_cast<uint8_t>(spec_.cap10.lastLba >> (24 - 8 * i));
    for (int i = 0; i < 4; ++i)
      data[4 + i] = static_cast<uint8_t>(spec_.cap10.blockLength >> (24 - 8 * i));
    return spec_.cap10.result;
  }

 private:
  FakeDiskSpec spec_;
  std::vector<SentCdb>* log_;
};

// Letters map to device numbers; a disk's letters are those with its number.
class FakeSource : public DeviceSource {
 public:
  std::vector<FakeDiskSpec> disks;
  uint32_t drives = 0;
  STORAGE_DEVICE_NUMBER letters[26] = {};
  int walkSteps = 0;
  std::vector<SentCdb> cdbs;

  void AddLetter(char letter, DWORD deviceNumber, DWORD partition) {
    drives |= 1u << (letter - 'A');
    letters[letter - 'A'] = {FILE_DEVICE_DISK, deviceNumber, partition};
  }
  uint32_t LogicalDrives() override { return drives; }
  bool LetterDeviceNumber(int index, STORAGE_DEVICE_NUMBER* number) override {
    if (letters[index].DeviceType == 0) return false;
    *number = letters[index];
    return true;
  }
  uint32_t FindNextUsbDisk(uint32_t node, _USBDEVICE_INFO* info) override {
    ++walkSteps;
    if (node >= disks.size()) return 0;
    swprintf(info->szDevicePath, kPathChars, L"disk%u", node);
    wcscpy(info->szFriendlyName, disks[node].name);
    swprintf(info->szDeviceObject, kPathChars, L"\\Device\\%u", node);
    info->wVendorId = 0x0781;
    info->wProductId = static_cast<uint16_t>(node);
    return node + 1;
  }
  std::unique_ptr<Disk> OpenDisk(const wchar_t* path) override {
    unsigned index = 0;
    swscanf(path, L"disk%u", &index);
    if (index >= disks.size() || disks[index].openFails) return nullptr;
    return std::make_unique<FakeDisk>(disks[index], &cdbs);
  }
};

TEST(ReadCapacity, SixteenFirstThenTen) {
  struct Case {
    const char* what;
    Capacity cap16, cap10;
    bool ok;
    uint64_t lastLba;
    uint32_t blockLength;
    size_t commands;
  } cases[] = {
      {"beyond 2 TiB from (16)", {kScsiOk, 0x1'0000'0000ull, 512}, {}, true, 0x1'0000'0000ull, 512, 1},
      {"(16) refused: (10)", {kScsiCheckCondition, 0, 0}, {kScsiOk, 999, 4096}, true, 999, 4096, 2},
      {"(16) says LBA 0: (10)", {kScsiOk, 0, 512}, {kScsiOk, 77, 512}, true, 77, 512, 2},
      {"(16) says length 0: (10)", {kScsiOk, 5, 0}, {kScsiOk, 6, 512}, true, 6, 512, 2},
      {"both fail", {kScsiFailed, 0, 0}, {kScsiFailed, 0, 0}, false, 0, 0, 2},
  };
  for (const Case& c : cases) {
    FakeDiskSpec spec;
    spec.cap16 = c.cap16;
    spec.cap10 = c.cap10;
    std::vector<SentCdb> log;
    FakeDisk disk(spec, &log);
    uint64_t lba = 0;
    uint32_t length = 0;
    EXPECT_EQ(ReadCapacity(disk, &lba, &length), c.ok) << c.what;
    if (c.ok) {
      EXPECT_EQ(lba, c.lastLba) << c.what;
      EXPECT_EQ(length, c.blockLength) << c.what;
    }
    ASSERT_EQ(log.size(), c.commands) << c.what;
    const std::vector<uint8_t> cdb16 = {0x9E, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0};
    EXPECT_EQ(log[0].cdb, cdb16);
    EXPECT_EQ(log[0].length, 32u);
    if (c.commands == 2) {
      EXPECT_EQ(log[1].cdb, std::vector<uint8_t>({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
      EXPECT_EQ(log[1].length, 8u);
    }
  }
}

TEST(ScanUsbDisks, RecordsMasksAndOrder) {
  FakeSource source;
  source.disks.resize(3);
  source.disks[0].name = L"Two volumes";
  source.disks[0].deviceNumber = 3;
  source.disks[1].name = L"No volume";
  source.disks[1].deviceNumber = 4;
  source.disks[2].name = L"Drive D";
  source.disks[2].deviceNumber = 5;
  source.AddLetter('C', 0, 1);  // internal disk
  source.AddLetter('E', 3, 1);
  source.AddLetter('F', 3, 2);
  source.AddLetter('D', 5, 1);

  std::vector<_SVC_DRVINFO> list;
  ScanUsbDisks(source, list);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_STREQ(list[0].szFriendlyName, L"Drive D");
  EXPECT_EQ(list[0].dwDriveMask, 0x08u);
  EXPECT_STREQ(list[1].szFriendlyName, L"Two volumes");
  EXPECT_EQ(list[1].dwDriveMask, 0x30u);
  EXPECT_EQ(list[1].dwDeviceNumber, 3u);
  EXPECT_EQ(list[1].ullSectorCount, 1000u);  // last LBA 999
  EXPECT_EQ(list[1].dwBytesPerSector, 512u);
  EXPECT_EQ(list[1].wVendorId, 0x0781);
  EXPECT_STREQ(list[1].szDevicePath, L"disk0");
  EXPECT_EQ(list[1].wReserved, 0);
  EXPECT_STREQ(list[2].szFriendlyName, L"No volume");
  EXPECT_EQ(list[2].dwDriveMask, 0u);
}

TEST(ScanUsbDisks, WhichDisksAreListed) {
  struct Case {
    const char* what;
    std::vector<FakeDiskSpec> disks;
    std::vector<const wchar_t*> listed;
  };
  FakeDiskSpec a, b, c;
  a.name = L"A";
  b.name = L"B";
  c.name = L"C";
  FakeDiskSpec flash = b, unopenable = b, unmeasured = b, zeroLba = b, zeroLength = b;
  flash.removable = true;
  unopenable.openFails = true;
  unmeasured.cap16 = {kScsiFailed, 0, 0};
  zeroLba.cap16 = {kScsiOk, 0, 512};
  zeroLba.cap10 = {kScsiOk, 0, 512};
  zeroLength.cap16 = {kScsiOk, 10, 0};
  zeroLength.cap10 = {kScsiOk, 10, 0};
  Case cases[] = {
      {"all good", {a, b, c}, {L"A", L"B", L"C"}},
      {"removable media is not listed", {a, flash, c}, {L"A", L"C"}},
      {"unopenable disk is skipped by the walk", {a, unopenable, c}, {L"A", L"C"}},
      {"unmeasurable disk ends the loop", {a, unmeasured, c}, {L"A"}},
      {"last LBA 0 ends the loop", {a, zeroLba, c}, {L"A"}},
      {"block length 0 ends the loop", {zeroLength, a}, {}},
  };
  for (Case& cs : cases) {
    FakeSource source;
    source.disks = cs.disks;
    std::vector<_SVC_DRVINFO> list;
    ScanUsbDisks(source, list);
    std::vector<std::wstring> names, expected(cs.listed.begin(), cs.listed.end());
    for (auto& d : list) names.push_back(d.szFriendlyName);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, expected) << cs.what;
  }
}

TEST(ScanUsbDisks, FailedDeviceNumberMatchesLettersWithoutOne) {
  FakeSource source;
  source.disks.resize(1);
  source.disks[0].numberFails = true;
  source.AddLetter('C', 2, 1);
  source.drives |= 1u << ('G' - 'A');  // present, but could not be queried
  std::vector<_SVC_DRVINFO> list;
  ScanUsbDisks(source, list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].dwDeviceNumber, 0u);
  EXPECT_EQ(list[0].dwDriveMask, 1u << ('G' - 'A'));
}

TEST(EnumUsbDisks, ExaminesAtMostTwentyFour) {
  FakeSource source;
  source.disks.resize(25);
  std::vector<_USBDEVICE_INFO> disks;
  EnumUsbDisks(source, disks);
  EXPECT_EQ(disks.size(), 24u);
  EXPECT_EQ(source.walkSteps, 24);
}

TEST(DriveListOrder, ZeroMasksLastAndAStrictOrder) {
  _SVC_DRVINFO a{}, b{};
  struct Case {
    uint32_t a, b;
    bool before;
  } cases[] = {{0x08, 0x10, true}, {0x10, 0x08, false}, {0x10, 0, true},
               {0, 0x10, false},   {0, 0, false},        {0x30, 0x30, false}};
  for (const Case& c : cases) {
    a.dwDriveMask = c.a;
    b.dwDriveMask = c.b;
    EXPECT_EQ(DriveListBefore(a, b), c.before) << std::hex << c.a << " " << c.b;
  }
  // Many disks without letters: the sort must stay within its range.
  std::vector<_SVC_DRVINFO> many(40);
  for (size_t i = 0; i < many.size(); ++i) many[i].dwDriveMask = (i % 3) ? 0 : (1u << (i % 26));
  std::sort(many.begin(), many.end(), DriveListBefore);
  EXPECT_TRUE(std::is_sorted(many.begin(), many.end(), DriveListBefore));
  EXPECT_EQ(many.back().dwDriveMask, 0u);
}

TEST(RescanDrives, CounterMovesOnlyOnChange) {
  ServiceData data;
  ASSERT_TRUE(data.CreateSemaphore(nullptr));
  FakeSource source;
  ASSERT_TRUE(RescanDrives(source, data));
  EXPECT_EQ(data.driveCounter, 0);  // nothing attached: nothing changed
  EXPECT_FALSE(data.rescanFlag);

  source.disks.resize(1);
  source.AddLetter('E', 1, 1);
  RescanDrives(source, data);
  EXPECT_EQ(data.driveCounter, 1);
  ASSERT_EQ(data.drives.size(), 1u);
  RescanDrives(source, data);
  EXPECT_EQ(data.driveCounter, 1);  // same disks, same bytes

  source.disks[0].cap16.lastLba = 1999;  // one field of one record differs
  RescanDrives(source, data);
  EXPECT_EQ(data.driveCounter, 2);
  source.disks.clear();
  RescanDrives(source, data);
  EXPECT_EQ(data.driveCounter, 3);
  EXPECT_TRUE(data.drives.empty());
}

TEST(ParseUsbIds, HardwareIdTable) {
  struct Case {
    const wchar_t* id;
    uint16_t vid, pid;
  } cases[] = {
      {L"USB\\VID_0781&PID_5581&REV_0100", 0x0781, 0x5581},
      {L"usb\\vid_abcd&pid_ef01", 0xABCD, 0xEF01},
      {L"USB\\VID_1234", 0x1234, 0},
      {L"USB\\PID_5678", 0, 0},  // no vendor marker: no product either
      {L"", 0, 0},
      {L"USB\\VID_zz&PID_0001", 0, 0x0001},
  };
  for (const Case& c : cases) {
    uint16_t vid = 9, pid = 9;
    ParseUsbIds(c.id, &vid, &pid);
    EXPECT_EQ(vid, c.vid) << c.id;
    EXPECT_EQ(pid, c.pid) << c.id;
  }
}

}  // namespace
}  // namespace vk::test
