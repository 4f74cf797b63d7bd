// The version window's data: the interactive program's own file version and
// copyright line, as they are to be handed to the window's static controls.
#pragma once
#include <string>

namespace vk::link {

// A text the resource lacks keeps its flag false, and the window then leaves
// its control with the template's text.
struct VersionTexts {
  bool hasVersion = false;
  std::wstring version;  // FileVersion exactly as written, e.g. "1.41.0508"
  bool hasCopyright = false;
  std::wstring copyright;  // LegalCopyright with every "&" doubled
};

// A static control takes "&" as a mnemonic mark; "&&" shows one ampersand.
std::wstring DoubleAmpersands(const std::wstring& text);

// The texts of the version resource of `modulePath` (block 040904b0),
// through version.dll bound for this call only.
VersionTexts ReadVersionTexts(const wchar_t* modulePath);
// The same for this program's own file.
VersionTexts ReadOwnVersionTexts();

}  // namespace vk::link
