// The set header check, index records read from damaged indexes, and the
// cached record access the index files go through.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <random>

#include "engine/BackupRun.h"
#include "engine/BkupArchive.h"
#include "engine/FileSystem.h"
#include "engine/TFile.h"
#include "tests/support/TestVolume.h"

namespace vk {
namespace {

_BKUP_PLAN PlanNamed(const wchar_t* name) {
  _BKUP_PLAN plan = {};
  wcsncpy(plan.PlanName, name, kPlanNameChars - 1);
  return plan;
}

TEST(CheckSetHeader, ReaderOrder) {
  SYSTEMTIME start = {2026, 1, 4, 1, 8, 0, 0, 0};
  const _BKUPFILE_HEADER good = [&] {
    _BKUPFILE_HEADER h = InitialSetHeader(PlanNamed(L"Weekly"), 3, start);
    h.Flags |= kSetFlagComplete;
    return h;
  }();
  EXPECT_EQ(good.Flags, 0x80000001u);
  EXPECT_EQ(good.Sequence, 3u);
  struct Case {
    const char* what;
    void (*change)(_BKUPFILE_HEADER&);
    uint32_t bytes;
    const wchar_t* plan;
    SetHeaderState want;
  } cases[] = {
      {"complete, same plan", [](_BKUPFILE_HEADER&) {}, 183, L"Weekly", SetHeaderState::kUsable},
      {"plan name in other case", [](_BKUPFILE_HEADER&) {}, 183, L"WEEKLY",
       SetHeaderState::kUsable},
      {"another plan", [](_BKUPFILE_HEADER&) {}, 183, L"Daily", SetHeaderState::kOtherPlan},
      {"short read", [](_BKUPFILE_HEADER&) {}, 182, L"Weekly", SetHeaderState::kUnusable},
      {"magic", [](_BKUPFILE_HEADER& h) { h.Magic[15] = 'X'; }, 183, L"Weekly",
       SetHeaderState::kUnusable},
      {"magic's zero byte is not compared", [](_BKUPFILE_HEADER& h) { h.Magic[16] = 'X'; }, 183,
       L"Weekly", SetHeaderState::kUsable},
      {"version 2", [](_BKUPFILE_HEADER& h) { h.Version = 2; }, 183, L"Weekly",
       SetHeaderState::kUnusable},
      {"version 0", [](_BKUPFILE_HEADER& h) { h.Version = 0; }, 183, L"Weekly",
       SetHeaderState::kUsable},
      {"incomplete set of another plan", [](_BKUPFILE_HEADER& h) { h.Flags = 1; }, 183,
       L"Daily", SetHeaderState::kIncomplete},
      {"plan name without terminator",
       [](_BKUPFILE_HEADER& h) {
         for (wchar_t& c : h.PlanName) c = L'a';
       },
       183, L"Weekly", SetHeaderState::kOtherPlan},
  };
  for (const Case& c : cases) {
    _BKUPFILE_HEADER h = good;
    c.change(h);
    EXPECT_EQ(CheckSetHeader(h, c.bytes, c.plan), c.want) << c.what;
  }
}

class ScratchFile : public test::VolumeTest {
 protected:
  void SetUp() override {
    VolumeTest::SetUp();
    path = root + L"index.tmp";
    handle = FileSystem().CreateFile(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  }
  void TearDown() override { FileSystem().CloseHandle(handle); }
  std::wstring path;
  HANDLE handle = INVALID_HANDLE_VALUE;
};

// Random appends, patches and views through a small cache agree with a plain
// byte array, in memory and, after Flush, on the disk.
TEST_F(ScratchFile, CachedAccessAgreesWithAPlainModel) {
  std::vector<unsigned char> buffer(64);
  CTFile file;
  file.buffer = buffer.data();
  file.bufferSize = static_cast<uint32_t>(buffer.size());
  file.Attach(handle, 0, 0);
  std::vector<unsigned char> model;
  std::mt19937 random(7);
  for (int step = 0; step < 4000; ++step) {
    int op = random() % 3;
    if (op == 0 || model.size() < 8) {
      uint32_t n = 1 + random() % 40;
      std::vector<unsigned char> data(n);
      for (auto& b : data) b = static_cast<unsigned char>(random());
      ASSERT_TRUE(file.Append(data.data(), n));
      model.insert(model.end(), data.begin(), data.end());
    } else if (op == 1) {
      uint32_t n = 1 + random() % 8;
      uint64_t o = random() % (model.size() - n + 1);
      std::vector<unsigned char> data(n);
      for (auto& b : data) b = static_cast<unsigned char>(random());
      ASSERT_TRUE(file.Patch(o, data.data(), n));
      std::memcpy(model.data() + o, data.data(), n);
    } else {
      uint32_t n = 1 + random() % 50;
      if (n > model.size()) n = static_cast<uint32_t>(model.size());
      uint64_t o = random() % (model.size() - n + 1);
      const unsigned char* view = file.View(o, n);
      ASSERT_NE(view, nullptr) << step;
      ASSERT_EQ(std::memcmp(view, model.data() + o, n), 0) << "step " << step;
    }
    ASSERT_EQ(file.length, model.size());
  }
  EXPECT_EQ(file.View(model.size() - 4, 5), nullptr) << "a view past the end";
  ASSERT_TRUE(file.Flush());
  FileSystem().CloseHandle(handle);
  handle = INVALID_HANDLE_VALUE;
  EXPECT_TRUE(test::ReadFileBytes(path) == model);
}

std::vector<unsigned char> Record(const std::wstring& path, uint64_t next, uint32_t length = 0) {
  std::vector<unsigned char> r(96 + 2 * (path.size() + 1));
  _BKUPFILE_ENTRY e = {};
  e.Length = length ? length : static_cast<uint32_t>(r.size());
  e.NextSibling = next;
  e.PathOffset = 96;
  e.NameOffset = 96;
  std::memcpy(r.data(), &e, 96);
  std::memcpy(r.data() + 96, path.c_str(), 2 * (path.size() + 1));
  return r;
}

// The scratch file holds a previous index that the job context reads
// through its own window.
class PreviousIndex : public ScratchFile {
 protected:
  void SetUp() override {
    ScratchFile::SetUp();
    context.index.previous.buffer = buffer.data();
    context.index.previous.bufferSize = kWorkBufferSize;
  }
  void TearDown() override {
    context.index.previous.buffer = nullptr;
    ScratchFile::TearDown();
  }
  // Writes `bytes` at the start of the file and makes them the whole index.
  bool Load(const std::vector<unsigned char>& bytes) {
    LARGE_INTEGER zero = {};
    DWORD done = 0;
    if (!FileSystem().SetFilePointerEx(handle, zero, nullptr, FILE_BEGIN) ||
        !FileSystem().WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &done) ||
        done != bytes.size())
      return false;
    context.index.previous.Attach(handle, 0, bytes.size());
    return true;
  }

  std::vector<unsigned char> buffer = std::vector<unsigned char>(kWorkBufferSize);
  CBkupEngine context;
};

// Index records come from a disk: damaged ones end a chain, they never loop
// or read outside the record.
TEST_F(PreviousIndex, DamagedPreviousIndexEndsTheSearch) {
  std::vector<unsigned char> index;
  auto add = [&](const std::vector<unsigned char>& r) { index.insert(index.end(), r.begin(), r.end()); };
  add(Record(L"C:\\a", 0));  // 0..106: next patched below
  const uint64_t second = index.size();
  add(Record(L"C:\\b", 0));  // points back at the first
  uint64_t back = 0;
  std::memcpy(index.data() + 80, &second, 8);
  std::memcpy(index.data() + second + 80, &back, 8);
  ASSERT_TRUE(Load(index));
  LookupCursor cursor;
  PreviousMatch match;
  EXPECT_TRUE(FindPreviousEntry(context, L"C:\\B", 4, nullptr, cursor, &match));
  EXPECT_EQ(match.offset, second);
  EXPECT_FALSE(FindPreviousEntry(context, L"C:\\zz", 5, nullptr, cursor, &match))
      << "terminates on a link that goes backwards";
  EXPECT_TRUE(FindPreviousEntry(context, L"C:\\a", 4, nullptr, cursor, &match));

  struct Case {
    const char* what;
    std::vector<unsigned char> record;
  } cases[] = {
      {"Length below 98", Record(L"C:\\x", 0, 96)},
      {"Length beyond the index", Record(L"C:\\x", 0, 4000)},
      {"odd Length", Record(L"C:\\x", 0, 105)},
      {"Length above 524,288", Record(L"C:\\x", 0, 524290)},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Load(c.record));
    IndexRecord record;
    EXPECT_FALSE(ReadIndexRecord(context.index.previous, 0, &record)) << c.what;
  }
  // A path without its terminator inside the record.
  std::vector<unsigned char> r = Record(L"C:\\x", 0);
  r[r.size() - 1] = r[r.size() - 2] = 'x';
  ASSERT_TRUE(Load(r));
  IndexRecord record;
  EXPECT_FALSE(ReadIndexRecord(context.index.previous, 0, &record)) << "no terminator";
}

// Lookups go on from where the last one on the level ended, and wrap once to
// the start of the chain when the listing order changed.
TEST_F(PreviousIndex, LookupsResumeAndWrapAroundOnce) {
  std::vector<unsigned char> index;
  std::vector<uint64_t> at;
  for (const wchar_t* name : {L"C:\\a", L"C:\\b", L"C:\\c"}) {
    at.push_back(index.size());
    std::vector<unsigned char> r = Record(name, 0);
    index.insert(index.end(), r.begin(), r.end());
  }
  for (int i = 0; i < 2; ++i) std::memcpy(index.data() + at[i] + 80, &at[i + 1], 8);
  ASSERT_TRUE(Load(index));
  LookupCursor cursor;
  PreviousMatch match;
  struct Step {
    const wchar_t* path;
    bool found;
    uint64_t offset;
    uint64_t lastSearchAfter;
  } steps[] = {
      {L"C:\\b", true, at[1], at[2]},   // from the start: a, b
      {L"C:\\A", true, at[0], at[1]},   // from c to the end, then again from a
      {L"C:\\zz", false, 0, at[1]},     // from b: b, c; again from a up to b
      {L"C:\\c", true, at[2], 0},       // the chain's end resets the position
  };
  for (const Step& s : steps) {
    bool found = FindPreviousEntry(context, s.path, std::wcslen(s.path), nullptr, cursor, &match);
    EXPECT_EQ(found, s.found) << std::wstring(s.path).size();
    if (found) {
      EXPECT_EQ(match.offset, s.offset);
    }
    EXPECT_EQ(cursor.lastSearch, s.lastSearchAfter);
  }
  // Below a matched folder without children nothing is searched.
  PreviousMatch childless;
  LookupCursor childCursor;
  EXPECT_FALSE(FindPreviousEntry(context, L"C:\\a", 4, &childless, childCursor, &match));
}

}  // namespace
}  // namespace vk
