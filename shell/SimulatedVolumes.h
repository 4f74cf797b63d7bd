// Test builds only: volumes that report what a test describes, so that the
// program meets a FAT32 partition, a partition of a given size or a full one
// on the scratch volumes, which the emulator reports as NTFS and which never
// fill. Everything is done behind the engine's file-system door; release
// builds do not contain this source.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "engine/FileSystem.h"

namespace vk {

// Below the tray's test key, "Volumes\<letter>" describes one volume:
// REG_SZ "FileSystem" is the file-system name its root reports; REG_QWORD
// "TotalBytes" its size; REG_QWORD "FreeBytes" the bytes free at the start:
// writes the program makes on the volume use them up (deleting a file gives
// nothing back, so a volume is at most as full as a real one would be), and
// a write that does not fit fails with ERROR_DISK_FULL, as on a full disk. A value that is
// missing leaves the real volume's answer. The key is read at each call, so
// a test may change it while the program runs.
inline constexpr wchar_t kTestVolumesSubkey[] = L"Volumes";
inline constexpr wchar_t kTestVolumeFileSystemValue[] = L"FileSystem";
inline constexpr wchar_t kTestVolumeTotalValue[] = L"TotalBytes";
inline constexpr wchar_t kTestVolumeFreeValue[] = L"FreeBytes";
// Read by the drive probe of the test build (wizard/SimulatedDriveProbe.h):
// REG_DWORD "HotPlug" non-zero makes the volume's disk report itself
// hot-pluggable, as a USB disk does; REG_DWORD "DriveType" is the drive type
// its root reports (DRIVE_REMOTE for a network drive).
inline constexpr wchar_t kTestVolumeHotPlugValue[] = L"HotPlug";
inline constexpr wchar_t kTestVolumeDriveTypeValue[] = L"DriveType";

class SimulatedVolumes : public FileSystemApi {
 public:
  // `keyPath`: the HKLM key that holds "Volumes".
  explicit SimulatedVolumes(std::wstring keyPath) : keyPath_(std::move(keyPath)) {}

  HANDLE CreateFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                    DWORD flags) override;
  BOOL WriteFile(HANDLE h, const void* data, DWORD n, DWORD* done) override;
  BOOL CloseHandle(HANDLE h) override;
  BOOL GetVolumeFileSystem(const wchar_t* root, std::wstring* name) override;
  BOOL GetDiskFreeSpaceEx(const wchar_t* root, ULARGE_INTEGER* available, ULARGE_INTEGER* total,
                          ULARGE_INTEGER* totalFree) override;

 private:
  // The free bytes the test gives volume `letter` less what was written on
  // it; false when it names none.
  bool FreeLeft(wchar_t letter, uint64_t* left);

  std::wstring keyPath_;
  std::mutex lock_;
  std::map<HANDLE, wchar_t> writers_;   // open for writing on a volume with free bytes
  std::map<wchar_t, uint64_t> written_; // bytes written per volume letter
};

// Puts the simulation behind the program's door (the tray's test key).
void InstallSimulatedVolumes();

}  // namespace vk
