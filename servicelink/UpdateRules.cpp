#include "servicelink/UpdateRules.h"

#include <windows.h>

#include <cwchar>

#include "servicelink/Download.h"

namespace vk::link {
namespace {
constexpr size_t kVersionChars = 32;  // two 32-bit numbers, a point and a sign each
constexpr int kResultClassDivisor = 100;
constexpr const wchar_t* kWebSchemes[] = {L"http://", L"https://"};
constexpr wchar_t kLastControlChar = L' ';
constexpr wchar_t kDeleteChar = 0x7F;

// The length of the scheme `url` starts with (either case), 0 for none.
size_t WebSchemeChars(const std::wstring& url) {
  for (const wchar_t* scheme : kWebSchemes) {
    const size_t chars = std::wcslen(scheme);
    if (url.size() >= chars &&
        ::CompareStringOrdinal(url.c_str(), static_cast<int>(chars), scheme,
                               static_cast<int>(chars), TRUE) == CSTR_EQUAL)
      return chars;
  }
  return 0;
}

bool IsRefusedAddressChar(wchar_t c) {
  return c <= kLastControlChar || c == kDeleteChar || c == L'"' || c == L'\\';
}

}  // namespace

bool IsWebPageAddress(const std::wstring& url) {
  const size_t scheme = WebSchemeChars(url);
  if (scheme == 0) return false;
  const size_t hostEnd = url.find_first_of(L"/?#", scheme);
  if ((hostEnd == std::wstring::npos ? url.size() : hostEnd) == scheme) return false;  // no host
  for (wchar_t c : url)
    if (IsRefusedAddressChar(c)) return false;
  return true;
}

std::wstring VersionText(int32_t major, int32_t minor) {
  wchar_t text[kVersionChars] = {};
  std::swprintf(text, kVersionChars, L"%d.%02d", major, minor);
  return text;
}

std::wstring CurrentVersionText(const svc::_SVC_UPDINFO& info) {
  return VersionText(info.nCurrentMajor, info.nCurrentMinor);
}

std::wstring LatestVersionText(const svc::_SVC_UPDINFO& info) {
  if (info.nCheckCount == 0) return VersionText(0, 0);
  return VersionText(info.nLatestMajor, info.nLatestMinor);
}

DownloadEnd DownloadEndOf(int result) {
  switch (result % kResultClassDivisor) {
    case kDownloadDone: return DownloadEnd::kStartInstaller;
    case kDownloadCancelled: return DownloadEnd::kClose;
    default: return DownloadEnd::kShowFailure;
  }
}

}  // namespace vk::link
