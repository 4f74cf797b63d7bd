#include "restore/IndexEntry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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

TEST(ValidateIndexEntry, MalformedRecordsEndTheChain) {
  const uint64_t kOffset = 1000, kIndexLength = 100000;
  struct Case {
    const char* what;
    void (*damage)(std::vector<unsigned char>&);
    bool want;
  } cases[] = {
      {"whole record", [](std::vector<unsigned char>&) {}, true},
      {"length below the minimum",
       [](std::vector<unsigned char>& b) { reinterpret_cast<_BKUPFILE_ENTRY*>(b.data())->Length = 97; },
       false},
      {"length above the maximum",
       [](std::vector<unsigned char>& b) {
         reinterpret_cast<_BKUPFILE_ENTRY*>(b.data())->Length = kMaxEntrySize + 2;
       },
       false},
      {"path not terminated",
       [](std::vector<unsigned char>& b) { b[b.size() - 2] = 'x'; }, false},
      {"path offset elsewhere",
       [](std::vector<unsigned char>& b) { reinterpret_cast<_BKUPFILE_ENTRY*>(b.data())->PathOffset = 98; },
       false},
      {"child pointing back",
       [](std::vector<unsigned char>& b) { reinterpret_cast<_BKUPFILE_ENTRY*>(b.data())->FirstChild = 500; },
       false},
      {"child pointing at itself",
       [](std::vector<unsigned char>& b) { reinterpret_cast<_BKUPFILE_ENTRY*>(b.data())->FirstChild = 1000; },
       false},
      {"sibling pointing back",
       [](std::vector<unsigned char>& b) { reinterpret_cast<_BKUPFILE_ENTRY*>(b.data())->NextSibling = 1; },
       false},
      {"forward links",
       [](std::vector<unsigned char>& b) {
         auto* e = reinterpret_cast<_BKUPFILE_ENTRY*>(b.data());
         e->FirstChild = 1200;
         e->NextSibling = 5000;
       },
       true},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> record = MakeRecord(L"C:\\Data\\a.txt");
    c.damage(record);
    IndexEntryView view;
    EXPECT_EQ(ValidateIndexEntry(record.data(), static_cast<uint32_t>(record.size()), kOffset,
                                 kIndexLength, &view),
              c.want)
        << c.what;
  }
}

TEST(ValidateIndexEntry, RecordMustFitTheIndex) {
  std::vector<unsigned char> record = MakeRecord(L"C:\\x");
  uint32_t size = static_cast<uint32_t>(record.size());
  IndexEntryView view;
  EXPECT_TRUE(ValidateIndexEntry(record.data(), size, 0, size, &view));
  EXPECT_EQ(std::wstring(view.path, view.pathChars), L"C:\\x");
  EXPECT_FALSE(ValidateIndexEntry(record.data(), size, 1, size, &view)) << "runs past the end";
  EXPECT_FALSE(ValidateIndexEntry(record.data(), size, 0, 0, &view)) << "an empty index";
  EXPECT_FALSE(ValidateIndexEntry(record.data(), size - 2, 0, size, &view))
      << "fewer bytes than Length";
}

}  // namespace
}  // namespace vk
