#include "channel/UpdateUrl.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>

namespace vk::svc {
namespace {

constexpr wchar_t kHttpPrefix[] = L"http://";
constexpr int kMaxPortDigits = 5;
constexpr uint32_t kMaxPort = 65535;

// The decimal port between `from` and `to`: 1 to 65535, digits only.
bool ParsePort(const wchar_t* from, const wchar_t* to, INTERNET_PORT* port) {
  ptrdiff_t digits = to - from;
  if (digits < 1 || digits > kMaxPortDigits) return false;
  uint32_t value = 0;
  for (const wchar_t* p = from; p < to; ++p) {
    if (*p < L'0' || *p > L'9') return false;
    value = value * 10 + static_cast<uint32_t>(*p - L'0');
  }
  if (value == 0 || value > kMaxPort) return false;
  *port = static_cast<INTERNET_PORT>(value);
  return true;
}

}  // namespace

bool IsPlainInstallerName(const wchar_t* name) {
  static constexpr wchar_t kExtension[] = L".exe";
  constexpr size_t kExtensionChars = sizeof(kExtension) / sizeof(wchar_t) - 1;
  size_t chars = wcsnlen(name, kMaxInstallerNameChars + 1);
  if (chars <= kExtensionChars || chars > kMaxInstallerNameChars || name[0] == L'.') return false;
  for (size_t i = 0; i < chars; ++i) {
    wchar_t c = name[i];
    bool plain = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
                 c == L'-' || c == L'_' || c == L'.';
    if (!plain) return false;
  }
  return ::CompareStringOrdinal(name + chars - kExtensionChars, static_cast<int>(kExtensionChars),
                                kExtension, static_cast<int>(kExtensionChars),
                                TRUE) == CSTR_EQUAL;
}

bool SetupFileName(const wchar_t* setupUrl, wchar_t (&name)[kMaxInstallerNameChars + 1]) {
  name[0] = 0;
  if (!setupUrl) return false;
  const wchar_t* start = setupUrl;
  for (const wchar_t* p = setupUrl; *p; ++p)
    if (*p == L'/') start = p + 1;
  size_t chars = std::wcscspn(start, L"?#");
  if (chars > kMaxInstallerNameChars) return false;
  std::wmemcpy(name, start, chars);
  name[chars] = 0;
  if (IsPlainInstallerName(name)) return true;
  name[0] = 0;
  return false;
}

bool SplitUpdateUrl(const wchar_t* url, wchar_t (&host)[kPathChars], INTERNET_PORT* port,
                    wchar_t (&object)[kPathChars], wchar_t (&referrer)[kPathChars]) {
  size_t prefix = std::wcslen(kHttpPrefix);
  if (!url || ::CompareStringOrdinal(url, static_cast<int>(std::min(prefix, std::wcslen(url))),
                                     kHttpPrefix, static_cast<int>(prefix), TRUE) != CSTR_EQUAL)
    return false;
  const wchar_t* hostStart = url + prefix;
  const wchar_t* slash = std::wcschr(hostStart, L'/');
  if (!slash || slash == hostStart) return false;  // no host, or no '/' after it
  const wchar_t* colon = std::wmemchr(hostStart, L':', static_cast<size_t>(slash - hostStart));
  const wchar_t* hostEnd = colon ? colon : slash;
  if (hostEnd == hostStart) return false;
  *port = INTERNET_DEFAULT_HTTP_PORT;
  if (colon && !ParsePort(colon + 1, slash, port)) return false;
  size_t hostChars = static_cast<size_t>(hostEnd - hostStart);
  size_t referrerChars = static_cast<size_t>(slash - url) + 1;
  if (hostChars >= kPathChars || std::wcslen(slash) >= kPathChars || referrerChars >= kPathChars)
    return false;
  std::wmemcpy(host, hostStart, hostChars);
  host[hostChars] = 0;
  std::wcscpy(object, slash);
  std::wmemcpy(referrer, url, referrerChars);
  referrer[referrerChars] = 0;
  return true;
}

}  // namespace vk::svc
