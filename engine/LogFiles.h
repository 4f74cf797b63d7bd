// The log files of backup and restore runs, on the target volume under
// X:\CorvaneVaultkeep\Log: per direction a summary log (a history, newest run
// first) and a detail log (the latest run, one line per file). A run writes
// "_" work files and renames them over the logs at its end, so a reader always
// sees the last complete logs. Logging never changes a run's result: every
// failure here is absorbed.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

#include "common/Texts.h"
#include "engine/BkupEngine.h"
#include "engine/BkupTypes.h"

namespace vk {

// The kind of a file line of the detail log, as the text it writes.
enum LogTextId : uint32_t {
  kLogSuccess = txt::kLogLineFileSuccess,
  kLogSkip = txt::kLogLineFileSkip,
  kLogOverwrite = txt::kLogLineFileOverwrite,
};

// Start of a run (only when context.logging is on), for the run's one
// direction, which the later calls take from context.log: creates the log folder,
// removes work files left by a run that never finished, creates both work
// files and writes the header block to each. When a work file cannot be
// created the run writes no logs and the existing logs stay as they are.
void OpenRunLogs(CBkupEngine& context, LogDirection direction, const std::wstring& logFolder,
                 const _BKUP_PLAN& plan);

// One line for a file the run wrote, replaced or skipped (kLogSuccess,
// kLogSkip or kLogOverwrite), in the detail log only.
void WriteLogFileLine(CBkupEngine& context, const wchar_t* path, LogTextId kind);

// End of a run, once everything else is released: the result block (from
// the context's folders handled, bytes stored, last path and unreadable
// files), the earlier history carried into the summary work file, and the
// work files renamed over the logs.
void CloseRunLogs(CBkupEngine& context, uint32_t result);

// The clock of the log lines; tests install a fixed one (nullptr restores
// the local time).
typedef void (*LogClock)(SYSTEMTIME* now);
void SetLogClock(LogClock clock);

}  // namespace vk
