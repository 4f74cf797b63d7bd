#include "servicelink/UpdateRules.h"

#include <cwchar>

#include "servicelink/Download.h"

namespace vk::link {
namespace {
constexpr size_t kVersionChars = 32;  // two 32-bit numbers, a point and a sign each
constexpr int kResultClassDivisor = 100;
}  // namespace

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
