// The string table as the program really carries it: compiled into this
// executable from resources/strings/*.txt, loaded through the same calls the
// windows and the engine use.
#include <gtest/gtest.h>

#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "common/Texts.h"

namespace vk {
namespace {

const wchar_t* const kLanguageNames[kLanguageCount] = {
    L"en", L"fr", L"de", L"it", L"es", L"pt", L"zh", L"ja"};

// The printf directives of a text in order, "%%" left out: a translation
// that reorders or changes them would read the wrong arguments.
std::vector<std::wstring> Directives(const std::wstring& text) {
  std::vector<std::wstring> out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'%') continue;
    size_t j = i + 1;
    if (j < text.size() && text[j] == L'%') {
      i = j;
      continue;
    }
    while (j < text.size() && !iswalpha(text[j])) ++j;           // flags, width
    if (text.compare(j, 3, L"I64") == 0) j += 3;                  // 64-bit size
    else if (j < text.size() && wcschr(L"lhw", text[j])) ++j;    // other sizes
    out.push_back(text.substr(i, j + 1 - i));
    i = j;
  }
  return out;
}

size_t CountPercentSigns(const std::wstring& text) {
  size_t n = 0;
  for (size_t at = text.find(L"%%"); at != std::wstring::npos; at = text.find(L"%%", at + 2)) ++n;
  return n;
}

std::vector<uint32_t> EnglishIds() {
  std::vector<uint32_t> ids;
  for (uint32_t id = kFirstTextId; id <= kLastTextId; ++id)
    if (!LoadResourceText(id).empty()) ids.push_back(id);
  return ids;
}

TEST(TextTable, EveryLanguageHasEveryTextWithTheSameDirectives) {
  std::vector<uint32_t> ids = EnglishIds();
  ASSERT_FALSE(ids.empty());
  for (uint32_t language = 1; language < kLanguageCount; ++language) {
    for (uint32_t id : ids) {
      std::wstring english = LoadResourceText(id);
      std::wstring text = LoadResourceText(LocalizedTextId(id, language));
      SCOPED_TRACE(testing::Message() << kLanguageNames[language] << " id " << id);
      ASSERT_FALSE(text.empty());
      EXPECT_EQ(Directives(text), Directives(english));
      EXPECT_EQ(CountPercentSigns(text), CountPercentSigns(english));
    }
  }
}

TEST(TextTable, NoLanguageHasTextsThatEnglishLacks) {
  for (uint32_t language = 1; language < kLanguageCount; ++language) {
    for (uint32_t id = kFirstTextId; id <= kLastTextId; ++id) {
      if (!LoadResourceText(id).empty()) continue;
      EXPECT_TRUE(LoadResourceText(LocalizedTextId(id, language)).empty())
          << kLanguageNames[language] << " id " << id;
    }
  }
}

// Texts with quotes, tabs, line breaks and characters outside ASCII come
// through the resource compiler unchanged.
TEST(TextTable, StoredTextsKeepTheirSpecialCharacters) {
  struct Case {
    uint32_t id;
    uint32_t language;
    const wchar_t* want;
  } cases[] = {
      {txt::kAppTitle, kLangEnglish, L"Vaultkeep"},
      {txt::kTrayMenuOpen, kLangEnglish, L"Open \"Vaultkeep\""},
      {txt::kBackupPlanBackupNow, kLangEnglish, L"Backup \nNow"},
      {txt::kLogLineFileSuccess, kLangEnglish, L"%s \tSuccess"},
      {txt::kLogLineSeparator, kLangGerman, L"**************************************************"},
      {txt::kLogLineFrame, kLangJapanese, L"--------------------"},
      {txt::kLanguageFrench, kLangFrench, L"Fran\u00e7ais"},
      {txt::kLanguageChinese, kLangChinese, L"\u7b80\u4f53\u4e2d\u6587"},
      {txt::kLanguageJapanese, kLangJapanese, L"\u65e5\u672c\u8a9e"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LoadResourceText(LocalizedTextId(c.id, c.language)), c.want) << c.id;
}

TEST(LoadText, FormatsFallsBackAndMisses) {
  struct Case {
    const char* what;
    std::wstring got;
    const wchar_t* want;
  } cases[] = {
      {"percent sign", LoadText(txt::kTrayTipBackup, kLangEnglish, 37), L"Backup(37%)"},
      {"percent sign, no arguments", LoadText(txt::kNoticeLowSpace, kLangEnglish),
       L"Unable to back up data as you have less than 5% of the space in your storage device."},
      {"language 9 is English", LoadText(txt::kLogLineResultFailure, 9, 3, L"1.50 GB", 5),
       L"3 folder  1.50 GB \tFailure (05)"},
      {"language 9, no arguments", LoadText(txt::kMsgButtonCancel, 9), L"Cancel"},
      {"missing id", LoadText(kLastTextId, kLangEnglish), L""},
      {"missing id, other language", LoadText(kLastTextId, kLangJapanese), L""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(LoadText, TranslationsFormatTheirArguments) {
  for (uint32_t language = 0; language < kLanguageCount; ++language) {
    std::wstring line = LoadText(txt::kLogLineResultFailure, language, 3, L"1.50 GB", 5);
    SCOPED_TRACE(testing::Message() << kLanguageNames[language] << ": " << line.c_str());
    EXPECT_NE(line.find(L"3"), std::wstring::npos);
    EXPECT_NE(line.find(L"1.50 GB"), std::wstring::npos);
    EXPECT_NE(line.find(L"05"), std::wstring::npos);
    std::wstring tip = LoadText(txt::kTrayTipBackup, language, 37);
    EXPECT_NE(tip.find(L"37%"), std::wstring::npos) << tip.c_str();
    EXPECT_EQ(tip.find(L"%%"), std::wstring::npos);
  }
}

}  // namespace
}  // namespace vk
