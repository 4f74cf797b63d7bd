#include "shell/MainWindowRules.h"

#include "engine/EngineUtil.h"
#include "shell/AppTexts.h"

namespace vk {
namespace {

constexpr int kDriveLetters = 26;
static_assert(txt::kMainTipSetting - txt::kMainTipBackup == kTabSetting - kTabBackup,
              "the tab tips follow the tabs' order");
constexpr unsigned kGigaShift = 30;
constexpr unsigned kTeraShift = 40;
constexpr unsigned kHundredthsBits = 10;  // the bits below the unit that the hundredths come from
constexpr uint64_t kHundredthsSpan = uint64_t{1} << kHundredthsBits;

std::wstring FixedField(const wchar_t* field) {
  return std::wstring(field, BoundedLength(field, static_cast<size_t>(svc::kPathChars)));
}

// Control characters as blanks, then the blanks at both ends removed.
std::wstring CleanCaption(std::wstring text) {
  for (wchar_t& c : text)
    if (c < L' ' || c == 0x7F) c = L' ';
  const size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring::npos) return std::wstring();
  return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

// "whole.hh" of `bytes` in units of 2^shift, the hundredths truncated from
// the ten bits below the unit (as FormatSize does).
std::wstring UnitNumber(uint64_t bytes, unsigned shift) {
  const uint64_t whole = bytes >> shift;
  const uint64_t top = (bytes >> (shift - kHundredthsBits)) & (kHundredthsSpan - 1);
  const uint64_t hundredths = ((top * 1000) / kHundredthsSpan) / 10;
  return FormatText(L"%I64d.%02I64d", whole, hundredths);
}

int FindDevice(const std::vector<PanelDrive>& drives, int count, const std::wstring& device) {
  if (device.empty()) return kNoDriveSelected;  // an identity nobody has
  for (int i = 0; i < count; ++i)
    if (EqualNoCase(drives[static_cast<size_t>(i)].deviceObject, device)) return i;
  return kNoDriveSelected;
}

int FirstWithPlan(const std::vector<PanelDrive>& drives, int count) {
  for (int i = 0; i < count; ++i)
    if (drives[static_cast<size_t>(i)].planDrive != kNoPlanDrive) return i;
  return 0;
}

}  // namespace

PanelDrive PanelDriveOf(const svc::_SVC_DRVINFO& info, int32_t planDrive, uint32_t storedSets) {
  PanelDrive d;
  d.deviceObject = FixedField(info.szDeviceObject);
  d.caption = FixedField(info.szFriendlyName);
  d.driveMask = info.dwDriveMask;
  d.sectorCount = info.ullSectorCount;
  d.bytesPerSector = info.dwBytesPerSector;
  d.planDrive = planDrive;
  d.storedSets = storedSets;
  return d;
}

std::wstring LettersText(uint32_t driveMask) {
  std::wstring text;
  for (int i = 0; i < kDriveLetters; ++i)
    if (driveMask & (1u << i)) text += FormatText(L"(%c:)", L'A' + i);
  return text;
}

DriveLines DriveButtonLines(const PanelDrive& drive) {
  DriveLines lines;
  lines.first = CleanCaption(drive.caption);
  lines.second = LettersText(drive.driveMask);
  if (lines.first.empty()) std::swap(lines.first, lines.second);
  const uint64_t sectors = drive.sectorCount, sectorBytes = drive.bytesPerSector;
  if (sectorBytes == 0 || sectors <= UINT64_MAX / sectorBytes)
    lines.third = FormatSize(sectors * sectorBytes);
  return lines;
}

PanelChoice ChoosePanelSelection(const std::wstring& previousDevice, size_t previousCount,
                                 const std::vector<PanelDrive>& drives) {
  PanelChoice choice;
  const size_t limit = static_cast<size_t>(kMaxDriveButtons);
  choice.warnTooMany = drives.size() > limit && previousCount <= limit;
  const int count = static_cast<int>(drives.size() < limit ? drives.size() : limit);
  if (count == 0) return choice;
  choice.index = FindDevice(drives, count, previousDevice);
  choice.keepPage = choice.index != kNoDriveSelected;
  if (!choice.keepPage) choice.index = FirstWithPlan(drives, count);
  return choice;
}

SelectFollowUp FollowUpOfSelect(int currentTab, int currentPage, bool keepPage) {
  if (currentTab == kTabSetting) return SelectFollowUp::kButtonsOnly;
  if (currentPage == kPageBackupProgress || currentPage == kPageRestoreProgress)
    return SelectFollowUp::kButtonsOnly;
  if (keepPage && currentPage != kPagePlanStart && currentPage != kPagePlanView)
    return SelectFollowUp::kButtonsOnly;
  return SelectFollowUp::kEnterBackupTab;
}

int PageOfTab(int tab, bool driveSelected, bool selectedHasPlan) {
  switch (tab) {
    case kTabRestore: return kPageRestoreSets;
    case kTabLog: return kPageLog;
    case kTabSetting: return kPageLanguage;
    default:
      if (!driveSelected) return kPageNoDevice;
      return selectedHasPlan ? kPagePlanView : kPagePlanStart;
  }
}

int TabOfPage(int page) {
  if (page <= kPageBackupProgress) return kTabBackup;
  if (page <= kPageRestoreProgress) return kTabRestore;
  if (page == kPageLog) return kTabLog;
  return kTabSetting;
}

int PageObjectOf(int page) { return page == kPageUpdate ? kPageLanguage : page; }

PageEntry EntryOfPage(int page, bool comingBack) {
  PageEntry entry;
  switch (page) {
    case kPagePlanStart: case kPageFolders: case kPageSchedule: case kPageSummary:
    case kPageRestoreFolders:
      entry.focusOnly = comingBack;
      break;
    case kPageBackupProgress: case kPageRestoreProgress:
      entry.startJob = !comingBack;
      break;
    default:
      break;
  }
  return entry;
}

OpeningView OpeningViewOf(bool jobRunning, int32_t jobDrive, bool openOnUpdate,
                          const std::vector<PanelDrive>& drives) {
  OpeningView view;
  if (jobRunning) {
    const size_t count = drives.size() < static_cast<size_t>(kMaxDriveButtons)
                             ? drives.size() : static_cast<size_t>(kMaxDriveButtons);
    for (size_t i = 0; i < count; ++i)
      if (drives[i].planDrive != kNoPlanDrive && drives[i].planDrive == jobDrive) {
        view.selectDrive = static_cast<int>(i);
        break;
      }
    view.page = kPageBackupProgress;
  } else if (openOnUpdate) {
    view.tab = kTabSetting;
    view.page = kPageUpdate;
  }
  return view;
}

ButtonStates ComputeButtons(const ButtonInputs& in) {
  ButtonStates s;
  const bool plan = in.selected != kNoDriveSelected && in.selectedHasPlan;
  const bool sets = plan && in.selectedSets != 0;
  bool allDrives = false, selectedDrive = true;
  switch (in.page) {
    case kPagePlanStart: case kPagePlanView: case kPageRestoreSets: case kPageLog:
    case kPageLanguage: case kPageUpdate:
      allDrives = true;
      s.backup = s.setting = true;
      s.restore = sets;
      s.log = plan;
      break;
    case kPagePartition: case kPageFolders: case kPageSchedule: case kPageSummary:
    case kPageBackupProgress:
      s.backup = true;
      break;
    case kPageRestoreFolders: case kPageRestoreProgress:
      s.restore = sets;
      break;
    case kPageNoDevice:
      allDrives = true;
      s.backup = s.setting = true;
      s.log = plan;
      break;
    default:
      selectedDrive = false;
      break;
  }
  for (int i = 0; i < kMaxDriveButtons; ++i)
    s.drives[i] = i < in.driveCount && (allDrives || (selectedDrive && i == in.selected));
  s.info = !in.jobRunning;
  s.close = MayClose(in.jobRunning, in.scheduledJob);
  return s;
}

bool MayClose(bool jobRunning, bool scheduledJob) { return !jobRunning || scheduledJob; }

std::wstring TabTip(int tab) {
  if (tab < kTabBackup || tab > kTabSetting) return std::wstring();
  return GetString(txt::kMainTipBackup + static_cast<uint32_t>(tab - kTabBackup));
}

std::wstring FreeSpaceTip(uint64_t freeBytes) {
  const bool tera = freeBytes >= (uint64_t{1} << kTeraShift);
  const std::wstring number = UnitNumber(freeBytes, tera ? kTeraShift : kGigaShift);
  std::wstring tip = GetString(tera ? txt::kMainDriveFreeTB : txt::kMainDriveFreeGB, number.c_str());
  if (tip.size() > kMaxDriveTipChars) tip.resize(kMaxDriveTipChars);
  return tip;
}

std::wstring DriveTip(const PanelDrive& drive, bool freeKnown, uint64_t freeBytes) {
  if (drive.planDrive == kNoPlanDrive || !freeKnown) return std::wstring();
  return FreeSpaceTip(freeBytes);
}

InfoMenuState InfoMenuOf(bool jobRunning, uint32_t updateNotice) {
  return InfoMenuState{jobRunning, updateNotice != 0};
}

uint32_t ToggledUpdateNotice(bool wasChecked) { return wasChecked ? 0 : 1; }

}  // namespace vk
