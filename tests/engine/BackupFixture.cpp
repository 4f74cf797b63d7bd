#include "tests/engine/BackupFixture.h"

#include <cstring>

#include "engine/EngineUtil.h"
#include "engine/BackupRun.h"
#include "engine/TargetVolume.h"

namespace vk::test {
namespace {

int g_runCounter = 0;

// Every run creates its temporary index under the same name, exclusively; test
// executables run side by side, so each takes a temporary folder of its own
// (child processes such as the tool inherit it).
void UsePrivateTempFolder(int drive) {
  static const std::wstring base = [] {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD n = ::GetTempPathW(MAX_PATH + 1, buffer);
    return std::wstring(buffer, n <= MAX_PATH ? n : 0);
  }();
  std::wstring mine = base + L"vaultkeep-" + static_cast<wchar_t>(L'A' + drive);
  ::CreateDirectoryW(mine.c_str(), nullptr);
  ::SetEnvironmentVariableW(L"TMP", mine.c_str());
  ::SetEnvironmentVariableW(L"TEMP", mine.c_str());
}

}  // namespace

_BKUP_PLAN MakePlan(const wchar_t* name) {
  _BKUP_PLAN p;
  std::memset(&p, 0, sizeof p);
  std::memcpy(p.Magic, kPlanMagic, sizeof p.Magic);
  p.Version = kPlanVersion;
  p.OwnerPcId = 0x0A1B2C3D;
  wcsncpy(p.OwnerUser, L"alice", kMaxTextChars);
  wcsncpy(p.PlanName, name, kPlanNameChars - 1);
  return p;
}

void WritePlanFile(int drive, const _BKUP_PLAN& plan, const std::wstring& folderList) {
  _BKUP_PLAN stored = plan;
  stored.FolderListOffset = kPlanRecordSize;
  stored.FolderListSize = static_cast<uint32_t>(folderList.size() * sizeof(wchar_t));
  std::vector<uint8_t> bytes(kPlanRecordSize + stored.FolderListSize);
  std::memcpy(bytes.data(), &stored, kPlanRecordSize);
  std::memcpy(bytes.data() + kPlanRecordSize, folderList.data(), stored.FolderListSize);
  WriteFileBytes(PlanFilePath(drive), bytes);
}

std::wstring FolderList(const std::vector<std::wstring>& folders) {
  return ZeroEndedList(folders);
}

std::vector<uint8_t> TextBytes(size_t n, unsigned seed) {
  static const char kWords[] = "backup restore archive index block folder file ";
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = kWords[(i * 7 + seed + i / 97) % (sizeof kWords - 1)];
  return v;
}

std::vector<uint8_t> NoiseBytes(size_t n, unsigned seed) {
  std::vector<uint8_t> v(n);
  uint32_t x = 2463534242u ^ seed;
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    v[i] = static_cast<uint8_t>(x);
  }
  return v;
}

std::vector<std::wstring> ReadLogLines(const std::wstring& path) {
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  std::vector<std::wstring> lines;
  if (bytes.size() < 2) return lines;
  std::wstring text((bytes.size() - 2) / 2, L'\0');
  std::memcpy(&text[0], bytes.data() + 2, text.size() * 2);
  size_t from = 0;
  for (;;) {
    size_t end = text.find(L"\r\n", from);
    if (end == std::wstring::npos) {
      if (from < text.size()) lines.push_back(text.substr(from) + L"<no CR LF>");
      break;
    }
    lines.push_back(text.substr(from, end - from));
    from = end + 2;
  }
  return lines;
}

void BackupTest::SetUp() {
  VolumeTest::SetUp();
  UsePrivateTempFolder(drive);
  plan = MakePlan(L"20260101120000");
  backupFolder = BackupFolderPath(drive);
  logFolder = LogFolderPath(drive);
  WritePlanFile(drive, plan, FolderList({Src()}));
  maxPercent = 0;
}

void BackupTest::TearDown() {}

std::wstring BackupTest::Src(const std::wstring& relative) const {
  return relative.empty() ? root + L"src" : root + L"src\\" + relative;
}

void BackupTest::Write(const std::wstring& relative, const std::vector<uint8_t>& bytes) {
  WriteFileBytes(Src(relative), bytes);
}

SYSTEMTIME BackupTest::NextStart() {
  FILETIME base;
  SYSTEMTIME t = {2026, 1, 4, 1, 8, 0, 0, 0};
  ::SystemTimeToFileTime(&t, &base);
  ULARGE_INTEGER v;
  v.LowPart = base.dwLowDateTime;
  v.HighPart = base.dwHighDateTime;
  v.QuadPart += uint64_t(g_runCounter) * 10000000ull * 61 + 10000ull * 7;  // 61 s + 7 ms apart
  base.dwLowDateTime = v.LowPart;
  base.dwHighDateTime = v.HighPart;
  ::FileTimeToSystemTime(&base, &t);
  return t;
}

uint32_t BackupTest::Run(const std::wstring& folderList, const wchar_t* exclusions) {
  SYSTEMTIME start = NextStart();
  ++g_runCounter;
  struct Thunk {
    static int __stdcall Call(uint32_t phase, const wchar_t* path, uint32_t percent, void* user) {
      BackupTest* t = static_cast<BackupTest*>(user);
      if (percent > t->maxPercent) t->maxPercent = percent;
      return t->onProgress ? t->onProgress(phase, path, percent) : 0;
    }
  };
  unreadable = 0xDEAD;
  return BackupJob(exclusions, &Thunk::Call, this, drive, &plan, folderList.c_str(), &unreadable,
                   start);
}

void BackupTest::ExpectFilesMatchSource(const SetFolder& folder, const ReadSet& set,
                                        uint32_t withoutData) {
  uint32_t noData = 0;
  for (const ReadEntry& e : set.entries) {
    if (e.IsFolder()) continue;
    if (e.dataOffset == 0) {
      ++noData;
      continue;
    }
    std::vector<uint8_t> decoded;
    std::string error;
    ASSERT_TRUE(DecodeFile(folder, e, &decoded, &error)) << Narrow(e.path) << ": " << error;
    EXPECT_TRUE(decoded == ReadFileBytes(e.path)) << "content differs: " << Narrow(e.path);
    EXPECT_EQ(decoded.size(), e.size) << Narrow(e.path);
  }
  // A file stored without data is one the run could not read; any other
  // would silently be missing from the backup.
  EXPECT_EQ(noData, withoutData) << "file entries without data";
}

}  // namespace vk::test
