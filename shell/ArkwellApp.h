// The application object of the interactive program: it reads the language
// and the per-user settings, starts GDI+, makes sure it is the only copy in
// the logon session and then lives inside the notification window until
// that window ends.
#pragma once
#include <windows.h>
#include <cstdint>

#include "shell/AppTexts.h"
#include "shell/Instance.h"
#include "shell/Settings.h"

namespace vk {

class CArkwellApp;

// Runs the hidden notification window until it ends. Left empty, start-up
// ends where that window would be created.
using TrayWindowRunner = void (*)(CArkwellApp& app);

// Asks the service to keep `language` as its "Language" value for the next
// start; true when the service stored it.
using LanguageStore = bool (*)(uint32_t language);

// Where start-up looks: the normal places unless a test changes them.
struct AppOptions {
  SettingsLocation settings;
  const wchar_t* serviceKey = kServiceKeyPath;
  const wchar_t* instanceName = kInstanceName;
  TrayWindowRunner runTrayWindow = nullptr;
  // Left empty, a chosen language is never stored.
  LanguageStore storeLanguage = nullptr;
};

// What start-up did, for the caller and for tests.
enum class StartOutcome {
  kClosedCopies,     // command line "U"
  kHandedOver,       // another copy holds the name; one of this session was asked to open
  kRanTrayWindow,    // this copy ran (or would have run) the notification window
};

class CArkwellApp {
 public:
  explicit CArkwellApp(const AppOptions& options = {});
  ~CArkwellApp();
  CArkwellApp(const CArkwellApp&) = delete;
  CArkwellApp& operator=(const CArkwellApp&) = delete;

  // The start-up steps, in order; `commandLine` is what follows the program
  // name. Settings are saved once more at the end.
  StartOutcome Run(const wchar_t* commandLine);

  // The program's language index (as read; texts clamp it to 0..7).
  uint32_t Language() const;
  void SetLanguage(uint32_t language);
  // The language the user chose: in use at once, and handed to the service
  // for the next start. When the service does not take it, the choice still
  // holds for this run and is handed over again at each ReloadLanguage and
  // at the end of the run, until the service takes it.
  void ApplyLanguage(uint32_t language);
  // Takes the language from the service's key again (missing: English); the
  // main window does so each time it opens. A choice the service has not
  // stored yet is offered to it again and stays in use either way: the key
  // still holds the language the user left.
  void ReloadLanguage();
  // Whether a language chosen in this run still waits to be stored.
  bool LanguageUnstored() const { return languageUnstored_; }

  // The settings record, loaded at start; every change is followed by Save.
  _SCHEDULE_SETTINGS& Settings() { return settings_; }
  bool SaveSettings();

  // The one application object of the process, or null.
  static CArkwellApp* Current();

 private:
  static bool IsCloseCommand(const wchar_t* commandLine);
  void InitControls();
  void StartGdiPlus();
  void StopGdiPlus();
  bool StoreChosenLanguage();

  AppOptions options_;
  _SCHEDULE_SETTINGS settings_ = {};
  ULONG_PTR gdiplusToken_ = 0;
  HMODULE richEdit_ = nullptr;
  uint32_t chosenLanguage_ = 0;
  bool languageUnstored_ = false;
};

}  // namespace vk
