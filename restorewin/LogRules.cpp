#include "restorewin/LogRules.h"

#include "engine/BkupTypes.h"

namespace vk {
namespace {
constexpr uint8_t kBomFirst = 0xFF, kBomSecond = 0xFE;
constexpr size_t kUnitBytes = 2;
}  // namespace

const wchar_t* LogFileNameOf(LogMode mode) {
  switch (mode) {
    case LogMode::kRestoreSummary: return kRestoreSummaryLog;
    case LogMode::kBackupDetail: return kBackupDetailLog;
    case LogMode::kRestoreDetail: return kRestoreDetailLog;
    case LogMode::kBackupSummary:
    default: return kBackupSummaryLog;
  }
}

bool RestoreDetailIsNewer(uint64_t backupDetailWritten, uint64_t restoreDetailWritten) {
  return restoreDetailWritten > backupDetailWritten;
}

LogMode ModeOfTab(LogTab tab, bool restoreDetailNewer) {
  switch (tab) {
    case LogTab::kRestore: return LogMode::kRestoreSummary;
    case LogTab::kDetail: return restoreDetailNewer ? LogMode::kRestoreDetail : LogMode::kBackupDetail;
    case LogTab::kBackup:
    default: return LogMode::kBackupSummary;
  }
}

LogButtons LogButtonsOf(LogTab selected, bool shownFileExists) {
  LogButtons b;
  for (int i = 0; i < kLogTabCount; ++i) b.tabs[i] = i != static_cast<int>(selected);
  b.fileView = shownFileExists;
  return b;
}

std::wstring LogTextOf(const std::vector<uint8_t>& bytes) {
  size_t from = 0;
  if (bytes.size() >= kUnitBytes && bytes[0] == kBomFirst && bytes[1] == kBomSecond) from = kUnitBytes;
  std::wstring text;
  text.reserve((bytes.size() - from) / kUnitBytes);
  for (size_t i = from; i + 1 < bytes.size(); i += kUnitBytes)
    text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
  return text;
}

}  // namespace vk
