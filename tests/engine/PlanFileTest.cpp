#include "engine/PlanFile.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/FileSystem.h"
#include "engine/TargetVolume.h"
#include "tests/support/FailingFileSystem.h"
#include "tests/support/ScopedFileSystem.h"
#include "tests/support/TestVolume.h"

namespace vk {
namespace {

using Bytes = std::vector<uint8_t>;

// A double-zero-terminated list: each folder, its zero, one more zero.
std::vector<wchar_t> FolderList(std::initializer_list<const wchar_t*> folders) {
  std::vector<wchar_t> list;
  for (const wchar_t* f : folders) {
    list.insert(list.end(), f, f + std::wcslen(f));
    list.push_back(0);
  }
  list.push_back(0);
  return list;
}

_BKUP_PLAN MakePlan(const wchar_t* name) {
  _BKUP_PLAN plan;
  std::memset(&plan, 0, sizeof plan);
  plan.OwnerPcId = 0x1234ABCD;
  std::wcscpy(plan.OwnerUser, L"ann");
  std::wcscpy(plan.PlanName, name);
  plan.Frequency = kFreqWeekly;
  plan.Weekday = 3;
  plan.Hour = 20;
  plan.Minute = 15;
  plan.NextRun.wYear = 2026;
  plan.NextRun.wMonth = 12;
  plan.NextRun.wDay = 16;
  plan.NextRun.wHour = 20;
  plan.NextRun.wMinute = 15;
  return plan;
}

Bytes RecordBytes(const _BKUP_PLAN& plan) {
  const auto* p = reinterpret_cast<const uint8_t*>(&plan);
  return Bytes(p, p + sizeof plan);
}

Bytes ListBytes(const std::vector<wchar_t>& list) {
  const auto* p = reinterpret_cast<const uint8_t*>(list.data());
  return Bytes(p, p + list.size() * sizeof(wchar_t));
}

// A plan file as a writer lays it out, built here without the code under test.
Bytes PlanFileBytes(_BKUP_PLAN plan, const Bytes& list) {
  std::memcpy(plan.Magic, kPlanMagic, sizeof plan.Magic);
  plan.Version = kPlanVersion;
  plan.Reserved = 0;
  plan.FolderListOffset = kPlanRecordSize;
  plan.FolderListSize = static_cast<uint32_t>(list.size());
  Bytes file(sizeof plan + list.size());
  std::memcpy(file.data(), &plan, sizeof plan);
  std::copy(list.begin(), list.end(), file.begin() + sizeof plan);
  return file;
}

_BKUP_PLAN* RecordIn(Bytes& file) { return reinterpret_cast<_BKUP_PLAN*>(file.data()); }

// What is at a path: nothing, or these bytes.
struct FileState {
  bool present = false;
  Bytes bytes;
  bool operator==(const FileState& o) const { return present == o.present && bytes == o.bytes; }
};

FileState StateOf(const std::wstring& path) {
  FileState s;
  s.present = test::PathExists(path);
  if (s.present) s.bytes = test::ReadFileBytes(path);
  return s;
}

void Restore(const std::wstring& path, const FileState& s) {
  ::DeleteFileW(path.c_str());
  if (s.present) test::WriteFileBytes(path, s.bytes);
}

class PlanFileTest : public test::VolumeTest {
 protected:
  std::wstring PlanPath() const { return PlanFilePath(drive); }
  std::wstring BackupDir() const { return BackupFolderPath(drive); }
  std::wstring LogDir() const { return LogFolderPath(drive); }
  std::wstring RootDir() const { return RootFolderPath(drive); }
  std::wstring TempPath() const { return BackupDir() + L"\\" + kPlanTempFileName; }
};

// ---- Save and load ----------------------------------------------------------

TEST_F(PlanFileTest, SaveWritesRecordAndListThatLoadReturns) {
  struct Case {
    const char* what;
    std::vector<wchar_t> list;
  } cases[] = {
      {"empty list", FolderList({})},
      {"folders and a drive",
       FolderList({L"C:\\Users\\Ann\\Documents", L"D:", L"C:\\Fotos \u00e9t\u00e9"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    _BKUP_PLAN plan = MakePlan(L"20261210012000");
    plan.Version = 7;  // writers always write version 1
    plan.Reserved = 9;
    const _BKUP_PLAN given = plan;
    ASSERT_EQ(SavePlanFile(drive, &plan, c.list.data(), static_cast<uint32_t>(c.list.size())),
              kResultOk);

    EXPECT_EQ(plan.Version, 1);
    EXPECT_EQ(plan.Reserved, 0);
    EXPECT_EQ(plan.FolderListOffset, 705u);
    EXPECT_EQ(plan.FolderListSize, 2 * c.list.size());
    EXPECT_EQ(std::memcmp(plan.Magic, "CVNBKUPPLAN2017 \0", 17), 0);
    EXPECT_EQ(std::memcmp(&plan.OwnerPcId, &given.OwnerPcId,
                          offsetof(_BKUP_PLAN, FolderListOffset) - offsetof(_BKUP_PLAN, OwnerPcId)),
              0)
        << "fields between Reserved and FolderListOffset are stored as given";
    EXPECT_EQ(test::ReadFileBytes(PlanPath()), PlanFileBytes(given, ListBytes(c.list)));
    EXPECT_FALSE(test::PathExists(TempPath()));

    _BKUP_PLAN loaded;
    std::vector<wchar_t> list;
    ASSERT_EQ(LoadPlanFile(drive, &loaded, &list), kResultOk);
    EXPECT_EQ(RecordBytes(loaded), RecordBytes(plan));
    std::vector<wchar_t> want = c.list;
    want.push_back(0);  // the guard character
    EXPECT_EQ(list, want);
  }
}

TEST_F(PlanFileTest, SaveReplacesAnotherPlanWhole) {
  _BKUP_PLAN old = MakePlan(L"old");
  std::vector<wchar_t> longList = FolderList({L"C:\\A long folder name", L"C:\\Another one"});
  ASSERT_EQ(SavePlanFile(drive, &old, longList.data(), static_cast<uint32_t>(longList.size())),
            kResultOk);
  _BKUP_PLAN plan = MakePlan(L"new");
  std::vector<wchar_t> list = FolderList({L"D:"});
  ASSERT_EQ(SavePlanFile(drive, &plan, list.data(), static_cast<uint32_t>(list.size())),
            kResultOk);
  EXPECT_EQ(test::ReadFileBytes(PlanPath()), PlanFileBytes(MakePlan(L"new"), ListBytes(list)));
}

TEST_F(PlanFileTest, SaveRefusesListsThatCouldNotBeLoaded) {
  const std::vector<wchar_t> good = FolderList({L"C:\\A"});
  const wchar_t unterminated[] = {L'C', L':', 0};  // one string, no closing empty string
  struct Case {
    const char* what;
    bool withPlan;
    const wchar_t* list;
    uint32_t chars;
  } cases[] = {
      {"no plan record", false, good.data(), static_cast<uint32_t>(good.size())},
      {"no list but a length", true, nullptr, 4},
      {"unterminated list", true, unterminated, 3},
      {"length cut inside the list", true, good.data(), static_cast<uint32_t>(good.size() - 1)},
      {"list above the maximum", true, good.data(), kMaxFolderListBytes / 2 + 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    _BKUP_PLAN plan = MakePlan(L"p");
    EXPECT_EQ(SavePlanFile(drive, c.withPlan ? &plan : nullptr, c.list, c.chars), kResultInvalid);
    EXPECT_FALSE(test::PathExists(PlanPath()));
  }
}

// ---- Readers on damaged and foreign files --------------------------------------

// The plan of a disk is untrusted: every damaged file gives a result, never a
// crash, an over-read or an allocation the file does not justify.
TEST_F(PlanFileTest, ReadersOnDamagedFiles) {
  using Edit = void (*)(Bytes&);
  struct Case {
    const char* what;
    Edit edit;
    BkupResult check, load;
    std::wstring list;  // what LoadPlanFile returns, guard character included
  } cases[] = {
      {"whole", [](Bytes&) {}, kResultOk, kResultOk, std::wstring(L"a\0\0\0", 4)},
      {"cut to 700 bytes", [](Bytes& f) { f.resize(700); }, kResultReadError, kResultReadError,
       L""},
      {"empty", [](Bytes& f) { f.clear(); }, kResultReadError, kResultReadError, L""},
      {"version 0", [](Bytes& f) { RecordIn(f)->Version = 0; }, kResultOk, kResultOk,
       std::wstring(L"a\0\0\0", 4)},
      {"version 2", [](Bytes& f) { RecordIn(f)->Version = 2; }, kResultInvalid, kResultInvalid,
       L""},
      {"foreign magic", [](Bytes& f) { RecordIn(f)->Magic[0] = 'X'; }, kResultInvalid,
       kResultInvalid, L""},
      {"magic without its blank", [](Bytes& f) { RecordIn(f)->Magic[15] = 0; }, kResultInvalid,
       kResultInvalid, L""},
      {"odd size 7: 6 bytes read",
       [](Bytes& f) { RecordIn(f)->FolderListSize = 7; f.push_back(0x55); }, kResultOk, kResultOk,
       std::wstring(L"a\0\0\0", 4)},
      {"no list offset", [](Bytes& f) { RecordIn(f)->FolderListOffset = 0; }, kResultOk, kResultOk,
       L""},
      {"list size 1", [](Bytes& f) { RecordIn(f)->FolderListSize = 1; }, kResultOk, kResultOk, L""},
      {"list size beyond the file", [](Bytes& f) { RecordIn(f)->FolderListSize = 100; }, kResultOk,
       kResultReadError, L""},
      {"list offset beyond the file", [](Bytes& f) { RecordIn(f)->FolderListOffset = 5000; },
       kResultOk, kResultReadError, L""},
      {"list size field all ones", [](Bytes& f) { RecordIn(f)->FolderListSize = 0xFFFFFFFF; },
       kResultOk, kResultReadError, L""},
      {"offset and size all ones",
       [](Bytes& f) {
         RecordIn(f)->FolderListOffset = 0xFFFFFFFF;
         RecordIn(f)->FolderListSize = 0xFFFFFFFF;
       },
       kResultOk, kResultReadError, L""},
      {"list without any zero",
       [](Bytes& f) {
         f.resize(kPlanRecordSize);
         f.insert(f.end(), {'a', 0, 'b', 0});
         RecordIn(f)->FolderListSize = 4;
       },
       kResultOk, kResultInvalid, L""},
      {"list missing its closing zero: the guard closes it",
       [](Bytes& f) {
         f.resize(kPlanRecordSize + 4);
         RecordIn(f)->FolderListSize = 4;
       },
       kResultOk, kResultOk, std::wstring(L"a\0\0", 3)},
  };
  const Bytes whole = PlanFileBytes(MakePlan(L"p"), {'a', 0, 0, 0, 0, 0});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes file = whole;
    c.edit(file);
    test::WriteFileBytes(PlanPath(), file);

    _BKUP_PLAN record;
    std::memset(&record, 0xEE, sizeof record);
    EXPECT_EQ(CheckPlanFile(drive, &record), c.check);
    const size_t got = std::min<size_t>(file.size(), kPlanRecordSize);
    EXPECT_EQ(std::memcmp(&record, file.data(), got), 0) << "the bytes read stay with the caller";

    std::vector<wchar_t> list = {L'x'};
    EXPECT_EQ(LoadPlanFile(drive, &record, &list), c.load);
    EXPECT_EQ(std::wstring(list.begin(), list.end()), c.list);
    EXPECT_EQ(LoadPlanFile(drive, &record, nullptr), c.check) << "without a list it only checks";
  }
}

TEST_F(PlanFileTest, ReadersWithoutAPlanFile) {
  _BKUP_PLAN record;
  std::vector<wchar_t> list;
  EXPECT_EQ(CheckPlanFile(drive, &record), kResultReadError);
  EXPECT_EQ(LoadPlanFile(drive, &record, &list), kResultReadError);
  EXPECT_TRUE(list.empty());
}

// A list that really is in the file but is larger than any plan needs is
// refused before it is read.
TEST_F(PlanFileTest, LoadRefusesListAboveTheMaximum) {
  Bytes file = PlanFileBytes(MakePlan(L"p"), {});
  RecordIn(file)->FolderListSize = kMaxFolderListBytes + 2;
  test::WriteFileBytes(PlanPath(), file);
  HANDLE h = ::CreateFileW(PlanPath().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  LARGE_INTEGER end;
  end.QuadPart = kPlanRecordSize + kMaxFolderListBytes + 2;
  ASSERT_TRUE(::SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(h));
  ::CloseHandle(h);

  _BKUP_PLAN record;
  std::vector<wchar_t> list;
  EXPECT_EQ(LoadPlanFile(drive, &record, &list), kResultInvalid);
  EXPECT_TRUE(list.empty());
}

// ---- Update --------------------------------------------------------------------

TEST_F(PlanFileTest, UpdateRewritesOnlyTheRunTimes) {
  struct Case {
    const char* what;
    uint16_t version;
    size_t listChars;  // large enough lists are copied in several pieces
  } cases[] = {
      {"version 1, short list", 1, 8},
      {"version 0 stays 0", 0, 8},
      {"list longer than one copy piece", 1, 100000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<wchar_t> list(c.listChars, L'q');
    list[c.listChars - 2] = 0;
    list[c.listChars - 1] = 0;
    Bytes file = PlanFileBytes(MakePlan(L"p"), ListBytes(list));
    RecordIn(file)->Version = c.version;
    test::WriteFileBytes(PlanPath(), file);

    _BKUP_PLAN caller = MakePlan(L"p");
    caller.NextRun.wDay = 23;
    caller.LastRun.wYear = 2026;
    caller.LastRun.wMilliseconds = 999;
    caller.Frequency = kFreqHourly;  // not the update's business
    caller.FolderListSize = 3;
    ASSERT_EQ(UpdatePlanFile(drive, &caller), kResultOk);

    Bytes want = file;
    RecordIn(want)->NextRun = caller.NextRun;
    RecordIn(want)->LastRun = caller.LastRun;
    EXPECT_EQ(test::ReadFileBytes(PlanPath()), want);
    EXPECT_FALSE(test::PathExists(TempPath()));
  }
}

TEST_F(PlanFileTest, UpdateRefusesAndLeavesTheFile) {
  using Edit = void (*)(Bytes&);
  struct Case {
    const char* what;
    const wchar_t* callerName;
    Edit edit;
    BkupResult want;
  } cases[] = {
      {"the disk got another plan", L"20261201080000", [](Bytes&) {}, kResultInvalid},
      {"name differs only in case", L"PLAN", [](Bytes&) {}, kResultInvalid},
      {"version 2", L"plan", [](Bytes& f) { RecordIn(f)->Version = 2; }, kResultInvalid},
      {"foreign magic", L"plan", [](Bytes& f) { RecordIn(f)->Magic[3] = 'x'; }, kResultInvalid},
      {"cut to 700 bytes", L"plan", [](Bytes& f) { f.resize(700); }, kResultReadError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes file = PlanFileBytes(MakePlan(L"plan"), ListBytes(FolderList({L"C:\\A"})));
    c.edit(file);
    test::WriteFileBytes(PlanPath(), file);
    _BKUP_PLAN caller = MakePlan(c.callerName);
    caller.LastRun.wYear = 2026;
    EXPECT_EQ(UpdatePlanFile(drive, &caller), c.want);
    EXPECT_EQ(test::ReadFileBytes(PlanPath()), file);
    EXPECT_FALSE(test::PathExists(TempPath()));
  }
}

// Another program may hold the plan open for a moment: a scanner or a
// second reader of ours while the times of a run are written back, or the
// writer itself while a reader comes. Neither loses its turn for it: a lost
// write-back would leave the run due, and the schedule would start it again.
TEST_F(PlanFileTest, PlanHeldOpenForAMomentIsWaitedFor) {
  struct Case {
    const char* what;
    DWORD access, share;  // of the holder
    bool update;          // the call that must get through: update, or load
  } cases[] = {
      {"update while a reader has it", GENERIC_READ, FILE_SHARE_READ, true},
      {"update while a reader lets others write", GENERIC_READ,
       FILE_SHARE_READ | FILE_SHARE_WRITE, true},
      {"load while a writer has it alone", GENERIC_READ | GENERIC_WRITE, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    _BKUP_PLAN plan = MakePlan(L"plan");
    std::vector<wchar_t> list = {L'C', L':', L'\\', 0, 0};
    ASSERT_EQ(SavePlanFile(drive, &plan, list.data(), static_cast<uint32_t>(list.size())),
              kResultOk);
    HANDLE held = ::CreateFileW(PlanPath().c_str(), c.access, c.share, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread holder([held] {
      ::Sleep(300);
      ::CloseHandle(held);
    });
    _BKUP_PLAN got = {};
    plan.LastRun.wYear = 2026;
    const BkupResult r = c.update ? UpdatePlanFile(drive, &plan) : CheckPlanFile(drive, &got);
    holder.join();
    EXPECT_EQ(r, kResultOk);
    ASSERT_EQ(CheckPlanFile(drive, &got), kResultOk);
    EXPECT_EQ(got.LastRun.wYear, c.update ? 2026 : 0);
    EXPECT_FALSE(test::PathExists(TempPath()));
  }
}

TEST_F(PlanFileTest, UpdateWithoutAPlanFileIsAWriteError) {
  _BKUP_PLAN caller = MakePlan(L"plan");
  EXPECT_EQ(UpdatePlanFile(drive, &caller), kResultWriteError);
  EXPECT_FALSE(test::PathExists(PlanPath()));
}

// ---- Interrupted writes ----------------------------------------------------------

// A failing write gets half of its bytes to the disk, as one cut short by a crash.
class HalfWritingFileSystem : public test::FailingFileSystem {
 public:
  BOOL WriteFile(HANDLE h, const void* data, DWORD n, DWORD* done) override {
    if (!Fail()) return FileSystemApi::WriteFile(h, data, n, done);
    DWORD partial = 0;
    FileSystemApi::WriteFile(h, data, n / 2, &partial);
    ::SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
};

// Every way a save or an update can be cut short leaves Backup.plan as it was
// or as the finished call writes it, never torn or missing.
TEST_F(PlanFileTest, InterruptedWritesLeaveTheOldPlanOrTheNew) {
  const std::vector<wchar_t> newList = FolderList({L"C:\\Users\\Ann\\Music", L"E:"});
  using Op = std::function<BkupResult(int)>;
  struct Case {
    const char* what;
    bool oldPlan;
    Op op;
  } cases[] = {
      {"save over a plan", true,
       [&](int d) {
         _BKUP_PLAN p = MakePlan(L"new");
         return SavePlanFile(d, &p, newList.data(), static_cast<uint32_t>(newList.size()));
       }},
      {"first save", false,
       [&](int d) {
         _BKUP_PLAN p = MakePlan(L"new");
         return SavePlanFile(d, &p, newList.data(), static_cast<uint32_t>(newList.size()));
       }},
      {"update", true,
       [](int d) {
         _BKUP_PLAN p = MakePlan(L"old");
         p.LastRun.wYear = 2026;
         return UpdatePlanFile(d, &p);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::EmptyFolder(root.substr(0, 2));
    if (c.oldPlan) {
      test::WriteFileBytes(PlanPath(), PlanFileBytes(MakePlan(L"old"),
                                                     ListBytes(FolderList({L"C:\\Old"}))));
    } else {
      ASSERT_TRUE(::CreateDirectoryW(RootDir().c_str(), nullptr));
      ASSERT_TRUE(::CreateDirectoryW(BackupDir().c_str(), nullptr));
    }
    const FileState before = StateOf(PlanPath());

    HalfWritingFileSystem counter;
    {
      test::ScopedFileSystem scoped(&counter);
      ASSERT_EQ(c.op(drive), kResultOk);
    }
    const FileState after = StateOf(PlanPath());
    ASSERT_FALSE(after == before);

    for (bool crash : {false, true}) {
      for (int n = 1; n <= counter.calls; ++n) {
        SCOPED_TRACE(testing::Message() << (crash ? "crash at call " : "failure of call ") << n);
        Restore(PlanPath(), before);
        HalfWritingFileSystem failing;
        failing.failAt = n;
        failing.crash = crash;
        BkupResult r;
        {
          test::ScopedFileSystem scoped(&failing);
          r = c.op(drive);
        }
        const FileState now = StateOf(PlanPath());
        EXPECT_TRUE(r == kResultOk ? now == after : now == before) << "result " << r;
      }
    }
  }
}

// ---- Delete ----------------------------------------------------------------------

Bytes SetHeaderBytes(const char* magic, uint16_t version, const wchar_t* planName,
                     uint32_t flags) {
  _BKUPFILE_HEADER h;
  std::memset(&h, 0, sizeof h);
  std::memcpy(h.Magic, magic, sizeof h.Magic);
  h.Version = version;
  std::wcscpy(h.PlanName, planName);
  h.Flags = flags;
  h.Sequence = 1;
  h.DataOffset = kSetHeaderSize;
  const auto* p = reinterpret_cast<const uint8_t*>(&h);
  Bytes file(p, p + sizeof h);
  file.resize(file.size() + 64, 0x5A);  // some data after the header
  return file;
}

constexpr const wchar_t* kAllLogNames[] = {
    L"storage-backup.log",  L"storage-restore.log",  L"backup-detail.log",
    L"restore-detail.log",  L"_storage-backup.log",  L"_storage-restore.log",
    L"_backup-detail.log",  L"_restore-detail.log",
};

TEST_F(PlanFileTest, DeleteRemovesOursAndKeepsFoldersHoldingOthersFiles) {
  struct Case {
    const char* what;
    const wchar_t* foreignFolder;  // where the user put a file of their own, or null
    bool logStays, backupStays, rootStays;
  } cases[] = {
      {"nothing foreign", nullptr, false, false, false},
      {"user file in Backup", L"Backup", false, true, true},
      {"user file in Log", L"Log", true, false, true},
      {"user file in the root folder", L"", false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::EmptyFolder(root.substr(0, 2));
    _BKUP_PLAN plan = MakePlan(L"mine");
    std::vector<wchar_t> list = FolderList({L"C:\\A"});
    ASSERT_EQ(SavePlanFile(drive, &plan, list.data(), static_cast<uint32_t>(list.size())),
              kResultOk);
    test::WriteFileBytes(TempPath(), {1, 2, 3});  // left by an interrupted save
    for (const wchar_t* name : kAllLogNames) test::WriteFileBytes(LogDir() + L"\\" + name, {'x'});
    const std::wstring set = BackupDir() + L"\\20261201200000000.bkup";
    test::WriteFileBytes(set, SetHeaderBytes(kSetMagic, 1, L"mine", kSetFlagComplete | 1));
    std::wstring foreign;
    if (c.foreignFolder) {
      foreign = RootDir() + (*c.foreignFolder ? std::wstring(L"\\") + c.foreignFolder : L"") +
                L"\\notes.txt";
      test::WriteFileBytes(foreign, {'n'});
    }

    EXPECT_EQ(DeletePlanAndData(drive), kResultOk);

    EXPECT_FALSE(test::PathExists(PlanPath()));
    EXPECT_FALSE(test::PathExists(TempPath()));
    EXPECT_FALSE(test::PathExists(set));
    for (const wchar_t* name : kAllLogNames) {
      EXPECT_FALSE(test::PathExists(LogDir() + L"\\" + name)) << name;
    }
    EXPECT_EQ(test::PathExists(LogDir()), c.logStays);
    EXPECT_EQ(test::PathExists(BackupDir()), c.backupStays);
    EXPECT_EQ(test::PathExists(RootDir()), c.rootStays);
    if (c.foreignFolder) {
      EXPECT_TRUE(test::PathExists(foreign));
    }
  }
}

// Every set of ours goes, of whatever plan, complete or not; a .bkup file that
// is not a set of ours stays.
TEST_F(PlanFileTest, DeleteTellsOurSetsFromForeignFiles) {
  Bytes shortSet = SetHeaderBytes(kSetMagic, 1, L"mine", 1);
  shortSet.resize(kSetHeaderSize - 1);
  struct Case {
    const wchar_t* name;
    Bytes bytes;
    bool deleted;
  } cases[] = {
      {L"1.bkup", SetHeaderBytes(kSetMagic, 1, L"mine", kSetFlagComplete | 1), true},
      {L"2.bkup", SetHeaderBytes(kSetMagic, 1, L"another plan", kSetFlagComplete | 1), true},
      {L"3.bkup", SetHeaderBytes(kSetMagic, 1, L"mine", 1), true},  // never completed
      {L"4.bkup", SetHeaderBytes(kSetMagic, 0, L"mine", 1), true},
      {L"5.bkup", SetHeaderBytes(kSetMagic, 2, L"mine", 1), false},  // newer than we know
      {L"6.bkup", SetHeaderBytes("CORVANEBKUP2018 ", 1, L"mine", 1), false},
      {L"7.bkup", shortSet, false},
      {L"8.bkup", Bytes(), false},
      {L"9.bkupx", SetHeaderBytes(kSetMagic, 1, L"mine", 1), false},  // not a set's name
  };
  Bytes newerPlan = PlanFileBytes(MakePlan(L"mine"), {0, 0});
  RecordIn(newerPlan)->Version = 2;  // still ours to delete
  test::WriteFileBytes(PlanPath(), newerPlan);
  for (const Case& c : cases) test::WriteFileBytes(BackupDir() + L"\\" + c.name, c.bytes);
  ASSERT_TRUE(::CreateDirectoryW((BackupDir() + L"\\folder.bkup").c_str(), nullptr));

  EXPECT_EQ(DeletePlanAndData(drive), kResultOk);

  EXPECT_FALSE(test::PathExists(PlanPath()));
  for (const Case& c : cases) {
    EXPECT_EQ(test::PathExists(BackupDir() + L"\\" + c.name), !c.deleted) << c.name;
  }
  EXPECT_TRUE(test::PathExists(BackupDir() + L"\\folder.bkup"));
}

// Refuses to delete the files whose name contains `stuck`.
class StuckFileSystem : public test::FailingFileSystem {
 public:
  explicit StuckFileSystem(std::wstring stuck) : stuck_(std::move(stuck)) {}
  BOOL DeleteFile(const wchar_t* p) override {
    if (std::wstring(p).find(stuck_) != std::wstring::npos) {
      ::SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    return FileSystemApi::DeleteFile(p);
  }

 private:
  std::wstring stuck_;
};

// A delete that cannot remove everything says so, and what it leaves can
// still be restored: the sets older than the one that stayed, and the plan.
TEST_F(PlanFileTest, PartlyFailedDeleteKeepsOlderSetsWithTheirPlan) {
  const wchar_t* sets[] = {L"20260101000000000", L"20260201000000000", L"20260301000000000"};
  struct Case {
    const wchar_t* stuck;
    bool setStays[3];
    bool planStays;
  } cases[] = {
      {L"20260201000000000", {true, true, false}, true},  // newest gone, the older stay
      {L"20260101000000000", {true, false, false}, true},
      {L"Backup.plan", {false, false, false}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(c.stuck)));
    _BKUP_PLAN plan = MakePlan(L"mine");
    std::vector<wchar_t> list = FolderList({L"C:\\A"});
    ASSERT_EQ(SavePlanFile(drive, &plan, list.data(), static_cast<uint32_t>(list.size())), kResultOk);
    for (const wchar_t* name : sets)
      test::WriteFileBytes(BackupDir() + L"\\" + name + L".bkup",
                           SetHeaderBytes(kSetMagic, 1, L"mine", kSetFlagComplete | 1));
    {
      StuckFileSystem stuck(c.stuck);
      test::ScopedFileSystem scoped(&stuck);
      EXPECT_EQ(DeletePlanAndData(drive), kResultWriteError);
    }
    for (size_t i = 0; i < 3; ++i)
      EXPECT_EQ(test::PathExists(BackupDir() + L"\\" + sets[i] + L".bkup"), c.setStays[i]) << i;
    EXPECT_EQ(test::PathExists(PlanPath()), c.planStays);
    EXPECT_EQ(DeletePlanAndData(drive), kResultOk);  // nothing stuck: all of it goes
    EXPECT_FALSE(test::PathExists(PlanPath()));
  }
}

TEST_F(PlanFileTest, DeleteOnAnEmptyVolume) {
  EXPECT_EQ(DeletePlanAndData(drive), kResultOk);
}

// ---- Volume check and exceptions -------------------------------------------------

// Runs each of the five operations once.
std::vector<std::pair<const char*, BkupResult>> RunAll(int d) {
  _BKUP_PLAN plan = MakePlan(L"p");
  std::vector<wchar_t> list = FolderList({L"C:\\A"});
  std::vector<wchar_t> out;
  return {
      {"save", SavePlanFile(d, &plan, list.data(), static_cast<uint32_t>(list.size()))},
      {"update", UpdatePlanFile(d, &plan)},
      {"check", CheckPlanFile(d, &plan)},
      {"load", LoadPlanFile(d, &plan, &out)},
      {"delete", DeletePlanAndData(d)},
  };
}

TEST_F(PlanFileTest, EveryOperationChecksTheVolumeFirst) {
  for (int d : {-1, 26}) {
    for (const auto& r : RunAll(d)) {
      EXPECT_EQ(r.second, kResultInvalid) << r.first << " " << d;
    }
  }
  EXPECT_FALSE(test::PathExists(RootDir()));
}

class ThrowingFileSystem : public FileSystemApi {
 public:
  HANDLE CreateFile(const wchar_t*, DWORD, DWORD, DWORD, DWORD) override {
    throw std::runtime_error("create");
  }
  BOOL DeleteFile(const wchar_t*) override { throw std::runtime_error("delete"); }
};

TEST_F(PlanFileTest, ExceptionsBecomeResult255) {
  ThrowingFileSystem throwing;
  test::ScopedFileSystem scoped(&throwing);
  for (const auto& r : RunAll(drive)) {
    EXPECT_EQ(r.second, kResultException) << r.first;
  }
}

}  // namespace
}  // namespace vk
