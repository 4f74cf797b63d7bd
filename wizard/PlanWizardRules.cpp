#include "wizard/PlanWizardRules.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "common/Texts.h"
#include "engine/EngineUtil.h"
#include "shell/AppTexts.h"
#include "shell/MainWindowRules.h"

namespace vk {
namespace {

constexpr uint64_t kPercentBase = 100;
constexpr uint64_t kLowSpacePercent = 5;
constexpr size_t kMaxPlanNameChars = 31;  // the field has room for more; names keep to 31
constexpr size_t kPlanNameBufferChars = 32;

WizardStep Stay(uint32_t errorText) {
  WizardStep s;
  s.errorText = errorText;
  return s;
}

WizardStep StartPage() {
  WizardStep s;
  s.kind = WizardStep::kStartPage;
  return s;
}

WizardStep ToPage(int page, bool comingBack) {
  WizardStep s;
  s.kind = WizardStep::kPage;
  s.page = page;
  s.comingBack = comingBack;
  return s;
}

// A list selection from a stored field counted from 1; anything outside
// the list (a damaged or foreign plan) gives the first entry.
int EntryOfField(uint32_t field, int entries) {
  if (field == 0 || field > static_cast<uint32_t>(entries)) return 0;
  return static_cast<int>(field) - 1;
}

bool AsciiSameNoCase(wchar_t a, wchar_t b) {
  auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; };
  return lower(a) == lower(b);
}

// The free-space question, asked only when the space is low.
bool SpaceAccepted(WizardHost& host) {
  if (!host.SpaceLow()) return true;
  return host.Ask(txt::kMsgBackupLowSpace, kTypeWarningQuestion) == kAnswerOk;
}

// Steps 3 and 4 of Save: whether the user wants the backup now.
bool WantsBackupNow(WizardHost& host) {
  if (host.Ask(txt::kMsgPlanSavedStartNow, kTypeQuestion) == kAnswerOk) return true;
  if (host.Ask(txt::kMsgFirstBackupTakesLong, kTypeQuestionSecond, true) != kAnswerBack) return false;
  return host.Ask(txt::kMsgStartBackup, kTypeQuestionSecond) == kAnswerOk;
}

}  // namespace

bool IsNtfs(const PartitionEntry& entry) { return entry.fileSystem == kNtfsName; }

size_t CountNtfs(const std::vector<PartitionEntry>& entries) {
  size_t n = 0;
  for (const PartitionEntry& e : entries) n += IsNtfs(e) ? 1 : 0;
  return n;
}

WizardStep NextOfPlanStart(const std::vector<PartitionEntry>& entries, int* chosen) {
  const size_t ntfs = CountNtfs(entries);
  if (ntfs == 0) return Stay(txt::kMsgDeviceNotAllowed);
  if (ntfs > 1) return ToPage(kPagePartition, false);
  for (const PartitionEntry& e : entries)
    if (IsNtfs(e) && chosen) *chosen = e.driveIndex;
  return ToPage(kPageFolders, false);
}

std::wstring PartitionLine(const PartitionEntry& entry) {
  wchar_t line[kMaxTextChars * 2];
  const wchar_t letter = static_cast<wchar_t>(L'A' + entry.driveIndex);
  std::swprintf(line, sizeof(line) / sizeof(line[0]), L"(%lc:) %ls (%ls)", letter,
                FormatSize(entry.totalBytes).c_str(), entry.fileSystem.c_str());
  return line;
}

PartitionListState PartitionListOf(const std::vector<PartitionEntry>& entries, int32_t planDrive) {
  PartitionListState s;
  if (entries.empty()) return s;
  s.selected = 0;
  bool found = false;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!IsNtfs(entries[i])) continue;
    if (!found || entries[i].totalBytes > entries[static_cast<size_t>(s.selected)].totalBytes)
      s.selected = static_cast<int>(i);
    found = true;
  }
  s.listEnabled = true;
  s.nextEnabled = true;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].driveIndex != planDrive) continue;
    s.selected = static_cast<int>(i);
    s.listEnabled = false;
  }
  return s;
}

WizardStep NextOfPartition(const std::vector<PartitionEntry>& entries, int selected, int* chosen) {
  if (selected < 0 || static_cast<size_t>(selected) >= entries.size()) return Stay(0);
  const PartitionEntry& e = entries[static_cast<size_t>(selected)];
  if (!IsNtfs(e)) return Stay(txt::kMsgPartitionNotAllowed);
  if (chosen) *chosen = e.driveIndex;
  return ToPage(kPageFolders, false);
}

WizardStep BackOfFolders(int32_t planDrive, size_t ntfsCount) {
  if (planDrive == kNoPlanDrive && ntfsCount > 1) return ToPage(kPagePartition, true);
  return StartPage();
}

ScheduleVisibility VisibilityOf(int frequencyEntry) {
  ScheduleVisibility v;
  switch (frequencyEntry) {
    case kEntryMonthly: v = {true, true, false, true}; break;
    case kEntryWeekly: v = {true, false, true, true}; break;
    case kEntryDaily: v = {false, false, false, true}; break;
    default: break;  // hourly: only the frequency
  }
  return v;
}

ScheduleChoice ChoiceOfPlan(const _BKUP_PLAN& plan) {
  ScheduleChoice c;
  c.frequency = EntryOfField(plan.Frequency, kFrequencyEntries);
  c.day = EntryOfField(plan.DayOfMonth, kDayEntries);
  c.weekday = EntryOfField(plan.Weekday, kWeekdayEntries);
  c.hour = plan.Hour < static_cast<uint32_t>(kHourEntries) ? static_cast<int>(plan.Hour) : 0;
  return c;
}

ScheduleFields FieldsOfChoice(const ScheduleChoice& choice) {
  ScheduleFields f = {};
  const ScheduleVisibility v = VisibilityOf(choice.frequency);
  f.frequency = static_cast<uint32_t>(choice.frequency) + 1;
  if (v.dayOfMonth) f.dayOfMonth = static_cast<uint32_t>(choice.day) + 1;
  if (v.weekday) f.weekday = static_cast<uint32_t>(choice.weekday) + 1;
  if (v.time) f.hour = static_cast<uint32_t>(choice.hour);
  return f;
}

bool FreeSpaceLow(uint64_t totalBytes, uint64_t freeBytes) {
  return totalBytes / kPercentBase * kLowSpacePercent >= freeBytes;
}

std::wstring FolderListOf(const std::vector<std::wstring>& folders) {
  std::wstring list;
  for (const std::wstring& f : folders) {
    if (f.empty()) continue;
    list += f;
    list.push_back(L'\0');
  }
  if (!list.empty()) list.push_back(L'\0');
  return list;
}

std::vector<std::wstring> FoldersOfList(const wchar_t* list, size_t chars) {
  std::vector<std::wstring> folders;
  if (list == nullptr) return folders;
  size_t i = 0;
  while (i < chars && list[i] != L'\0') {
    size_t end = i;
    while (end < chars && list[end] != L'\0') ++end;
    folders.emplace_back(list + i, end - i);
    i = end + 1;
  }
  return folders;
}

_BKUP_PLAN PlanForSave(const SaveInputs& in) {
  _BKUP_PLAN plan;
  std::memset(&plan, 0, sizeof(plan));
  plan.OwnerPcId = in.pcId;
  std::wcsncpy(plan.OwnerUser, in.user.c_str(), kMaxTextChars);
  if (!in.keptName.empty()) {
    std::wcsncpy(plan.PlanName, in.keptName.c_str(), kMaxPlanNameChars);
  } else {
    wchar_t name[kPlanNameBufferChars];
    const SYSTEMTIME& t = in.now;
    std::swprintf(name, kPlanNameBufferChars, kPlanNamePattern, t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    std::wcsncpy(plan.PlanName, name, kMaxPlanNameChars);
  }
  plan.Frequency = in.schedule.frequency;
  plan.DayOfMonth = in.schedule.dayOfMonth;
  plan.Weekday = in.schedule.weekday;
  plan.Hour = in.schedule.hour;
  plan.Minute = in.schedule.minute;
  if (plan.Frequency == kFreqHourly) {
    plan.Hour = in.now.wHour;
    plan.Minute = in.now.wMinute;
  }
  ComputeNextRun(plan, in.now);
  return plan;
}

std::wstring PlanSummary(const std::wstring& scheduleText, const std::vector<std::wstring>& folders) {
  std::wstring text = GetString(txt::kBackupConfirmSchedule) + L"\t" + scheduleText + L"\r\n";
  if (folders.empty()) return text;
  text += GetString(txt::kBackupConfirmFolder);
  for (const std::wstring& f : folders) text += L"\t" + f + L"\r\n";
  return text;
}

WizardOutcome RunSaveSequence(WizardHost& host) {
  if (host.Ask(txt::kMsgSavePlan, kTypeQuestion) != kAnswerOk) return WizardOutcome::kStay;
  // A disk that went away (or another one that took its letter) gets nothing.
  if (!host.TargetPresent()) {
    host.Ask(txt::kMsgBackupDeviceRemoved, kTypeError);
    return WizardOutcome::kStartPage;
  }
  if (!host.SavePlan()) {
    host.Ask(txt::kMsgPlanSaveFailed, kTypeError);
    return WizardOutcome::kStay;
  }
  if (!WantsBackupNow(host)) return WizardOutcome::kStartPage;
  if (!SpaceAccepted(host)) return WizardOutcome::kStartPage;
  return WizardOutcome::kBackupPage;
}

WizardOutcome RunBackupNowSequence(WizardHost& host) {
  if (host.Ask(txt::kMsgStartBackup, kTypeQuestionSecond) != kAnswerOk) return WizardOutcome::kStay;
  if (!host.TargetPresent()) {
    host.Ask(txt::kMsgBackupDeviceRemoved, kTypeError);
    return WizardOutcome::kStartPage;
  }
  if (!SpaceAccepted(host)) return WizardOutcome::kStay;
  return WizardOutcome::kBackupPage;
}

WizardOutcome RunDeleteSequence(WizardHost& host) {
  if (host.Ask(txt::kMsgDeletePlan, kTypeWarningQuestion, false, txt::kMsgDeletePlanAcknowledged) !=
      kAnswerOk)
    return WizardOutcome::kStay;
  if (!host.TargetPresent()) {
    host.Ask(txt::kMsgBackupDeviceRemoved, kTypeError);
    return WizardOutcome::kStartPage;
  }
  // A delete that left something behind is not reported as done, and the
  // reminder of a plan that is still on the disk stays.
  if (!host.DeletePlan()) {
    host.Ask(txt::kMsgBackupOtherError, kTypeError);
    return WizardOutcome::kStartPage;
  }
  host.ClearReminder();
  host.Ask(txt::kMsgPlanDeleted, kTypeInformation);
  return WizardOutcome::kStartPage;
}

ReminderView ReminderOf(const _SCHEDULE_SETTINGS& settings, const SYSTEMTIME& now) {
  ReminderView v;
  if (settings.Schedule == 0) return v;
  v.shown = true;
  SYSTEMTIME at = {};
  at.wYear = static_cast<WORD>(settings.ScheduleYear);
  at.wMonth = static_cast<WORD>(settings.ScheduleMonth);
  at.wDay = static_cast<WORD>(settings.ScheduleDay);
  at.wHour = static_cast<WORD>(settings.ScheduleHour);
  at.wMinute = static_cast<WORD>(settings.ScheduleMinute);
  SYSTEMTIME n = now;
  n.wDayOfWeek = 0;
  v.missed = CompareLocalTimes(at, n) <= 0;
  return v;
}

bool PlanOwnedBy(const _BKUP_PLAN& plan, uint32_t pcId, const std::wstring& user) {
  if (plan.OwnerPcId != pcId) return false;
  for (size_t i = 0; i <= kMaxTextChars; ++i) {
    const wchar_t mine = i < user.size() ? user[i] : L'\0';
    if (!AsciiSameNoCase(plan.OwnerUser[i], mine)) return false;
    if (mine == L'\0') return true;
  }
  return false;  // no terminator inside the field
}

PlanViewState PlanViewOf(bool own) {
  PlanViewState s;
  s.titleText = own ? txt::kBackupPlanTitle : txt::kBackupPlanOtherUserTitle;
  s.editEnabled = own;
  s.backupEnabled = own;
  return s;
}

ResultReport ReportOfResult(uint32_t result, uint32_t unreadable) {
  ResultReport r;
  switch (result) {
    case kResultOk:
      r.fullBar = true;
      if (unreadable == 0) return {txt::kMsgBackupDone, kTypeSuccess, false, false, true};
      return {txt::kMsgBackupDoneAccessDenied, kTypeSuccessWithLog, true, true, true};
    case kResultStopped: r.textId = txt::kMsgBackupCanceled; r.type = kTypeInformation; break;
    case kResultDiskFull: r.textId = txt::kMsgBackupDiskFull; break;
    case kResultReadError: r.textId = txt::kMsgBackupReadError; break;
    case kResultWriteError: r.textId = txt::kMsgBackupWriteError; break;
    case kResultTargetGone: r.textId = txt::kMsgBackupDeviceRemoved; break;
    default: r.textId = txt::kMsgBackupOtherError; break;
  }
  return r;
}

}  // namespace vk
