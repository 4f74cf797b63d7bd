// The version window's texts: the FileVersion string as written, the
// copyright with its ampersands doubled, nothing from a resource without the
// program's block, and one version in both programs.
#include <gtest/gtest.h>

#include <string>

#include "VaultkeepVersion.h"
#include "service/UpdateCheck.h"
#include "servicelink/VersionTexts.h"
#include "tests/driver/Program.h"
#include "tests/support/TestVolume.h"

namespace vk::test {
namespace {

using link::DoubleAmpersands;
using link::ReadVersionTexts;
using link::VersionTexts;

std::wstring Wide(const char* s) { return std::wstring(s, s + std::char_traits<char>::length(s)); }

TEST(VersionTexts, EveryAmpersandIsDoubled) {
  const struct {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {L"", L""},
      {L"Copyright (C) 2017 CORVANE", L"Copyright (C) 2017 CORVANE"},
      {L"A & B", L"A && B"},
      {L"&", L"&&"},
      {L"&&", L"&&&&"},
      {L"R&D&", L"R&&D&&"},
  };
  for (const auto& c : cases) EXPECT_EQ(DoubleAmpersands(c.in), c.out) << c.in;
}

TEST(VersionTexts, VersionIsTheStringAndCopyrightIsDoubled) {
  // The fixture's fixed fields say 9.8.7.6: the text must come from the
  // string, not be built from the numbers.
  VersionTexts texts = ReadVersionTexts(driver::HostPathToWindows(VK_TEST_AMPERSAND_EXE).c_str());
  ASSERT_TRUE(texts.hasVersion);
  EXPECT_EQ(texts.version, L"2.07.0033");
  ASSERT_TRUE(texts.hasCopyright);
  EXPECT_EQ(texts.copyright, L"Copyright (C) 2017 CORVANE && Sons, R&&D");
}

TEST(VersionTexts, NothingWithoutTheProgramsBlockOrAnyResource) {
  VersionTexts other =
      ReadVersionTexts(driver::HostPathToWindows(VK_TEST_OTHER_BLOCK_EXE).c_str());
  EXPECT_FALSE(other.hasVersion);
  EXPECT_FALSE(other.hasCopyright);
  EXPECT_TRUE(other.version.empty());

  VersionTexts none = ReadVersionTexts(driver::HostPathToWindows(VK_TEST_NO_VERSION_EXE).c_str());
  EXPECT_FALSE(none.hasVersion);
  EXPECT_FALSE(none.hasCopyright);

  VersionTexts missing = ReadVersionTexts(L"C:\\no such folder\\Arkwell.exe");
  EXPECT_FALSE(missing.hasVersion);
  EXPECT_FALSE(missing.hasCopyright);
}

TEST(VersionTexts, BothProgramsCarryTheOneVersion) {
  for (const std::wstring& exe : {driver::ArkwellExe(), driver::ServiceExe()}) {
    VersionTexts texts = ReadVersionTexts(exe.c_str());
    ASSERT_TRUE(texts.hasVersion) << exe;
    EXPECT_EQ(texts.version, Wide(VK_VERSION_TEXT)) << exe;
    EXPECT_EQ(texts.copyright, DoubleAmpersands(Wide(VK_COPYRIGHT_TEXT))) << exe;
  }
  // The service compares releases by the same string's first two numbers.
  int32_t major = -1, minor = -1;
  svc::ParseFileVersion(Wide(VK_VERSION_TEXT).c_str(), &major, &minor);
  EXPECT_EQ(major, VK_VERSION_MAJOR);
  EXPECT_EQ(minor, VK_VERSION_MINOR);
}

}  // namespace
}  // namespace vk::test
