// The daily check for a newer release: download the update INI over HTTP,
// read its four keys, compare with the service's own file version.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <mutex>

#include "common/Handle.h"

#include "service/ServiceData.h"

namespace vk::svc {

inline constexpr wchar_t kUserAgent[] = L"Corvane Tool-Client";
inline constexpr wchar_t kUrlValuePrefix[] = L"URL";
inline constexpr wchar_t kIniSection[] = L"VKP";
inline constexpr wchar_t kTempPrefix[] = L"VKP";
inline constexpr DWORD kNetTimeoutMs = 30000;
inline constexpr DWORD kConnectRetries = 5;
// An update INI is a few hundred bytes; a larger body is not one.
inline constexpr uint32_t kMaxUpdateIniBytes = 64 * 1024;

// The whole download, from connecting to the last byte: a server that
// answers slowly but within each read's time-out must not keep the worker
// (which answers every request) busy for longer.
inline constexpr DWORD kUpdateCheckDeadlineMs = 60000;

// The download context of the worker: the temporary file and the internet
// handles. Cancel() may be called from any thread (the service's stop path)
// and ends a download in progress at once; every later download fails.
class DownloadContext {
 public:
  DownloadContext() = default;
  DownloadContext(const DownloadContext&) = delete;
  DownloadContext& operator=(const DownloadContext&) = delete;

  void Cancel();
  bool Cancelled() const { return cancelled_; }

  wchar_t tempFile[MAX_PATH] = {};  // empty when there is none
  // The bound on one whole download; tests use a short one.
  DWORD deadlineMs = kUpdateCheckDeadlineMs;

 private:
  friend class DownloadHandles;
  std::mutex lock_;  // guards the handles against Cancel() and the deadline
  InternetHandle session_, connection_, request_;
  bool closedForDownload_ = false;  // the current download's handles were closed
  std::atomic<bool> cancelled_{false};
};

// The longest installer file name a setup URL may name.
inline constexpr size_t kMaxInstallerNameChars = 64;

// True for a plain installer file name: only ASCII letters, digits, '-', '_'
// and '.', not starting with a dot, ending in ".exe", at most
// kMaxInstallerNameChars long. The name comes from an INI fetched over plain
// HTTP and decides which file the service will delete: nothing that could
// name a folder, a stream, a device or a system file by another spelling.
bool IsPlainInstallerName(const wchar_t* name);

// The file name of a setup URL (after its last '/', without a query or
// fragment) into `name`; false when it is not a plain installer name.
bool SetupFileName(const wchar_t* setupUrl, wchar_t (&name)[kMaxInstallerNameChars + 1]);

// Splits "http://host/path" or "http://host:port/path" into its host, port
// (80 when none is given), object path ("/path") and referrer
// ("http://host:port/"). False for anything else: such a URL is not fetched.
bool SplitUpdateUrl(const wchar_t* url, wchar_t (&host)[kPathChars], INTERNET_PORT* port,
                    wchar_t (&object)[kPathChars], wchar_t (&referrer)[kPathChars]);

// HTTP GET of `url` into a new temporary file named in the context. On
// success the session and connection stay open (CloseDownload closes them).
// Redirects are not followed (an answer 300..399 fails the download), and
// the whole download ends in failure after the context's deadline.
bool DownloadToTempFile(const wchar_t* url, DownloadContext& context);

// Deletes the temporary file if it exists and closes the internet handles.
void CloseDownload(DownloadContext& context);

// Fills the record's INI fields in order, stopping at the first missing or
// invalid one; true when the INI names a version newer than major.minor. A
// SetupURL whose file name is not a plain installer name counts as missing.
bool ReadUpdateIni(const wchar_t* iniPath, _SVC_UPDINFO& record, int32_t currentMajor,
                   int32_t currentMinor);

// "1.41.0508" -> 1, 41; no '.' gives minor 0.
void ParseFileVersion(const wchar_t* text, int32_t* major, int32_t* minor);
// The FileVersion of this program's version resource, or 0.0.
void ReadOwnFileVersion(int32_t* major, int32_t* minor);

// The whole check, under the drive semaphore; the URL is the value
// "URL<Language>" under `serviceKeyPath`.
void CheckForUpdate(ServiceData& data, DownloadContext& context,
                    const wchar_t* serviceKeyPath = kServiceKeyPath);

}  // namespace vk::svc
