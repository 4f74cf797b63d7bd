#include "tools/ToolPlan.h"

#include <cstring>
#include <vector>

#include "engine/EngineUtil.h"
#include "engine/FileSystem.h"
#include "engine/TargetVolume.h"

namespace vk::tool {
namespace {

constexpr uint32_t kMaxFolderListBytes = 16 * 1024 * 1024;

uint32_t SystemVolumeSerial() {
  wchar_t windows[MAX_PATH + 1] = {};
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  wchar_t root[] = {windows[0] ? windows[0] : L'C', L':', L'\\', 0};
  DWORD serial = 0;
  ::GetVolumeInformationW(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
  return serial;
}

}  // namespace

_BKUP_PLAN NewPlan(const std::wstring& name) {
  _BKUP_PLAN plan;
  std::memset(&plan, 0, sizeof plan);
  plan.OwnerPcId = SystemVolumeSerial();
  DWORD chars = kMaxTextChars;
  ::GetUserNameW(plan.OwnerUser, &chars);
  std::wcsncpy(plan.PlanName, name.c_str(), kPlanNameChars - 2);
  return plan;
}

uint32_t WritePlan(int drive, _BKUP_PLAN* plan, const std::wstring& folderList) {
  if (CheckTargetVolume(drive) != kResultOk) return kResultInvalid;
  CreateFolderPath(BackupFolderPath(drive));
  std::memcpy(plan->Magic, kPlanMagic, sizeof plan->Magic);
  plan->Version = kPlanVersion;
  plan->Reserved = 0;
  plan->FolderListOffset = kPlanRecordSize;
  plan->FolderListSize = static_cast<uint32_t>(folderList.size() * sizeof(wchar_t));
  std::vector<unsigned char> bytes(kPlanRecordSize + plan->FolderListSize);
  std::memcpy(bytes.data(), plan, kPlanRecordSize);
  std::memcpy(bytes.data() + kPlanRecordSize, folderList.data(), plan->FolderListSize);
  std::wstring path = PlanFilePath(drive);
  EngineFile file(FileSystem().CreateFile(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL));
  if (!file) return kResultWriteError;
  DWORD done = 0;
  bool ok = FileSystem().WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                   &done) &&
            done == bytes.size();
  file.Reset();
  if (!ok) FileSystem().DeleteFile(path.c_str());
  return ok ? kResultOk : kResultWriteError;
}

uint32_t ReadPlan(int drive, _BKUP_PLAN* plan, std::wstring* folderList) {
  if (CheckTargetVolume(drive) != kResultOk) return kResultInvalid;
  std::wstring path = PlanFilePath(drive);
  EngineFile file(FileSystem().CreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  if (!file) return kResultReadError;
  DWORD got = 0;
  if (!FileSystem().ReadFile(file.Get(), plan, kPlanRecordSize, &got) || got != kPlanRecordSize)
    return kResultReadError;
  if (std::memcmp(plan->Magic, kPlanMagic, kMagicCompareBytes) != 0 ||
      plan->Version > kPlanVersion)
    return kResultInvalid;
  folderList->assign(1, L'\0');
  uint32_t bytes = plan->FolderListSize & ~1u;
  if (plan->FolderListOffset == 0 || bytes == 0) return kResultOk;
  if (bytes > kMaxFolderListBytes) return kResultInvalid;
  std::wstring list(bytes / 2 + 1, L'\0');
  LARGE_INTEGER at, now;
  at.QuadPart = plan->FolderListOffset;
  if (!FileSystem().SetFilePointerEx(file.Get(), at, &now, FILE_BEGIN) ||
      !FileSystem().ReadFile(file.Get(), &list[0], bytes, &got) || got != bytes)
    return kResultReadError;
  list.push_back(L'\0');  // a terminating zero whatever the file held
  *folderList = list;
  return kResultOk;
}

}  // namespace vk::tool
