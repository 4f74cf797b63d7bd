#include "engine/LogFiles.h"

#include <cstring>

#include "common/Handle.h"
#include "engine/EngineUtil.h"
#include "engine/FileSystem.h"
#include "common/Texts.h"

namespace vk {
namespace {

constexpr wchar_t kTimePrefixPattern[] = L"%02d:%02d:%02d ";
constexpr wchar_t kDatePattern[] = L"%02d/%02d/%04d";
constexpr wchar_t kPcIdPattern[] = L"%08X";
constexpr wchar_t kQuotedPattern[] = L"\"%s\"";
constexpr wchar_t kIndent[] = L"         ";  // nine blanks
constexpr unsigned char kBomBytes[] = {0xFF, 0xFE};
constexpr uint32_t kHeaderSeparatorLines = 2;

LogClock g_clock = nullptr;

SYSTEMTIME Now() {
  SYSTEMTIME t;
  if (g_clock != nullptr)
    g_clock(&t);
  else
    ::GetLocalTime(&t);
  return t;
}

struct LogNames {
  std::wstring summary, summaryWork, detail, detailWork;
};

LogNames NamesFor(LogDirection direction, const std::wstring& folder) {
  bool backup = direction == LogDirection::kBackup;
  std::wstring f = folder + L"\\";
  return {f + (backup ? kBackupSummaryLog : kRestoreSummaryLog),
          f + (backup ? kBackupSummaryWork : kRestoreSummaryWork),
          f + (backup ? kBackupDetailLog : kRestoreDetailLog),
          f + (backup ? kBackupDetailWork : kRestoreDetailWork)};
}

std::wstring TimePrefix(const SYSTEMTIME& t) {
  return FormatText(kTimePrefixPattern, t.wHour, t.wMinute, t.wSecond);
}
std::wstring DateText(const SYSTEMTIME& t) {
  return FormatText(kDatePattern, t.wDay, t.wMonth, t.wYear);
}
std::wstring Quoted(const wchar_t* path) { return FormatText(kQuotedPattern, path); }

// Summary first, then detail. Each writer goes on by itself: a detail log
// that failed must not cost the summary its lines, or the summary would
// replace the history with a block that lacks them.
void WriteBoth(CBkupEngine& c, const std::wstring& line) {
  c.log.summary.WriteLine(line);
  c.log.detail.WriteLine(line);
}

void WriteHeader(CBkupEngine& c, const _BKUP_PLAN& plan) {
  const SYSTEMTIME t = Now();
  const std::wstring prefix = TimePrefix(t);
  std::wstring separator = LoadJobText(c, txt::kLogLineSeparator);
  for (uint32_t i = 0; i < kHeaderSeparatorLines; ++i) WriteBoth(c, separator);
  std::wstring user(plan.OwnerUser, BoundedLength(plan.OwnerUser, kMaxTextChars));
  std::wstring name(plan.PlanName, BoundedLength(plan.PlanName, kPlanNameChars - 1));
  uint32_t startId =
      c.log.direction == LogDirection::kBackup ? txt::kLogLineBackupStart : txt::kLogLineRestoreStart;
  const std::wstring lines[] = {
      prefix + LoadJobText(c, txt::kLogLineProduct),
      prefix + LoadJobText(c, txt::kLogLineDisk, FormatText(kPcIdPattern, plan.OwnerPcId).c_str()),
      prefix + LoadJobText(c, txt::kLogLineUser, user.c_str()),
      prefix + LoadJobText(c, txt::kLogLinePlan, name.c_str()),
      prefix + LoadJobText(c, startId, DateText(t).c_str()),
  };
  for (const std::wstring& line : lines) WriteBoth(c, line);
}

void WriteFooter(CBkupEngine& c, uint32_t result) {
  const RunCounters& counters = c.counters;
  if (c.log.detailStarted) c.log.detail.WriteLine(LoadJobText(c, txt::kLogLineFrame));
  std::wstring size = FormatSize(counters.bytesStored, c.language);
  int folders = static_cast<int>(counters.foldersHandled);
  std::wstring line;
  if (result == kResultOk)
    line = LoadJobText(c, txt::kLogLineResultSuccess, folders, size.c_str());
  else if (result == kResultStopped)
    line = LoadJobText(c, txt::kLogLineResultStopped, folders, size.c_str());
  else
    line = LoadJobText(c, txt::kLogLineResultFailure, folders, size.c_str(), static_cast<int>(result));
  WriteBoth(c, kIndent + line);
  if (result != kResultOk && result != kResultStopped)
    WriteBoth(c, kIndent + Quoted(counters.lastPath.c_str()));
  if (!counters.unreadableFiles.empty()) {
    WriteBoth(c, kIndent + LoadJobText(c, txt::kLogLineAccessDenied));
    for (const std::wstring& path : counters.unreadableFiles)
      WriteBoth(c, kIndent + Quoted(path.c_str()));
  }
  const SYSTEMTIME t = Now();
  WriteBoth(c, TimePrefix(t) + LoadJobText(c, txt::kLogLineFinished, DateText(t).c_str()));
}

// Copies the old summary log's text (without its byte-order mark) after the
// new run block. False when it could not be copied whole.
bool CarryHistory(CTextFile& summary, const std::wstring& oldSummary) {
  EngineFile old(FileSystem().CreateFile(oldSummary.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  if (!old) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  PageBuffer piece;
  if (!piece.Allocate(kCopyPieceSize)) return false;
  bool first = true;
  unsigned char carry = 0;  // an odd byte left from the previous piece
  bool haveCarry = false;
  for (;;) {
    DWORD got = 0;
    unsigned char* data = piece.Data();
    DWORD room = kCopyPieceSize - 1;
    if (haveCarry) data[0] = carry;
    if (!FileSystem().ReadFile(old.Get(), data + (haveCarry ? 1 : 0), room, &got)) return false;
    if (got == 0) return true;
    DWORD bytes = got + (haveCarry ? 1 : 0);
    DWORD from = 0;
    if (first && bytes >= 2 && std::memcmp(data, kBomBytes, 2) == 0) from = 2;
    first = false;
    haveCarry = ((bytes - from) % 2) != 0;
    if (haveCarry) carry = data[bytes - 1];
    DWORD chars = (bytes - from) / 2;
    std::wstring text(chars, L'\0');
    std::memcpy(&text[0], data + from, chars * sizeof(wchar_t));
    if (!summary.WriteRaw(text.data(), text.size())) return false;
  }
}

// Puts a work file in place of its log, or drops it when it is not whole.
void Rotate(const std::wstring& work, const std::wstring& log, bool keepWork) {
  if (!keepWork) {
    FileSystem().DeleteFile(work.c_str());
    return;
  }
  // Replacing in one step keeps the old log until the new one is in place.
  FileSystem().MoveFileEx(work.c_str(), log.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

}  // namespace

void SetLogClock(LogClock clock) { g_clock = clock; }

void OpenRunLogs(CBkupEngine& c, LogDirection d, const std::wstring& logFolder,
                 const _BKUP_PLAN& plan) {
  if (!c.logging) return;
  try {
    c.log = {};
    c.log.direction = d;
    c.log.folder = logFolder;
    LogNames names = NamesFor(d, logFolder);
    CreateFolderPath(logFolder);
    FileSystem().DeleteFile(names.summaryWork.c_str());
    FileSystem().DeleteFile(names.detailWork.c_str());
    CTextFile& summary = c.log.summary;
    CTextFile& detail = c.log.detail;
    if (!summary.Create(names.summaryWork) || !detail.Create(names.detailWork)) {
      // Without both work files the run keeps the existing logs untouched.
      summary.Close();
      detail.Close();
      FileSystem().DeleteFile(names.summaryWork.c_str());
      FileSystem().DeleteFile(names.detailWork.c_str());
      return;
    }
    WriteHeader(c, plan);
  } catch (...) {
  }
}

void WriteLogFileLine(CBkupEngine& c, const wchar_t* path, LogTextId kind) {
  if (!c.logging) return;
  try {
    CTextFile& detail = c.log.detail;
    if (!detail.IsOpen()) return;
    bool& started = c.log.detailStarted;
    if (!started) {
      detail.WriteLine(LoadJobText(c, txt::kLogLineFrame));
      started = true;
    }
    detail.WriteLine(LoadJobText(c, kind, Quoted(path).c_str()));
  } catch (...) {
  }
}

void CloseRunLogs(CBkupEngine& c, uint32_t result) {
  if (!c.logging) return;
  CTextFile& summary = c.log.summary;
  CTextFile& detail = c.log.detail;
  try {
    if (!summary.IsOpen() || !detail.IsOpen()) return;
    LogNames names = NamesFor(c.log.direction, c.log.folder);
    WriteFooter(c, result);
    bool history = !summary.Failed() && CarryHistory(summary, names.summary);
    bool summaryWhole = summary.Close() && history;
    detail.Close();
    // A summary work file that lost lines or history would shorten the
    // history if it replaced the log: the old log stays instead.
    Rotate(names.summaryWork, names.summary, summaryWhole);
    Rotate(names.detailWork, names.detail, true);
  } catch (...) {
  }
  summary.Close();
  detail.Close();
}

}  // namespace vk
