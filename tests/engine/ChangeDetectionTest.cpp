// The incremental rule on its own: which found files may point at the data
// of their previous entry.
#include <gtest/gtest.h>

#include <functional>

#include "engine/ChangeDetection.h"

namespace vk {
namespace {

constexpr uint32_t kArchive = FILE_ATTRIBUTE_ARCHIVE;
constexpr uint64_t kWritten = 0x01DC7A2B3C4D5E6Full;  // a FILETIME in 2026
constexpr uint64_t kSize = 1300000;

// An entry of the previous index with data, and the same file found again.
_BKUPFILE_ENTRY Previous() {
  _BKUPFILE_ENTRY e = {};
  e.Attributes = kArchive;
  e.LastWriteTime = kWritten;
  e.Size = kSize;
  e.Sequence = 1;
  e.DataOffset = kSetHeaderSize;
  e.BlockCount = 3;
  return e;
}
FoundFile Unchanged() { return {kArchive, kWritten, kSize}; }

TEST(CanReuseData, OnlyAnUnchangedFileWithDataInAnOpenSet) {
  struct Case {
    const char* what;
    std::function<void(FoundFile&, _BKUPFILE_ENTRY&, bool& setOpen)> change;
    bool reuse;
  } cases[] = {
      {"unchanged", [](auto&, auto&, bool&) {}, true},
      {"grown by a byte", [](FoundFile& f, auto&, bool&) { f.size += 1; }, false},
      {"shrunk to nothing", [](FoundFile& f, auto&, bool&) { f.size = 0; }, false},
      {"size differs in the high half only",
       [](FoundFile& f, auto&, bool&) { f.size += uint64_t{1} << 32; }, false},
      {"written later", [](FoundFile& f, auto&, bool&) { f.lastWriteTime += 1; }, false},
      {"written earlier (a copy put back)",
       [](FoundFile& f, auto&, bool&) { f.lastWriteTime -= 10000000; }, false},
      {"write time differs in the high half only",
       [](FoundFile& f, auto&, bool&) { f.lastWriteTime ^= uint64_t{1} << 40; }, false},
      {"only the archive bit cleared", [](FoundFile& f, auto&, bool&) { f.attributes = 0; },
       false},
      {"only made read-only",
       [](FoundFile& f, auto&, bool&) { f.attributes |= FILE_ATTRIBUTE_READONLY; }, false},
      {"previous entry without data (unreadable then)",
       [](auto&, _BKUPFILE_ENTRY& p, bool&) { p.DataOffset = 0; p.BlockCount = 0; }, false},
      {"earlier set gone from the volume", [](auto&, auto&, bool& open) { open = false; },
       false},
      {"an empty file unchanged keeps its data offset",
       [](FoundFile& f, _BKUPFILE_ENTRY& p, bool&) {
         f.size = p.Size = 0;
         p.BlockCount = 0;
       },
       true},
  };
  for (const Case& c : cases) {
    FoundFile found = Unchanged();
    _BKUPFILE_ENTRY previous = Previous();
    bool setOpen = true;
    c.change(found, previous, setOpen);
    EXPECT_EQ(CanReuseData(found, previous, setOpen), c.reuse) << c.what;
  }
}

// Every attribute bit counts, whichever way it flips.
TEST(CanReuseData, AnyAttributeFlipStoresTheFileAgain) {
  for (uint32_t bit = 0; bit < 32; ++bit) {
    const uint32_t mask = uint32_t{1} << bit;
    FoundFile found = Unchanged();
    found.attributes ^= mask;
    EXPECT_FALSE(CanReuseData(found, Previous(), true)) << "found flips bit " << bit;
    _BKUPFILE_ENTRY previous = Previous();
    previous.Attributes ^= mask;
    EXPECT_FALSE(CanReuseData(Unchanged(), previous, true)) << "previous flips bit " << bit;
  }
}

}  // namespace
}  // namespace vk
