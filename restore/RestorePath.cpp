#include "restore/RestorePath.h"

#include <cwctype>

#include "common/Ascii.h"
#include "engine/EngineUtil.h"

namespace vk {
namespace {

const wchar_t* const kDeviceNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$",
                                       L"CONOUT$", L"CLOCK$"};

bool EqualsNoCase(const std::wstring& a, size_t from, size_t count, const wchar_t* b) {
  size_t i = 0;
  for (; i < count && b[i]; ++i)
    if (!AsciiEqualNoCase(a[from + i], b[i])) return false;
  return i == count && b[i] == 0;
}

// A device name, alone or before an extension: "NUL", "nul.txt", "COM3.log".
bool IsDeviceName(const std::wstring& path, size_t from, size_t count) {
  size_t stem = 0;
  while (stem < count && path[from + stem] != L'.') ++stem;
  for (const wchar_t* name : kDeviceNames)
    if (EqualsNoCase(path, from, stem, name)) return true;
  if (stem == 4 && (EqualsNoCase(path, from, 3, L"COM") || EqualsNoCase(path, from, 3, L"LPT")))
    return path[from + 3] >= L'0' && path[from + 3] <= L'9';
  return false;
}

bool IsBadNameChar(wchar_t c) {
  return c < 0x20 || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' ||
         c == L'*' || c == L':' || c == L'/';
}

bool IsGoodComponent(const std::wstring& path, size_t from, size_t count) {
  if (count == 0) return false;
  for (size_t i = 0; i < count; ++i)
    if (IsBadNameChar(path[from + i])) return false;
  wchar_t last = path[from + count - 1];
  if (last == L'.' || last == L' ') return false;  // also "." and ".."
  return !IsDeviceName(path, from, count);
}

std::wstring WithOneBackslash(std::wstring s) {
  while (!s.empty() && s.back() == L'\\') s.pop_back();
  s += L'\\';
  return s;
}

bool PrefixNoCase(const std::wstring& s, const std::wstring& prefix, size_t count) {
  return s.size() >= count && prefix.size() >= count &&
         AsciiEqualNoCase(s.data(), prefix.data(), count);
}

}  // namespace

bool IsWithinPathLimits(const std::wstring& path) {
  if (path.size() > kMaxIndexPathChars) return false;
  size_t components = 1;
  for (wchar_t c : path)
    if (c == L'\\' && ++components > kMaxIndexPathComponents) return false;
  return true;
}

bool IsRestorablePath(const std::wstring& path) {
  if (path.size() < 4 || path[1] != L':' || path[2] != L'\\') return false;
  wchar_t drive = AsciiUpper(path[0]);
  if (drive < L'A' || drive > L'Z') return false;
  size_t start = 3;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    if (!IsGoodComponent(path, start, end - start)) return false;
    start = end + 1;
  }
  return true;
}

std::wstring MakeTargetPath(const std::wstring& path, const wchar_t* newLocation) {
  if (newLocation == nullptr || newLocation[0] == 0) return path;
  SplitPathParts parts = SplitPath(path);
  std::wstring target = newLocation;
  while (!target.empty() && target.back() == L'\\') target.pop_back();
  target += L'\\';
  target += parts.drive;
  while (!target.empty() && target.back() == L':') target.pop_back();
  return target + parts.folder + parts.base + parts.extension;
}

bool IsInSelection(const std::wstring& path, const std::wstring& selected) {
  if (path.size() == selected.size() && PrefixNoCase(path, selected, path.size())) return true;
  std::wstring prefix = WithOneBackslash(selected);
  return PrefixNoCase(path, prefix, prefix.size());
}

bool IsOnWayToSelection(const std::wstring& path, const std::wstring& selected) {
  if (path.size() == selected.size() && PrefixNoCase(path, selected, path.size())) return true;
  std::wstring a = WithOneBackslash(path), b = WithOneBackslash(selected);
  return PrefixNoCase(a, b, a.size() < b.size() ? a.size() : b.size());
}

}  // namespace vk
