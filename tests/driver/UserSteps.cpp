#include "tests/driver/UserSteps.h"

#include "resources/ResourceIds.h"
#include "shell/Instance.h"
#include "tests/driver/MainWindowView.h"
#include "tests/driver/TrayHooks.h"

namespace vk::driver {

constexpr wchar_t kAsciiEnd = 0x80;

std::string NarrowText(const std::wstring& text) {
  std::string s;
  for (wchar_t c : text) s += c < kAsciiEnd ? static_cast<char>(c) : '?';
  return s;
}

HWND TrayWindow(DWORD pid) { return MarkedWindow(pid, kInstanceName); }

::testing::AssertionResult StartArkwell(Program* program) {
  ::testing::AssertionResult started = program->Start(ArkwellExe());
  if (!started) return started;
  return WaitFor("the tray window", kWindowDeadlineMs,
                 [&] { return TrayWindow(program->Id()) != nullptr; });
}

::testing::AssertionResult OpenMainWindow(HWND tray, DWORD pid, HWND* main) {
  if (!tray) return ::testing::AssertionFailure() << "no tray window";
  PostCommand(tray, IDM_TRAY_EXEC);
  return WaitForMainWindow(pid, main);
}

::testing::AssertionResult OpenTab(HWND main, UINT tab, UINT page) {
  ::testing::AssertionResult pressed = Click(main, tab);
  if (!pressed) return pressed;
  return WaitForPage(main, page);
}

::testing::AssertionResult OpenLanguagePage(HWND main, HWND* languages) {
  *languages = nullptr;
  if (auto opened = OpenTab(main, kSettingTab, IDD_PAGE_LANGUAGE); !opened) return opened;
  HWND setting = Control(main, IDD_PAGE_LANGUAGE);
  for (HWND c = ::GetWindow(setting, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (Control(c, IDC_LANG_LIST)) {
      *languages = c;
      return ::testing::AssertionSuccess();
    }
  }
  return ::testing::AssertionFailure() << "no language page on the Setting tab";
}

::testing::AssertionResult ApplyLanguageLine(HWND main, HWND languages, int line) {
  if (auto picked = PickComboLine(languages, IDC_LANG_LIST, line); !picked) return picked;
  if (auto pressed = Click(languages, IDC_LANG_APPLY); !pressed) return pressed;
  return WaitForPage(main, IDD_PAGE_PLAN_VIEW);
}

::testing::AssertionResult PressAndWaitGone(HWND window, UINT id) {
  ::testing::AssertionResult pressed = Click(window, id);
  if (!pressed) return pressed;
  return WaitUntilGone(window);
}

::testing::AssertionResult WaitForMessageText(DWORD pid, const std::wstring& text,
                                              MessageWindow* found, DWORD deadlineMs) {
  ::testing::AssertionResult shown = MessageWindow::WaitFor(pid, found, deadlineMs);
  if (!shown) return shown << " (waiting for \"" << NarrowText(text) << "\")";
  if (found->Text() != text)
    return ::testing::AssertionFailure() << "another message: " << NarrowText(found->Text());
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult PressAndWaitClosed(const MessageWindow& message, UINT button) {
  ::testing::AssertionResult pressed = message.Press(button);
  if (!pressed) return pressed;
  return message.WaitUntilClosed();
}

::testing::AssertionResult AnswerMessage(DWORD pid, const std::wstring& text, UINT button,
                                         DWORD deadlineMs) {
  MessageWindow message;
  ::testing::AssertionResult shown = WaitForMessageText(pid, text, &message, deadlineMs);
  if (!shown) return shown;
  return PressAndWaitClosed(message, button);
}

::testing::AssertionResult AnswerWithBoxTicked(DWORD pid, const std::wstring& text, UINT button,
                                               DWORD deadlineMs) {
  MessageWindow message;
  ::testing::AssertionResult shown = WaitForMessageText(pid, text, &message, deadlineMs);
  if (!shown) return shown;
  if (message.ButtonEnabled(IDC_OK))
    return ::testing::AssertionFailure() << "OK enabled before the box";
  if (!message.Press(IDC_CHECK)) return ::testing::AssertionFailure() << "no box";
  if (!WaitFor("OK enabled", kWindowDeadlineMs, [&] { return message.ButtonEnabled(IDC_OK); }))
    return ::testing::AssertionFailure() << "OK stays disabled with the box ticked";
  return PressAndWaitClosed(message, button);
}

::testing::AssertionResult PickComboLine(HWND page, UINT comboId, int line) {
  const HWND combo = Control(page, comboId);
  if (!combo) return ::testing::AssertionFailure() << "no list " << comboId;
  if (::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(line), 0) != line)
    return ::testing::AssertionFailure() << "the list has no line " << line;
  ::PostMessageW(page, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  return ::testing::AssertionSuccess();
}

int ComboLineWithData(HWND page, UINT comboId, LPARAM data) {
  const HWND combo = Control(page, comboId);
  const LRESULT count = combo ? ::SendMessageW(combo, CB_GETCOUNT, 0, 0) : 0;
  for (LRESULT i = 0; i < count; ++i)
    if (::SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == data)
      return static_cast<int>(i);
  return -1;
}

::testing::AssertionResult WaitForEnabled(HWND window, UINT id, DWORD deadlineMs) {
  return WaitFor("control " + std::to_string(id) + " enabled", deadlineMs,
                 [&] { return Enabled(Control(window, id)); });
}

::testing::AssertionResult CancelHeldJob(DWORD pid, HWND progress, UINT cancelId,
                                         const std::wstring& question, UINT answer) {
  ::testing::AssertionResult step = WaitForEnabled(progress, cancelId);
  if (step) step = Click(progress, cancelId);
  if (step)
    step = WaitFor("Cancel disabled while asked", kWindowDeadlineMs,
                   [&] { return !Enabled(Control(progress, cancelId)); });
  if (!step) return step;
  HoldJobs(false);
  MessageWindow asked;
  step = WaitForMessageText(pid, question, &asked);
  HoldJobs(true);
  return step ? PressAndWaitClosed(asked, answer) : step;
}

::testing::AssertionResult WaitForOverwritePrompt(DWORD pid, HWND* prompt, DWORD deadlineMs) {
  return WaitFor("the overwrite prompt", deadlineMs, [&] {
    for (HWND w : TopLevelWindows(pid))
      if (Shown(w) && Control(w, IDC_OW_REPLACE)) {
        *prompt = w;
        return true;
      }
    return false;
  });
}

}  // namespace vk::driver
