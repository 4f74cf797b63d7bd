#include "servicelink/UpdateRules.h"

#include <gtest/gtest.h>

#include "servicelink/Download.h"

namespace vk::link {
namespace {

TEST(UpdatePage, VersionsShowTwoDigitMinors) {
  struct Case {
    int32_t major, minor;
    const wchar_t* text;
  } cases[] = {{1, 41, L"1.41"}, {1, 42, L"1.42"}, {1, 5, L"1.05"}, {0, 0, L"0.00"},
               {2, 100, L"2.100"}, {10, 0, L"10.00"}};
  for (const Case& c : cases) EXPECT_EQ(VersionText(c.major, c.minor), c.text) << c.text;
}

TEST(UpdatePage, LatestVersionIsZeroUntilTheServiceHasChecked) {
  svc::_SVC_UPDINFO info = {};
  info.nCurrentMajor = 1;
  info.nCurrentMinor = 41;
  info.nLatestMajor = 1;  // whatever the record holds before a check
  info.nLatestMinor = 42;
  EXPECT_EQ(CurrentVersionText(info), L"1.41");
  EXPECT_EQ(LatestVersionText(info), L"0.00");
  info.nCheckCount = 1;
  EXPECT_EQ(LatestVersionText(info), L"1.42");
}

// The release page comes from an INI anyone on the network path can write:
// Detail opens web addresses only, never a program, share or file.
TEST(UpdatePage, DetailOpensOnlyWebAddresses) {
  struct Case {
    const wchar_t* url;
    bool opened;
  } cases[] = {
      {L"http://www.corvane.example/vaultkeep/news.html", true},
      {L"HTTPS://www.corvane.example/news?id=142#top", true},
      {L"http://127.0.0.1:8080/", true},
      {L"http://www.corvane.example", true},
      {L"C:\\Windows\\System32\\calc.exe", false},
      {L"\\\\server\\share\\setup.exe", false},
      {L"file:///C:/Windows/System32/calc.exe", false},
      {L"shell:startup", false},
      {L"javascript:alert(1)", false},
      {L"ftp://www.corvane.example/news.html", false},
      {L"http:/www.corvane.example/news.html", false},
      {L"http://", false},
      {L"http:///news.html", false},
      {L"https://?x", false},
      {L"http://www.corvane.example/a b.html", false},
      {L"http://www.corvane.example/\" C:\\evil.exe", false},
      {L"http://www.corvane.example\\..\\evil.exe", false},
      {L"http://www.corvane.example/\tnews", false},
      {L"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsWebPageAddress(c.url), c.opened) << c.url;
}

TEST(UpdateNotice, TheBoxTurnsNoticesOff) {
  EXPECT_TRUE(NoticesStayOn(false));
  EXPECT_FALSE(NoticesStayOn(true));
}

TEST(DownloadWindow, OnlyADoneDownloadStartsAnythingAndOnlyACancelStaysSilent) {
  struct Case {
    int result;
    DownloadEnd end;
  } cases[] = {
      {kDownloadDone, DownloadEnd::kStartInstaller},
      {kDownloadCancelled, DownloadEnd::kClose},
      {kDownloadNoSession, DownloadEnd::kShowFailure},
      {kDownloadFailed, DownloadEnd::kShowFailure},
      {kDownloadFileError, DownloadEnd::kShowFailure},
      {kDownloadUnverified, DownloadEnd::kShowFailure},
      {100, DownloadEnd::kStartInstaller},  // results are read by their remainder on 100
      {102, DownloadEnd::kClose},
      {-1, DownloadEnd::kShowFailure},
      {255, DownloadEnd::kShowFailure},
  };
  for (const Case& c : cases) EXPECT_EQ(DownloadEndOf(c.result), c.end) << c.result;
}

// The bar is the download's own rule: a 2000-byte installer read in blocks
// of 512 shows 25, 51, 76 and 100.
TEST(DownloadWindow, BarFollowsTheBlocksOfA2000ByteInstaller) {
  const uint32_t total = 2000;
  const int expected[] = {25, 51, 76, 100};
  uint32_t received = 0;
  for (int percent : expected) {
    received += received + kReadBlockBytes <= total ? kReadBlockBytes : total - received;
    EXPECT_EQ(DownloadPercent(received, total), percent) << received;
  }
}

}  // namespace
}  // namespace vk::link
