// A small HTTP server on 127.0.0.1 and a free port (or a given one), on a
// thread of its own, for the tests of the update check and the installer
// download: each request's path is recorded and handed to a function that
// writes whatever answer the test needs (a proper one, a redirect, a body
// that comes one byte at a time). One client at a time.
#pragma once
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vk::test {

class LocalHttpServer {
 public:
  // Writes the answer to `path` on `client`; returns when the answer is done
  // or the client has gone (a send failed) or `Stopping()` became true.
  using Handler = std::function<void(SOCKET client, const std::string& path)>;

  // `port` 0 lets the system pick a free one.
  explicit LocalHttpServer(Handler handler, int port = 0) : handler_(std::move(handler)) {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return;
    started_ = true;
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    int length = sizeof(address);
    if (listener_ == INVALID_SOCKET ||
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener_, SOMAXCONN) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LocalHttpServer() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    if (started_) WSACleanup();
  }
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  int Port() const { return port_; }
  std::wstring Url(const std::string& path) const {
    return L"http://127.0.0.1:" + std::to_wstring(port_) + std::wstring(path.begin(), path.end());
  }
  bool Stopping() const { return stopping_; }
  std::vector<std::string> Paths() {
    std::lock_guard<std::mutex> hold(lock_);
    return paths_;
  }

  // Sends all of `text`; false when the client has gone.
  static bool Send(SOCKET client, const std::string& text) {
    return send(client, text.data(), static_cast<int>(text.size()), 0) ==
           static_cast<int>(text.size());
  }
  static std::string Answer(const std::string& status, const std::string& body,
                            const std::string& extraHeaders = "") {
    return "HTTP/1.0 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
           extraHeaders + "\r\n" + body;
  }

 private:
  static constexpr long kPollUs = 20000;
  static constexpr size_t kMaxRequestBytes = 8192;

  // Waits at most one poll period for `s` to become readable.
  static bool Readable(SOCKET s) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{0, kPollUs};
    return select(0, &set, nullptr, nullptr, &wait) == 1;
  }

  void Serve() {
    while (!stopping_) {
      if (!Readable(listener_)) continue;
      SOCKET client = accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) continue;
      std::string request;
      while (!stopping_ && request.find("\r\n\r\n") == std::string::npos &&
             request.size() < kMaxRequestBytes) {
        if (!Readable(client)) continue;
        char buffer[1024];
        int got = recv(client, buffer, sizeof(buffer), 0);
        if (got <= 0) break;
        request.append(buffer, static_cast<size_t>(got));
      }
      // "GET /path HTTP/1.1": the path is the second word.
      size_t start = request.find(' ');
      size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
      std::string path = end == std::string::npos ? "" : request.substr(start + 1, end - start - 1);
      {
        std::lock_guard<std::mutex> hold(lock_);
        paths_.push_back(path);
      }
      if (!path.empty()) handler_(client, path);
      shutdown(client, SD_SEND);
      closesocket(client);
    }
  }

  Handler handler_;
  bool started_ = false;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::mutex lock_;
  std::vector<std::string> paths_;
  std::thread thread_;
};

}  // namespace vk::test
