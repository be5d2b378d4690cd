// Preparing a URL for an HTTP request: the bytes a request line cannot carry
// are percent-encoded, and the URL is split into what the request needs
// (scheme, host, port, path with query), with the fragment left out.
// Portable: no Win32 here, so both steps are tested natively.
#pragma once

#include <cstddef>
#include <optional>

#include "platform/text.h"

namespace quorlan {

// Percent-encodes (uppercase hex) every byte that may not appear in a URL as
// sent on a request line: the control bytes 0x01-0x1F and 0x7F (CR, LF, TAB
// among them), space, the double quote, "<", ">", "\", "^", the backquote,
// "{", "|", "}", and every byte from 0x80 up. "%" itself, the reserved
// characters (":/?#[]@!$&'()*+,;=") and the unreserved ones stay as they are,
// so an escape already in the URL is passed on unchanged.
Text EscapeUrlForRequest(const Text& url);

// The longest path-with-query and host name a request is made for.
constexpr size_t kMaxRequestPathBytes = 2048;
constexpr size_t kMaxRequestHostBytes = 256;

struct RequestUrl {
  bool secure = false;     // https
  Text host;               // without brackets for an IPv6 literal
  unsigned port = 0;       // the scheme's default when the URL names none
  Text pathAndQuery;       // starts with "/"; never holds the fragment
};

// Splits an absolute http or https URL for a request. Everything from the
// first "#" on is dropped, then the rest is escaped with EscapeUrlForRequest;
// the limits above apply to the escaped bytes, i.e. to what would be sent.
// Gives nothing for an empty URL, another scheme, no host, user information
// in the authority, a bad port, a host past kMaxRequestHostBytes or a path
// with query past kMaxRequestPathBytes.
std::optional<RequestUrl> ParseRequestUrl(const Text& url);

}  // namespace quorlan
