#include "platform/url_escape.h"

#include <string_view>

namespace quorlan {
namespace {

bool MustEscape(unsigned char c) {
  if (c <= 0x20 || c >= 0x7F) return true;  // controls, space, DEL, non-ASCII
  switch (c) {
    case '"': case '<': case '>': case '\\': case '^':
    case '`': case '{': case '|': case '}':
      return true;
    default:
      return false;
  }
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = s[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// "" (the default), or 1 to 65535 in decimal digits.
bool ParsePort(std::string_view digits, unsigned defaultPort, unsigned* port) {
  if (digits.empty()) {
    *port = defaultPort;
    return true;
  }
  if (digits.size() > 5) return false;
  unsigned value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535) return false;
  *port = value;
  return true;
}

}  // namespace

Text EscapeUrlForRequest(const Text& url) {
  static const char kHex[] = "0123456789ABCDEF";
  Text out;
  out.reserve(url.size());
  for (size_t i = 0; i < url.size(); ++i) {
    unsigned char c = url[i];
    if (MustEscape(c)) {
      out.Append('%');
      out.Append(kHex[c >> 4]);
      out.Append(kHex[c & 0x0F]);
    } else {
      out.Append(static_cast<char>(c));
    }
  }
  return out;
}

std::optional<RequestUrl> ParseRequestUrl(const Text& url) {
  std::string_view whole = url.view();
  whole = whole.substr(0, whole.find('#'));
  const Text escaped = EscapeUrlForRequest(Text(whole));
  std::string_view rest = escaped.view();

  RequestUrl result;
  unsigned defaultPort;
  if (StartsWithNoCase(rest, "http://")) {
    rest.remove_prefix(7);
    defaultPort = 80;
  } else if (StartsWithNoCase(rest, "https://")) {
    rest.remove_prefix(8);
    result.secure = true;
    defaultPort = 443;
  } else {
    return std::nullopt;
  }

  const size_t authorityEnd = rest.find_first_of("/?");
  std::string_view authority = rest.substr(0, authorityEnd);
  std::string_view pathAndQuery =
      authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);
  if (authority.find('@') != std::string_view::npos) return std::nullopt;

  std::string_view host;
  std::string_view port;
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = authority.substr(1, close - 1);
    std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return std::nullopt;
      port = after.substr(1);
    }
  } else {
    const size_t colon = authority.find(':');
    host = authority.substr(0, colon);
    if (colon != std::string_view::npos) port = authority.substr(colon + 1);
  }
  if (host.empty() || host.size() > kMaxRequestHostBytes) return std::nullopt;
  if (!ParsePort(port, defaultPort, &result.port)) return std::nullopt;

  result.host = Text(host);
  if (pathAndQuery.empty() || pathAndQuery.front() != '/') result.pathAndQuery = Text("/");
  if (!pathAndQuery.empty()) result.pathAndQuery.Append(pathAndQuery);
  if (result.pathAndQuery.size() > kMaxRequestPathBytes) return std::nullopt;
  return result;
}

}  // namespace quorlan
