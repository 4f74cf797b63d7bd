// The drive scan's view of the machine: the device tree, the drive letters
// and the opened disks. The service uses the real devices; tests use fakes,
// and test builds can describe USB disks in the registry instead.
#pragma once
#include <windows.h>
#include <winioctl.h>

#include <cstdint>
#include <memory>

#include "channel/SvcChannel.h"

namespace vk::svc {

// One USB disk found in the device tree.
struct _USBDEVICE_INFO {
  uint16_t wVendorId;
  uint16_t wProductId;
  wchar_t szFriendlyName[kPathChars];
  wchar_t szDevicePath[kPathChars];
  wchar_t szDeviceObject[kPathChars];
};

// SCSI pass-through results (remainder 0 on division by 100 is success).
inline constexpr int kScsiOk = 0;
inline constexpr int kScsiNoMemory = 3;
inline constexpr int kScsiCheckCondition = 4;
inline constexpr int kScsiOpenFailed = 5;
inline constexpr int kScsiTooLong = 6;
inline constexpr int kScsiFailed = 255;

// An opened disk; closed when the object goes.
class Disk {
 public:
  virtual ~Disk() = default;
  // IOCTL_STORAGE_QUERY_PROPERTY (device descriptor): false when it fails.
  virtual bool QueryRemovableMedia(bool* removable) = 0;
  // IOCTL_STORAGE_GET_DEVICE_NUMBER; false leaves *number as it was.
  virtual bool GetDeviceNumber(STORAGE_DEVICE_NUMBER* number) = 0;
  // Sends one CDB with `length` bytes of data in; returns a kScsi* result.
  virtual int ScsiDataIn(const uint8_t* cdb, uint8_t cdbLength, uint8_t* data,
                         uint32_t length) = 0;
};

class DeviceSource {
 public:
  virtual ~DeviceSource() = default;
  virtual uint32_t LogicalDrives() = 0;
  // The device number of drive letter 'A'+index; false when the letter
  // cannot be opened or queried.
  virtual bool LetterDeviceNumber(int index, STORAGE_DEVICE_NUMBER* number) = 0;
  // Continues the device-tree walk after `node` (0 = from the root) and
  // returns the next USB disk's node with `info` filled, or 0 at the end.
  virtual uint32_t FindNextUsbDisk(uint32_t node, _USBDEVICE_INFO* info) = 0;
  // Opens a disk by device path; null when it cannot be opened.
  virtual std::unique_ptr<Disk> OpenDisk(const wchar_t* devicePath) = 0;
  // Sources without device notifications report changes here.
  virtual bool TakeDeviceChange() { return false; }
};

// The machine's devices: configuration-manager functions bound from
// setupapi.dll at run time, storage IOCTLs, SCSI pass-through.
std::unique_ptr<DeviceSource> CreateRealDeviceSource();

// The hardware id of a USB device ("USB\VID_xxxx&PID_xxxx...") to its ids;
// a missing marker leaves its id 0, and without a vendor the product is 0.
void ParseUsbIds(const wchar_t* hardwareId, uint16_t* vendor, uint16_t* product);

}  // namespace vk::svc
