#include "tests/windows/TextFit.h"

#include <cstdio>
#include <cwchar>

#include "controls/Gdi.h"
#include "controls/Window.h"

namespace vk::test {
namespace {

std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, &text[0], static_cast<int>(text.size()))));
  return text;
}

HFONT FontOf(HWND hwnd) { return reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)); }

bool IsClass(HWND hwnd, const wchar_t* name) {
  wchar_t cls[64] = {};
  ::GetClassNameW(hwnd, cls, 64);
  return ::_wcsicmp(cls, name) == 0;
}

// How a system control lays out its text, when it is one we measure.
void AddSystemControl(HWND hwnd, std::vector<TextSlot>* out) {
  const LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
  RECT rc;
  ::GetClientRect(hwnd, &rc);
  if (IsClass(hwnd, L"Static")) {
    const LONG_PTR kind = style & SS_TYPEMASK;
    if (kind != SS_LEFT && kind != SS_CENTER && kind != SS_RIGHT && kind != SS_LEFTNOWORDWRAP &&
        kind != SS_SIMPLE)
      return;  // pictures, frames, owner-drawn
    const bool oneLine = kind == SS_LEFTNOWORDWRAP || kind == SS_SIMPLE || (style & SS_CENTERIMAGE);
    const std::wstring text = TextOf(hwnd);
    if (!text.empty()) out->push_back({hwnd, text, rc, FontOf(hwnd), !oneLine});
  } else if (IsClass(hwnd, L"ComboBox") && (style & 0x3) == CBS_DROPDOWNLIST) {
    // Every line of a drop-down list shows in the box beside its arrow
    // when chosen (the dropped list is as wide as the box).
    COMBOBOXINFO info = {};
    info.cbSize = sizeof(info);
    if (!::GetComboBoxInfo(hwnd, &info)) return;
    const LRESULT count = ::SendMessageW(hwnd, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      const LRESULT chars = ::SendMessageW(hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
      if (chars <= 0) continue;
      std::wstring line(static_cast<size_t>(chars) + 1, L'\0');
      line.resize(static_cast<size_t>(
          ::SendMessageW(hwnd, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&line[0]))));
      out->push_back({hwnd, line, info.rcItem, FontOf(hwnd), false});
    }
  } else if (IsClass(hwnd, L"Edit") && (style & ES_MULTILINE) == 0) {
    // It scrolls sideways: a stand-in of one line checks only the height.
    out->push_back({hwnd, L"Ag", rc, FontOf(hwnd), false});
  }
}

void Collect(HWND parent, std::vector<TextSlot>* out) {
  for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!::IsWindowVisible(child)) continue;
    const Control* control = Control::FromHwnd(child);
    if (!control || !control->DescribeTexts(out)) AddSystemControl(child, out);
    Collect(child, out);
  }
}

SIZE Measure(const TextSlot& slot) {
  HDC dc = ::GetDC(slot.control);
  SelectGuard font(dc, slot.font);
  RECT rc = {0, 0, slot.area.right - slot.area.left, 0};
  const UINT wrap = slot.wraps ? DT_WORDBREAK : DT_SINGLELINE;
  ::DrawTextW(dc, slot.text.c_str(), static_cast<int>(slot.text.size()), &rc,
              DT_CALCRECT | DT_NOPREFIX | DT_LEFT | wrap);
  ::ReleaseDC(slot.control, dc);
  return {rc.right - rc.left, rc.bottom - rc.top};
}

}  // namespace

std::vector<TextSlot> CollectTexts(HWND window) {
  std::vector<TextSlot> slots;
  Collect(window, &slots);
  return slots;
}

std::vector<Misfit> Misfits(const std::vector<TextSlot>& slots) {
  std::vector<Misfit> out;
  for (const TextSlot& s : slots) {
    const SIZE need = Measure(s);
    const SIZE have = {s.area.right - s.area.left, s.area.bottom - s.area.top};
    if (need.cx > have.cx || need.cy > have.cy)
      out.push_back({s.text, static_cast<UINT>(::GetDlgCtrlID(s.control)), need, have});
  }
  return out;
}

std::vector<Misfit> TextsThatDoNotFit(HWND window) { return Misfits(CollectTexts(window)); }

std::string Describe(const Misfit& m) {
  char head[96];
  std::snprintf(head, sizeof head, "id %u: needs %ldx%ld in %ldx%ld: ", m.controlId, m.needed.cx,
                m.needed.cy, m.available.cx, m.available.cy);
  std::string text;
  for (wchar_t c : m.text) {
    if (c < 0x80) {
      text += static_cast<char>(c);
    } else {  // UTF-8, so the failing translation can be read
      char buf[8];
      const int n = ::WideCharToMultiByte(CP_UTF8, 0, &c, 1, buf, sizeof buf, nullptr, nullptr);
      text.append(buf, static_cast<size_t>(n > 0 ? n : 0));
    }
  }
  return head + text;
}

std::vector<Overlap> OverlappingControls(HWND window) {
  struct Placed {
    UINT id;
    RECT rc;
  };
  std::vector<Placed> shown;
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!::IsWindowVisible(child)) continue;
    RECT rc;
    ::GetWindowRect(child, &rc);
    shown.push_back({static_cast<UINT>(::GetDlgCtrlID(child)), rc});
  }
  std::vector<Overlap> out;
  for (size_t i = 0; i < shown.size(); ++i) {
    for (size_t j = i + 1; j < shown.size(); ++j) {
      RECT both;
      if (::IntersectRect(&both, &shown[i].rc, &shown[j].rc))
        out.push_back({shown[i].id, shown[j].id});
    }
  }
  return out;
}

}  // namespace vk::test
