#include "tests/driver/Observe.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "common/Handle.h"
#include "engine/BkupTypes.h"
#include "tests/support/TestVolume.h"

namespace vk::driver {
namespace {

constexpr DWORD kMaxStringBytes = 4096;

}  // namespace

std::wstring DriveRoot(int drive) {
  return std::wstring(1, static_cast<wchar_t>(L'A' + drive)) + L":\\";
}

std::wstring BackupFolder(int drive) {
  return DriveRoot(drive) + kRootFolderName + L"\\" + kBackupFolderName;
}

std::wstring PlanFilePath(int drive) { return BackupFolder(drive) + L"\\" + kPlanFileName; }

bool ReadPlanRecord(int drive, _BKUP_PLAN* plan) {
  const std::vector<uint8_t> bytes = test::ReadFileBytes(PlanFilePath(drive));
  if (bytes.size() < sizeof(_BKUP_PLAN)) return false;
  std::memcpy(plan, bytes.data(), sizeof(_BKUP_PLAN));
  return true;
}

std::vector<std::wstring> BackupSetNames(int drive) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  FindHandle find(::FindFirstFileW((BackupFolder(drive) + L"\\*" + kSetExtension).c_str(), &data));
  if (!find.Valid()) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
  } while (::FindNextFileW(find.Get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}

DWORD RegistryDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD fallback) {
  DWORD value = 0, bytes = sizeof(value);
  if (::RegGetValueW(root, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &bytes) !=
      ERROR_SUCCESS)
    return fallback;
  return value;
}

std::wstring RegistryString(HKEY root, const std::wstring& key, const wchar_t* name,
                            const std::wstring& fallback) {
  std::wstring text(kMaxStringBytes / sizeof(wchar_t), L'\0');
  DWORD bytes = kMaxStringBytes;
  if (::RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, &text[0], &bytes) !=
      ERROR_SUCCESS)
    return fallback;
  text.resize(::wcsnlen(text.c_str(), text.size()));
  return text;
}

bool SetRegistryDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD value) {
  return ::RegSetKeyValueW(root, key.c_str(), name, REG_DWORD, &value, sizeof(value)) ==
         ERROR_SUCCESS;
}

bool SetRegistryQword(HKEY root, const std::wstring& key, const wchar_t* name, uint64_t value) {
  return ::RegSetKeyValueW(root, key.c_str(), name, REG_QWORD, &value, sizeof(value)) ==
         ERROR_SUCCESS;
}

bool SetRegistryString(HKEY root, const std::wstring& key, const wchar_t* name,
                       const std::wstring& value) {
  return ::RegSetKeyValueW(root, key.c_str(), name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
         ERROR_SUCCESS;
}

void DeleteRegistryTree(HKEY root, const std::wstring& key) { ::RegDeleteTreeW(root, key.c_str()); }

DWORD UserSetting(const wchar_t* name, DWORD fallback) {
  return RegistryDword(HKEY_CURRENT_USER, kUserSettingsKey, name, fallback);
}

}  // namespace vk::driver
