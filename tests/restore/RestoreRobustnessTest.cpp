// A backup disk is untrusted: these tests feed the restore side damaged and
// crafted sets.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "engine/FileSystem.h"
#include "engine/TargetVolume.h"
#include "restore/Catalogue.h"
#include "restore/RestoreRun.h"
#include "tests/restore/RestoreFixture.h"

namespace vk::test {
namespace {

// Deterministic generator for the sweep (xorshift32).
class Random {
 public:
  explicit Random(uint32_t seed) : x_(seed) {}
  uint32_t Next() {
    x_ ^= x_ << 13;
    x_ ^= x_ >> 17;
    x_ ^= x_ << 5;
    return x_;
  }
  uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }

 private:
  uint32_t x_;
};

std::vector<uint8_t> Utf16Bytes(const std::wstring& s) {
  std::vector<uint8_t> b(s.size() * 2);
  std::memcpy(b.data(), s.data(), b.size());
  return b;
}

// Replaces every occurrence of `from` by `to` (same length) in `bytes`.
int ReplaceAll(std::vector<uint8_t>& bytes, const std::wstring& from, const std::wstring& to) {
  std::vector<uint8_t> a = Utf16Bytes(from), b = Utf16Bytes(to);
  int n = 0;
  for (size_t i = 0; i + a.size() <= bytes.size(); ++i) {
    if (std::memcmp(&bytes[i], a.data(), a.size()) == 0) {
      std::memcpy(&bytes[i], b.data(), b.size());
      ++n;
    }
  }
  return n;
}

// Names in a folder.
std::vector<std::wstring> ListFolder(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((L"\\\\?\\" + folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return names;
}

class RobustnessTest : public RestoreTest {
 protected:
  std::wstring SetPath() {
    std::vector<_BKUPFILE_HEADER> sets = ListSets();
    EXPECT_EQ(sets.size(), 1u);
    return sets.empty() ? L"" : backupFolder + L"\\" + BackupSetFileName(sets[0].BackupTime);
  }
  // Names directly under the volume root.
  std::set<std::wstring> RootNames() {
    std::vector<std::wstring> names = ListFolder(root.substr(0, 2));
    return std::set<std::wstring>(names.begin(), names.end());
  }
};

TEST_F(RobustnessTest, PathsThatLeaveTheirTargetAreNeverRestored) {
  struct Case {
    const wchar_t *source, *from, *to;
  } cases[] = {
      {L"zz\\evil.txt", L"\\src\\zz", L"\\src\\.."},  // climbs out of the source folder
      {L"nux", L"\\src\\nux", L"\\src\\nul"},           // a device
      {L"a_b", L"\\src\\a_b", L"\\src\\a:b"},           // a stream
      {L"cox.txt", L"\\src\\cox.txt", L"\\src\\con.txt"},
  };
  for (const Case& c : cases) {
    EmptyFolder(root.substr(0, 2));
    WritePlanFile(drive, plan, FolderList({Src()}));
    Write(c.source, TextBytes(10, 1));
    Write(L"good.txt", TextBytes(10, 2));
    ASSERT_EQ(Run(FolderList({Src()})), 0u);
    std::wstring setPath = SetPath();
    std::vector<uint8_t> bytes = ReadFileBytes(setPath);
    ASSERT_GT(ReplaceAll(bytes, c.from, c.to), 0) << Narrow(c.to);
    WriteFileBytes(setPath, bytes);

    std::set<std::wstring> before = RootNames();
    EXPECT_EQ(Restore({Src()}, (root + L"out").c_str()), 0u) << Narrow(c.to);
    EXPECT_GE(restoreUnreadable, 1u) << "listed as not written: " << Narrow(c.to);
    EXPECT_TRUE(PathExists(root + L"out\\" + root.substr(0, 1) + L"\\src\\good.txt"));
    before.insert(L"out");
    EXPECT_EQ(RootNames(), before) << "nothing beside the target: " << Narrow(c.to);

    EXPECT_EQ(Restore({Src()}, nullptr), 0u) << "original place";
    EXPECT_EQ(RootNames(), before) << Narrow(c.to);
    EXPECT_FALSE(PathExists(root + L"evil.txt"));
  }
}

// Flips, cuts and crafted links in sets of a small and of a larger tree; every
// operation on each variant must end with a result code and write nothing
// outside its target.
TEST_F(RobustnessTest, DamagedSetsNeverCrashHangOrEscape) {
  struct Base {
    int files;
    int variants;
  } bases[] = {{4, 1000}, {240, 40}};
  const std::set<uint32_t> allowed = {0, 1, 2, 3, 4, 5, 9};
  Random random(20261210);
  for (const Base& base : bases) {
    EmptyFolder(root.substr(0, 2));
    WritePlanFile(drive, plan, FolderList({Src()}));
    for (int i = 0; i < base.files; ++i) {
      std::wstring name = L"d" + std::to_wstring(i % 7) + L"\\e" + std::to_wstring(i % 3) +
                          L"\\f" + std::to_wstring(i) + L".txt";
      // One file of two blocks; text, so the set stays small to rewrite.
      Write(name, TextBytes(i == 1 ? kBlockSize + 100 : 50 + i * 13, i));
    }
    ASSERT_EQ(Run(FolderList({Src()})), 0u);
    std::wstring setPath = SetPath();
    const std::vector<uint8_t> good = ReadFileBytes(setPath);
    _BKUPFILE_HEADER header;
    std::memcpy(&header, good.data(), sizeof header);
    Tree source = Snapshot(Src());
    std::set<std::wstring> rootNames = RootNames();
    rootNames.insert(L"out");

    for (int v = 0; v < base.variants; ++v) {
      std::vector<uint8_t> bytes = good;
      uint32_t kind = random.Below(4);
      if (kind == 0) {
        bytes.resize(random.Below(static_cast<uint32_t>(bytes.size())));
      } else {
        // Flip a few bytes in the header, the data area or the index.
        uint64_t from = kind == 1 ? 0 : kind == 2 ? kSetHeaderSize : header.IndexOffset;
        uint64_t to = kind == 1 ? kSetHeaderSize : kind == 2 ? header.IndexOffset : bytes.size();
        if (to <= from) continue;
        for (uint32_t n = 1 + random.Below(3); n > 0; --n)
          bytes[from + random.Below(static_cast<uint32_t>(to - from))] ^=
              static_cast<uint8_t>(1 + random.Below(255));
      }
      WriteFileBytes(setPath, bytes);
      EmptyFolder(root + L"out");
      EmptyFolder(logFolder);  // keeps the history the restore carries forward short

      uint32_t count = 0;
      EXPECT_TRUE(allowed.count(ListBackupSets(drive, plan, nullptr, 0, &count))) << v;
      if (Catalogue* catalogue = OpenCatalogue(drive, plan, nullptr)) {
        std::vector<uint64_t> todo = {0};
        for (int visits = 0; !todo.empty() && visits < 100000; ++visits) {
          uint64_t o = todo.back();
          todo.pop_back();
          const IndexRecord* r = ReadCatalogueEntry(catalogue, o);
          if (r == nullptr) continue;
          if (r->entry.NextSibling) todo.push_back(r->entry.NextSibling);
          if (r->entry.FirstChild) todo.push_back(r->entry.FirstChild);
        }
        CloseCatalogue(catalogue);
      }
      uint64_t size = 0;
      EXPECT_TRUE(allowed.count(Measure({Src()}, &size))) << v;
      // Most variants restore without logs (the logs' flushes would dominate
      // the sweep's time); every tenth goes through the whole job.
      uint32_t r = v % 10 == 0 ? Restore({Src()}, (root + L"out").c_str())
                               : RestoreWithoutLogs({Src()}, (root + L"out").c_str());
      EXPECT_TRUE(allowed.count(r)) << "variant " << v << " result " << r;
      ASSERT_EQ(RootNames(), rootNames) << "variant " << v;
    }
    EXPECT_EQ(CompareTrees(source, Snapshot(Src())), "") << "the source is never touched";
  }
}

TEST_F(RobustnessTest, CraftedIndexLinksEndTheWalk) {
  Write(L"a\\x.txt", TextBytes(10, 1));
  Write(L"b\\y.txt", TextBytes(10, 2));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  std::wstring setPath = SetPath();
  const std::vector<uint8_t> good = ReadFileBytes(setPath);
  ReadSet set;
  std::string error;
  ASSERT_TRUE(ParseSet(good, &set, &error)) << error;
  ASSERT_GE(set.entries.size(), 5u);
  uint64_t index = set.indexOffset;
  auto at = [&](std::vector<uint8_t>& b, const ReadEntry& e, size_t field) -> uint64_t& {
    return *reinterpret_cast<uint64_t*>(&b[index + e.offset + field]);
  };
  const ReadEntry& top = set.entries[0];     // the source folder
  const ReadEntry& first = set.entries[1];   // its first child, folder a
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> craft;
  } cases[] = {
      {"child is its parent", [&](auto& b) { at(b, first, 72) = top.offset; }},
      {"sibling loops back", [&](auto& b) { at(b, first, 80) = top.offset; }},
      {"child is itself", [&](auto& b) { at(b, first, 72) = first.offset; }},
      {"sibling past the index", [&](auto& b) { at(b, first, 80) = 1ull << 40; }},
      {"huge length", [&](auto& b) { *reinterpret_cast<uint32_t*>(&b[index + first.offset]) = 0xFFFFFFF0u; }},
      {"data offset past the set", [&](auto& b) { at(b, set.entries[2], 60) = 1ull << 50; }},
      {"huge block count",
       [&](auto& b) { *reinterpret_cast<uint32_t*>(&b[index + set.entries[2].offset + 68]) = 0xFFFFFFFFu; }},
      {"compressed size too big",
       [&](auto& b) { *reinterpret_cast<uint32_t*>(&b[set.entries[2].dataOffset]) = 0x7FFFFFFFu; }},
      {"uncompressed size zero",
       [&](auto& b) { *reinterpret_cast<uint32_t*>(&b[set.entries[2].dataOffset + 4]) = 0; }},
      {"uncompressed size too big",
       [&](auto& b) { *reinterpret_cast<uint32_t*>(&b[set.entries[2].dataOffset + 4]) = kBlockSize + 1; }},
      {"uncompressed size a lie",
       [&](auto& b) { *reinterpret_cast<uint32_t*>(&b[set.entries[2].dataOffset + 4]) += 1; }},
      {"data in a set that is not there",
       [&](auto& b) { *reinterpret_cast<uint32_t*>(&b[index + set.entries[2].offset + 56]) = 7; }},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes = good;
    c.craft(bytes);
    WriteFileBytes(setPath, bytes);
    EmptyFolder(root + L"out");
    uint32_t r = Restore({Src()}, (root + L"out").c_str());
    EXPECT_TRUE(r == 0 || r == 2 || r == 5) << c.what << ": " << r;
    // A file whose data could not be decoded is not left half written.
    Tree out = Snapshot(root + L"out");
    for (const auto& [path, f] : out) {
      if (f.folder) continue;
      EXPECT_EQ(f.bytes.size(), 10u) << c.what << ": " << Narrow(path);
    }
  }
}

}  // namespace
}  // namespace vk::test
