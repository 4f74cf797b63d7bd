// Shared set-up of the tests that run backups on the scratch volume: a plan
// stored on the volume, a source tree under X:\src, runs with distinct start
// times, and checks through the independent set reader.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/BkupTypes.h"
#include "engine/FileSystem.h"
#include "tests/engine/SetReader.h"
#include "tests/support/ScopedFileSystem.h"
#include "tests/support/TestVolume.h"

namespace vk::test {

_BKUP_PLAN MakePlan(const wchar_t* name);
// Writes Backup.plan as the plan file holds it: record, then folder list.
void WritePlanFile(int drive, const _BKUP_PLAN& plan, const std::wstring& folderList);
// Double-zero-terminated list of the given strings.
std::wstring FolderList(const std::vector<std::wstring>& folders);
// Bytes that compress well / hardly at all.
std::vector<uint8_t> TextBytes(size_t n, unsigned seed = 1);
std::vector<uint8_t> NoiseBytes(size_t n, unsigned seed = 1);
// Full path list of a text file's UTF-16 lines (BOM stripped, CR LF split).
std::vector<std::wstring> ReadLogLines(const std::wstring& path);

class BackupTest : public VolumeTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs BackupJob with the plan stored on the volume and a start time later
  // than any earlier run of this process.
  uint32_t Run(const std::wstring& folderList, const wchar_t* exclusions = nullptr);
  // The start time the next Run uses.
  SYSTEMTIME NextStart();

  void Write(const std::wstring& relative, const std::vector<uint8_t>& bytes);
  std::wstring Src(const std::wstring& relative = L"") const;
  SetFolder Sets() const { return LoadSetFolder(backupFolder); }
  // Decodes every file entry that has data and compares it with the source;
  // exactly `withoutData` file entries (the unreadable files) may lack data.
  void ExpectFilesMatchSource(const SetFolder& folder, const ReadSet& set,
                              uint32_t withoutData = 0);

  _BKUP_PLAN plan;
  std::wstring backupFolder, logFolder;
  uint32_t unreadable = 0;
  std::function<int(uint32_t phase, const wchar_t* path, uint32_t percent)> onProgress;
  uint32_t maxPercent = 0;
};

}  // namespace vk::test
