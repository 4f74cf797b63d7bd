// The decisions of the log page, apart from the window: which file each view
// shows, which detail log the detail tab offers, which buttons can be
// pressed, and how a log file's bytes become the text shown.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vk {

// The page's views: the two summary logs and the two detail logs.
enum class LogMode : int {
  kBackupSummary = 0,
  kRestoreSummary = 1,
  kBackupDetail = 10,
  kRestoreDetail = 11,
};

// The tab buttons, left to right.
enum class LogTab : int { kBackup = 0, kRestore = 1, kDetail = 2 };
constexpr int kLogTabCount = 3;

// The log file name of `mode` in the drive's log folder.
const wchar_t* LogFileNameOf(LogMode mode);

// The detail tab shows the restore detail log only when it was written
// strictly later than the backup detail log; a missing file counts as time 0
// (the last-write times as 100 ns counts).
bool RestoreDetailIsNewer(uint64_t backupDetailWritten, uint64_t restoreDetailWritten);

// The view a tab opens.
LogMode ModeOfTab(LogTab tab, bool restoreDetailNewer);

// A tab can be pressed exactly when it is not the selected one; File View
// exactly when the shown path names an existing file.
struct LogButtons {
  bool tabs[kLogTabCount] = {};
  bool fileView = false;
};
LogButtons LogButtonsOf(LogTab selected, bool shownFileExists);

// The largest log the page reads; a longer one is left unshown (the logs
// are written whole in memory, so anything near this is damaged).
constexpr uint64_t kMaxShownLogBytes = 0xFFFFFFFFull;

// A log file's bytes as the text box shows them: UTF-16 little-endian with
// the byte-order mark left out; an odd last byte is dropped.
std::wstring LogTextOf(const std::vector<uint8_t>& bytes);

}  // namespace vk
