// The program's HTTP client: one GET of one absolute URL, giving back the
// whole response body as bytes (Win32: WinINet).
//
// The request: GET, HTTP/1.0, user agent
// "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)", "Accept: */*", a
// direct connection (no system proxy), no cached answer used or stored, no
// cookies, no UI; redirects are followed, also between http and https. The
// fragment (from the first "#") is not sent, and the bytes a request line
// cannot carry are percent-encoded first (platform/url_escape.h).
//
// The body comes back whatever the status code. Empty bytes for an empty or
// unparsable URL (path and query past 2048 bytes, host past 256 bytes) and
// for a failed connect, open or send; the bytes read so far when a read fails
// or the body reaches the size cap.
#pragma once

#include <cstddef>
#include <string>

#include "platform/text.h"

namespace quorlan {

struct HttpLimits {
  unsigned connectTimeoutMs;
  unsigned sendTimeoutMs;
  unsigned receiveTimeoutMs;  // for each receive, not the whole body
  size_t maxBodyBytes;        // the body is cut here
};

inline constexpr HttpLimits kDefaultHttpLimits{15000, 15000, 30000, size_t{32} << 20};

std::string HttpGetWithLimits(const Text& url, const HttpLimits& limits);

inline std::string HttpGet(const Text& url) { return HttpGetWithLimits(url, kDefaultHttpLimits); }

}  // namespace quorlan
