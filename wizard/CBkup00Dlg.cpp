#include "wizard/CBkup00Dlg.h"

#include "resources/ResourceIds.h"
#include "shell/AppTexts.h"
#include "shell/TrayClock.h"

namespace vk {
namespace {

constexpr RECT kHeading = {20, 110, 540, 140};
constexpr RECT kDriveCaption = {20, 145, 540, 175};
constexpr RECT kTime = {20, 180, 540, 210};
constexpr UINT kReminderLines[] = {IDC_WIZ_REMINDER_HEADING, IDC_WIZ_REMINDER_DRIVE,
                                   IDC_WIZ_REMINDER_TIME};

}  // namespace

BOOL CBkup00Dlg::OnInitDialog() {
  WizardPage::OnInitDialog();
  SetUpText(IDC_WIZ_PROMPT, kWizPromptRect, txt::kBackupNoDevice);
  SetUpText(IDC_WIZ_REMINDER_HEADING, kHeading, 0);
  SetUpText(IDC_WIZ_REMINDER_DRIVE, kDriveCaption, 0);
  SetUpText(IDC_WIZ_REMINDER_TIME, kTime, 0);
  return TRUE;
}

void CBkup00Dlg::Enter(int, bool) {
  const TrayHost* tray = Tray();
  const _SCHEDULE_SETTINGS* s = tray ? tray->Settings() : nullptr;
  // The tray's clock, which its own reminders follow.
  const SYSTEMTIME now = TrayNow();
  const ReminderView view = s ? ReminderOf(*s, now) : ReminderView();
  for (UINT id : kReminderLines) Show(id, view.shown);
  if (!view.shown) return;
  SetText(IDC_WIZ_REMINDER_HEADING,
          GetText(view.missed ? txt::kBackupMissedHeading : txt::kBackupComingHeading));
  // The caption came from a device: shown as it is, never as a format.
  wchar_t caption[kSettingsNameChars];
  std::copy(std::begin(s->ScheduleFriendlyName), std::end(s->ScheduleFriendlyName), caption);
  caption[kSettingsNameChars - 1] = L'\0';
  SetText(IDC_WIZ_REMINDER_DRIVE, caption);
  const std::wstring when =
      FormatDateTime(static_cast<int>(s->ScheduleYear), static_cast<int>(s->ScheduleMonth),
                     static_cast<int>(s->ScheduleDay), static_cast<int>(s->ScheduleHour),
                     static_cast<int>(s->ScheduleMinute));
  SetText(IDC_WIZ_REMINDER_TIME, GetText(txt::kBackupComingLabel) + L" " + when);
}

}  // namespace vk
