#include "shell/TrayRules.h"

#include "resources/ResourceIds.h"
#include "shell/AppTexts.h"

namespace vk {

TrayMenuState TrayMenuItems(bool mainWindowOpen, uint32_t modalCount, bool jobRunning) {
  const bool idleWindows = !mainWindowOpen && modalCount == 0;
  return {idleWindows, idleWindows && !jobRunning};
}

int HandleProgress(ProgressHost& host, uint32_t phase, const wchar_t* path, uint32_t percent) {
  if (host.CancelFlag() || phase == kPhaseCheckOnly) return host.CancelFlag() ? 1 : 0;
  if (phase == kPhaseBackup || phase == kPhaseRestore) {
    if (path != nullptr) host.SetCurrentItem(path);
    host.SetPercent(percent);
    const ProgressPage page = phase == kPhaseBackup ? ProgressPage::kBackup : ProgressPage::kRestore;
    if (host.CancelRequested() && host.PageOpen(page)) host.ConfirmCancel(page, path, percent);
  } else if (phase == kPhaseOverwriteQuery) {
    if (path != nullptr && host.PageOpen(ProgressPage::kRestore)) host.AskOverwrite(path, percent);
  }
  return host.CancelFlag() ? 1 : 0;
}

std::wstring JobTipText(JobKind kind, uint32_t percent) {
  std::wstring tip = GetString(kind == JobKind::kBackup ? txt::kTrayTipBackup : txt::kTrayTipRestore,
                               static_cast<int>(percent));
  if (tip.size() > kMaxIconTipChars) tip.resize(kMaxIconTipChars);
  return tip;
}

UINT BusyFrameIcon(uint32_t frame) { return IDI_BUSY_0 + frame % kBusyFrameCount; }

uint32_t NextBusyFrame(uint32_t frame) { return (frame % kBusyFrameCount + 1) % kBusyFrameCount; }

}  // namespace vk
