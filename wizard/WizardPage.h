// What the plan wizard's pages share: placing their texts and buttons in the
// main window's skin, asking questions through the main window, carrying out
// a step the rules decided, and reading the selected disk's partitions.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "controls/CImageButton.h"
#include "controls/Page.h"
#include "shell/TrayHost.h"
#include "common/Texts.h"
#include "shell/MainWindowRules.h"
#include "wizard/PlanWizardRules.h"

namespace vk {

// Page geometry, in page pixels (560 x 320).
constexpr RECT kWizPromptRect = {20, 14, 540, 64};
constexpr RECT kWizNextRect = {402, 256, 402 + 138, 256 + 52};
constexpr RECT kWizBackRect = {250, 256, 250 + 138, 256 + 52};
constexpr RECT kWizBodyRect = {20, 70, 540, 244};

// The partitions of the drive letters in `letterMask`, ascending: file
// system and total size as the volume reports them (empty and 0 when it
// does not answer).
std::vector<PartitionEntry> ReadPartitions(uint32_t letterMask);
// What tells one volume from another under the same letter: its serial
// number and the file index of its root folder. False when it does not answer.
bool VolumeStampOf(int drive, uint32_t* serial, uint64_t* rootIndex);

class WizardPage : public CPage {
 public:
  // The fonts and texts of every SetUpText, again in the current language
  // when it changed since they were set; then OnLanguageChanged.
  void ApplyLanguage() override;

 protected:
  // A static text: placed, in the page font, with text `textId` (0: left empty).
  void SetUpText(UINT id, const RECT& rc, uint32_t textId);
  void SetUpButton(CImageButton& button, UINT id, const RECT& rc, uint32_t textId);
  void SetText(UINT id, const std::wstring& text) const;
  // The read-only summary box of the plan (pages 5 and 6): `text` on the
  // page's colours, the system's light scroll bar only while the text does
  // not fit.
  void ShowSummary(UINT id, const std::wstring& text) const;
  // The box takes the keyboard focus when the page does; the dialog then
  // selects all its text, which would show the whole plan highlighted, and
  // the box shows a caret though nothing can be typed.
  void OnSummaryCommand(UINT id, UINT code) const;
  void Enable(UINT id, bool on) const;
  void Show(UINT id, bool on) const;

  // A message window of the main window; Cancel when there is none.
  INT_PTR Ask(const std::wstring& text, uint32_t type, const MessageOptions& options = {}) const;
  INT_PTR Ask(uint32_t textId, uint32_t type) const { return Ask(GetText(textId), type); }
  static std::wstring GetText(uint32_t textId);

  // Carries out a step: its error message, the start page or another page.
  void Go(const WizardStep& step) const;
  static void GoToStartPage();
  static PageContext* Context();
  // Takes `drive` as the wizard's partition and remembers its volume.
  static void Choose(int drive);
  // The chosen partition still belongs to the selected disk and is the
  // volume that was chosen.
  static bool ChosenTargetPresent();
  // The same, with a disk that went away reported and the start page shown.
  bool TargetStillThere() const;

  // What a page sets up beyond SetUpText (list lines, other fonts), set
  // again in the new language.
  virtual void OnLanguageChanged() {}

 private:
  struct TextSlot {
    UINT id;
    uint32_t textId;  // 0: the page sets the text itself
  };
  std::vector<TextSlot> slots_;
  uint32_t slotsLanguage_ = 0;
};

}  // namespace vk
