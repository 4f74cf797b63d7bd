// TextSheet: a page of sample texts in all eight languages, drawn the way the
// program's windows draw them (dark background, white text, bold fonts of the
// face each language uses), so that translations and fonts can be checked by
// eye. Usage: TextSheet.exe [milliseconds] — with a time, the window closes
// itself after it; without one, a click or Escape closes it.
#include <windows.h>

#include <array>
#include <cwchar>
#include <string>

#include "engine/EngineUtil.h"
#include "common/Texts.h"

namespace {

using vk::LoadText;
namespace txt = vk::txt;

constexpr COLORREF kBackground = 0x191919;
constexpr COLORREF kTextColour = RGB(255, 255, 255);
constexpr COLORREF kRuleColour = 0x808080;
constexpr int kMargin = 16;
constexpr int kColumns = 2;
constexpr int kRows = 4;
constexpr UINT_PTR kCloseTimer = 1;
const wchar_t kClassName[] = L"VaultkeepTextSheet";

// Font heights of the program's three font sets (all bold).
constexpr int kHeightSetA = -16;
constexpr int kHeightSetB = -20;
constexpr int kHeightSetC = -12;
constexpr int kHeightSetCWide = -16;  // set C for Chinese and Japanese

// Sample values: 1.50 GB, a run at 37 % and one that failed with result 5.
constexpr uint64_t kSampleBytes = 1610612736;
constexpr int kSampleFolders = 3;
constexpr int kSampleResult = 5;
constexpr int kSamplePercent = 37;

// The name of each language in its own language, in Language order.
constexpr uint32_t kLanguageNameIds[vk::kLanguageCount] = {
    txt::kLanguageEnglish, txt::kLanguageFrench,     txt::kLanguageGerman,  txt::kLanguageItalian,
    txt::kLanguageSpanish, txt::kLanguagePortuguese, txt::kLanguageChinese, txt::kLanguageJapanese};

const wchar_t* FaceOf(uint32_t language) {
  if (language == vk::kLangChinese) return L"SimSun";
  if (language == vk::kLangJapanese) return L"Meiryo UI";
  return L"Segoe UI";
}

// Owns one font.
class Font {
 public:
  Font() = default;
  ~Font() { if (font_) ::DeleteObject(font_); }
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  void Create(const wchar_t* face, int height) {
    LOGFONTW lf = {};
    lf.lfHeight = height;
    lf.lfWeight = FW_BOLD;
    lf.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    font_ = ::CreateFontIndirectW(&lf);
  }
  HFONT Get() const { return font_; }

 private:
  HFONT font_ = nullptr;
};

// Selects a GDI object into a device context for the life of the guard.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~Selection() { ::SelectObject(dc_, old_); }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

struct LanguageFonts {
  Font a, b, c;
};

class TextSheet {
 public:
  TextSheet() {
    for (uint32_t language = 0; language < vk::kLanguageCount; ++language) {
      const wchar_t* face = FaceOf(language);
      bool wide = language == vk::kLangChinese || language == vk::kLangJapanese;
      fonts_[language].a.Create(face, kHeightSetA);
      fonts_[language].b.Create(face, kHeightSetB);
      fonts_[language].c.Create(face, wide ? kHeightSetCWide : kHeightSetC);
    }
  }

  void Paint(HDC dc, const RECT& client) const {
    HBRUSH background = ::CreateSolidBrush(kBackground);
    ::FillRect(dc, &client, background);
    ::DeleteObject(background);
    ::SetBkMode(dc, TRANSPARENT);
    int width = (client.right - kMargin * (kColumns + 1)) / kColumns;
    int height = (client.bottom - kMargin * (kRows + 1)) / kRows;
    for (uint32_t language = 0; language < vk::kLanguageCount; ++language) {
      int column = static_cast<int>(language) / kRows;
      int row = static_cast<int>(language) % kRows;
      RECT box = {kMargin + column * (width + kMargin), kMargin + row * (height + kMargin), 0, 0};
      box.right = box.left + width;
      box.bottom = box.top + height;
      PaintLanguage(dc, box, language);
    }
  }

 private:
  // Draws `text` at the top of `box` and moves the top below it.
  static void Line(HDC dc, RECT& box, const Font& font, const std::wstring& text) {
    Selection use(dc, font.Get());
    RECT r = box;
    UINT format = DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
    r.right = box.right;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    box.top = r.bottom + 2;
  }

  void PaintLanguage(HDC dc, RECT box, uint32_t language) const {
    const LanguageFonts& f = fonts_[language];
    auto text = [language](uint32_t id) { return LoadText(id, language); };
    HPEN rule = ::CreatePen(PS_SOLID, 1, kRuleColour);
    {
      Selection pen(dc, rule);
      ::MoveToEx(dc, box.left, box.bottom, nullptr);
      ::LineTo(dc, box.right, box.bottom);
    }
    ::DeleteObject(rule);
    ::SetTextColor(dc, kTextColour);

    std::wstring size = vk::FormatSize(kSampleBytes, language);
    Line(dc, box, f.b, text(kLanguageNameIds[language]));
    Line(dc, box, f.a, text(txt::kBackupStartNext) + L"  |  " + text(txt::kBackupPartitionBack) +
                           L"  |  " + text(txt::kMsgButtonCancel) + L"  |  " +
                           text(txt::kMsgButtonOk));
    Line(dc, box, f.a, text(txt::kBackupConfirmSchedule) + L"\t" + text(txt::kFrequencyMonthly) +
                           L" [" + text(txt::kDay1st) + L" 10:00]");
    Line(dc, box, f.a, LoadText(txt::kOverwriteSize, language, size.c_str()) + L"     " +
                           LoadText(txt::kTrayTipBackup, language, kSamplePercent));
    Line(dc, box, f.c,
         L"14:03:07 " + LoadText(txt::kLogLineBackupStart, language, L"01/04/2017"));
    Line(dc, box, f.c, L"         " + LoadText(txt::kLogLineResultFailure, language,
                                               kSampleFolders, size.c_str(), kSampleResult));
    Line(dc, box, f.a, text(txt::kMsgPlanSaveFailed));
  }

  std::array<LanguageFonts, vk::kLanguageCount> fonts_;
};

LRESULT CALLBACK SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    auto* sheet = reinterpret_cast<TextSheet*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
      case WM_NCCREATE: {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
      }
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(window, &ps);
        RECT client;
        ::GetClientRect(window, &client);
        if (sheet) sheet->Paint(dc, client);
        ::EndPaint(window, &ps);
        return 0;
      }
      case WM_ERASEBKGND:
        return 1;  // WM_PAINT fills everything
      case WM_TIMER:
      case WM_LBUTTONDOWN:
        ::DestroyWindow(window);
        return 0;
      case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) ::DestroyWindow(window);
        return 0;
      case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
  } catch (...) {
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
  TextSheet sheet;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = SheetProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  if (!::RegisterClassW(&wc)) return 1;
  HWND window = ::CreateWindowExW(0, kClassName, vk::LoadResourceText(txt::kAppTitle).c_str(),
                                  WS_POPUP | WS_VISIBLE, 0, 0, ::GetSystemMetrics(SM_CXSCREEN),
                                  ::GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance,
                                  &sheet);
  if (!window) return 1;
  UINT closeAfter = static_cast<UINT>(wcstoul(commandLine ? commandLine : L"", nullptr, 10));
  if (closeAfter > 0) ::SetTimer(window, kCloseTimer, closeAfter, nullptr);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
