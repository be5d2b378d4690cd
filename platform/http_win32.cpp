#include "platform/http.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <utility>

#include "platform/url_escape.h"

namespace quorlan {
namespace {

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr DWORD kReadChunk = 64 * 1024;

// Closes its WinINet handle when it goes out of scope.
class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET h) : h_(h) {}
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  ~InternetHandle() {
    if (h_ != nullptr) InternetCloseHandle(h_);
  }
  HINTERNET get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HINTERNET h_;
};

void SetTimeouts(HINTERNET h, const HttpLimits& limits) {
  const std::pair<DWORD, unsigned> options[] = {
      {INTERNET_OPTION_CONNECT_TIMEOUT, limits.connectTimeoutMs},
      {INTERNET_OPTION_SEND_TIMEOUT, limits.sendTimeoutMs},
      {INTERNET_OPTION_RECEIVE_TIMEOUT, limits.receiveTimeoutMs},
  };
  for (const auto& option : options) {
    DWORD value = option.second;
    InternetSetOptionA(h, option.first, &value, sizeof value);
  }
}

}  // namespace

std::string HttpGetWithLimits(const Text& url, const HttpLimits& limits) {
  const auto target = ParseRequestUrl(url);
  if (!target) return std::string();

  InternetHandle session(
      InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!session) return std::string();
  // The limits go on the session (inherited by what is made from it on
  // Windows) and again on the request: Wine's WinINet takes the receive limit
  // only from the request handle, and without it waits for ever on a server
  // that never answers. Wine (8.0) connects with a blocking connect() and so
  // keeps no connect limit at all: there a host that drops the connection
  // attempt holds the call until the system gives up (about a minute).
  SetTimeouts(session.get(), limits);

  InternetHandle connection(InternetConnectA(session.get(), target->host.c_str(),
                                             static_cast<INTERNET_PORT>(target->port), nullptr,
                                             nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return std::string();

  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP;
  if (target->secure) flags |= INTERNET_FLAG_SECURE;
  const char* acceptTypes[] = {"*/*", nullptr};
  InternetHandle request(HttpOpenRequestA(connection.get(), "GET", target->pathAndQuery.c_str(),
                                          "HTTP/1.0", nullptr, acceptTypes, flags, 0));
  if (!request) return std::string();
  SetTimeouts(request.get(), limits);
  if (!HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) return std::string();

  std::string body;
  while (body.size() < limits.maxBodyBytes) {
    const DWORD want =
        static_cast<DWORD>(std::min<size_t>(kReadChunk, limits.maxBodyBytes - body.size()));
    const size_t had = body.size();
    body.resize(had + want);
    DWORD got = 0;
    const BOOL ok = InternetReadFile(request.get(), &body[had], want, &got);
    // A read that fails can still have delivered bytes: Wine's WinINet fills
    // the buffer up to a receive time-out, then fails and counts what it put
    // there. Those bytes were received, so they stay.
    body.resize(had + std::min(got, want));
    if (!ok || got == 0) break;
  }
  return body;
}

}  // namespace quorlan
