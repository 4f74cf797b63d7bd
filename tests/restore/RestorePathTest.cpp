#include "restore/RestorePath.h"

#include <gtest/gtest.h>

namespace vk {
namespace {

TEST(IsRestorablePath, OnlyPlainDrivePathsOfOrdinaryNames) {
  struct Case {
    const wchar_t* path;
    bool want;
  } cases[] = {
      {L"C:\\Users\\alice\\a.txt", true},
      {L"d:\\Data", true},
      {L"C:\\a b\\.hidden", true},
      {L"C:\\console\\icon.txt", true},  // device names only as a whole stem
      {L"C:\\COM10\\x", true},
      {L"C:\\", false},                      // no component
      {L"C:", false},
      {L"C:relative\\x", false},
      {L"\\\\server\\share\\x", false},
      {L"\\\\?\\C:\\x", false},
      {L"1:\\x", false},
      {L"C:\\a\\..\\..\\Windows\\x", false},
      {L"C:\\a\\.\\b", false},
      {L"C:\\a\\\\b", false},                // empty component
      {L"C:\\a\\", false},                   // trailing separator
      {L"C:\\a\\b:stream", false},
      {L"C:\\a/b", false},
      {L"C:\\a\\b?", false},
      {L"C:\\a\\b\x01", false},
      {L"C:\\a\\dots...", false},
      {L"C:\\a\\blank ", false},
      {L"C:\\a\\NUL", false},
      {L"C:\\a\\nul.txt", false},
      {L"C:\\a\\Com1.log", false},
      {L"C:\\LPT9", false},
      {L"C:\\a\\AUX\\b", false},
      {L"C:\\a\\CONOUT$", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsRestorablePath(c.path), c.want) << c.path;
}

TEST(MakeTargetPath, OriginalPlaceOrReRooted) {
  struct Case {
    const wchar_t *path, *location, *want;
  } cases[] = {
      {L"C:\\Users\\alice\\a.txt", nullptr, L"C:\\Users\\alice\\a.txt"},
      {L"C:\\Users\\alice\\a.txt", L"", L"C:\\Users\\alice\\a.txt"},
      {L"C:\\Users\\alice\\a.txt", L"D:\\Restore", L"D:\\Restore\\C\\Users\\alice\\a.txt"},
      {L"C:\\Users\\alice", L"D:\\Restore\\\\", L"D:\\Restore\\C\\Users\\alice"},
      {L"C:\\x.tar.gz", L"D:\\", L"D:\\C\\x.tar.gz"},
      {L"E:\\.profile", L"D:\\R", L"D:\\R\\E\\.profile"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MakeTargetPath(c.path, c.location), c.want) << c.path;
}

TEST(Selection, BelongsAndOnTheWay) {
  struct Case {
    const wchar_t *path, *selected;
    bool in, onWay;
  } cases[] = {
      {L"C:\\Data", L"C:\\Data", true, true},
      {L"c:\\data", L"C:\\DATA", true, true},
      {L"C:\\Data\\x.txt", L"C:\\Data", true, true},
      {L"C:\\Data\\x.txt", L"C:\\Data\\\\", true, true},
      {L"C:\\Database", L"C:\\Data", false, false},  // a prefix of the name is not enough
      {L"C:\\Users", L"C:\\Users\\alice\\Docs", false, true},
      {L"C:\\Users\\bob", L"C:\\Users\\alice\\Docs", false, false},
      {L"D:\\x", L"D:", true, true},                 // a whole drive
      {L"D:\\x", L"D:\\", true, true},
      {L"C:\\x", L"D:", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsInSelection(c.path, c.selected), c.in) << c.path << " in " << c.selected;
    EXPECT_EQ(IsOnWayToSelection(c.path, c.selected), c.onWay) << c.path << " to " << c.selected;
  }
}

}  // namespace
}  // namespace vk
