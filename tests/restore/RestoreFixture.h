// Restore tests: backups made on the scratch volume with the backup fixture,
// restores driven through the engine's entry points, trees compared file by
// file (bytes, last-write time, attributes).
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/BkupTypes.h"
#include "restore/RestoreRun.h"
#include "tests/engine/BackupFixture.h"

namespace vk::test {

struct TreeFile {
  std::vector<uint8_t> bytes;
  uint64_t lastWrite = 0;
  DWORD attributes = 0;
  bool folder = false;
};
// Every file and folder below `folder`, by path relative to it.
using Tree = std::map<std::wstring, TreeFile>;
Tree Snapshot(const std::wstring& folder);

// Attributes a restore puts back and a comparison looks at.
constexpr DWORD kComparedAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Compares two trees: same paths, and for files the same bytes, times and
// attributes. Returns "" or the first difference.
std::string CompareTrees(const Tree& want, const Tree& got);

class RestoreTest : public BackupTest {
 protected:
  // Restores `selection` under `location` (nullptr: original place) from the
  // newest set up to `limit` (nullptr: newest).
  uint32_t Restore(const std::vector<std::wstring>& selection, const wchar_t* location,
                   const SYSTEMTIME* limit = nullptr);
  // The run itself with logging off, as the job runs it otherwise.
  uint32_t RestoreWithoutLogs(const std::vector<std::wstring>& selection, const wchar_t* location);
  uint32_t Measure(const std::vector<std::wstring>& selection, uint64_t* size,
                   const SYSTEMTIME* limit = nullptr);
  std::vector<_BKUPFILE_HEADER> ListSets(uint32_t* result = nullptr);

  // Answers the overwrite question; the default replaces.
  std::function<int32_t(const _OVERWRITE_QUERY&)> onQuestion;
  // Sees every restore progress call; non-zero stops.
  std::function<int(const wchar_t* path)> onRestoreProgress;
  std::vector<int32_t> remainingSeen;
  uint32_t restoreUnreadable = 0;
};

}  // namespace vk::test
