// A backup disk is untrusted: these tests feed the restore side damaged and
// crafted sets.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "engine/FileSystem.h"
#include "engine/TargetVolume.h"
#include "restore/Catalogue.h"
#include "restore/RestorePath.h"
#include "restore/RestoreRun.h"
#include "tests/engine/SetReader.h"
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

// `path` made of `components` names of `nameChars` letters below `base`.
std::wstring DeepPath(const std::wstring& base, size_t components, size_t nameChars = 1) {
  std::wstring path = base;
  path.reserve(base.size() + components * (nameChars + 1));
  for (size_t i = 0; i < components; ++i) path += L"\\" + std::wstring(nameChars, L'd');
  return path;
}

// Appends a folder record for `path` to the index of the set in `bytes`,
// which lies at the end of the set: the last top-level entry's link already
// points at the old end of the index, so the record joins the top level.
void AppendFolderRecord(std::vector<uint8_t>& bytes, const std::wstring& path) {
  _BKUPFILE_HEADER header;
  std::memcpy(&header, bytes.data(), sizeof header);
  ASSERT_EQ(header.IndexOffset + header.IndexSize, bytes.size());
  _BKUPFILE_ENTRY e = {};
  e.Length = static_cast<uint32_t>(kEntryFixedSize + (path.size() + 1) * sizeof(wchar_t));
  ASSERT_LE(e.Length, kMaxEntrySize) << "the record itself stays inside the record limits";
  e.Attributes = kAttrFolder;
  e.Sequence = header.Sequence;
  e.PathOffset = kEntryFixedSize;
  e.NameOffset = static_cast<uint32_t>(kEntryFixedSize + 2 * (path.rfind(L'\\') + 1));
  const size_t at = bytes.size();
  bytes.resize(at + e.Length, 0);
  std::memcpy(&bytes[at], &e, kEntryFixedSize);
  std::memcpy(&bytes[at + kEntryFixedSize], path.c_str(), path.size() * sizeof(wchar_t));
  header.IndexSize += e.Length;
  std::memcpy(bytes.data(), &header, sizeof header);
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
  // Paths of one-letter names stay below the system's limit up to here.
  const uint32_t kMaxDeepComponents = 16000;
  const int kDeepVariants = 30;
  Random random(20261210);
  Random deep(20261211);
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

    // Every operation on one variant ends with a result code and writes
    // nothing outside its target.
    auto tryVariant = [&](const std::vector<uint8_t>& bytes, int v) {
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
      return RootNames() == rootNames;
    };

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
      ASSERT_TRUE(tryVariant(bytes, v)) << "variant " << v;
    }
    // Deep paths: a folder of thousands of components joins the top level,
    // some with a few bytes of its record flipped.
    for (int v = 0; v < kDeepVariants; ++v) {
      std::vector<uint8_t> bytes = good;
      const uint32_t depth = kMaxIndexPathComponents + 1 +
                             deep.Below(kMaxDeepComponents - kMaxIndexPathComponents);
      AppendFolderRecord(bytes, DeepPath(Src(), depth));
      const uint64_t record = header.IndexOffset + header.IndexSize;
      for (uint32_t n = deep.Below(3); n > 0; --n)
        bytes[record + deep.Below(static_cast<uint32_t>(bytes.size() - record))] ^=
            static_cast<uint8_t>(1 + deep.Below(255));
      ASSERT_TRUE(tryVariant(bytes, v)) << "deep variant " << v << ", " << depth << " deep";
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
  const ReadEntry* a = FindEntry(set, Src(L"a"));
  const ReadEntry* x = FindEntry(set, Src(L"a\\x.txt"));
  const ReadEntry* b = FindEntry(set, Src(L"b"));
  ASSERT_TRUE(a && x && b);
  ASSERT_LT(a->offset, b->offset);
  auto u32 = [](std::vector<uint8_t>& bytes, uint64_t where) -> uint32_t& {
    return *reinterpret_cast<uint32_t*>(&bytes[where]);
  };
  const uint64_t xEntry = index + x->offset;  // x.txt's record in the set
  const uint64_t xBlock = x->dataOffset;      // x.txt's only block
  const wchar_t* const kX = L"a\\x.txt";
  const wchar_t* const kY = L"b\\y.txt";
  // `result` is what the run must end with: 0 where the damage only cuts a
  // chain of the index (the rest is restored), 2 where a file's data is
  // damaged or missing. `lost` is the file the damage costs: it must never be
  // left on disk, whole or in part.
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> craft;
    uint32_t result;
    const wchar_t* lost;
  } cases[] = {
      {"child points back", [&](auto& bytes) { at(bytes, *b, 72) = a->offset; }, 0, kY},
      {"sibling loops back", [&](auto& bytes) { at(bytes, *b, 80) = a->offset; }, 0, kY},
      {"child is itself", [&](auto& bytes) { at(bytes, *a, 72) = a->offset; }, 0, kX},
      {"sibling past the index", [&](auto& bytes) { at(bytes, *a, 80) = 1ull << 40; }, 0, kY},
      {"huge length", [&](auto& bytes) { u32(bytes, index + a->offset) = 0xFFFFFFF0u; }, 0, kX},
      {"data offset past the set", [&](auto& bytes) { at(bytes, *x, 60) = 1ull << 50; }, 2, kX},
      {"data offset just past the end of the file",
       [&](auto& bytes) { at(bytes, *x, 60) = bytes.size(); }, 2, kX},
      {"data offset inside the index", [&](auto& bytes) { at(bytes, *x, 60) = index; }, 2, kX},
      {"huge block count", [&](auto& bytes) { u32(bytes, xEntry + 68) = 0xFFFFFFFFu; }, 2, kX},
      {"compressed size too big", [&](auto& bytes) { u32(bytes, xBlock) = 0x7FFFFFFFu; }, 2, kX},
      {"uncompressed size zero", [&](auto& bytes) { u32(bytes, xBlock + 4) = 0; }, 2, kX},
      {"uncompressed size too big",
       [&](auto& bytes) { u32(bytes, xBlock + 4) = kBlockSize + 1; }, 2, kX},
      {"uncompressed size a lie", [&](auto& bytes) { u32(bytes, xBlock + 4) += 1; }, 2, kX},
      {"data in a set that is not there", [&](auto& bytes) { u32(bytes, xEntry + 56) = 7; }, 2,
       kX},
      {"a folder 12,000 components deep",
       [&](auto& bytes) { AppendFolderRecord(bytes, DeepPath(Src(), 12000)); }, 2, L"d"},
  };
  const std::wstring out = root + L"out";
  const std::wstring restored = out + L"\\" + root.substr(0, 1) + L"\\src\\";
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes = good;
    c.craft(bytes);
    WriteFileBytes(setPath, bytes);
    EmptyFolder(out);
    EXPECT_EQ(Restore({Src()}, out.c_str()), c.result) << c.what;
    EXPECT_FALSE(PathExists(restored + c.lost)) << c.what << ": " << Narrow(c.lost);
    // Whatever was restored is whole.
    for (const auto& [path, f] : Snapshot(out)) {
      if (f.folder) continue;
      EXPECT_EQ(f.bytes.size(), 10u) << c.what << ": " << Narrow(path);
    }
  }
}

// Every nested folder's next sibling is crafted to be its first child: links
// still point forward, but each level doubles the ways to the levels below.
TEST_F(RobustnessTest, IndexWhoseFoldersShareChildrenEndsTheWalk) {
  const int kDepth = 20;
  std::wstring folder;
  for (int i = 0; i < kDepth; ++i) folder += L"d" + std::to_wstring(i) + L"\\";
  Write(folder + L"f.txt", TextBytes(10, 1));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  std::wstring setPath = SetPath();
  std::vector<uint8_t> bytes = ReadFileBytes(setPath);
  ReadSet set;
  std::string error;
  ASSERT_TRUE(ParseSet(bytes, &set, &error)) << error;
  int crafted = 0;
  for (const ReadEntry& e : set.entries) {
    if (!e.IsFolder() || e.firstChild == 0) continue;
    *reinterpret_cast<uint64_t*>(&bytes[set.indexOffset + e.offset + 80]) = e.firstChild;
    ++crafted;
  }
  ASSERT_GE(crafted, kDepth);
  WriteFileBytes(setPath, bytes);
  int visits = 0;
  onRestoreProgress = [&](const wchar_t* path) {
    return path != nullptr && ++visits > 100000 ? 1 : 0;  // a walk that runs away
  };
  EXPECT_EQ(Restore({Src()}, (root + L"out").c_str()), 0u);
  EXPECT_LT(visits, 1000);
}

// Sets cut off by a full or pulled disk: what can be restored is, and the run
// still ends as failed.
TEST_F(RobustnessTest, CutOffSetsEndAsDamaged) {
  Write(L"x.txt", TextBytes(10, 1));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  Write(L"y.txt", TextBytes(10, 2));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);  // x.txt's data stays in the first set
  const SetFolder good = LoadSetFolder(backupFolder);
  ASSERT_EQ(good.sets.size(), 2u);
  const ReadSet& first = good.sets.begin()->second;
  const ReadSet& second = good.sets.rbegin()->second;
  const ReadEntry* x = FindEntry(second, Src(L"x.txt"));
  const ReadEntry* y = FindEntry(second, Src(L"y.txt"));
  ASSERT_TRUE(x && y);
  ASSERT_EQ(x->sequence, first.sequence);
  ASSERT_GT(y->offset, x->offset);
  struct Case {
    const char* what;
    const ReadSet* set;
    uint64_t cutAt;
    uint32_t result;
    const wchar_t* restored;  // or nullptr
    const wchar_t* lost;
  } cases[] = {
      {"newest set cut inside the record of y.txt", &second,
       second.indexOffset + y->offset + kEntryFixedSize / 2, 2, L"x.txt", L"y.txt"},
      {"older set cut inside the block of x.txt", &first, x->dataOffset + 4, 2, nullptr,
       L"x.txt"},
      {"older set cut where the block of x.txt starts", &first, x->dataOffset, 2, nullptr,
       L"x.txt"},
  };
  const std::wstring out = root + L"out";
  const std::wstring restored = out + L"\\" + root.substr(0, 1) + L"\\src\\";
  for (const Case& c : cases) {
    for (const auto& [sequence, set] : good.sets) {
      std::vector<uint8_t> bytes = good.bytes.at(sequence);
      if (&set == c.set) bytes.resize(c.cutAt);
      WriteFileBytes(backupFolder + L"\\" + set.fileName, bytes);
    }
    EmptyFolder(out);
    EXPECT_EQ(Restore({Src()}, out.c_str()), c.result) << c.what;
    if (c.restored) {
      std::vector<uint8_t> bytes = ReadFileBytes(restored + c.restored);
      EXPECT_EQ(bytes, TextBytes(10, 1)) << c.what;
    }
    EXPECT_FALSE(PathExists(restored + c.lost)) << c.what;
  }
}

// Index paths past the system's path limit or deeper than any real tree are
// damage: listed as not written, never created, and the run ends failed;
// a deep path inside the limits restores.
TEST_F(RobustnessTest, OverlongIndexPathsAreDamage) {
  Write(L"x.txt", TextBytes(10, 1));
  ASSERT_EQ(Run(FolderList({Src()})), 0u);
  const std::wstring setPath = SetPath();
  const std::vector<uint8_t> good = ReadFileBytes(setPath);
  struct Case {
    const char* what;
    std::wstring path;
    uint32_t result;
  } cases[] = {
      {"deeper than any tree", DeepPath(Src(), kMaxIndexPathComponents + 1), 2},
      {"longer than the system's path limit", DeepPath(Src(), 130, 254), 2},
      {"three hundred components", DeepPath(Src(), 300), 0},
  };
  const std::wstring out = root + L"out";
  const std::wstring restored = out + L"\\" + root.substr(0, 1) + L"\\src\\";
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = good;
    AppendFolderRecord(bytes, c.path);
    WriteFileBytes(setPath, bytes);
    EmptyFolder(out);
    EXPECT_EQ(Restore({Src()}, out.c_str()), c.result) << c.what;
    EXPECT_TRUE(PathExists(restored + L"x.txt")) << c.what << ": the rest is restored";
    EXPECT_EQ(restoreUnreadable, c.result == 0 ? 0u : 1u) << c.what;
    EXPECT_EQ(PathExists(restored + L"d"), c.result == 0) << c.what;
  }
}

}  // namespace
}  // namespace vk::test
