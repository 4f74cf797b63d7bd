// The download window: fetches the installer named by the update record on
// a thread of its own (servicelink/Download), shows the progress every
// 300 ms, and cancels on Cancel or the close button, staying until the
// download reports. A checked download is registered for deletion at the
// next restart through the service and started; the caller then ends the
// program. On a failure the caller shows the failure message once this
// window has gone.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "controls/SkinnedModal.h"
#include "controls/CProgressCtrlEx.h"
#include "servicelink/Download.h"

namespace vk {

// End codes of the window.
constexpr INT_PTR kDownloadStarted = 1;    // the installer was started: end the program
constexpr INT_PTR kDownloadCancelledEnd = 2;
constexpr INT_PTR kDownloadFailedEnd = 3;  // show the failure message

class CDlDlg : public SkinnedModal {
 public:
  explicit CDlDlg(std::wstring setupUrl, link::DownloadOptions options = {})
      : setupUrl_(std::move(setupUrl)), options_(std::move(options)) {}

  INT_PTR Run(HWND owner);
  bool CreateForCheck(HWND owner);

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnPaint(HDC dc) override;
  void OnTimer(UINT_PTR id) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result) override;

 private:
  void SetUpControls();
  void OnDownloadEnded(int result);
  bool StartInstaller();

  std::wstring setupUrl_;
  link::DownloadOptions options_;
  bool forCheck_ = false;
  // Lives as long as the window object, so the checked file stays locked
  // until the program ends.
  std::unique_ptr<link::InstallerDownload> download_;
  CImageButton close_, cancel_;
  CProgressCtrlEx bar_;
  SkinImage background_, picture_;
};

}  // namespace vk
