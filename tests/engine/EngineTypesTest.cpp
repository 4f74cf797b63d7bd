#include "engine/BkupTypes.h"
#include "engine/FileSystem.h"
#include "engine/TFile.h"
#include "tests/support/TestVolume.h"

#include <cstring>

namespace vk {
namespace {

using TFileTest = test::VolumeTest;

// Opens `path` for reading and writing; the test owns the handle.
FileHandle OpenReadWrite(const std::wstring& path) {
  return FileHandle(FileSystem().CreateFile(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
}

TEST_F(TFileTest, ReadsAndWritesInsideItsWindow) {
  FileHandle file = OpenReadWrite(root + L"window.bin");
  ASSERT_TRUE(file.Valid());
  CTFile window;
  window.handle = file.Get();
  window.base = 100;

  uint32_t done = 0;
  ASSERT_TRUE(window.Write(5, "abcdef", 6, &done));
  EXPECT_EQ(done, 6u);
  char back[6] = {};
  ASSERT_TRUE(window.Read(7, back, 4, &done));
  EXPECT_EQ(done, 4u);
  EXPECT_EQ(std::memcmp(back, "cdef", 4), 0);

  ASSERT_TRUE(window.Read(10, back, 6, &done)) << "reading at the end is not a failure";
  EXPECT_EQ(done, 1u) << "the short count tells the caller";

  file.Reset();
  std::vector<uint8_t> bytes = test::ReadFileBytes(root + L"window.bin");
  ASSERT_EQ(bytes.size(), 111u);
  EXPECT_EQ(bytes[105], 'a') << "window offset 5 is file offset base + 5";
}

TEST(TFile, UnattachedHandleFails) {
  CTFile window;
  char byte = 0;
  uint32_t done = 99;
  EXPECT_FALSE(window.Read(0, &byte, 1, &done));
  EXPECT_EQ(done, 0u);
  EXPECT_FALSE(window.Write(0, &byte, 1, &done));
  window.handle = nullptr;
  EXPECT_FALSE(window.Read(0, &byte, 1, &done));
}

TEST(LongPathForm, Forms) {
  struct Case {
    const wchar_t *in, *want;
  } cases[] = {
      {L"C:\\a\\b", L"\\\\?\\C:\\a\\b"},
      {L"C:/a/b", L"\\\\?\\C:\\a\\b"},
      {L"\\\\srv\\share\\x", L"\\\\?\\UNC\\srv\\share\\x"},
      {L"\\\\?\\C:\\a", L"\\\\?\\C:\\a"},
      {L"\\\\.\\PhysicalDrive0", L"\\\\.\\PhysicalDrive0"},
      {L"relative\\x", L"relative\\x"},
      {L"C:", L"C:"},
  };
  for (const Case& c : cases) EXPECT_EQ(LongPathForm(c.in), c.want) << c.in;
}

}  // namespace
}  // namespace vk
