// The licence documents as the program carries them (RCDATA 9200..9207):
// plain-ASCII RTF that declares its language, and that a rich-edit control
// reads back as that language's text, every non-ASCII character included.
#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

#include "common/Texts.h"
#include "controls/UiFonts.h"
#include "resources/ResourceIds.h"

namespace vk {
namespace {

// A licence document is a few dozen kilobytes; more is not one.
constexpr DWORD kMaxLicenceBytes = 256 * 1024;

struct Language {
  const char* name;
  int codePage;
  int lcid;
  const wchar_t* title;   // the first paragraph
  const wchar_t* phrase;  // a passage with the language's own characters
};

const Language kLanguages[kLanguageCount] = {
    {"en", 1252, 1033, L"VAULTKEEP END-USER LICENCE AGREEMENT",
     L"the maker of Vaultkeep (\"we\")"},
    {"fr", 1252, 1036, L"CONTRAT DE LICENCE UTILISATEUR FINAL DE VAULTKEEP",
     L"l'\u00e9diteur de Vaultkeep (\u00ab nous \u00bb)"},
    {"de", 1252, 1031, L"VAULTKEEP-ENDBENUTZER-LIZENZVERTRAG",
     L"dem Hersteller von Vaultkeep (\u201ewir\u201c)"},
    {"it", 1252, 1040, L"CONTRATTO DI LICENZA CON L'UTENTE FINALE DI VAULTKEEP",
     L"Il presente contratto \u00e8 stipulato"},
    {"es", 1252, 3082, L"CONTRATO DE LICENCIA DE USUARIO FINAL DE VAULTKEEP",
     L"textos e im\u00e1genes"},
    {"pt", 1252, 2070, L"CONTRATO DE LICEN\u00c7A DE UTILIZADOR FINAL DO VAULTKEEP",
     L"respetivas atualiza\u00e7\u00f5es"},
    {"zh", 936, 2052, L"VAULTKEEP \u6700\u7ec8\u7528\u6237\u8bb8\u53ef\u534f\u8bae",
     L"\u60a8\u7684\u5907\u4efd\u5f52\u60a8\u6240\u6709"},
    {"ja", 932, 1041,
     L"VAULTKEEP \u30a8\u30f3\u30c9\u30e6\u30fc\u30b6\u30fc\u4f7f\u7528\u8a31\u8afe\u5951\u7d04"
     L"\u66f8",
     L"\u30d0\u30c3\u30af\u30a2\u30c3\u30d7\u306f\u304a\u5ba2\u69d8\u306e\u3082\u306e\u3067\u3059"},
};

std::string Document(int language) {
  HRSRC found = ::FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_LICENCE_FIRST + language),
                                MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!found) return {};
  DWORD size = ::SizeofResource(nullptr, found);
  HGLOBAL loaded = ::LoadResource(nullptr, found);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes || size == 0 || size > kMaxLicenceBytes) return {};
  return std::string(static_cast<const char*>(bytes), size);
}

// What a rich-edit control shows of `rtf`, streamed in as the licence
// window does it.
std::wstring RichEditText(const std::string& rtf) {
  struct Source {
    const std::string* rtf;
    size_t at;
  } source{&rtf, 0};
  HWND edit = ::CreateWindowExW(0, L"RichEdit20W", nullptr, ES_MULTILINE, 0, 0, 400, 300,
                                nullptr, nullptr, nullptr, nullptr);
  if (!edit) return L"(no rich-edit control)";
  ::SendMessageW(edit, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(rtf.size()));
  EDITSTREAM stream{};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
  stream.pfnCallback = [](DWORD_PTR cookie, LPBYTE buffer, LONG want, LONG* got) -> DWORD {
    auto* s = reinterpret_cast<Source*>(cookie);
    size_t n = std::min(static_cast<size_t>(want), s->rtf->size() - s->at);
    std::memcpy(buffer, s->rtf->data() + s->at, n);
    s->at += n;
    *got = static_cast<LONG>(n);
    return 0;
  };
  ::SendMessageW(edit, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  int chars = ::GetWindowTextLengthW(edit);
  std::wstring text(static_cast<size_t>(chars) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(edit, text.data(), chars + 1)));
  ::DestroyWindow(edit);
  return text;
}

class LicenceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { richEdit_ = ::LoadLibraryW(L"riched20.dll"); }
  static void TearDownTestSuite() { ::FreeLibrary(richEdit_); }
  static HMODULE richEdit_;
};
HMODULE LicenceTest::richEdit_ = nullptr;

TEST_F(LicenceTest, EachIsPlainAsciiRtfThatDeclaresItsLanguage) {
  for (int i = 0; i < static_cast<int>(kLanguageCount); ++i) {
    const Language& language = kLanguages[i];
    std::string rtf = Document(i);
    ASSERT_FALSE(rtf.empty()) << language.name;
    std::string head = "{\\rtf1\\ansi\\ansicpg" + std::to_string(language.codePage) +
                       "\\deff0\\deflang" + std::to_string(language.lcid);
    EXPECT_EQ(rtf.compare(0, head.size(), head), 0) << language.name;
    // In the font the windows use for the language: a font the system may
    // lack leaves the document's Latin letters and digits as empty boxes.
    std::string font;
    for (const wchar_t* c = FontFace(static_cast<uint32_t>(i)); *c; ++c) font += static_cast<char>(*c);
    EXPECT_NE(rtf.find("{\\fonttbl{\\f0\\fnil\\fcharset"), std::string::npos) << language.name;
    EXPECT_NE(rtf.find(" " + font + ";}}"), std::string::npos) << language.name << " not in " << font;
    // Non-ASCII only as \uN escapes; braces balanced, the last one closing
    // the document.
    int depth = 0;
    bool closedEarly = false;
    for (size_t at = 0; at < rtf.size(); ++at) {
      unsigned char c = static_cast<unsigned char>(rtf[at]);
      ASSERT_TRUE((c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n')
          << language.name << " byte " << at;
      if (c == '\\') {
        ++at;  // an escaped character or the first letter of a control word
      } else if (c == '{') {
        ++depth;
        closedEarly = closedEarly || (depth == 1 && at != 0);
      } else if (c == '}') {
        --depth;
        ASSERT_GE(depth, 0) << language.name;
      }
    }
    EXPECT_EQ(depth, 0) << language.name;
    EXPECT_FALSE(closedEarly) << language.name;
    EXPECT_EQ(rtf[rtf.find_last_not_of("\r\n")], '}') << language.name;
  }
  EXPECT_TRUE(Document(static_cast<int>(kLanguageCount)).empty());  // nothing past Japanese
}

TEST_F(LicenceTest, RichEditShowsEachLanguagesOwnText) {
  ASSERT_TRUE(richEdit_);
  for (int i = 0; i < static_cast<int>(kLanguageCount); ++i) {
    const Language& language = kLanguages[i];
    std::wstring text = RichEditText(Document(i));
    EXPECT_EQ(text.compare(0, std::wcslen(language.title), language.title), 0)
        << language.name;
    EXPECT_NE(text.find(language.phrase), std::wstring::npos) << language.name;
    EXPECT_NE(text.find(L"Copyright (C) 2017 CORVANE."), std::wstring::npos) << language.name;
    // The sources hold no '?': one here is a character the control could
    // not decode and showed as the escape's fallback.
    EXPECT_EQ(text.find(L'?'), std::wstring::npos) << language.name;
    EXPECT_EQ(text.find(L'\\'), std::wstring::npos) << language.name;
    // Ten numbered sections, each its own paragraph.
    EXPECT_NE(text.find(L"\r\n10. "), std::wstring::npos) << language.name;
  }
}

}  // namespace
}  // namespace vk
