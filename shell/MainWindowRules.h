// The main window's decisions as plain functions: what each drive button
// shows, which drive is selected after the drive list changed, which tab and
// page follow, which buttons are enabled, and the tool tips. The window only
// applies the results.
//
// Texts that come from a device (a drive's caption) are kept as they are,
// with no '&' doubled: every control that shows them draws with DT_NOPREFIX,
// and they are never used as a format.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "channel/SvcChannel.h"
#include "shell/DriveList.h"

namespace vk {

constexpr int kMaxDriveButtons = static_cast<int>(kMaxDrivesShown);
constexpr int kNoDriveSelected = -1;
constexpr size_t kMaxDriveTipChars = 79;

enum MainTab : int { kTabBackup = 1, kTabRestore = 2, kTabLog = 3, kTabSetting = 4 };

enum MainPage : int {
  kPageNoDevice = 0,
  kPagePlanStart = 1,
  kPagePartition = 2,
  kPageFolders = 3,
  kPageSchedule = 4,
  kPageSummary = 5,
  kPagePlanView = 6,
  kPageBackupProgress = 7,
  kPageRestoreSets = 8,
  kPageRestoreFolders = 9,
  kPageRestoreProgress = 10,
  kPageLog = 11,
  kPageLanguage = 12,
  kPageUpdate = 13,
  kPageCount = 14,
};
// Pages 12 and 13 are one object, the language page in two modes.
constexpr int kPageObjectCount = 13;

// What the rules read of one drive record.
struct PanelDrive {
  std::wstring deviceObject;  // the device's identity
  std::wstring caption;       // as the device reports it
  uint32_t driveMask = 0;     // bit n: drive letter 'A' + n
  uint64_t sectorCount = 0;
  uint32_t bytesPerSector = 0;
  int32_t planDrive = kNoPlanDrive;  // 0..25: the partition holding the plan
  uint32_t storedSets = 0;           // complete sets of that plan
};
// The service's record with the plan fields; its text fields are read up to
// their size even when a terminator is missing.
PanelDrive PanelDriveOf(const svc::_SVC_DRVINFO& info, int32_t planDrive, uint32_t storedSets);
inline PanelDrive PanelDriveOf(const _BKUP_DRVINFO& d) {
  return PanelDriveOf(d.Device, d.PlanDrive, d.StoredSetCount);
}

// ---- The drive panel ---------------------------------------------------------

// "(E:)(F:)": one "(X:)" per letter of the mask, in ascending order.
std::wstring LettersText(uint32_t driveMask);

struct DriveLines {
  std::wstring first, second, third;
};
// The three lines of a drive button: the caption, the letters and the
// capacity (FormatSize of sectors x bytes per sector). Control characters of
// the caption become blanks, so a caption cannot break the button's lines; a
// caption that is empty or blank gives the letters as the first line and an
// empty second one. A capacity that does not fit 64 bits is left out.
DriveLines DriveButtonLines(const PanelDrive& drive);

struct PanelChoice {
  int index = kNoDriveSelected;
  bool keepPage = false;
  bool warnTooMany = false;  // show txt::kMsgSixthDeviceIgnored now
};
// The selection after a refresh. `previousDevice` is the identity of the
// drive selected before (empty when none was). That drive, found again
// (ignoring case), stays selected with its page; otherwise the first drive
// with a plan, or drive 0, is selected afresh; an empty list selects none.
// Only drives with a button can be chosen. The warning comes once, when the
// count passes five.
PanelChoice ChoosePanelSelection(const std::wstring& previousDevice, size_t previousCount,
                                 const std::vector<PanelDrive>& drives);

// What SelectDrive does after it has marked the drive.
enum class SelectFollowUp { kButtonsOnly, kEnterBackupTab };
// The Setting tab is never left; with `keepPage`, a page other than the plan
// start and the plan view stays (a wizard or restore in progress). The two
// progress pages stay whatever changed: their job reports its end there.
SelectFollowUp FollowUpOfSelect(int currentTab, int currentPage, bool keepPage);

// ---- Tabs and pages ----------------------------------------------------------

// The page a tab opens: the Backup tab depends on the selected drive.
int PageOfTab(int tab, bool driveSelected, bool selectedHasPlan);
// The tab whose button is shown selected for a page.
int TabOfPage(int page);
// The page object that shows `page` (12 for the update page).
int PageObjectOf(int page);

// How a page is entered: pages that only take the focus back when returned
// to, and the progress pages, which start their job only on a fresh entry.
struct PageEntry {
  bool focusOnly = false;
  bool startJob = false;
};
PageEntry EntryOfPage(int page, bool comingBack);

// The view the window opens with: during a job (a scheduled backup) the
// job's drive on the progress page; after an accepted update notice the
// update page; otherwise the Backup tab.
struct OpeningView {
  int selectDrive = kNoDriveSelected;  // kNoDriveSelected: leave the selection
  int tab = kTabBackup;
  int page = -1;  // -1: the tab's own page
};
OpeningView OpeningViewOf(bool jobRunning, int32_t jobDrive, bool openOnUpdate,
                          const std::vector<PanelDrive>& drives);

// ---- Buttons -----------------------------------------------------------------

struct ButtonInputs {
  int page = kPageNoDevice;
  int driveCount = 0;  // drives with a button
  int selected = kNoDriveSelected;
  bool selectedHasPlan = false;
  uint32_t selectedSets = 0;
  bool jobRunning = false;
  bool scheduledJob = false;  // the running job is a scheduled backup
};
struct ButtonStates {
  bool drives[kMaxDriveButtons] = {};
  bool backup = false, restore = false, log = false, setting = false;
  bool info = false, close = false;
};
ButtonStates ComputeButtons(const ButtonInputs& in);

// Command 1001 and WM_CLOSE close the window only when this holds.
bool MayClose(bool jobRunning, bool scheduledJob);

// ---- Tool tips and the information menu -----------------------------------

std::wstring TabTip(int tab);
// "12.34 GB\nAvailable" below 2^40 bytes, "1.50 TB\nAvailable" from there:
// the whole units and the hundredths truncated from the next ten bits, at
// most kMaxDriveTipChars characters.
std::wstring FreeSpaceTip(uint64_t freeBytes);
// A drive's tip: empty without a plan or when the free space is unknown.
std::wstring DriveTip(const PanelDrive& drive, bool freeKnown, uint64_t freeBytes);

struct InfoMenuState {
  bool greyed = false;         // all three items, while a job runs
  bool updateChecked = false;  // the stored update-notice value is not 0
};
InfoMenuState InfoMenuOf(bool jobRunning, uint32_t updateNotice);
// The value to store when the update item is chosen.
uint32_t ToggledUpdateNotice(bool wasChecked);

}  // namespace vk
