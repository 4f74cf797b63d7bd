#include "service/SimulatedDevices.h"

#include <cstring>
#include <cwchar>
#include <string>

#include "common/Handle.h"
#include "common/Ascii.h"

namespace vk::svc {
namespace {

constexpr wchar_t kDisksSubkey[] = L"\\Disks";
constexpr wchar_t kPathPrefix[] = L"\\\\?\\simdisk#";
constexpr DWORD kFirstSimulatedNumber = 1000;
constexpr int kMaxNameChars = 64;

std::wstring DiskKey(const std::wstring& name) {
  return std::wstring(kTestKeyPath) + kDisksSubkey + L"\\" + name;
}

DWORD DiskDword(const std::wstring& name, const wchar_t* value, DWORD fallback) {
  DWORD v = 0, bytes = sizeof(v);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, DiskKey(name).c_str(), value, RRF_RT_REG_DWORD, nullptr,
                     &v, &bytes) != ERROR_SUCCESS)
    return fallback;
  return v;
}

std::wstring DiskString(const std::wstring& name, const wchar_t* value) {
  wchar_t text[kPathChars] = {};
  DWORD bytes = sizeof(text) - sizeof(wchar_t);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, DiskKey(name).c_str(), value, RRF_RT_REG_SZ, nullptr,
                     text, &bytes) != ERROR_SUCCESS)
    return L"";
  return text;
}

// The name of the disk at position `index` of the Disks key, or "".
std::wstring DiskAt(DWORD index) {
  std::wstring path = std::wstring(kTestKeyPath) + kDisksSubkey;
  RegKey key = OpenRegKey(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ);
  if (!key) return L"";
  wchar_t name[kMaxNameChars];
  DWORD chars = kMaxNameChars;
  LONG r = ::RegEnumKeyExW(key.Get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr);
  return r == ERROR_SUCCESS ? std::wstring(name) : L"";
}

class SimulatedDisk : public Disk {
 public:
  SimulatedDisk(std::wstring name, DWORD number) : name_(std::move(name)), number_(number) {}

  bool QueryRemovableMedia(bool* removable) override {
    *removable = DiskDword(name_, L"Removable", 0) != 0;
    return true;
  }
  bool GetDeviceNumber(STORAGE_DEVICE_NUMBER* number) override {
    number->DeviceType = FILE_DEVICE_DISK;
    number->DeviceNumber = number_;
    number->PartitionNumber = 0;
    return true;
  }
  int ScsiDataIn(const uint8_t* cdb, uint8_t, uint8_t* data, uint32_t length) override {
    uint64_t lastLba = 0;
    DWORD bytes = sizeof(lastLba);
    ::RegGetValueW(HKEY_LOCAL_MACHINE, DiskKey(name_).c_str(), L"LastLba", RRF_RT_REG_QWORD,
                   nullptr, &lastLba, &bytes);
    uint32_t block = DiskDword(name_, L"BlockLength", 512);
    std::memset(data, 0, length);
    if (cdb[0] == 0x9E) {
      if (DiskDword(name_, L"FailCapacity16", 0)) return kScsiCheckCondition;
      for (int i = 0; i < 8; ++i) data[i] = static_cast<uint8_t>(lastLba >> (56 - 8 * i));
      for (int i = 0; i < 4; ++i) data[8 + i] = static_cast<uint8_t>(block >> (24 - 8 * i));
      return kScsiOk;
    }
    uint32_t lba32 = lastLba > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(lastLba);
    for (int i = 0; i < 4; ++i) data[i] = static_cast<uint8_t>(lba32 >> (24 - 8 * i));
    for (int i = 0; i < 4; ++i) data[4 + i] = static_cast<uint8_t>(block >> (24 - 8 * i));
    return kScsiOk;
  }

 private:
  std::wstring name_;
  DWORD number_;
};

class SimulatedDeviceSource : public DeviceSource {
 public:
  uint32_t LogicalDrives() override { return ::GetLogicalDrives(); }

  bool LetterDeviceNumber(int index, STORAGE_DEVICE_NUMBER* number) override {
    wchar_t letter = static_cast<wchar_t>(L'A' + index);
    for (DWORD i = 0;; ++i) {
      std::wstring name = DiskAt(i);
      if (name.empty()) return false;
      std::wstring letters = DiskString(name, L"Letters");
      if (letters.find(letter) != std::wstring::npos ||
          letters.find(AsciiLower(letter)) != std::wstring::npos) {
        number->DeviceType = FILE_DEVICE_DISK;
        number->DeviceNumber = kFirstSimulatedNumber + i;
        number->PartitionNumber = 1;
        return true;
      }
    }
  }

  uint32_t FindNextUsbDisk(uint32_t node, _USBDEVICE_INFO* info) override {
    std::wstring name = DiskAt(node);  // node n is the n-th disk, counted from 1
    if (name.empty()) return 0;
    std::wstring path = kPathPrefix + name;
    std::wcsncpy(info->szDevicePath, path.c_str(), kPathChars - 1);
    std::wcsncpy(info->szFriendlyName, DiskString(name, L"FriendlyName").c_str(), kPathChars - 1);
    std::swprintf(info->szDeviceObject, kPathChars, L"\\Device\\SimDisk%ls", name.c_str());
    info->wVendorId = static_cast<uint16_t>(DiskDword(name, L"Vid", 0));
    info->wProductId = static_cast<uint16_t>(DiskDword(name, L"Pid", 0));
    return node + 1;
  }

  std::unique_ptr<Disk> OpenDisk(const wchar_t* devicePath) override {
    size_t prefix = std::wcslen(kPathPrefix);
    if (std::wcsncmp(devicePath, kPathPrefix, prefix) != 0) return nullptr;
    std::wstring name = devicePath + prefix;
    for (DWORD i = 0;; ++i) {
      std::wstring at = DiskAt(i);
      if (at.empty()) return nullptr;  // gone since the walk
      if (at == name) return std::make_unique<SimulatedDisk>(name, kFirstSimulatedNumber + i);
    }
  }

  bool TakeDeviceChange() override {
    DWORD generation = ReadTestDword(L"Generation", 0);
    bool changed = generation != lastGeneration_;
    lastGeneration_ = generation;
    return changed;
  }

 private:
  DWORD lastGeneration_ = 0;
};

}  // namespace

bool SimulatedDevicesConfigured() {
  return OpenRegKey(HKEY_LOCAL_MACHINE, kTestKeyPath, KEY_READ).Valid();
}

std::unique_ptr<DeviceSource> CreateSimulatedDeviceSource() {
  return std::make_unique<SimulatedDeviceSource>();
}

DWORD ReadTestDword(const wchar_t* name, DWORD fallback) {
  DWORD v = 0, bytes = sizeof(v);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kTestKeyPath, name, RRF_RT_REG_DWORD, nullptr, &v,
                     &bytes) != ERROR_SUCCESS)
    return fallback;
  return v;
}

}  // namespace vk::svc
