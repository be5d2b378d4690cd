#include "platform/url_escape.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace quorlan {
namespace {

TEST(EscapeUrlForRequest, EncodesWhatARequestLineCannotCarryAndKeepsTheRest) {
  struct Case {
    const char* name;
    const char* in;
    const char* out;
  } cases[] = {
      {"empty", "", ""},
      {"space", "/?share=a b", "/?share=a%20b"},
      {"CR LF cannot split the request", "/?share=a\r\nHost: evil", "/?share=a%0D%0AHost:%20evil"},
      {"TAB", "a\tb", "a%09b"},
      {"lowest and highest control bytes", "\x01\x1F\x7F", "%01%1F%7F"},
      {"double quote", "a\"b", "a%22b"},
      {"angle brackets", "<td>", "%3Ctd%3E"},
      {"backslash", "a\\b", "a%5Cb"},
      {"caret", "a^b", "a%5Eb"},
      {"backquote", "a`b", "a%60b"},
      {"braces and bar", "{a|b}", "%7Ba%7Cb%7D"},
      {"bytes from 0x80 up, uppercase hex", "\x80\xD6\xD0\xFF", "%80%D6%D0%FF"},
      {"percent and an existing escape stay", "100%25%zz%", "100%25%zz%"},
      {"reserved characters stay", ":/?#[]@!$&'()*+,;=", ":/?#[]@!$&'()*+,;="},
      {"unreserved characters stay", "AZaz09-._~", "AZaz09-._~"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EscapeUrlForRequest(Text(c.in)), Text(c.out));
  }
}

TEST(ParseRequestUrl, SplitsSchemeHostPortAndPathWithoutTheFragment) {
  struct Case {
    const char* name;
    const char* url;
    bool secure;
    const char* host;
    unsigned port;
    const char* path;
  } cases[] = {
      {"resolver query", "http://127.0.0.1:18651/?share=abc&pwd=x7k2", false, "127.0.0.1", 18651,
       "/?share=abc&pwd=x7k2"},
      {"default http port, scheme in capitals", "HTTP://example.com/a", false, "example.com", 80, "/a"},
      {"https default port", "https://example.com", true, "example.com", 443, "/"},
      {"query straight after the host", "http://h?share=1", false, "h", 80, "/?share=1"},
      {"empty port means the default", "http://h:/x", false, "h", 80, "/x"},
      {"fragment dropped, code after it too", "http://h/?share=a#b&pwd=qrln", false, "h", 80,
       "/?share=a"},
      {"fragment right after the host", "http://h#x/y", false, "h", 80, "/"},
      {"escaped in the path and query", "http://h/?share=a\r\nb c&pwd=\xB5\xE3", false, "h", 80,
       "/?share=a%0D%0Ab%20c&pwd=%B5%E3"},
      {"a slash or @ in the query is no authority", "http://h/?share=x@y/z", false, "h", 80,
       "/?share=x@y/z"},
      {"IPv6 literal", "http://[::1]:8080/p", false, "::1", 8080, "/p"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto parsed = ParseRequestUrl(Text(c.url));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->secure, c.secure);
    EXPECT_EQ(parsed->host, Text(c.host));
    EXPECT_EQ(parsed->port, c.port);
    EXPECT_EQ(parsed->pathAndQuery, Text(c.path));
  }
}

TEST(ParseRequestUrl, RefusesWhatCannotBeRequested) {
  const char* cases[] = {
      "",
      "127.0.0.1/?share=a",
      "ftp://h/x",
      "http:/h/x",
      "http:///x",
      "http://:80/x",
      "http://#frag",
      "http://user:pw@h/x",
      "http://h:0/x",
      "http://h:65536/x",
      "http://h:8o/x",
      "http://h:123456/x",
      "http://[::1/x",
      "http://[::1]x/y",
  };
  for (const char* url : cases) {
    SCOPED_TRACE(url);
    EXPECT_FALSE(ParseRequestUrl(Text(url)).has_value());
  }
}

// The limits hold for the bytes that would be sent, so an escape counts three.
TEST(ParseRequestUrl, LengthLimitsOnPathWithQueryAndHost) {
  const std::string host256(256, 'h');
  const std::string host257(257, 'h');
  const std::string path2048 = "/?share=" + std::string(2048 - 8, 'a');
  const std::string path2049 = path2048 + "a";
  // 2046 bytes as given; escaping the spaces makes 2048 and 2050.
  const std::string oneSpace = "/?share=" + std::string(2046 - 8 - 1, 'a') + " ";
  const std::string twoSpaces = "/?share=" + std::string(2046 - 8 - 2, 'a') + "  ";
  struct Case {
    const char* name;
    std::string url;
    bool accepted;
  } cases[] = {
      {"path and query of 2048 bytes", "http://h" + path2048, true},
      {"path and query of 2049 bytes", "http://h" + path2049, false},
      {"2048 bytes and a fragment after them", "http://h" + path2048 + "#more", true},
      {"reaches 2048 by escaping", "http://h" + oneSpace, true},
      {"grows past 2048 by escaping", "http://h" + twoSpaces, false},
      {"host of 256 bytes", "http://" + host256 + "/", true},
      {"host of 257 bytes", "http://" + host257 + "/", false},
      {"host of 257 bytes with a port", "http://" + host257 + ":80/", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseRequestUrl(Text(c.url)).has_value(), c.accepted);
  }
}

}  // namespace
}  // namespace quorlan
