#include "service/DriveScan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cwchar>

namespace vk::svc {
namespace {

constexpr uint8_t kOpReadCapacity16 = 0x9E;
constexpr uint8_t kServiceActionReadCapacity16 = 0x10;
constexpr uint32_t kReadCapacity16Length = 32;
constexpr uint8_t kOpReadCapacity10 = 0x25;
constexpr uint32_t kReadCapacity10Length = 8;
constexpr int kLetters = 26;

uint64_t BigEndian(const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
  return v;
}

using DriveNumberTable = std::array<STORAGE_DEVICE_NUMBER, kLetters>;

DriveNumberTable BuildDriveNumberTable(DeviceSource& source) {
  DriveNumberTable table{};
  uint32_t present = source.LogicalDrives();
  for (int n = 0; n < kLetters; ++n) {
    if (!(present & (1u << n))) continue;
    STORAGE_DEVICE_NUMBER number{};
    if (source.LetterDeviceNumber(n, &number)) table[n] = number;
  }
  return table;
}

uint32_t DriveMaskOf(DeviceSource& source, const DriveNumberTable& table,
                     const STORAGE_DEVICE_NUMBER& disk) {
  uint32_t present = source.LogicalDrives();
  uint32_t mask = 0;
  for (int n = 0; n < kLetters; ++n) {
    if ((present & (1u << n)) && table[n].DeviceType == disk.DeviceType &&
        table[n].DeviceNumber == disk.DeviceNumber)
      mask |= 1u << n;
  }
  return mask;
}

void CopyField(wchar_t* to, const wchar_t* from) {
  std::wcsncpy(to, from, kPathChars - 1);
  to[kPathChars - 1] = 0;
}

// Measures and describes one disk; false ends the scan loop.
bool DescribeDisk(DeviceSource& source, const DriveNumberTable& table,
                  const _USBDEVICE_INFO& info, _SVC_DRVINFO* out) {
  std::unique_ptr<Disk> disk = source.OpenDisk(info.szDevicePath);
  if (!disk) return false;
  uint64_t lastLba = 0;
  uint32_t blockLength = 0;
  if (!ReadCapacity(*disk, &lastLba, &blockLength) || lastLba == 0 || blockLength == 0)
    return false;
  STORAGE_DEVICE_NUMBER number{};
  disk->GetDeviceNumber(&number);
  std::memset(out, 0, sizeof(*out));
  CopyField(out->szFriendlyName, info.szFriendlyName);
  CopyField(out->szDevicePath, info.szDevicePath);
  CopyField(out->szDeviceObject, info.szDeviceObject);
  out->dwDeviceNumber = number.DeviceNumber;
  out->dwDriveMask = DriveMaskOf(source, table, number);
  out->ullSectorCount = lastLba + 1;
  out->dwBytesPerSector = blockLength;
  out->wVendorId = info.wVendorId;
  out->wProductId = info.wProductId;
  return true;
}

bool SameList(const std::vector<_SVC_DRVINFO>& a, const std::vector<_SVC_DRVINFO>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(_SVC_DRVINFO)) == 0);
}

}  // namespace

bool ReadCapacity(Disk& disk, uint64_t* lastLba, uint32_t* blockLength) {
  uint8_t cdb16[16] = {kOpReadCapacity16, kServiceActionReadCapacity16};
  cdb16[13] = static_cast<uint8_t>(kReadCapacity16Length);  // allocation length, bytes 10..13
  uint8_t data16[kReadCapacity16Length] = {};
  if (disk.ScsiDataIn(cdb16, sizeof(cdb16), data16, sizeof(data16)) == kScsiOk) {
    uint64_t lba = BigEndian(data16, 8);
    uint32_t length = static_cast<uint32_t>(BigEndian(data16 + 8, 4));
    if (lba != 0 && length != 0) {
      *lastLba = lba;
      *blockLength = length;
      return true;
    }
  }
  uint8_t cdb10[10] = {kOpReadCapacity10};
  uint8_t data10[kReadCapacity10Length] = {};
  if (disk.ScsiDataIn(cdb10, sizeof(cdb10), data10, sizeof(data10)) % 100 != 0) return false;
  *lastLba = BigEndian(data10, 4);
  *blockLength = static_cast<uint32_t>(BigEndian(data10 + 4, 4));
  return true;
}

void EnumUsbDisks(DeviceSource& source, std::vector<_USBDEVICE_INFO>& disks) {
  disks.clear();
  uint32_t node = 0;
  for (int i = 0; i < kMaxUsbDisks; ++i) {
    _USBDEVICE_INFO info{};
    node = source.FindNextUsbDisk(node, &info);
    if (node == 0) break;
    std::unique_ptr<Disk> disk = source.OpenDisk(info.szDevicePath);
    bool removable = true;
    if (disk && disk->QueryRemovableMedia(&removable) && !removable) disks.push_back(info);
  }
}

void ScanUsbDisks(DeviceSource& source, std::vector<_SVC_DRVINFO>& list) {
  list.clear();
  DriveNumberTable table = BuildDriveNumberTable(source);
  std::vector<_USBDEVICE_INFO> disks;
  EnumUsbDisks(source, disks);
  for (const _USBDEVICE_INFO& info : disks) {
    _SVC_DRVINFO record;
    if (!DescribeDisk(source, table, info, &record)) break;  // this disk and later ones wait
    list.push_back(record);
  }
  std::sort(list.begin(), list.end(), DriveListBefore);
}

bool DriveListBefore(const _SVC_DRVINFO& a, const _SVC_DRVINFO& b) {
  if (a.dwDriveMask == 0) return false;  // no letters: after every disk with letters
  if (b.dwDriveMask == 0) return true;
  return a.dwDriveMask < b.dwDriveMask;
}

bool RescanDrives(DeviceSource& source, ServiceData& data) {
  ServiceData::Lock lock(data);
  if (!lock.Held()) return false;
  // Cleared before the scan, so that a device event arriving during it
  // causes another scan instead of being lost.
  data.rescanFlag = false;
  std::vector<_SVC_DRVINFO> list;
  ScanUsbDisks(source, list);
  if (!SameList(list, data.drives)) {
    data.drives = std::move(list);
    ++data.driveCounter;
  }
  return true;
}

void ParseUsbIds(const wchar_t* hardwareId, uint16_t* vendor, uint16_t* product) {
  *vendor = 0;
  *product = 0;
  auto find = [](const wchar_t* s, const wchar_t* marker) -> const wchar_t* {
    size_t n = std::wcslen(marker);
    for (; *s; ++s)
      if (::CompareStringOrdinal(s, static_cast<int>(std::min(n, std::wcslen(s))), marker,
                                 static_cast<int>(n), TRUE) == CSTR_EQUAL)
        return s + n;
    return nullptr;
  };
  auto hex4 = [](const wchar_t* s, uint16_t* out) {
    unsigned value = 0;
    if (std::swscanf(s, L"%04x", &value) == 1) *out = static_cast<uint16_t>(value);
  };
  const wchar_t* vid = find(hardwareId, L"Vid_");
  if (!vid) return;
  hex4(vid, vendor);
  if (const wchar_t* pid = find(vid, L"Pid_")) hex4(pid, product);
}

}  // namespace vk::svc
