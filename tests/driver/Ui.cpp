#include "tests/driver/Ui.h"

#include "resources/ResourceIds.h"

namespace vk::driver {
namespace {

// How long a window may take to answer one message before it counts as hung.
constexpr UINT kAnswerMs = 5000;
constexpr int kClassChars = 64;
// Where a click on a notification's face lands: clear of its close button.
constexpr int kFaceX = 20, kFaceY = 20;

struct Search {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(hwnd, &owner);
  if (search->pid == 0 || owner == search->pid) search->found.push_back(hwnd);
  return TRUE;
}

bool ClassIs(HWND hwnd, const wchar_t* className) {
  wchar_t name[kClassChars] = {};
  ::GetClassNameW(hwnd, name, kClassChars);
  return std::wstring(name) == className;
}

// A message window has its two buttons, the message and the check box; a
// corner notification has the message and the close button only.
bool IsMessageWindow(HWND hwnd) {
  return ClassIs(hwnd, kDialogClass) && Control(hwnd, IDC_OK) && Control(hwnd, IDC_SECOND) &&
         Control(hwnd, IDC_MESSAGE) && Control(hwnd, IDC_CHECK);
}
bool IsCornerNotification(HWND hwnd) {
  return ClassIs(hwnd, kDialogClass) && Control(hwnd, IDC_MESSAGE) && Control(hwnd, IDC_CLOSE) &&
         !Control(hwnd, IDC_OK);
}

template <class Test>
HWND FindShown(DWORD pid, Test test) {
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (::IsWindowVisible(hwnd) && test(hwnd)) return hwnd;
  }
  return nullptr;
}

std::string Narrow(const wchar_t* text) {
  std::string s;
  for (const wchar_t* c = text; c && *c; ++c) s += *c < 0x80 ? static_cast<char>(*c) : '?';
  return s;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD pid) {
  Search search{pid, {}};
  ::EnumWindows(&Collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindTopWindow(DWORD pid, const wchar_t* className, const wchar_t* caption) {
  return FindShown(pid, [&](HWND hwnd) {
    return (className == nullptr || ClassIs(hwnd, className)) &&
           (caption == nullptr || WindowText(hwnd) == caption);
  });
}

::testing::AssertionResult WaitForWindow(DWORD pid, const wchar_t* className,
                                         const wchar_t* caption, HWND* found, DWORD deadlineMs) {
  *found = nullptr;
  const std::string what = "a window of class \"" + Narrow(className ? className : L"(any)") +
                           "\" with caption \"" + Narrow(caption ? caption : L"(any)") + "\"";
  return WaitFor(what, deadlineMs, [&] {
    *found = FindTopWindow(pid, className, caption);
    return *found != nullptr;
  });
}

::testing::AssertionResult WaitUntilGone(HWND hwnd, DWORD deadlineMs) {
  return WaitFor("the window to close", deadlineMs,
                 [hwnd] { return !::IsWindow(hwnd) || !::IsWindowVisible(hwnd); });
}

HWND Control(HWND window, UINT id) {
  return window ? ::GetDlgItem(window, static_cast<int>(id)) : nullptr;
}

bool Shown(HWND hwnd) { return hwnd && ::IsWindowVisible(hwnd); }
bool Enabled(HWND hwnd) { return hwnd && ::IsWindowEnabled(hwnd); }

std::wstring WindowText(HWND hwnd) {
  if (!hwnd) return L"";
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &length))
    return L"";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, kAnswerMs, &copied))
    return L"";
  text.resize(copied < length ? copied : length);
  return text;
}

std::wstring ControlText(HWND window, UINT id) { return WindowText(Control(window, id)); }

::testing::AssertionResult Click(HWND window, UINT id) {
  HWND control = Control(window, id);
  if (!control) return ::testing::AssertionFailure() << "no control " << id;
  if (!::IsWindowVisible(control)) return ::testing::AssertionFailure() << "control " << id << " is hidden";
  if (!::IsWindowEnabled(control)) return ::testing::AssertionFailure() << "control " << id << " is disabled";
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
  return ::testing::AssertionSuccess();
}

void PostCommand(HWND window, UINT id) { ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

::testing::AssertionResult MessageWindow::WaitFor(DWORD pid, MessageWindow* found,
                                                  DWORD deadlineMs) {
  found->hwnd_ = nullptr;
  return driver::WaitFor("a message window", deadlineMs, [&] {
    found->hwnd_ = FindShown(pid, IsMessageWindow);
    return found->hwnd_ != nullptr;
  });
}

std::wstring MessageWindow::Text() const { return ControlText(hwnd_, IDC_MESSAGE); }

::testing::AssertionResult CornerNotification::WaitFor(DWORD pid, CornerNotification* found,
                                                       DWORD deadlineMs) {
  found->hwnd_ = nullptr;
  return driver::WaitFor("a corner notification", deadlineMs, [&] {
    found->hwnd_ = FindShown(pid, IsCornerNotification);
    return found->hwnd_ != nullptr;
  });
}

std::wstring CornerNotification::Text() const { return ControlText(hwnd_, IDC_MESSAGE); }

::testing::AssertionResult CornerNotification::Close() const { return Click(hwnd_, IDC_CLOSE); }

void CornerNotification::ClickFace() const {
  const LPARAM at = MAKELPARAM(kFaceX, kFaceY);
  ::PostMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(hwnd_, WM_LBUTTONUP, 0, at);
}

}  // namespace vk::driver
