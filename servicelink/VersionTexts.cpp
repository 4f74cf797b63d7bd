#include "servicelink/VersionTexts.h"

#include "common/VersionResource.h"

namespace vk::link {

std::wstring DoubleAmpersands(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    out += c;
    if (c == L'&') out += c;
  }
  return out;
}

VersionTexts ReadVersionTexts(const wchar_t* modulePath) {
  VersionTexts texts;
  VersionResource resource(modulePath);
  texts.hasVersion = resource.String(kFileVersionName, &texts.version);
  std::wstring copyright;
  texts.hasCopyright = resource.String(kLegalCopyrightName, &copyright);
  if (texts.hasCopyright) texts.copyright = DoubleAmpersands(copyright);
  return texts;
}

VersionTexts ReadOwnVersionTexts() { return ReadVersionTexts(OwnModulePath().c_str()); }

}  // namespace vk::link
