// The USB drive scan: which disks are listed, how they are measured and
// ordered, and when the drive change counter goes up.
#pragma once
#include <cstdint>
#include <vector>

#include "service/DeviceAccess.h"
#include "service/ServiceData.h"

namespace vk::svc {

inline constexpr int kMaxUsbDisks = 24;  // disks examined per scan

// READ CAPACITY (16), falling back to READ CAPACITY (10). False when the
// disk cannot be measured.
bool ReadCapacity(Disk& disk, uint64_t* lastLba, uint32_t* blockLength);

// The fixed-media USB disks of the device tree, at most kMaxUsbDisks.
void EnumUsbDisks(DeviceSource& source, std::vector<_USBDEVICE_INFO>& disks);

// Builds the sorted drive list from the device tree.
void ScanUsbDisks(DeviceSource& source, std::vector<_SVC_DRVINFO>& list);

// Order of the drive list: disks with drive letters by mask ascending, then
// disks without any.
bool DriveListBefore(const _SVC_DRVINFO& a, const _SVC_DRVINFO& b);

// Scans, replaces the list and raises the counter when anything differs.
// Returns false when the drive semaphore could not be taken (flag stays set).
bool RescanDrives(DeviceSource& source, ServiceData& data);

}  // namespace vk::svc
