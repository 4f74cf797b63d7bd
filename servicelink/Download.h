// The installer download of the download window: the file named by the
// update record's setup URL, fetched over HTTP on a thread of its own into
// the user's profile temporary folder, then checked against its detached
// signature (setup URL + ".sig") before anyone may start it.
//
// The window creates one InstallerDownload, calls Start(), reads the
// progress from its timer, calls Cancel() for Cancel and the close button,
// and acts on the result that arrives with its message:
//   kDownloadDone       register LocalPath() for deletion at restart, start
//                       it, end the program (while this object still lives:
//                       it keeps the checked file from being changed);
//   kDownloadCancelled  close without a message;
//   anything else       the failure message, then close.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/Handle.h"
#include "common/Messages.h"
#include "servicelink/InstallerSignature.h"

namespace vk::link {

// Results (the download window maps every one but 0 and 2 to its failure
// message).
inline constexpr int kDownloadDone = 0;
inline constexpr int kDownloadCancelled = 2;   // also during a failing step's wait
inline constexpr int kDownloadNoSession = 3;   // session or connection not set up, or a
                                               // setup URL that names no plain installer
inline constexpr int kDownloadFailed = 5;      // request, status, length or body failed
inline constexpr int kDownloadFileError = 6;   // the local file not created or written
inline constexpr int kDownloadUnverified = 7;  // signature missing, malformed or wrong

inline constexpr wchar_t kInstallerUserAgent[] = L"CORVANE_FWUPDATE2016";
inline constexpr wchar_t kSignatureSuffix[] = L".sig";
// The largest installer taken; a longer Content-Length is refused before a
// byte is written.
inline constexpr uint32_t kMaxInstallerBytes = 256u * 1024 * 1024;
inline constexpr DWORD kReadBlockBytes = 512;
inline constexpr DWORD kDownloadTimeoutMs = 30000;
inline constexpr DWORD kDownloadConnectRetries = 5;
// How long a failed request, send or length query waits before it reports
// (499 steps of 10 ms); a cancel ends the wait at once.
inline constexpr DWORD kFailureWaitMs = 4990;

// The bar's value for `received` of `total` bytes: 0 while either is 0,
// 100 once received reaches total, else (100 / total) × received in floating
// point, truncated, and at least 1.
int DownloadPercent(uint32_t received, uint32_t total);

// The user's profile temporary folder (profile folder + "\AppData\Local\Temp",
// the one folder the service's delete-at-restart accepts), created if it is
// missing; empty when the profile folder cannot be found.
std::wstring ProfileTempFolder();

struct DownloadOptions {
  DWORD failureWaitMs = kFailureWaitMs;     // tests shorten it
  DWORD timeoutMs = kDownloadTimeoutMs;     // connect and receive; tests shorten it
  PublicKeyBlob key = BuiltInUpdateKey();   // tests may pass another
};

class InstallerDownload {
 public:
  // The local path is fixed here: ProfileTempFolder() + the setup URL's
  // installer file name; empty when the URL names no plain installer.
  explicit InstallerDownload(const wchar_t* setupUrl, DownloadOptions options = {});
  // Cancels a download still running and waits for its thread.
  ~InstallerDownload();
  InstallerDownload(const InstallerDownload&) = delete;
  InstallerDownload& operator=(const InstallerDownload&) = delete;

  // Starts the download thread (once). When it ends, `message` is posted to
  // `window` (when given) with the result as lParam. False when it could not
  // be started (the window then reports kDownloadFailed).
  bool Start(HWND window = nullptr, UINT message = kMsgDownloadEnded);
  // The whole download on the calling thread; returns the result.
  int Run();
  // From any thread at any time: the download ends with kDownloadCancelled
  // and the partial file is deleted.
  void Cancel();
  // Waits for the thread to end (after Start).
  void Join();
  // From the window's thread: the end is no longer posted to the window.
  void StopNotifying() { window_ = nullptr; }

  // Progress, written by the download, read by the window's timer.
  bool Started() const { return started_; }
  uint32_t Total() const { return total_; }
  uint32_t Received() const { return received_; }
  int Percent() const { return DownloadPercent(received_, total_); }
  bool Finished() const { return finished_; }
  int Result() const { return result_; }  // once Finished()
  const std::wstring& LocalPath() const { return localPath_; }

 private:
  class Session;
  int Fetch();
  int FetchInstaller(const wchar_t* object, const wchar_t* referrer);
  int FetchSignature(std::vector<uint8_t>& signature);
  int Verify(const std::vector<uint8_t>& signature);
  // The failure wait; false when a cancel ended it.
  bool WaitUnlessCancelled();
  void Discard();

  std::wstring url_;
  std::wstring localPath_;
  DownloadOptions options_;
  KernelHandle cancelEvent_;  // set by Cancel(): ends waits at once
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> started_{false};
  std::atomic<bool> finished_{false};
  std::atomic<uint32_t> total_{0};
  std::atomic<uint32_t> received_{0};
  std::atomic<int> result_{kDownloadFailed};
  // The checked installer, open for reading with write and delete sharing
  // refused, so the file that was checked is the one that starts.
  FileHandle verified_;
  std::unique_ptr<Session> session_;  // the internet handles, closed by Cancel()
  std::atomic<HWND> window_{nullptr};  // told of the end, until StopNotifying()
  std::thread thread_;
};

// Cancels `download` and lets it end on a thread of its own, so that a
// window need not wait for a read that only its time-out ends; the partial
// file is gone when it does end, or when the program ends before it.
void FinishInBackground(std::unique_ptr<InstallerDownload> download);

}  // namespace vk::link
