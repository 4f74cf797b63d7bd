#include "engine/BkupArchive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/Handle.h"
#include "engine/FileSystem.h"
#include "tests/support/TestVolume.h"

namespace vk {
namespace {

// One index record with `path`, laid out as a writer lays it out.
std::vector<unsigned char> MakeRecord(const std::wstring& path) {
  std::vector<unsigned char> bytes(kEntryFixedSize + (path.size() + 1) * sizeof(wchar_t));
  auto* e = reinterpret_cast<_BKUPFILE_ENTRY*>(bytes.data());
  e->Length = static_cast<uint32_t>(bytes.size());
  e->PathOffset = kEntryFixedSize;
  e->NameOffset = kEntryFixedSize;
  std::memcpy(bytes.data() + kEntryFixedSize, path.c_str(), path.size() * sizeof(wchar_t));
  return bytes;
}

_BKUPFILE_ENTRY& Fixed(std::vector<unsigned char>& b) {
  return *reinterpret_cast<_BKUPFILE_ENTRY*>(b.data());
}

using IndexRecordTest = test::VolumeTest;

// A damaged record, read at offset 1000 of a 4,000-byte index, ends its chain.
TEST_F(IndexRecordTest, MalformedRecordsEndTheChain) {
  const uint64_t kOffset = 1000;
  struct Case {
    const char* what;
    void (*damage)(std::vector<unsigned char>&);
    bool want;
  } cases[] = {
      {"whole record", [](std::vector<unsigned char>&) {}, true},
      {"length below the minimum", [](std::vector<unsigned char>& b) { Fixed(b).Length = 96; }, false},
      {"length above the maximum",
       [](std::vector<unsigned char>& b) { Fixed(b).Length = kMaxEntrySize + 2; }, false},
      {"length past the index", [](std::vector<unsigned char>& b) { Fixed(b).Length = 3002; }, false},
      {"path not terminated", [](std::vector<unsigned char>& b) { b[b.size() - 2] = 'x'; }, false},
      {"path offset past the record",
       [](std::vector<unsigned char>& b) { Fixed(b).PathOffset = Fixed(b).Length; }, false},
      {"child pointing back", [](std::vector<unsigned char>& b) { Fixed(b).FirstChild = 500; }, false},
      {"child pointing at itself",
       [](std::vector<unsigned char>& b) { Fixed(b).FirstChild = 1000; }, false},
      {"sibling pointing back", [](std::vector<unsigned char>& b) { Fixed(b).NextSibling = 2; }, false},
      {"forward links",
       [](std::vector<unsigned char>& b) {
         Fixed(b).FirstChild = 1200;
         Fixed(b).NextSibling = 5000;
       },
       true},
  };
  PageBuffer buffer;
  ASSERT_TRUE(buffer.Allocate(kWorkBufferSize));
  for (const Case& c : cases) {
    std::vector<unsigned char> index(4000, 0);
    std::vector<unsigned char> record = MakeRecord(L"C:\\Data\\a.txt");
    c.damage(record);
    std::memcpy(index.data() + kOffset, record.data(), record.size());
    std::wstring path = root + L"index.bin";
    test::WriteFileBytes(path, index);
    EngineFile file(FileSystem().CreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                            OPEN_EXISTING, 0));
    ASSERT_TRUE(file.Valid());
    CTFile window;
    window.buffer = buffer.Data();
    window.bufferSize = kWorkBufferSize;
    window.Attach(file.Get(), 0, index.size());
    IndexRecord read;
    EXPECT_EQ(ReadIndexRecord(window, kOffset, &read), c.want) << c.what;
    if (c.want) {
      EXPECT_EQ(std::wstring(read.path, read.pathChars), L"C:\\Data\\a.txt");
    }
    window.Detach();
  }
}

}  // namespace
}  // namespace vk
