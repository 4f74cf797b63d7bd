// The fonts the skinned windows take their texts in. The tray window owns
// the program's fonts and lends them here when it creates them; until then
// (and in tests) the windows fall back to fonts of the same description
// that live for the rest of the process.
#pragma once
#include <windows.h>

#include <cstdint>

namespace vk {

constexpr int kLargeFontHeight = -24;  // "Segoe UI", bold
constexpr int kFontSetAHeight = -16;   // bold, face by language

// Lends the program's large font and font set A (one per language). The
// caller keeps them alive until it calls this again with nulls.
void LendUiFonts(HFONT large, const HFONT (&setA)[8]);

// The large font, and font set A for `language` (clamped to 0..7).
HFONT LargeFont();
HFONT TextFont(uint32_t language);

// The face of the program's fonts for `language`.
const wchar_t* FontFace(uint32_t language);

}  // namespace vk
