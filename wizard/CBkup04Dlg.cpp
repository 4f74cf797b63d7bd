#include "wizard/CBkup04Dlg.h"

#include "resources/ResourceIds.h"

namespace vk {
namespace {

constexpr int kLabelX = 20, kLabelWidth = 160, kListX = 190, kListWidth = 220;
constexpr int kRowHeight = 30, kDropHeight = 200;
constexpr int kFrequencyY = 80, kDayY = 125, kTimeY = 170;

RECT Label(int y) { return {kLabelX, y, kLabelX + kLabelWidth, y + kRowHeight}; }
RECT List(int y) { return {kListX, y, kListX + kListWidth, y + kDropHeight}; }

struct ListTexts {
  UINT id;
  uint32_t first;
  int count;
};
constexpr ListTexts kLists[] = {
    {IDC_WIZ_FREQUENCY, txt::kFrequencyMonthly, kFrequencyEntries},
    {IDC_WIZ_DAY, txt::kDay1st, kDayEntries},
    {IDC_WIZ_WEEKDAY, txt::kWeekdaySunday, kWeekdayEntries},
    {IDC_WIZ_HOUR, txt::kHour00, kHourEntries},
};

}  // namespace

BOOL CBkup04Dlg::OnInitDialog() {
  WizardPage::OnInitDialog();
  SetUpText(IDC_WIZ_PROMPT, kWizPromptRect, txt::kBackupSchedulePrompt);
  SetUpText(IDC_WIZ_FREQ_LABEL, Label(kFrequencyY), txt::kBackupScheduleFrequency);
  SetUpText(IDC_WIZ_DAY_LABEL, Label(kDayY), txt::kBackupScheduleDay);
  SetUpText(IDC_WIZ_TIME_LABEL, Label(kTimeY), txt::kBackupScheduleTime);
  SetUpText(IDC_WIZ_FREQUENCY, List(kFrequencyY), 0);
  SetUpText(IDC_WIZ_DAY, List(kDayY), 0);
  SetUpText(IDC_WIZ_WEEKDAY, List(kDayY), 0);
  SetUpText(IDC_WIZ_HOUR, List(kTimeY), 0);
  SetUpButton(next_, IDC_WIZ_NEXT, kWizNextRect, txt::kBackupScheduleNext);
  SetUpButton(back_, IDC_WIZ_BACK, kWizBackRect, txt::kBackupScheduleBack);
  FillLists();
  return TRUE;
}

void CBkup04Dlg::FillLists() {
  for (const ListTexts& l : kLists) {
    HWND list = Item(l.id);
    ::SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < l.count; ++i)
      ::SendMessageW(list, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(GetText(l.first + static_cast<uint32_t>(i)).c_str()));
  }
}

void CBkup04Dlg::Enter(int, bool comingBack) {
  const PageContext* ctx = Context();
  if (!comingBack && ctx) {
    const ScheduleChoice c = ChoiceOfPlan(ctx->plan);
    const int picks[] = {c.frequency, c.day, c.weekday, c.hour};
    for (size_t i = 0; i < sizeof(picks) / sizeof(picks[0]); ++i)
      ::SendMessageW(Item(kLists[i].id), CB_SETCURSEL, static_cast<WPARAM>(picks[i]), 0);
  }
  ApplyVisibility();
  ::SetFocus(Item(IDC_WIZ_FREQUENCY));
}

int CBkup04Dlg::Selection(UINT id) const {
  const LRESULT sel = ::SendMessageW(Item(id), CB_GETCURSEL, 0, 0);
  return sel < 0 ? 0 : static_cast<int>(sel);
}

void CBkup04Dlg::ApplyVisibility() {
  const ScheduleVisibility v = VisibilityOf(Selection(IDC_WIZ_FREQUENCY));
  Show(IDC_WIZ_DAY_LABEL, v.dayLabel);
  Show(IDC_WIZ_DAY, v.dayOfMonth);
  Show(IDC_WIZ_WEEKDAY, v.weekday);
  Show(IDC_WIZ_TIME_LABEL, v.time);
  Show(IDC_WIZ_HOUR, v.time);
}

void CBkup04Dlg::OnNext() {
  PageContext* ctx = Context();
  if (ctx == nullptr || !TargetStillThere()) return;
  ScheduleChoice c;
  c.frequency = Selection(IDC_WIZ_FREQUENCY);
  c.day = Selection(IDC_WIZ_DAY);
  c.weekday = Selection(IDC_WIZ_WEEKDAY);
  c.hour = Selection(IDC_WIZ_HOUR);
  ctx->schedule = FieldsOfChoice(c);
  if (MainWindowLink* main = MainWindow()) main->SwitchPage(kPageSummary, false);
}

void CBkup04Dlg::OnCommand(UINT id, UINT code, HWND) {
  if (id == IDC_WIZ_FREQUENCY && code == CBN_SELCHANGE) ApplyVisibility();
  else if (id == IDC_WIZ_NEXT && code == BN_CLICKED) OnNext();
  else if (id == IDC_WIZ_BACK && code == BN_CLICKED) {
    if (MainWindowLink* main = MainWindow()) main->SwitchPage(kPageFolders, true);
  }
}

}  // namespace vk
