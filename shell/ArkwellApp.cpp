#include "shell/ArkwellApp.h"

#include <commctrl.h>
// GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <gdiplus.h>

#include <cwctype>
#include <string>

namespace vk {
namespace {

constexpr DWORD kAllControlClasses = 0xFF;  // list, tree, bar, tab, up-down, progress, hot key, animate
constexpr wchar_t kRichEditLibrary[] = L"Riched20.dll";
constexpr wchar_t kCloseCommand[] = L"U";

CArkwellApp* g_app = nullptr;

std::wstring Trimmed(const wchar_t* text) {
  std::wstring s = text ? text : L"";
  size_t begin = 0, end = s.size();
  while (begin < end && std::iswspace(s[begin])) ++begin;
  while (end > begin && std::iswspace(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

}  // namespace

CArkwellApp::CArkwellApp(const AppOptions& options) : options_(options) { g_app = this; }

CArkwellApp::~CArkwellApp() {
  StopGdiPlus();
  if (richEdit_) ::FreeLibrary(richEdit_);
  if (g_app == this) g_app = nullptr;
}

CArkwellApp* CArkwellApp::Current() { return g_app; }

uint32_t CArkwellApp::Language() const { return AppLanguage(); }
void CArkwellApp::SetLanguage(uint32_t language) { SetAppLanguage(language); }

void CArkwellApp::ApplyLanguage(uint32_t language) {
  chosenLanguage_ = language;
  SetLanguage(language);
  languageUnstored_ = !StoreChosenLanguage();
}

bool CArkwellApp::StoreChosenLanguage() {
  return options_.storeLanguage && options_.storeLanguage(chosenLanguage_);
}

void CArkwellApp::ReloadLanguage() {
  if (languageUnstored_) {
    languageUnstored_ = !StoreChosenLanguage();
    SetLanguage(chosenLanguage_);
    return;
  }
  SetLanguage(ReadMachineNumber(options_.serviceKey, kLanguageValue, kLangEnglish));
}

bool CArkwellApp::SaveSettings() { return vk::SaveSettings(settings_, options_.settings); }

bool CArkwellApp::IsCloseCommand(const wchar_t* commandLine) {
  return ::_wcsicmp(Trimmed(commandLine).c_str(), kCloseCommand) == 0;
}

void CArkwellApp::InitControls() {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), kAllControlClasses};
  ::InitCommonControlsEx(&controls);
  if (!richEdit_) richEdit_ = ::LoadLibraryW(kRichEditLibrary);
}

void CArkwellApp::StartGdiPlus() {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&gdiplusToken_, &input, nullptr) != Gdiplus::Ok) gdiplusToken_ = 0;
}

void CArkwellApp::StopGdiPlus() {
  if (gdiplusToken_) Gdiplus::GdiplusShutdown(gdiplusToken_);
  gdiplusToken_ = 0;
}

StartOutcome CArkwellApp::Run(const wchar_t* commandLine) {
  InitControls();
  if (IsCloseCommand(commandLine)) {
    CloseRunningCopies(options_.instanceName);
    return StartOutcome::kClosedCopies;
  }
  ReloadLanguage();
  // Written back at once: the first start of a user creates the key.
  vk::LoadSettings(settings_, options_.settings);
  SaveSettings();
  StartGdiPlus();
  StartOutcome outcome = StartOutcome::kHandedOver;
  if (ProbeInstance(options_.instanceName, true) == kNoCopyRunning) {
    if (options_.runTrayWindow) options_.runTrayWindow(*this);
    outcome = StartOutcome::kRanTrayWindow;
  }
  StopGdiPlus();
  SaveSettings();
  // The service may be back by now: the next start is to come up in the
  // language the user chose.
  if (languageUnstored_) languageUnstored_ = !StoreChosenLanguage();
  return outcome;
}

}  // namespace vk
