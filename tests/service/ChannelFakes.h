// Test doubles: the request handler's privileged actions, drive records, and
// the service's end of the channel running in the test process.
#pragma once
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "service/RequestHandler.h"

namespace vk::test {

struct RecordingActions : svc::SystemActions {
  struct DwordWrite {
    std::wstring name;
    DWORD value;
  };
  struct Move {
    std::wstring existing, newPath;
    DWORD flags;
  };
  std::vector<DwordWrite> writes;
  std::vector<Move> moves;
  BOOL moveResult = TRUE;
  DWORD moveError = 0;
  // The machine's profile folders as the move rule sees them.
  std::vector<std::wstring> profiles = {L"C:\\Users\\me", L"D:\\Profiles\\other\\"};

  std::vector<std::wstring> ProfileFolders() override { return profiles; }

  void WriteServiceDword(const wchar_t* name, DWORD value) override {
    writes.push_back({name, value});
  }
  BOOL MoveFile(const wchar_t* existing, const wchar_t* newPath, DWORD flags,
                DWORD* error) override {
    moves.push_back({existing, newPath, flags});
    *error = moveError;
    return moveResult;
  }
};

// A drive record whose every byte depends on `seed`, so copies are checkable.
inline svc::_SVC_DRVINFO MakeDrive(int seed) {
  svc::_SVC_DRVINFO d{};
  swprintf(d.szFriendlyName, svc::kPathChars, L"Disk %d", seed);
  swprintf(d.szDevicePath, svc::kPathChars, L"\\\\?\\usbstor#disk#%d", seed);
  swprintf(d.szDeviceObject, svc::kPathChars, L"\\Device\\%08d", seed);
  d.dwDeviceNumber = static_cast<uint32_t>(seed);
  d.dwDriveMask = 1u << (seed % 26);
  d.ullSectorCount = 1000ull * static_cast<uint64_t>(seed + 1);
  d.dwBytesPerSector = 512;
  d.wVendorId = static_cast<uint16_t>(0x1000 + seed);
  d.wProductId = static_cast<uint16_t>(0x2000 + seed);
  return d;
}

// The service's end of the channel on a thread of its own.
class InProcessService {
 public:
  InProcessService() {
    data.CreateSemaphore(nullptr);
    created = server.Create();
    if (created == 0) thread_ = std::thread([this] { Run(); });
  }
  InProcessService(const InProcessService&) = delete;
  InProcessService& operator=(const InProcessService&) = delete;
  ~InProcessService() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    server.Close();
  }
  void Run() {
    while (!stop_) {
      if (WaitForSingleObject(server.Doorbell(), 20) != WAIT_OBJECT_0) continue;
      if (!answer_) continue;  // a hung service: it sees the request, never answers
      server.ServeOne(data, actions);
    }
  }
  void StopAnswering() { answer_ = false; }

  svc::ChannelServer server;
  svc::ServiceData data;
  RecordingActions actions;
  DWORD created = 0;

 private:
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> answer_{true};
};

}  // namespace vk::test
