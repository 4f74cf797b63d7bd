// The machine's own devices for the drive scan.
#include <windows.h>
#include <cfgmgr32.h>
#include <ntddscsi.h>
#include <winioctl.h>

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <vector>

#include "common/Handle.h"
#include "service/DeviceAccess.h"

namespace vk::svc {
namespace {

// GUID_DEVINTERFACE_DISK {53F56307-B6BF-11D0-94F2-00A0C91EFB8B}
constexpr GUID kDiskInterface = {0x53f56307, 0xb6bf, 0x11d0,
                                 {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};
constexpr wchar_t kUsbStorDiskPrefix[] = L"USBSTOR\\DISK";
constexpr int kDeviceIdChars = 210;
constexpr ULONG kHardwareIdBytes = 520;
constexpr DWORD kScsiTimeoutSeconds = 10;
constexpr UCHAR kSenseBytes = 32;
constexpr UCHAR kScsiStatusCheckCondition = 2;
constexpr DWORD kDescriptorBytes = 2048;

// The configuration-manager functions, bound from setupapi.dll once.
struct ConfigManager {
  decltype(&::CM_Locate_DevNodeW) Locate = nullptr;
  decltype(&::CM_Get_Device_IDW) GetId = nullptr;
  decltype(&::CM_Get_Parent) Parent = nullptr;
  decltype(&::CM_Get_Child) Child = nullptr;
  decltype(&::CM_Get_Sibling) Sibling = nullptr;
  decltype(&::CM_Get_DevNode_Registry_PropertyW) Property = nullptr;
  decltype(&::CM_Get_Device_Interface_ListW) Interfaces = nullptr;
  bool bound = false;

  ConfigManager() {
    wchar_t path[MAX_PATH + 20];
    UINT n = ::GetSystemDirectoryW(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    std::wcscat(path, L"\\setupapi.dll");
    HMODULE lib = ::LoadLibraryW(path);
    if (!lib) return;
    bool all = Bind(lib, "CM_Locate_DevNodeW", Locate) && Bind(lib, "CM_Get_Device_IDW", GetId) &&
               Bind(lib, "CM_Get_Parent", Parent) && Bind(lib, "CM_Get_Child", Child) &&
               Bind(lib, "CM_Get_Sibling", Sibling) &&
               Bind(lib, "CM_Get_DevNode_Registry_PropertyW", Property) &&
               Bind(lib, "CM_Get_Device_Interface_ListW", Interfaces);
    bound = all;  // one missing entry point: none is used
  }
  template <class F>
  static bool Bind(HMODULE lib, const char* name, F& fn) {
    fn = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(lib, name)));
    return fn != nullptr;
  }
};

ConfigManager& Cm() {
  static ConfigManager cm;
  return cm;
}

FileHandle OpenForIoctl(const wchar_t* path) {
  return FileHandle(::CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
}

bool QueryDeviceNumber(HANDLE h, STORAGE_DEVICE_NUMBER* number) {
  STORAGE_DEVICE_NUMBER n{};
  DWORD bytes = 0;
  if (!::DeviceIoControl(h, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &n, sizeof(n), &bytes,
                         nullptr))
    return false;
  *number = n;
  return true;
}

class RealDisk : public Disk {
 public:
  explicit RealDisk(FileHandle h) : h_(std::move(h)) {}

  bool QueryRemovableMedia(bool* removable) override {
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    std::vector<unsigned char> out(kDescriptorBytes);
    DWORD bytes = 0;
    if (!::DeviceIoControl(h_.Get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query),
                           out.data(), kDescriptorBytes, &bytes, nullptr) ||
        bytes < offsetof(STORAGE_DEVICE_DESCRIPTOR, RemovableMedia) + 1)
      return false;
    *removable = out[offsetof(STORAGE_DEVICE_DESCRIPTOR, RemovableMedia)] != 0;
    return true;
  }

  bool GetDeviceNumber(STORAGE_DEVICE_NUMBER* number) override {
    return QueryDeviceNumber(h_.Get(), number);
  }

  int ScsiDataIn(const uint8_t* cdb, uint8_t cdbLength, uint8_t* data, uint32_t length) override {
    ULONG maxTransfer = 0;
    if (!MaximumTransfer(&maxTransfer)) return kScsiFailed;
    if (length > maxTransfer || cdbLength > 16) return kScsiTooLong;
    // The pass-through wants an aligned data buffer.
    std::vector<uint8_t> raw;
    try {
      raw.assign(3 * static_cast<size_t>(length) + 63, 0);
    } catch (...) {
      return kScsiNoMemory;
    }
    uint8_t* aligned = reinterpret_cast<uint8_t*>(
        (reinterpret_cast<uintptr_t>(raw.data()) + 63) & ~static_cast<uintptr_t>(63));
    struct {
      SCSI_PASS_THROUGH_DIRECT sptd;
      ULONG pad;
      UCHAR sense[kSenseBytes];
    } req{};
    req.sptd.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    req.sptd.CdbLength = cdbLength;
    req.sptd.SenseInfoLength = kSenseBytes;
    req.sptd.DataIn = SCSI_IOCTL_DATA_IN;
    req.sptd.DataTransferLength = length;
    req.sptd.TimeOutValue = kScsiTimeoutSeconds;
    req.sptd.DataBuffer = aligned;
    req.sptd.SenseInfoOffset = static_cast<ULONG>(offsetof(decltype(req), sense));
    std::memcpy(req.sptd.Cdb, cdb, cdbLength);
    DWORD bytes = 0;
    BOOL ok = ::DeviceIoControl(h_.Get(), IOCTL_SCSI_PASS_THROUGH_DIRECT, &req, sizeof(req), &req,
                                sizeof(req), &bytes, nullptr);
    if (ok && req.sptd.ScsiStatus == 0) {
      std::memcpy(data, aligned, length);
      return kScsiOk;
    }
    std::memcpy(sense_, req.sense, sizeof(sense_));
    return req.sptd.ScsiStatus == kScsiStatusCheckCondition ? kScsiCheckCondition : kScsiFailed;
  }

 private:
  bool MaximumTransfer(ULONG* max) {
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageAdapterProperty;
    query.QueryType = PropertyStandardQuery;
    STORAGE_ADAPTER_DESCRIPTOR adapter{};
    DWORD bytes = 0;
    if (!::DeviceIoControl(h_.Get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query),
                           &adapter, sizeof(adapter), &bytes, nullptr) ||
        bytes < offsetof(STORAGE_ADAPTER_DESCRIPTOR, MaximumTransferLength) + sizeof(ULONG))
      return false;
    *max = adapter.MaximumTransferLength;
    return true;
  }

  FileHandle h_;
  UCHAR sense_[kSenseBytes] = {};  // of the last failed command
};

class RealDeviceSource : public DeviceSource {
 public:
  uint32_t LogicalDrives() override { return ::GetLogicalDrives(); }

  bool LetterDeviceNumber(int index, STORAGE_DEVICE_NUMBER* number) override {
    wchar_t path[8];
    std::swprintf(path, 8, L"\\\\.\\%c:", L'A' + index);
    FileHandle h = OpenForIoctl(path);
    return h && QueryDeviceNumber(h.Get(), number);
  }

  uint32_t FindNextUsbDisk(uint32_t node, _USBDEVICE_INFO* info) override {
    ConfigManager& cm = Cm();
    if (!cm.bound) return 0;
    DEVINST current = node;
    if (node == 0) {
      if (cm.Locate(&current, nullptr, 0) != CR_SUCCESS) return 0;
    } else if (!Advance(current)) {
      return 0;
    }
    for (;;) {
      if (TestNode(current, info)) return current;
      if (!Advance(current)) return 0;
    }
  }

  std::unique_ptr<Disk> OpenDisk(const wchar_t* devicePath) override {
    FileHandle h = OpenForIoctl(devicePath);
    if (!h) return nullptr;
    return std::make_unique<RealDisk>(std::move(h));
  }

 private:
  // Pre-order: first child, else next sibling, else the next sibling of
  // the nearest ancestor that has one.
  static bool Advance(DEVINST& node) {
    ConfigManager& cm = Cm();
    DEVINST next;
    if (cm.Child(&next, node, 0) == CR_SUCCESS) {
      node = next;
      return true;
    }
    for (DEVINST at = node;;) {
      if (cm.Sibling(&next, at, 0) == CR_SUCCESS) {
        node = next;
        return true;
      }
      if (cm.Parent(&next, at, 0) != CR_SUCCESS) return false;  // above the root
      at = next;
    }
  }

  static bool ReadProperty(DEVINST node, ULONG property, void* buffer, ULONG capacity) {
    ULONG size = 0;
    ULONG type = 0;
    CONFIGRET r = Cm().Property(node, property, &type, nullptr, &size, 0);
    if ((r != CR_SUCCESS && r != CR_BUFFER_SMALL) || size == 0 || size > capacity) return false;
    return Cm().Property(node, property, &type, buffer, &size, 0) == CR_SUCCESS;
  }

  static bool TestNode(DEVINST node, _USBDEVICE_INFO* info) {
    ConfigManager& cm = Cm();
    wchar_t id[kDeviceIdChars] = {};
    if (cm.GetId(node, id, kDeviceIdChars, 0) != CR_SUCCESS) return false;
    id[kDeviceIdChars - 1] = 0;
    int prefix = static_cast<int>(std::wcslen(kUsbStorDiskPrefix));
    if (static_cast<int>(std::wcslen(id)) < prefix ||
        ::CompareStringOrdinal(id, prefix, kUsbStorDiskPrefix, prefix, TRUE) != CSTR_EQUAL)
      return false;
    info->szDeviceObject[0] = 0;
    if (!ReadProperty(node, CM_DRP_PHYSICAL_DEVICE_OBJECT_NAME, info->szDeviceObject,
                      sizeof(info->szDeviceObject)))
      return false;
    info->szDeviceObject[kPathChars - 1] = 0;
    ReadVendorProduct(node, info);
    wchar_t list[kPathChars] = {};
    GUID guid = kDiskInterface;
    if (cm.Interfaces(&guid, id, list, kPathChars, CM_GET_DEVICE_INTERFACE_LIST_PRESENT) !=
        CR_SUCCESS)
      return false;
    list[kPathChars - 1] = 0;
    std::wcscpy(info->szDevicePath, list);
    if (!ReadProperty(node, CM_DRP_FRIENDLYNAME, info->szFriendlyName,
                      sizeof(info->szFriendlyName)))
      info->szFriendlyName[0] = 0;
    info->szFriendlyName[kPathChars - 1] = 0;
    return true;
  }

  static void ReadVendorProduct(DEVINST node, _USBDEVICE_INFO* info) {
    DEVINST parent;
    if (Cm().Parent(&parent, node, 0) != CR_SUCCESS) return;
    wchar_t ids[kHardwareIdBytes / sizeof(wchar_t) + 1] = {};
    if (!ReadProperty(parent, CM_DRP_HARDWAREID, ids, kHardwareIdBytes)) ids[0] = 0;
    ParseUsbIds(ids, &info->wVendorId, &info->wProductId);
  }
};

}  // namespace

std::unique_ptr<DeviceSource> CreateRealDeviceSource() {
  return std::make_unique<RealDeviceSource>();
}

}  // namespace vk::svc
