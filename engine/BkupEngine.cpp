#include "engine/BkupEngine.h"

#include <cstdarg>

#include "common/Texts.h"

namespace vk {

void CBkupEngine::Reset() {
  text.clear();
  backupFolder = nullptr;
  indexWriter.Detach();
  indexWriter.buffer = nullptr;
  indexWriter.bufferSize = 0;
  previousIndex.Detach();
  previousIndex.buffer = nullptr;
  previousIndex.bufferSize = 0;
  writePosition = 0;
  folderEntries = fileEntries = 0;
  openSets.clear();
  sequence = 0;
  readBuffer = compressBuffer = nullptr;
  readCapacity = compressCapacity = 0;
  compressor = nullptr;
  conflictCount = 0;
  bytesDone = bytesTotal = 0;
  backupSummaryLog.Close();
  restoreSummaryLog.Close();
  backupDetailLog.Close();
  restoreDetailLog.Close();
  logFolder.clear();
  backupDetailStarted = restoreDetailStarted = false;
  foldersHandled = 0;
  bytesStored = 0;
  lastPath.clear();
  unreadableFiles.clear();
  unreadableCount = 0;
}

uint32_t ProgressPercent(uint64_t done, uint64_t total) {
  if (total == 0) return 0;
  if (done > total) done = total;
  // done <= total, so done * 100 overflows only past 2^64 / 100 bytes; divide
  // first in that case rather than wrap.
  uint64_t percent = done <= UINT64_MAX / 100 ? done * 100 / total : done / (total / 100);
  return percent > kMaxReportedPercent ? kMaxReportedPercent : static_cast<uint32_t>(percent);
}

int ReportProgress(CBkupEngine& context, uint32_t phase, const wchar_t* path) {
  if (context.callback == nullptr) return 0;
  uint32_t percent = ProgressPercent(context.bytesDone, context.bytesTotal);
  return context.callback(phase, path, percent, context.userData) != 0 ? 1 : 0;
}

const std::wstring& LoadJobText(CBkupEngine& context, uint32_t textId, ...) {
  va_list args;
  va_start(args, textId);
  context.text = LoadTextV(textId, context.language, args);
  va_end(args);
  return context.text;
}

}  // namespace vk
