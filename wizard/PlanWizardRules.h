// The plan wizard's decisions as plain functions: where each page's Next and
// Back lead, what the lists show and select, which schedule lists are
// visible, how a plan is put together for saving, the question sequences of
// Save, Backup Now and Delete, and the message that reports a backup's
// result. The pages only apply the results; the sequences ask their
// questions and do their work through small host interfaces, so every path
// runs in a test without windows or disks.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/BkupTypes.h"
#include "shell/ScheduleRules.h"
#include "shell/Settings.h"

namespace vk {

constexpr wchar_t kNtfsName[] = L"NTFS";
constexpr int kMaxPartitions = 26;  // drive indexes 0 (A:) .. 25 (Z:)

// Message window types (style values) the wizard opens.
constexpr uint32_t kTypeError = 16;
constexpr uint32_t kTypeInformation = 64;
constexpr uint32_t kTypeSuccess = 128;
constexpr uint32_t kTypeQuestion = 65;
constexpr uint32_t kTypeQuestionSecond = 321;
constexpr uint32_t kTypeWarningQuestion = 305;
constexpr uint32_t kTypeSuccessWithLog = 385;

// Answers of a message window.
constexpr INT_PTR kAnswerOk = 1;
constexpr INT_PTR kAnswerBack = 101;

// ---- Where a page leads ------------------------------------------------------

struct WizardStep {
  enum Kind { kStay, kStartPage, kPage } kind = kStay;
  int page = -1;
  bool comingBack = false;
  uint32_t errorText = 0;  // shown before staying (0: none)
};

// One partition of the selected disk.
struct PartitionEntry {
  int driveIndex = 0;
  std::wstring fileSystem;
  uint64_t totalBytes = 0;
};
// The file-system name is exactly "NTFS" (case counts).
bool IsNtfs(const PartitionEntry& entry);
size_t CountNtfs(const std::vector<PartitionEntry>& entries);

// Page 1's Next. With exactly one NTFS partition `*chosen` is its drive.
WizardStep NextOfPlanStart(const std::vector<PartitionEntry>& entries, int* chosen);

// Page 2: "(E:) 12.34 GB (NTFS)", the list's default and locking.
std::wstring PartitionLine(const PartitionEntry& entry);
struct PartitionListState {
  int selected = -1;  // entry index, -1 for an empty list
  bool listEnabled = false;
  bool nextEnabled = false;
};
// The largest NTFS partition (the first wins a tie; entry 0 without NTFS);
// a plan's own partition is selected and locked.
PartitionListState PartitionListOf(const std::vector<PartitionEntry>& entries, int32_t planDrive);
// Page 2's Next on entry `selected`; `*chosen` is its drive when it goes on.
WizardStep NextOfPartition(const std::vector<PartitionEntry>& entries, int selected, int* chosen);

// Page 3's Back: a new plan on a disk with several NTFS partitions returns
// to page 2, everything else to the start page.
WizardStep BackOfFolders(int32_t planDrive, size_t ntfsCount);

// ---- Page 4: the schedule lists ----------------------------------------------

enum FrequencyEntry : int { kEntryMonthly = 0, kEntryWeekly, kEntryDaily, kEntryHourly };
constexpr int kFrequencyEntries = 4;
constexpr int kDayEntries = 32;  // 1st .. 31st, Last day
constexpr int kWeekdayEntries = 7;
constexpr int kHourEntries = 24;

struct ScheduleVisibility {
  bool dayLabel = false, dayOfMonth = false, weekday = false, time = false;
};
ScheduleVisibility VisibilityOf(int frequencyEntry);

// The selections of the four lists.
struct ScheduleChoice {
  int frequency = 0, day = 0, weekday = 0, hour = 0;
};
// From a plan record (read from a disk: a value outside its list gives entry 0).
ScheduleChoice ChoiceOfPlan(const _BKUP_PLAN& plan);
// The five fields from the visible lists only; the others and Minute are 0.
ScheduleFields FieldsOfChoice(const ScheduleChoice& choice);

// ---- Page 5: the plan that is saved -----------------------------------------

// The free-space warning: (total / 100) x 5 >= free.
bool FreeSpaceLow(uint64_t totalBytes, uint64_t freeBytes);

// Double-zero-terminated list of the folders; empty for none.
std::wstring FolderListOf(const std::vector<std::wstring>& folders);
// The folders of a list of `chars` characters; reading stops at the double
// zero or the end, whichever comes first.
std::vector<std::wstring> FoldersOfList(const wchar_t* list, size_t chars);

struct SaveInputs {
  std::wstring keptName;  // the plan's current name, empty for a new plan
  uint32_t pcId = 0;
  std::wstring user;
  ScheduleFields schedule = {};
  std::vector<std::wstring> folders;
  SYSTEMTIME now = {};
};
// The record as it is saved: cleared (LastRun too), owner, name (the kept one
// up to 31 characters, or the time "YYYYMMDDhhmmss"), schedule (an hourly
// plan takes the hour and minute of `now`) and NextRun.
_BKUP_PLAN PlanForSave(const SaveInputs& in);

// The summary of pages 5 and 6: "Schedule:\t<text>\r\nFolder:\t<path>\r\n\t<path>\r\n".
std::wstring PlanSummary(const std::wstring& scheduleText, const std::vector<std::wstring>& folders);

// ---- The question sequences --------------------------------------------------

// What the sequences ask of the page.
class WizardHost {
 public:
  virtual ~WizardHost() = default;
  // A message window; the answer (kAnswerOk, ...). `back`: Back in place of
  // Cancel; `checkText`: a box to tick before OK is enabled (0: none).
  virtual INT_PTR Ask(uint32_t textId, uint32_t type, bool back = false, uint32_t checkText = 0) = 0;
  // The chosen partition is still the one the wizard was started on.
  virtual bool TargetPresent() = 0;
  // The partition's space is below the warning line (false when unknown).
  virtual bool SpaceLow() = 0;
  // Builds and writes the plan; true on success.
  virtual bool SavePlan() = 0;
  // Deletes the plan with its data; true when nothing of it is left.
  virtual bool DeletePlan() = 0;
  virtual void ClearReminder() = 0;
};

enum class WizardOutcome { kStay, kStartPage, kBackupPage };

// Page 5's Save: 1180, save (1226 on failure), 1183, 1184 with Back, 1189,
// the free-space check. A partition that is gone is reported (1229) and
// nothing is written.
WizardOutcome RunSaveSequence(WizardHost& host);
// Page 6's Backup Now: 1189, the free-space check.
WizardOutcome RunBackupNowSequence(WizardHost& host);
// Page 6's Delete: 1187 with the box; 1195 when everything went, 1233 when
// something stayed behind.
WizardOutcome RunDeleteSequence(WizardHost& host);

// ---- Pages 0, 6 and 7 --------------------------------------------------------

// Page 0's reminder: shown when the settings hold a schedule; missed when
// its time (seconds 0) is not later than `now`.
struct ReminderView {
  bool shown = false;
  bool missed = false;
};
ReminderView ReminderOf(const _SCHEDULE_SETTINGS& settings, const SYSTEMTIME& now);

// The plan was made on this PC by this user (names compared ignoring the
// case of ASCII letters, never read past their field).
bool PlanOwnedBy(const _BKUP_PLAN& plan, uint32_t pcId, const std::wstring& user);
struct PlanViewState {
  uint32_t titleText = 0;
  bool editEnabled = false, backupEnabled = false, deleteEnabled = true;
};
PlanViewState PlanViewOf(bool own);

// How a backup's end is reported on page 7.
struct ResultReport {
  uint32_t textId = 0;
  uint32_t type = kTypeError;
  bool withCount = false;  // the text takes the unreadable count
  bool withLog = false;    // a Log button, enabled when the detail log exists
  bool fullBar = false;    // bar and percentage at 100 first
};
ResultReport ReportOfResult(uint32_t result, uint32_t unreadable);

}  // namespace vk
