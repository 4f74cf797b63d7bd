#include "service/UpdateCheck.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <cwchar>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/Handle.h"
#include "common/VersionResource.h"

namespace vk::svc {

// The context's handles under its lock: the worker keeps each one it opens,
// and Cancel() or the deadline closes them from another thread. Once closed
// for a download, no handle opened later in it is kept.
class DownloadHandles {
 public:
  explicit DownloadHandles(DownloadContext& context) : c_(context) {}

  // Starts a download; false when the context was cancelled.
  bool Begin() {
    std::lock_guard<std::mutex> hold(c_.lock_);
    c_.closedForDownload_ = c_.cancelled_;
    return !c_.closedForDownload_;
  }
  HINTERNET KeepSession(HINTERNET h) { return Keep(c_.session_, h); }
  HINTERNET KeepConnection(HINTERNET h) { return Keep(c_.connection_, h); }
  HINTERNET KeepRequest(HINTERNET h) { return Keep(c_.request_, h); }
  void CloseRequest() {
    std::lock_guard<std::mutex> hold(c_.lock_);
    c_.request_.Reset();
  }
  void CloseAll() {
    std::lock_guard<std::mutex> hold(c_.lock_);
    c_.closedForDownload_ = true;
    c_.request_.Reset();
    c_.connection_.Reset();
    c_.session_.Reset();
  }

 private:
  HINTERNET Keep(InternetHandle& slot, HINTERNET h) {
    InternetHandle owned(h);
    std::lock_guard<std::mutex> hold(c_.lock_);
    if (c_.closedForDownload_) return nullptr;  // `owned` closes it
    slot = std::move(owned);
    return slot.Get();
  }

  DownloadContext& c_;
};

namespace {

constexpr DWORD kContentLengthBytes = 64;
constexpr DWORD kUrlValueBytes = 522;

constexpr DWORD kFirstRedirectStatus = 300;
constexpr DWORD kLastRedirectStatus = 399;

void DeleteTempFile(DownloadContext& context) {
  if (context.tempFile[0]) ::DeleteFileW(context.tempFile);
  context.tempFile[0] = 0;
}

// Sets the time-outs and retries of `handle`; a failed set fails the
// download. The options are not queried first: their old values are of no
// use, and some WinINet implementations cannot report them.
bool SetOptions(HINTERNET handle, DWORD timeoutMs) {
  const struct {
    DWORD option, value;
  } options[] = {
      {INTERNET_OPTION_CONNECT_TIMEOUT, timeoutMs},
      {INTERNET_OPTION_CONNECT_RETRIES, kConnectRetries},
      {INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, timeoutMs},
      {INTERNET_OPTION_RECEIVE_TIMEOUT, timeoutMs},
  };
  for (const auto& o : options) {
    DWORD value = o.value;
    if (!::InternetSetOptionW(handle, o.option, &value, sizeof(value))) return false;
  }
  return true;
}

// The body's length from Content-Length; false when missing, not a number,
// or larger than an update INI can be.
bool ContentLength(HINTERNET request, uint32_t* length) {
  wchar_t text[kContentLengthBytes / sizeof(wchar_t)] = {};
  DWORD bytes = sizeof(text) - sizeof(wchar_t);
  if (!::HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, text, &bytes, nullptr)) return false;
  wchar_t* end = nullptr;
  unsigned long long n = std::wcstoull(text, &end, 10);
  if (end == text || n > kMaxUpdateIniBytes) return false;
  *length = static_cast<uint32_t>(n);
  return true;
}

// Reads the body in the pieces that have arrived, so that a stop or the
// deadline is seen between any two of them even where closing the request
// does not end a read that waits for a full buffer.
bool ReadBody(HINTERNET request, uint32_t length, std::vector<char>& body,
              const std::function<bool()>& stopped) {
  body.assign(length + 1, 0);
  DWORD total = 0;
  while (total < body.size()) {
    DWORD ready = 0;
    if (stopped() || !::InternetQueryDataAvailable(request, &ready, 0, 0)) return false;
    if (ready == 0) break;  // end of the body
    DWORD got = 0;
    DWORD want = std::min<DWORD>(ready, static_cast<DWORD>(body.size() - total));
    if (stopped() || !::InternetReadFile(request, body.data() + total, want, &got)) return false;
    if (got == 0) break;
    total += got;
  }
  body.resize(total);
  return !stopped();
}

bool WriteTempFile(const std::vector<char>& body, DownloadContext& context) {
  wchar_t folder[MAX_PATH + 1];
  DWORD n = ::GetTempPathW(MAX_PATH + 1, folder);
  if (n == 0 || n > MAX_PATH) return false;
  if (!::GetTempFileNameW(folder, kTempPrefix, 0, context.tempFile)) {
    context.tempFile[0] = 0;
    return false;
  }
  FileHandle file(::CreateFileW(context.tempFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.Get(), body.data(), static_cast<DWORD>(body.size()), &written,
                     nullptr) &&
         written == body.size();
}

// True when the answer is a redirect, which is not followed: the INI comes
// from the configured server or not at all.
bool IsRedirect(HINTERNET request) {
  DWORD status = 0, bytes = sizeof(status);
  if (!::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &bytes,
                        nullptr))
    return false;  // no status line: not a redirect, the length decides
  return status >= kFirstRedirectStatus && status <= kLastRedirectStatus;
}

// Ends the download in progress when the context's deadline passes, by
// closing its handles: the blocking call that uses one returns at once, or
// where closing does not end it, at the request's time-out.
class Deadline {
 public:
  Deadline(DownloadContext& context, DWORD ms)
      : thread_([this, &context, ms] { Run(context, ms); }) {}
  ~Deadline() {
    {
      std::lock_guard<std::mutex> hold(lock_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;
  bool Expired() const { return expired_; }

 private:
  void Run(DownloadContext& context, DWORD ms) {
    try {
      std::unique_lock<std::mutex> hold(lock_);
      if (wake_.wait_for(hold, std::chrono::milliseconds(ms), [this] { return done_; })) return;
      expired_ = true;
      hold.unlock();
      DownloadHandles(context).CloseAll();
    } catch (...) {
    }
  }

  std::mutex lock_;
  std::condition_variable wake_;
  bool done_ = false;
  std::atomic<bool> expired_{false};
  std::thread thread_;  // last: starts once the members above exist
};

bool Fetch(const wchar_t* url, DownloadContext& context) {
  wchar_t host[kPathChars], object[kPathChars], referrer[kPathChars];
  INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
  if (!SplitUpdateUrl(url, host, &port, object, referrer)) return false;
  DownloadHandles handles(context);
  if (!handles.Begin()) return false;  // the service is stopping
  Deadline deadline(context, context.deadlineMs);
  HINTERNET session = handles.KeepSession(
      ::InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session || !SetOptions(session, kNetTimeoutMs)) return false;
  HINTERNET connection = handles.KeepConnection(::InternetConnectW(
      session, host, port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return false;
  constexpr DWORD kRequestFlags =
      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;
  HINTERNET request = handles.KeepRequest(::HttpOpenRequestW(
      connection, L"GET", object, nullptr, referrer, nullptr, kRequestFlags, 0));
  // The time-outs on the request as well, none longer than the deadline: a
  // WinINet that does not hand the session's on to its requests waits
  // without end for a server that stops sending, and closing the handles
  // (the deadline, the service's stop) does not end that wait.
  if (request && !SetOptions(request, std::min(kNetTimeoutMs, context.deadlineMs)))
    request = nullptr;  // closed with the others
  uint32_t length = 0;
  std::vector<char> body;
  auto stopped = [&] { return deadline.Expired() || context.Cancelled(); };
  bool ok = request && ::HttpSendRequestW(request, nullptr, 0, nullptr, 0) &&
            !IsRedirect(request) && ContentLength(request, &length) &&
            ReadBody(request, length, body, stopped) && WriteTempFile(body, context);
  handles.CloseRequest();
  return ok;
}

// The decimal number at the start of `s` (0 when there is none), saturated.
int32_t LeadingNumber(const wchar_t* s) {
  int64_t v = 0;
  for (; *s >= L'0' && *s <= L'9'; ++s) {
    v = v * 10 + (*s - L'0');
    if (v > INT32_MAX) return INT32_MAX;
  }
  return static_cast<int32_t>(v);
}

}  // namespace

bool DownloadToTempFile(const wchar_t* url, DownloadContext& context) {
  CloseDownload(context);  // start clean
  if (Fetch(url, context)) return true;
  CloseDownload(context);
  return false;
}

void CloseDownload(DownloadContext& context) {
  DeleteTempFile(context);
  DownloadHandles(context).CloseAll();
}

void DownloadContext::Cancel() {
  cancelled_ = true;
  DownloadHandles(*this).CloseAll();
}

bool ReadUpdateIni(const wchar_t* iniPath, _SVC_UPDINFO& record, int32_t currentMajor,
                   int32_t currentMinor) {
  record.nLatestMajor = 0;
  record.nLatestMinor = 0;
  record.nLatestMajor =
      static_cast<int32_t>(::GetPrivateProfileIntW(kIniSection, L"Major", -1, iniPath));
  if (record.nLatestMajor <= 0) return false;
  record.nLatestMinor =
      static_cast<int32_t>(::GetPrivateProfileIntW(kIniSection, L"Minor", -1, iniPath));
  if (record.nLatestMinor < 0) return false;
  ::GetPrivateProfileStringW(kIniSection, L"URL", L"", record.szURL, kPathChars, iniPath);
  if (!record.szURL[0]) return false;
  ::GetPrivateProfileStringW(kIniSection, L"SetupURL", L"", record.szSetupURL, kPathChars,
                             iniPath);
  wchar_t setupName[kMaxInstallerNameChars + 1];
  if (!SetupFileName(record.szSetupURL, setupName)) {
    record.szSetupURL[0] = 0;  // as if the INI had none
    return false;
  }
  return record.nLatestMajor > currentMajor ||
         (record.nLatestMajor == currentMajor && record.nLatestMinor > currentMinor);
}

void ParseFileVersion(const wchar_t* text, int32_t* major, int32_t* minor) {
  *major = LeadingNumber(text);
  const wchar_t* dot = std::wcschr(text, L'.');
  *minor = dot ? LeadingNumber(dot + 1) : 0;
}

void ReadOwnFileVersion(int32_t* major, int32_t* minor) {
  *major = 0;
  *minor = 0;
  VersionResource resource(OwnModulePath().c_str());
  std::wstring text;
  if (resource.String(kFileVersionName, &text)) ParseFileVersion(text.c_str(), major, minor);
}

void CheckForUpdate(ServiceData& data, DownloadContext& context, const wchar_t* serviceKeyPath) {
  ServiceData::Lock lock(data);
  if (!lock.Held()) return;
  DWORD language = 0, bytes = sizeof(language);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, serviceKeyPath, kLanguageValue, RRF_RT_REG_DWORD, nullptr,
                     &language, &bytes) != ERROR_SUCCESS)
    language = 0;
  wchar_t name[32];
  std::swprintf(name, 32, L"%ls%lu", kUrlValuePrefix, static_cast<unsigned long>(language));
  wchar_t url[kUrlValueBytes / sizeof(wchar_t) + 1] = {};
  bytes = kUrlValueBytes;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, serviceKeyPath, name, RRF_RT_REG_SZ, nullptr, url,
                     &bytes) != ERROR_SUCCESS ||
      !url[0])
    return;
  if (!DownloadToTempFile(url, context)) return;
  data.update.bUpdateAvailable =
      ReadUpdateIni(context.tempFile, data.update, data.update.nCurrentMajor,
                    data.update.nCurrentMinor)
          ? 1
          : 0;
  ++data.update.nCheckCount;
  CloseDownload(context);
}

}  // namespace vk::svc
