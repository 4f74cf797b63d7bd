#include "engine/BkupEngine.h"

#include <cstdarg>

#include "common/Texts.h"

namespace vk {

void CBkupEngine::ResetRun() {
  text.clear();
  exclusionList = nullptr;
  compressor = nullptr;
  progress = {};
  buffers = {};
  index = {};
  counters = {};
  log = {};
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
  const JobProgress& p = context.progress;
  if (p.callback == nullptr) return 0;
  return p.callback(phase, path, ProgressPercent(p.done, p.total), p.userData) != 0 ? 1 : 0;
}

const std::wstring& LoadJobText(CBkupEngine& context, uint32_t textId, ...) {
  va_list args;
  va_start(args, textId);
  context.text = LoadTextV(textId, context.language, args);
  va_end(args);
  return context.text;
}

}  // namespace vk
