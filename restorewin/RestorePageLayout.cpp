#include "restorewin/RestorePageLayout.h"

#include "resources/ResourceIds.h"
#include "shell/TrayHost.h"

namespace vk {
namespace {

constexpr int kOptionFrame = 16, kOptionMargin = 5;

}  // namespace

void SetUpTextButton(CImageButton& button) {
  button.SetImage(IDP_TEXT_BUTTON, kTextButtonWidth, kTextButtonHeight);
  button.SetTextMode(true);
  button.SetBackground(kDarkBackground);
  button.SetFocusFrame(true);
}

void SetUpOption(CCheckBtn& option) {
  option.SetImages(IDP_OPTION_OFF, IDP_OPTION_ON, kOptionFrame, kOptionFrame);
  option.SetColours(kDarkBackground, kTextWhite, kTextGrey);
  option.SetLeftMargin(kOptionMargin);
}

ModalCounter::ModalCounter() {
  if (MainWindowLink* main = MainWindow()) main->AddModal(1);
}

ModalCounter::~ModalCounter() {
  if (MainWindowLink* main = MainWindow()) main->AddModal(-1);
}

}  // namespace vk
