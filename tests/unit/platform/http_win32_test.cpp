// HttpGet against the resolver stand-in on 127.0.0.1:18652, which CTest
// starts before this executable (tests/standin/fixture.sh). The stand-in is
// driven and inspected through its control requests over a plain socket, so
// nothing here depends on the client under test.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/http.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace quorlan {
namespace {

constexpr unsigned short kStandinPort = 18652;
const std::string kBase = "http://127.0.0.1:18652";

// ---- a small JSON reader for the stand-in's records -------------------------

struct Json {
  enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
  std::string str;  // strings as UTF-8
  double number = 0;
  bool boolean = false;
  std::vector<Json> items;
  std::map<std::string, Json> fields;

  const Json& operator[](const std::string& key) const {
    static const Json missing;
    auto it = fields.find(key);
    return it == fields.end() ? missing : it->second;
  }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& s) : s_(s) {}

  bool Read(Json* out) {
    if (!Value(out)) return false;
    Skip();
    return pos_ == s_.size();
  }

 private:
  void Skip() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\r' ||
                                s_[pos_] == '\t'))
      ++pos_;
  }
  bool Literal(const char* word) {
    const std::string w(word);
    if (s_.compare(pos_, w.size(), w) != 0) return false;
    pos_ += w.size();
    return true;
  }
  static void AppendUtf8(std::string* out, unsigned cp) {
    if (cp < 0x80) {
      out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  bool Hex4(unsigned* v) {
    if (pos_ + 4 > s_.size()) return false;
    *v = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = s_[pos_++];
      *v <<= 4;
      if (c >= '0' && c <= '9') *v |= static_cast<unsigned>(c - '0');
      else if (c >= 'a' && c <= 'f') *v |= static_cast<unsigned>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') *v |= static_cast<unsigned>(c - 'A' + 10);
      else return false;
    }
    return true;
  }
  bool String(std::string* out) {
    if (pos_ >= s_.size() || s_[pos_] != '"') return false;
    ++pos_;
    while (pos_ < s_.size()) {
      const char c = s_[pos_++];
      if (c == '"') return true;
      if (c != '\\') {
        out->push_back(c);
        continue;
      }
      if (pos_ >= s_.size()) return false;
      const char e = s_[pos_++];
      switch (e) {
        case 'n': out->push_back('\n'); break;
        case 'r': out->push_back('\r'); break;
        case 't': out->push_back('\t'); break;
        case 'b': out->push_back('\b'); break;
        case 'f': out->push_back('\f'); break;
        case 'u': {
          unsigned cp;
          if (!Hex4(&cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00 && Literal("\\u")) {
            unsigned low;
            if (!Hex4(&low)) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, cp);
          break;
        }
        default: out->push_back(e); break;  // \" \\ \/
      }
    }
    return false;
  }
  bool Value(Json* out) {
    Skip();
    if (pos_ >= s_.size()) return false;
    const char c = s_[pos_];
    if (c == '"') {
      out->kind = Json::kString;
      return String(&out->str);
    }
    if (c == '[') {
      out->kind = Json::kArray;
      ++pos_;
      Skip();
      if (pos_ < s_.size() && s_[pos_] == ']') return ++pos_, true;
      for (;;) {
        out->items.emplace_back();
        if (!Value(&out->items.back())) return false;
        Skip();
        if (pos_ < s_.size() && s_[pos_] == ',') { ++pos_; continue; }
        if (pos_ < s_.size() && s_[pos_] == ']') return ++pos_, true;
        return false;
      }
    }
    if (c == '{') {
      out->kind = Json::kObject;
      ++pos_;
      Skip();
      if (pos_ < s_.size() && s_[pos_] == '}') return ++pos_, true;
      for (;;) {
        Skip();
        std::string key;
        if (!String(&key)) return false;
        Skip();
        if (pos_ >= s_.size() || s_[pos_++] != ':') return false;
        if (!Value(&out->fields[key])) return false;
        Skip();
        if (pos_ < s_.size() && s_[pos_] == ',') { ++pos_; continue; }
        if (pos_ < s_.size() && s_[pos_] == '}') return ++pos_, true;
        return false;
      }
    }
    if (Literal("true")) { out->kind = Json::kBool; out->boolean = true; return true; }
    if (Literal("false")) { out->kind = Json::kBool; return true; }
    if (Literal("null")) return true;
    size_t used = 0;
    try {
      out->number = std::stod(s_.substr(pos_), &used);
    } catch (...) {
      return false;
    }
    out->kind = Json::kNumber;
    pos_ += used;
    return true;
  }

  const std::string& s_;
  size_t pos_ = 0;
};

std::string JsonQuote(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// ---- talking to the stand-in -------------------------------------------------

struct WinsockSession {
  WinsockSession() {
    WSADATA data;
    ok = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (ok) WSACleanup();
  }
  bool ok = false;
};

SOCKET ConnectLoopback(unsigned short port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return s;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

// One request to the stand-in's control interface; the answer's status and body.
std::pair<int, std::string> Control(const std::string& method, const std::string& path,
                                    const std::string& body = std::string()) {
  static WinsockSession winsock;
  SOCKET s = ConnectLoopback(kStandinPort);
  if (s == INVALID_SOCKET) return {0, std::string()};
  const std::string request = method + " " + path + " HTTP/1.0\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\n\r\n" + body;
  send(s, request.data(), static_cast<int>(request.size()), 0);
  std::string reply;
  char buf[8192];
  int n;
  while ((n = recv(s, buf, sizeof buf, 0)) > 0) reply.append(buf, static_cast<size_t>(n));
  closesocket(s);
  const size_t end = reply.find("\r\n\r\n");
  if (reply.compare(0, 9, "HTTP/1.0 ") != 0 || end == std::string::npos) return {0, reply};
  return {std::atoi(reply.c_str() + 9), reply.substr(end + 4)};
}

void AddRoute(const std::string& routeJson) {
  const auto answer = Control("POST", "/__routes", routeJson);
  ASSERT_EQ(answer.first, 200) << routeJson << " -> " << answer.second;
}

std::vector<Json> Recorded() {
  const auto answer = Control("GET", "/__requests");
  Json all;
  EXPECT_EQ(answer.first, 200);
  EXPECT_TRUE(JsonReader(answer.second).Read(&all)) << answer.second;
  return all.items;
}

// A port that nothing listens on: one the system just handed out and took back.
unsigned short UnusedPort() {
  static WinsockSession winsock;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  int len = sizeof addr;
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  closesocket(s);
  return ntohs(addr.sin_port);
}

std::string Fetch(const std::string& url) { return HttpGet(Text(url)); }

class HttpGetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto answer = Control("POST", "/__reset");
    ASSERT_EQ(answer.first, 200)
        << "the resolver stand-in does not answer on 127.0.0.1:" << kStandinPort
        << "; CTest starts it, by hand: tests/standin/fixture.sh start " << kStandinPort << " DIR";
  }
};

// The UTF-8 page the stand-in renders for one row.
const char kOneRowPage[] =
    "<html><body><table>\n"
    "<tr><td>a.txt</td><td>1 KB</td><td><a target=\"_blank\" href=\"http://x/a\">"
    "\xE7\x82\xB9\xE6\x88\x91\xE4\xB8\x8B\xE8\xBD\xBD"  // 点我下载 in UTF-8
    "</a></td></tr>\n"
    "</table></body></html>\n";

TEST_F(HttpGetTest, SendsTheExpectedRequestLineAndHeaders) {
  AddRoute(R"({"share": "abc", "rows": [["a.txt", "1 KB", "http://x/a"]]})");
  EXPECT_EQ(Fetch(kBase + "/?share=abc&pwd=x7k2"), kOneRowPage);

  const auto records = Recorded();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["request_line"].str, "GET /?share=abc&pwd=x7k2 HTTP/1.0");
  std::multimap<std::string, std::string> headers;
  std::cout << "[ headers  ] ";
  for (const Json& h : records[0]["headers"].items) {
    ASSERT_EQ(h.items.size(), 2u);
    std::string name = h.items[0].str;
    std::cout << name << ": " << h.items[1].str << " | ";
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    headers.emplace(name, h.items[1].str);
  }
  std::cout << "\n";
  ASSERT_EQ(headers.count("user-agent"), 1u);
  EXPECT_EQ(headers.find("user-agent")->second,
            "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
  ASSERT_EQ(headers.count("accept"), 1u);
  EXPECT_EQ(headers.find("accept")->second, "*/*");
  EXPECT_EQ(headers.count("cookie"), 0u);
  for (const auto& h : headers) {
    EXPECT_NE(h.first.rfind("proxy-", 0), 0u) << h.first;
    EXPECT_NE(h.first, "via");
  }
}

TEST_F(HttpGetTest, FragmentIsNotSent) {
  AddRoute(R"({"share": "frag", "body": "ok"})");
  EXPECT_EQ(Fetch(kBase + "/?share=frag#tail&pwd=qrln"), "ok");
  const auto records = Recorded();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["request_line"].str, "GET /?share=frag HTTP/1.0");
}

// Bytes a request line cannot carry arrive escaped, in one request line, and
// nothing after a CR LF becomes a header of its own.
TEST_F(HttpGetTest, UnsafeBytesArriveEscapedAndCannotSplitTheRequest) {
  const std::string id = "a\r\nX-Injected: 1 b\t\"<\xB5\xE3>";
  const std::string escaped = "a%0D%0AX-Injected:%201%20b%09%22%3C%B5%E3%3E";
  AddRoute("{\"share\": " + JsonQuote("a\r\nX-Injected: 1 b\t\"<\xEF\xBF\xBD\xEF\xBF\xBD>") +
           ", \"body\": \"escaped\"}");
  EXPECT_EQ(Fetch(kBase + "/?share=" + id + "&pwd=x7k2"), "escaped");

  const auto records = Recorded();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["request_line"].str, "GET /?share=" + escaped + "&pwd=x7k2 HTTP/1.0");
  EXPECT_EQ(records[0]["pwd"].str, "x7k2");
  for (const Json& h : records[0]["headers"].items) EXPECT_NE(h.items[0].str, "X-Injected");
}

// "%" and the reserved characters are sent as written: an escape already in
// the URL is not escaped a second time, and a stray "%" does not stop the call.
TEST_F(HttpGetTest, PercentAndReservedCharactersArriveAsWritten) {
  AddRoute(R"({"share": "*", "body": "any"})");
  const char* queries[] = {
      "/?share=50%zz&pwd=",
      "/?share=%&pwd=%2",
      "/?share=%25%41&pwd=q%2Bq",
      "/?share=a/b@c:d;e,f$g!h'i(j)k*l+m[n]o=p&pwd=",
  };
  for (const char* query : queries) {
    SCOPED_TRACE(query);
    ASSERT_EQ(Control("POST", "/__clear_requests").first, 200);
    EXPECT_EQ(Fetch(kBase + query), "any");
    const auto records = Recorded();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["request_line"].str, std::string("GET ") + query + " HTTP/1.0");
  }
}

TEST_F(HttpGetTest, RedirectIsFollowed) {
  AddRoute(R"({"share": "moved", "redirect": "/?share=target&pwd=x"})");
  AddRoute(R"({"share": "target", "body": "arrived"})");
  EXPECT_EQ(Fetch(kBase + "/?share=moved&pwd="), "arrived");
  const auto records = Recorded();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["request_line"].str, "GET /?share=moved&pwd= HTTP/1.0");
  EXPECT_EQ(records[1]["request_line"].str, "GET /?share=target&pwd=x HTTP/1.0");
}

TEST_F(HttpGetTest, BodyIsReturnedWhateverTheStatus) {
  struct Case {
    int status;
    const char* body;
  } cases[] = {{404, "<p>gone</p>"}, {500, "<p>broken</p>"}, {403, "no"}, {200, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    AddRoute("{\"share\": \"s\", \"status\": " + std::to_string(c.status) + ", \"body\": " +
             JsonQuote(c.body) + "}");
    EXPECT_EQ(Fetch(kBase + "/?share=s&pwd="), c.body);
  }
  // No route at all: the stand-in's own 404 page.
  EXPECT_NE(Fetch(kBase + "/?share=unknown&pwd=").find("<html>"), std::string::npos);
}

TEST_F(HttpGetTest, BodyBytesComeBackUnchangedZerosIncluded) {
  // Every byte value, then a body several read chunks long.
  std::string allBytes;
  for (int i = 0; i < 256; ++i) allBytes.push_back(static_cast<char>(i));
  AddRoute(
      R"({"share": "raw", "body_b64": "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWprbG1ub3BxcnN0dXZ3eHl6e3x9fn+AgYKDhIWGh4iJiouMjY6PkJGSk5SVlpeYmZqbnJ2en6ChoqOkpaanqKmqq6ytrq+wsbKztLW2t7i5uru8vb6/wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX2Nna29zd3t/g4eLj5OXm5+jp6uvs7e7v8PHy8/T19vf4+fr7/P3+/w=="})");
  EXPECT_EQ(Fetch(kBase + "/?share=raw"), allBytes);

  std::string big;
  for (int i = 0; big.size() < 300000; ++i) big += "line " + std::to_string(i) + "\n";
  AddRoute("{\"share\": \"big\", \"body\": " + JsonQuote(big) + "}");
  EXPECT_EQ(Fetch(kBase + "/?share=big"), big);
}

TEST_F(HttpGetTest, EveryCallReachesTheServerNothingCached) {
  AddRoute(R"({"share": "c", "body": "first", "headers": {"Cache-Control": "max-age=3600"}})");
  EXPECT_EQ(Fetch(kBase + "/?share=c&pwd="), "first");
  AddRoute(R"({"share": "c", "body": "second", "headers": {"Cache-Control": "max-age=3600"}})");
  EXPECT_EQ(Fetch(kBase + "/?share=c&pwd="), "second");
  EXPECT_EQ(Recorded().size(), 2u);
}

TEST_F(HttpGetTest, BodyCutByTheServerGivesTheBytesReceived) {
  const std::string body(5000, 'x');
  AddRoute("{\"share\": \"cut\", \"body\": \"" + body + "\", \"cut_after\": 1234}");
  EXPECT_EQ(Fetch(kBase + "/?share=cut"), body.substr(0, 1234));
}

// The server sends part of the body and then nothing: the read that runs
// into the receive limit fails, and what came before it is the result.
TEST_F(HttpGetTest, BodyStalledByTheServerGivesTheBytesReceivedAtTheTimeLimit) {
  const std::string body(5000, 'y');
  AddRoute("{\"share\": \"stall\", \"body\": \"" + body + "\", \"stall_after\": 777}");
  EXPECT_EQ(HttpGetWithLimits(Text(kBase + "/?share=stall"), HttpLimits{5000, 5000, 1000, 1 << 20}),
            body.substr(0, 777));
}

TEST_F(HttpGetTest, LengthLimitsOfPathWithQueryAndHost) {
  AddRoute(R"({"share": "*", "body": "any"})");
  const std::string prefix = "/?share=";
  const std::string path2048 = prefix + std::string(2048 - prefix.size(), 'a');
  const std::string path2049 = path2048 + "a";

  EXPECT_EQ(Fetch(kBase + path2048), "any");
  ASSERT_EQ(Recorded().size(), 1u);
  EXPECT_EQ(Recorded()[0]["request_line"].str, "GET " + path2048 + " HTTP/1.0");

  ASSERT_EQ(Control("POST", "/__clear_requests").first, 200);
  EXPECT_EQ(Fetch(kBase + path2049), "");
  EXPECT_EQ(Fetch("http://" + std::string(257, 'h') + ":18652/?share=a"), "");
  EXPECT_EQ(Recorded().size(), 0u);
}

TEST_F(HttpGetTest, UnusableUrlsGiveEmptyBytes) {
  const std::string cases[] = {
      "",
      "127.0.0.1:18652/?share=a",
      "ftp://127.0.0.1:18652/?share=a",
      "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/?share=a",  // nothing listens
  };
  for (const auto& url : cases) {
    SCOPED_TRACE(url);
    EXPECT_EQ(Fetch(url), "");
  }
  EXPECT_EQ(Recorded().size(), 0u);
}

TEST_F(HttpGetTest, ServerThatNeverAnswersIsLeftAtTheTimeLimit) {
  AddRoute(R"({"share": "mute", "never_answer": true})");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HttpGetWithLimits(Text(kBase + "/?share=mute"), HttpLimits{2000, 2000, 1500, 1 << 20}),
            "");
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 10.0);
  EXPECT_EQ(Recorded().size(), 1u);  // the request did reach the server
}

TEST_F(HttpGetTest, AnswerWithinTheTimeLimitIsWaitedFor) {
  AddRoute(R"({"share": "slow", "delay_ms": 700, "body": "late"})");
  EXPECT_EQ(HttpGetWithLimits(Text(kBase + "/?share=slow"), HttpLimits{5000, 5000, 4000, 1 << 20}),
            "late");
}

TEST_F(HttpGetTest, BodyStopsAtTheSizeCap) {
  std::string body;
  for (int i = 0; body.size() < 200000; ++i) body += std::to_string(i) + ",";
  AddRoute("{\"share\": \"cap\", \"body\": \"" + body + "\"}");
  const size_t caps[] = {1, 1000, 65536, 65537, 150001, body.size(), body.size() + 1};
  for (size_t cap : caps) {
    SCOPED_TRACE(cap);
    EXPECT_EQ(HttpGetWithLimits(Text(kBase + "/?share=cap"), HttpLimits{5000, 5000, 5000, cap}),
              body.substr(0, cap));
  }
}

}  // namespace
}  // namespace quorlan
