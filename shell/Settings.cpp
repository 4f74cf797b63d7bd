#include "shell/Settings.h"

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <string>

namespace vk {
namespace {

// The eleven values in the order in which they are read and written.
enum class Kind { kNumber, kName };
struct ValueSpec {
  const wchar_t* name;
  Kind kind;
  size_t offset;
};
#define VK_NUMBER(field) {L## #field, Kind::kNumber, offsetof(_SCHEDULE_SETTINGS, field)}
#define VK_NAME(field) {L## #field, Kind::kName, offsetof(_SCHEDULE_SETTINGS, field)}
const ValueSpec kValues[] = {
    VK_NUMBER(Schedule),      VK_NAME(SchedulePlanName), VK_NAME(ScheduleFriendlyName),
    VK_NUMBER(ScheduleYear),  VK_NUMBER(ScheduleMonth),  VK_NUMBER(ScheduleDay),
    VK_NUMBER(ScheduleHour),  VK_NUMBER(ScheduleMinute), VK_NUMBER(SchedulePopup),
    VK_NUMBER(DoingBackup),   VK_NUMBER(DoingRestore),
};
#undef VK_NUMBER
#undef VK_NAME

BYTE* FieldOf(_SCHEDULE_SETTINGS& s, const ValueSpec& v) {
  return reinterpret_cast<BYTE*>(&s) + v.offset;
}
const BYTE* FieldOf(const _SCHEDULE_SETTINGS& s, const ValueSpec& v) {
  return reinterpret_cast<const BYTE*>(&s) + v.offset;
}

bool ReadValue(HKEY key, const ValueSpec& v, _SCHEDULE_SETTINGS& s) {
  DWORD size = v.kind == Kind::kNumber ? sizeof(uint32_t) : kSettingsNameBytes;
  // The registry type is not checked: whatever fits the field is taken.
  return ::RegQueryValueExW(key, v.name, nullptr, nullptr, FieldOf(s, v), &size) == ERROR_SUCCESS;
}

bool WriteValue(HKEY key, const ValueSpec& v, const _SCHEDULE_SETTINGS& s) {
  if (v.kind == Kind::kNumber) {
    return ::RegSetValueExW(key, v.name, 0, REG_DWORD, FieldOf(s, v), sizeof(uint32_t)) ==
           ERROR_SUCCESS;
  }
  const wchar_t* text = reinterpret_cast<const wchar_t*>(FieldOf(s, v));
  const size_t chars = ::wcsnlen(text, kSettingsNameChars - 1);
  std::wstring terminated(text, chars);  // a full field still gets its terminator
  return ::RegSetValueExW(key, v.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(terminated.c_str()),
                          static_cast<DWORD>((chars + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::wstring ProductPath(const SettingsLocation& where) {
  return std::wstring(where.parent) + L"\\" + where.vendor + L"\\" + where.product;
}

}  // namespace

bool LoadSettings(_SCHEDULE_SETTINGS& settings, const SettingsLocation& where) {
  std::memset(&settings, 0, sizeof(settings));
  RegKey key;
  bool ok = ::RegOpenKeyExW(where.root, ProductPath(where).c_str(), 0, KEY_READ, key.Receive()) ==
            ERROR_SUCCESS;
  for (const ValueSpec& v : kValues) {
    if (!ok) break;
    ok = ReadValue(key.Get(), v, settings);
  }
  if (!ok) std::memset(&settings, 0, sizeof(settings));
  // A stored name may fill its field without a terminator.
  settings.SchedulePlanName[kSettingsNameChars - 1] = 0;
  settings.ScheduleFriendlyName[kSettingsNameChars - 1] = 0;
  return ok;
}

bool SaveSettings(const _SCHEDULE_SETTINGS& settings, const SettingsLocation& where) {
  RegKey parent, vendor, product;
  if (::RegOpenKeyExW(where.root, where.parent, 0, KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE,
                      parent.Receive()) != ERROR_SUCCESS) {
    return false;
  }
  if (::RegCreateKeyExW(parent.Get(), where.vendor, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        vendor.Receive(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  vendor.Reset();
  const std::wstring sub = std::wstring(where.vendor) + L"\\" + where.product;
  if (::RegCreateKeyExW(parent.Get(), sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        product.Receive(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  for (const ValueSpec& v : kValues) {
    if (!WriteValue(product.Get(), v, settings)) return false;
  }
  return true;
}

}  // namespace vk
