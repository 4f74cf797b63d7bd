// A page of a window's content area: a child dialog from its own template,
// placed and sized by the window that holds it, and told each time it
// becomes the current page. Until a page of the program has controls of its
// own, this class itself fills its slot as an empty page.
#pragma once
#include <windows.h>

#include "controls/Window.h"

namespace vk {

class CPage : public Dialog {
 public:
  CPage() = default;

  // Creates the page hidden and disabled as a child of `parent` at `at`,
  // `size` pixels, just after `after` in the z-order (null: at the top); the
  // page's control id becomes its template id, so that other programs can
  // find it. False when the template cannot be created.
  bool Create(HWND parent, UINT templateId, POINT at, SIZE size, HWND after);
  UINT TemplateId() const { return templateId_; }

  // The page becomes the current one: `slot` is the window's page number
  // (one page object may fill two slots) and `comingBack` is set when the
  // user returns to it rather than entering it afresh.
  virtual void Enter(int /*slot*/, bool /*comingBack*/) {}
  // Called just before Enter. The pages live as long as the main window,
  // and the Setting page changes the language meanwhile: a page that sets
  // its fonts and fixed texts once sets them again here when the language
  // is no longer the one they were set in.
  virtual void ApplyLanguage() {}

 protected:
  BOOL OnInitDialog() override;

 private:
  UINT templateId_ = 0;
};

}  // namespace vk
