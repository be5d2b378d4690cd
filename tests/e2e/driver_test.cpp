// The rig's own pieces that can go wrong without any program running: the
// JSON of the stand-in's control interface and Wine path naming.
#include <gtest/gtest.h>

#include "driver/gbk.h"
#include "driver/json.h"
#include "driver/standin_client.h"

namespace quorlan::e2e {
namespace {

TEST(DriverJson, StringsDecodeEscapesToUtf8) {
  struct Case {
    const char* name;
    const char* json;
    const char* utf8;
  } cases[] = {
      {"plain", R"("abc")", "abc"},
      {"simple escapes", R"("a\"b\\c\/d\n\t")", "a\"b\\c/d\n\t"},
      {"BMP escape", R"("\u4e0b\u8F7D")", "\xE4\xB8\x8B\xE8\xBD\xBD"},
      {"surrogate pair", R"("\ud83d\ude00")", "\xF0\x9F\x98\x80"},
      {"lone high surrogate", R"("\ud83dx")", "\xEF\xBF\xBDx"},
      {"lone low surrogate", R"("\ude00")", "\xEF\xBF\xBD"},
      {"raw UTF-8 passes", "\"\xE4\xB8\x8B\"", "\xE4\xB8\x8B"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto v = ParseJson(c.json);
    ASSERT_TRUE(v.has_value());
    ASSERT_EQ(v->kind, JsonValue::Kind::kString);
    EXPECT_EQ(v->string, c.utf8);
  }
}

TEST(DriverJson, MalformedInputIsRejected) {
  const char* bad[] = {
      "",          "[",          "[1,]",       "{\"a\" 1}", "\"open",  "\"bad \\x escape\"",
      "[1] extra", "{\"a\":}",   "\"\\u12\"",  "tru",       "-",       "\"tab\there\"",
  };
  for (const char* json : bad) {
    SCOPED_TRACE(json);
    EXPECT_FALSE(ParseJson(json).has_value());
  }
  // Nesting deep enough to exhaust a recursive parser's stack is refused.
  EXPECT_FALSE(ParseJson(std::string(100000, '[') + std::string(100000, ']')).has_value());
  EXPECT_TRUE(ParseJson(std::string(60, '[') + std::string(60, ']')).has_value());
}

TEST(DriverJson, QuotedStringsParseBackToThemselves) {
  const std::string samples[] = {"", "plain", "quote \" backslash \\ slash /",
                                 "controls \x01\x1f\r\n\t",
                                 "\xE7\x82\xB9\xE6\x88\x91\xE4\xB8\x8B\xE8\xBD\xBD"};
  for (const auto& s : samples) {
    SCOPED_TRACE(s);
    const auto v = ParseJson(JsonQuote(s));
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->string, s);
  }
}

TEST(DriverStandin, RecordedRequestsParseInOrderWithTheirHeaders) {
  const std::string json = R"([
    {"request_line": "GET /?share=1Ab&pwd=x7k2 HTTP/1.0",
     "headers": [["Accept", "*/*"], ["User-Agent", "Mozilla/4.0"], ["Accept", "again"]],
     "share": "1Ab", "pwd": "x7k2", "raw_query": "share=1Ab&pwd=x7k2"},
    {"request_line": "GET /?share=%E4%B8%8B HTTP/1.0", "headers": [],
     "share": "\u4e0b", "pwd": "", "raw_query": "share=%E4%B8%8B"}
  ])";
  const auto requests = ParseRecordedRequests(json);
  ASSERT_TRUE(requests.has_value());
  ASSERT_EQ(requests->size(), 2u);
  const auto& first = (*requests)[0];
  EXPECT_EQ(first.requestLine, "GET /?share=1Ab&pwd=x7k2 HTTP/1.0");
  ASSERT_EQ(first.headers.size(), 3u);
  EXPECT_EQ(first.headers[2].first, "Accept");
  EXPECT_EQ(first.headers[2].second, "again");
  EXPECT_EQ(first.pwd, "x7k2");
  EXPECT_EQ((*requests)[1].share, "\xE4\xB8\x8B");
  EXPECT_FALSE(ParseRecordedRequests(R"({"not": "an array"})").has_value());
  EXPECT_FALSE(ParseRecordedRequests(R"([{"headers": [["one"]]}])").has_value());
}

TEST(DriverStandin, RouteJsonLeavesUnsetFieldsOut) {
  StandinRoute route;
  route.share = "1Ab\"c";
  route.rows = {{"\xE6\x96\x87.txt", "1.2 MB", "http://x/y?a=1&b=2"}};
  route.delayMs = 250;
  const auto v = ParseJson(route.ToJson());
  ASSERT_TRUE(v.has_value()) << route.ToJson();
  EXPECT_EQ(v->StringAt("share"), "1Ab\"c");
  ASSERT_NE(v->Find("rows"), nullptr);
  ASSERT_EQ(v->Find("rows")->array.size(), 1u);
  EXPECT_EQ(v->Find("rows")->array[0].array[2].string, "http://x/y?a=1&b=2");
  EXPECT_EQ(v->Find("delay_ms")->number, 250);
  for (const char* unset : {"status", "body", "body_b64", "cut_after", "redirect",
                            "never_answer", "headers"}) {
    EXPECT_EQ(v->Find(unset), nullptr) << unset;
  }
}

TEST(DriverPaths, UnixPathsBecomeDriveZPaths) {
  EXPECT_EQ(UnixPathToWine("/work/main/build/app/Quorlan.exe"),
            L"Z:\\work\\main\\build\\app\\Quorlan.exe");
  EXPECT_EQ(UnixPathToWine("/tmp/\xE6\x96\x87/a b"), L"Z:\\tmp\\\u6587\\a b");
}

// The stand-in's control interface end to end, when the stand-in runs.
TEST(DriverStandin, RouteAnswersAndRequestIsRecorded) {
  StandinClient standin;
  if (!standin.IsRunning()) GTEST_SKIP() << "no resolver stand-in on 127.0.0.1:18651";
  ASSERT_TRUE(standin.Reset());
  StandinRoute route;
  route.share = "e2eSmoke1";
  route.rows = {{"a.txt", "1 KB", "http://127.0.0.1/a.txt"}};
  ASSERT_TRUE(standin.AddRoute(route));
  const auto page = standin.Request("GET", "/?share=e2eSmoke1&pwd=ab12");
  ASSERT_TRUE(page.has_value());
  EXPECT_EQ(page->status, 200u);
  EXPECT_NE(page->body.find("<td>a.txt</td><td>1 KB</td>"), std::string::npos) << page->body;
  const auto requests = standin.Requests();
  ASSERT_TRUE(requests.has_value());
  ASSERT_EQ(requests->size(), 1u);
  EXPECT_EQ((*requests)[0].share, "e2eSmoke1");
  EXPECT_EQ((*requests)[0].pwd, "ab12");
  ASSERT_TRUE(standin.Reset());
  const auto none = standin.Requests();
  ASSERT_TRUE(none.has_value());
  EXPECT_TRUE(none->empty());
}

}  // namespace
}  // namespace quorlan::e2e
