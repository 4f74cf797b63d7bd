#include "servicelink/Download.h"

#include <wininet.h>
#include <userenv.h>

#include <algorithm>
#include <cwchar>
#include <mutex>

#include "channel/UpdateUrl.h"

namespace vk::link {

// The internet handles of one download under a lock: Cancel() closes them
// from the window's thread, which ends a waiting call on the download's
// thread, and a handle opened after that is closed at once.
class InstallerDownload::Session {
 public:
  explicit Session(DWORD timeoutMs) : timeoutMs_(timeoutMs) {}

  // Opens the session and the connection; false on failure or after a cancel.
  bool Open(const wchar_t* host, INTERNET_PORT port) {
    HINTERNET session = Keep(
        session_, ::InternetOpenW(kInstallerUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                  nullptr, 0));
    return session && SetOptions(session) &&
           Keep(connection_, ::InternetConnectW(session, host, port, nullptr, nullptr,
                                                INTERNET_SERVICE_HTTP, 0, 0));
  }
  // A GET request for `object`, not sent yet. Redirects are not followed:
  // the installer comes from the setup URL or not at all. The time-outs are
  // set on the request as well: a WinINet that does not hand the session's
  // on to its requests waits without end for a server that stops sending,
  // and closing the handles does not end that wait either.
  HINTERNET Request(const wchar_t* object, const wchar_t* referrer) {
    constexpr DWORD kFlags =
        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;
    HINTERNET connection = connection_.Get();
    HINTERNET request = Keep(request_, ::HttpOpenRequestW(connection, L"GET", object, nullptr,
                                                          referrer, nullptr, kFlags, 0));
    if (request && SetOptions(request)) return request;
    CloseRequest();
    return nullptr;
  }
  void CloseRequest() {
    std::lock_guard<std::mutex> hold(lock_);
    request_.Reset();
  }
  void CloseAll() {
    std::lock_guard<std::mutex> hold(lock_);
    closed_ = true;
    request_.Reset();
    connection_.Reset();
    session_.Reset();
  }

 private:
  HINTERNET Keep(InternetHandle& slot, HINTERNET h) {
    InternetHandle owned(h);
    std::lock_guard<std::mutex> hold(lock_);
    if (closed_ || !owned) return nullptr;  // `owned` closes it
    slot = std::move(owned);
    return slot.Get();
  }
  // The time-outs and retries of `handle`; the old values are not queried
  // first, as some WinINet implementations cannot report them.
  bool SetOptions(HINTERNET handle) const {
    const struct {
      DWORD option, value;
    } options[] = {
        {INTERNET_OPTION_CONNECT_TIMEOUT, timeoutMs_},
        {INTERNET_OPTION_CONNECT_RETRIES, kDownloadConnectRetries},
        {INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, timeoutMs_},
        {INTERNET_OPTION_RECEIVE_TIMEOUT, timeoutMs_},
    };
    for (const auto& o : options) {
      DWORD value = o.value;
      if (!::InternetSetOptionW(handle, o.option, &value, sizeof(value))) return false;
    }
    return true;
  }

  const DWORD timeoutMs_;
  std::mutex lock_;
  bool closed_ = false;
  InternetHandle session_, connection_, request_;
};

namespace {

constexpr DWORD kHttpOk = 200;
constexpr DWORD kLengthTextChars = 32;
constexpr double kFullPercent = 100.0;
constexpr int kDonePercent = 100;

// Sends the request and takes the answer only when its status is 200: an
// error page or a redirect is no installer.
bool SendAndCheck(HINTERNET request) {
  if (!request || !::HttpSendRequestW(request, nullptr, 0, nullptr, 0)) return false;
  DWORD status = 0, bytes = sizeof(status);
  return ::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                          &bytes, nullptr) &&
         status == kHttpOk;
}

// Content-Length as sent, decimal digits only; false when missing or past
// 64 bits' worth of digits. The caller checks it against its maximum.
bool ContentLength(HINTERNET request, uint64_t* length) {
  wchar_t text[kLengthTextChars] = {};
  DWORD bytes = sizeof(text) - sizeof(wchar_t);
  if (!::HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, text, &bytes, nullptr) || !text[0])
    return false;
  uint64_t value = 0;
  for (const wchar_t* p = text; *p; ++p) {
    if (*p < L'0' || *p > L'9' || value > UINT64_MAX / 10 - 1) return false;
    value = value * 10 + static_cast<uint64_t>(*p - L'0');
  }
  *length = value;
  return true;
}

// Reads the next piece of the body (what has arrived, at most `most`
// bytes) into `buffer`; false when the body ended or a read failed. Reading
// what has arrived lets a cancel be seen between any two pieces.
bool ReadPiece(HINTERNET request, unsigned char* buffer, DWORD most, DWORD* got) {
  DWORD ready = 0;
  if (!::InternetQueryDataAvailable(request, &ready, 0, 0) || ready == 0) return false;
  *got = 0;
  return ::InternetReadFile(request, buffer, std::min(ready, most), got) && *got > 0;
}

}  // namespace

int DownloadPercent(uint32_t received, uint32_t total) {
  if (total == 0 || received == 0) return 0;
  if (received >= total) return kDonePercent;
  int value = static_cast<int>(kFullPercent / total * received);
  return std::max(value, 1);
}

std::wstring ProfileTempFolder() {
  KernelHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return {};
  wchar_t profile[MAX_PATH];
  DWORD chars = MAX_PATH;
  if (!::GetUserProfileDirectoryW(token.Get(), profile, &chars) || !profile[0]) return {};
  std::wstring folder = profile;
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  // "\AppData", then "\Local", then "\Temp": each created if missing.
  std::wstring rest = svc::kProfileTempFolder;
  for (size_t at = 0; at != std::wstring::npos;) {
    size_t next = rest.find(L'\\', at + 1);
    folder += rest.substr(at, next == std::wstring::npos ? next : next - at);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    at = next;
  }
  DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  return folder;
}

InstallerDownload::InstallerDownload(const wchar_t* setupUrl, DownloadOptions options)
    : url_(setupUrl ? setupUrl : L""),
      options_(options),
      cancelEvent_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      session_(std::make_unique<Session>(options.timeoutMs)) {
  wchar_t name[svc::kMaxInstallerNameChars + 1];
  if (!svc::SetupFileName(url_.c_str(), name)) return;
  std::wstring folder = ProfileTempFolder();
  if (!folder.empty() && folder.size() + 1 + std::wcslen(name) < MAX_PATH)
    localPath_ = folder + L"\\" + name;
}

InstallerDownload::~InstallerDownload() {
  Cancel();
  Join();
}

bool InstallerDownload::Start(HWND window, UINT message) {
  if (thread_.joinable()) return false;
  try {
    window_ = window;
    thread_ = std::thread([this, message] {
      try {
        Run();
      } catch (...) {
        result_ = kDownloadFailed;
        finished_ = true;
      }
      if (HWND window = window_.load())
        ::PostMessageW(window, message, 0, static_cast<LPARAM>(result_.load()));
    });
  } catch (...) {
    return false;
  }
  return true;
}

void InstallerDownload::Join() {
  if (thread_.joinable()) thread_.join();
}

void FinishInBackground(std::unique_ptr<InstallerDownload> download) {
  if (!download) return;
  download->StopNotifying();
  download->Cancel();
  // Marked for deletion now: the file goes when the download closes it, or
  // when the program ends first (a log-off, or an exit during the read's
  // time-out), instead of staying in the user's Temp folder.
  if (!download->LocalPath().empty()) ::DeleteFileW(download->LocalPath().c_str());
  try {
    // The destructor waits for the download's thread.
    std::thread([d = std::move(download)]() mutable { d.reset(); }).detach();
  } catch (...) {
    // No thread to wait on: the lambda that held it waited here.
  }
}

void InstallerDownload::Cancel() {
  cancelled_ = true;
  if (cancelEvent_) ::SetEvent(cancelEvent_.Get());
  session_->CloseAll();
}

int InstallerDownload::Run() {
  finished_ = false;
  started_ = false;
  total_ = 0;
  received_ = 0;
  int result = localPath_.empty() ? kDownloadNoSession : Fetch();
  if (cancelled_) {
    Discard();
    result = kDownloadCancelled;
  }
  result_ = result;
  finished_ = true;
  return result;
}

int InstallerDownload::Fetch() {
  wchar_t host[svc::kPathChars], object[svc::kPathChars], referrer[svc::kPathChars];
  INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
  int result = kDownloadNoSession;
  if (svc::SplitUpdateUrl(url_.c_str(), host, &port, object, referrer) &&
      session_->Open(host, port)) {
    result = FetchInstaller(object, referrer);
    std::vector<uint8_t> signature;
    if (result == kDownloadDone) result = FetchSignature(signature);
    if (result == kDownloadDone) result = Verify(signature);
  }
  session_->CloseAll();
  if (result != kDownloadDone) Discard();
  return result;
}

int InstallerDownload::FetchInstaller(const wchar_t* object, const wchar_t* referrer) {
  // Delete sharing lets a cancel mark the file for deletion while a read is
  // still waiting; the check reads the file back under its own lock anyway.
  FileHandle file(::CreateFileW(localPath_.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return kDownloadFileError;
  HINTERNET request = session_->Request(object, referrer);
  uint64_t length = 0;
  if (!SendAndCheck(request) || !ContentLength(request, &length))
    return WaitUnlessCancelled() ? kDownloadFailed : kDownloadCancelled;
  if (length == 0 || length > kMaxInstallerBytes) return kDownloadFailed;
  total_ = static_cast<uint32_t>(length);
  started_ = true;
  unsigned char block[kReadBlockBytes];
  while (received_ < total_) {
    DWORD got = 0, written = 0;
    if (!ReadPiece(request, block, std::min<DWORD>(kReadBlockBytes, total_ - received_), &got))
      return kDownloadFailed;  // a failed read, or the body ended short
    if (!::WriteFile(file.Get(), block, got, &written, nullptr) || written != got)
      return kDownloadFileError;
    received_ += got;
    if (cancelled_) return kDownloadCancelled;
  }
  session_->CloseRequest();
  return kDownloadDone;
}

int InstallerDownload::FetchSignature(std::vector<uint8_t>& signature) {
  std::wstring url = url_ + kSignatureSuffix;
  wchar_t host[svc::kPathChars], object[svc::kPathChars], referrer[svc::kPathChars];
  INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
  if (!svc::SplitUpdateUrl(url.c_str(), host, &port, object, referrer)) return kDownloadUnverified;
  HINTERNET request = session_->Request(object, referrer);
  uint64_t length = 0;
  if (!SendAndCheck(request) || !ContentLength(request, &length) || length != kSignatureBytes)
    return kDownloadUnverified;
  signature.assign(kSignatureBytes, 0);
  for (size_t have = 0; have < signature.size();) {
    DWORD got = 0;
    if (!ReadPiece(request, signature.data() + have, static_cast<DWORD>(signature.size() - have),
                   &got))
      return kDownloadUnverified;
    have += got;
  }
  session_->CloseRequest();
  return kDownloadDone;
}

int InstallerDownload::Verify(const std::vector<uint8_t>& signature) {
  // Read back from the disk: the bytes checked are the bytes that start.
  verified_.Reset(::CreateFileW(localPath_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (verified_ &&
      VerifyFileSignature(verified_.Get(), signature.data(), signature.size(), options_.key))
    return kDownloadDone;
  return kDownloadUnverified;
}

bool InstallerDownload::WaitUnlessCancelled() {
  if (cancelled_) return false;
  if (!cancelEvent_) {
    ::Sleep(options_.failureWaitMs);
  } else if (::WaitForSingleObject(cancelEvent_.Get(), options_.failureWaitMs) == WAIT_OBJECT_0) {
    return false;
  }
  return !cancelled_;
}

void InstallerDownload::Discard() {
  verified_.Reset();
  if (!localPath_.empty()) ::DeleteFileW(localPath_.c_str());
}

}  // namespace vk::link
