#include "resolver/resolve_share.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "test_support.h"

namespace quorlan {
namespace {

// What a sink was asked to do, in order: "show", or one row as its cells.
struct SinkCall {
  bool show = false;
  Text link, fileName, size;
  friend bool operator==(const SinkCall& a, const SinkCall& b) {
    return a.show == b.show && a.link == b.link && a.fileName == b.fileName && a.size == b.size;
  }
};

void PrintTo(const SinkCall& c, std::ostream* os) {
  if (c.show) {
    *os << "show";
    return;
  }
  *os << "row(";
  quorlan::PrintTo(c.link, os);
  *os << ", ";
  quorlan::PrintTo(c.fileName, os);
  *os << ", ";
  quorlan::PrintTo(c.size, os);
  *os << ")";
}

SinkCall Show() {
  SinkCall c;
  c.show = true;
  return c;
}
SinkCall Row(Text link, Text fileName, Text size) {
  SinkCall c;
  c.link = std::move(link);
  c.fileName = std::move(fileName);
  c.size = std::move(size);
  return c;
}

class RecordingSink : public ResultRowSink {
 public:
  void ShowAndRaise() override { calls.push_back(Show()); }
  void AppendRow(const Text& link, const Text& fileName, const Text& size) override {
    calls.push_back(Row(link, fileName, size));
  }
  std::vector<SinkCall> calls;
};

// The link text of a file row, 点我下载, as the page sends it (UTF-8).
const std::string kDownloadUtf8 = "\xE7\x82\xB9\xE6\x88\x91\xE4\xB8\x8B\xE8\xBD\xBD";

// One file row of a result page, in UTF-8 as the resolver sends it.
std::string PageRow(const std::string& name, const std::string& size, const std::string& href) {
  return "<tr><td>" + name + "</td><td>" + size + "</td><td><a target=\"_blank\" href=\"" + href +
         "\">" + kDownloadUtf8 + "</a></td></tr>\n";
}

std::string Page(const std::string& rows) {
  return "<html><head><meta charset=\"utf-8\"></head><body>\n<table>\n"
         "<tr><th>name</th><th>size</th><th>link</th></tr>\n" +
         rows + "</table>\n</body></html>\n";
}

std::vector<SinkCall> Resolve(const std::string& body) {
  RecordingSink sink;
  ResolveShare(Text("1AbCd"), Text("x7k2"), [&body](const Text&) { return body; }, sink);
  return sink.calls;
}

TEST(QueryUrl, DropsEveryWhitespaceByteOfTheIdAndNothingElse) {
  struct Case {
    const char* name;
    const char* id;
    const char* code;
    const char* url;
  } cases[] = {
      {"inner and trailing spaces", "1Ab Cd ", "x7k2", "http://h:1/?share=1AbCd&pwd=x7k2"},
      {"trailing TAB", "1AbCd\t", "x7k2", "http://h:1/?share=1AbCd&pwd=x7k2"},
      {"trailing CR", "1AbCd\r", "x7k2", "http://h:1/?share=1AbCd&pwd=x7k2"},
      {"trailing LF", "1AbCd\n", "x7k2", "http://h:1/?share=1AbCd&pwd=x7k2"},
      {"trailing CR LF of a two-line paste", "1AbCd\r\n", "x7k2",
       "http://h:1/?share=1AbCd&pwd=x7k2"},
      {"VT and FF anywhere", "\v1Ab\fCd", "x7k2", "http://h:1/?share=1AbCd&pwd=x7k2"},
      {"only whitespace", " \t\r\n", "x7k2", "http://h:1/?share=&pwd=x7k2"},
      {"no extraction code", "1AbCd", "", "http://h:1/?share=1AbCd&pwd="},
      {"other control bytes stay", "1Ab\x01" "Cd\x7F", "x7k2",
       "http://h:1/?share=1Ab\x01" "Cd\x7F&pwd=x7k2"},
      {"a # stays for the HTTP layer to cut", "1Ab#Cd", "x7k2", "http://h:1/?share=1Ab#Cd&pwd=x7k2"},
      {"nothing is percent-encoded", "1A%b&c=d", "x%7k", "http://h:1/?share=1A%b&c=d&pwd=x%7k"},
      {"GBK bytes stay", "\xD6\xD0\xCE\xC4", "x7k2", "http://h:1/?share=\xD6\xD0\xCE\xC4&pwd=x7k2"},
      {"the code is not cleaned", "1AbCd", "x7 2", "http://h:1/?share=1AbCd&pwd=x7 2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BuildQueryUrl(Text("h:1"), Text(c.id), Text(c.code)), Text(c.url));
  }
}

TEST(ResolveShare, FetchesTheQueryUrlForTheBuildTimeHost) {
  std::vector<Text> urls;
  RecordingSink sink;
  ResolveShare(Text("1Ab Cd\r\n"), Text("x7k2"),
               [&urls](const Text& url) {
                 urls.push_back(url);
                 return std::string();
               },
               sink);
  ASSERT_EQ(urls.size(), 1u);
  EXPECT_EQ(urls[0], Text("http://") + Text(ResolverHost) + Text("/?share=1AbCd&pwd=x7k2"));
  EXPECT_TRUE(sink.calls.empty());
}

TEST(ResolveShare, PagesToRows) {
  const std::string three = PageRow("a.txt", "1 KB", "http://d/1") +
                            PageRow("b.txt", "2 KB", "http://d/2") +
                            PageRow("c.txt", "3 KB", "http://d/3");
  struct Case {
    const char* name;
    std::string body;
    std::vector<SinkCall> calls;
  } cases[] = {
      {"three rows in page order, shown once before the first",
       Page(three),
       {Show(), Row("http://d/1", "a.txt", "1 KB"), Row("http://d/2", "b.txt", "2 KB"),
        Row("http://d/3", "c.txt", "3 KB")}},
      {"two rows on one line are two rows",
       Page("<tr><td>a</td><td>1</td><td><a target=\"_blank\" href=\"http://d/1\">" +
            kDownloadUtf8 + "</a></td><td>b</td><td>2</td><td><a target=\"x\" href=\"http://d/2\">" +
            kDownloadUtf8 + "</a></td></tr>\n"),
       {Show(), Row("http://d/1", "a", "1"), Row("http://d/2", "b", "2")}},
      {"tags in capitals match",
       Page("<TR><TD>A.TXT</TD><TD>1 KB</TD><TD><A TARGET=\"_blank\" HREF=\"http://d/1\">" +
            kDownloadUtf8 + "</A></TD></TR>\n"),
       {Show(), Row("http://d/1", "A.TXT", "1 KB")}},
      {"a line feed inside a cell gives no row",
       Page(PageRow("a\nb.txt", "1 KB", "http://d/1") + PageRow("c.txt", "3 KB", "http://d/3")),
       {Show(), Row("http://d/3", "c.txt", "3 KB")}},
      {"a line feed between the cells gives no row",
       Page("<tr><td>a.txt</td>\n<td>1 KB</td><td><a target=\"_blank\" href=\"http://d/1\">" +
            kDownloadUtf8 + "</a></td></tr>\n"),
       {}},
      {"a carriage return is an ordinary character",
       Page(PageRow("a\rb.txt", "1 KB", "http://d/1")),
       {Show(), Row("http://d/1", "a\rb.txt", "1 KB")}},
      {"a zero byte ends the page",
       Page(PageRow("a.txt", "1 KB", "http://d/1") + std::string(1, '\0') +
            PageRow("b.txt", "2 KB", "http://d/2")),
       {Show(), Row("http://d/1", "a.txt", "1 KB")}},
      {"a zero byte inside the only row leaves nothing",
       Page(PageRow("a.txt", std::string("1\0KB", 4), "http://d/1")),
       {}},
      {"a percent-escape in the link shows decoded",
       Page(PageRow("a.txt", "1 KB", "http://d/a%20b%E4%B8%AD.txt?x=%3D")),
       {Show(), Row("http://d/a b\xD6\xD0.txt?x==", "a.txt", "1 KB")}},
      {"a UTF-8 file name arrives as GBK",
       Page(PageRow("\xE4\xB8\xAD\xE6\x96\x87.txt", "1 KB", "http://d/1")),  // 中文.txt
       {Show(), Row("http://d/1", Gbk(u"中文.txt"), "1 KB")}},
      {"character references and spaces are kept as they are",
       Page(PageRow(" a&amp;b.txt ", "&nbsp;1 KB", "http://d/1?a=1&amp;b=2")),
       {Show(), Row("http://d/1?a=1&amp;b=2", " a&amp;b.txt ", "&nbsp;1 KB")}},
      {"empty cells give empty fields",
       Page("<td></td><td></td><td><a target=\"\" href=\"\">" + kDownloadUtf8 + "</a>\n"),
       {Show(), Row("", "", "")}},
      {"a row whose link text is another word gives no row",
       Page("<tr><td>a.txt</td><td>1 KB</td><td><a target=\"_blank\" href=\"http://d/1\">"
            "\xE4\xB8\x8B\xE8\xBD\xBD</a></td></tr>\n"),  // 下载
       {}},
      {"an error page gives nothing",
       "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1>"
       "<p>share not found or wrong pwd</p></body></html>",
       {}},
      {"an empty body gives nothing", "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Resolve(c.body), c.calls);
  }
}

TEST(ResolveShare, FailedOrMissingFetchGivesNothing) {
  RecordingSink sink;
  ResolveShare(Text("1AbCd"), Text("x7k2"), HttpFetch(), sink);
  EXPECT_TRUE(sink.calls.empty());
}

TEST(ResolveShare, MalformedEscapesAndInvalidUtf8BecomeQuestionMarks) {
  // Malformed escapes decode to bytes that are not UTF-8, which the
  // conversion turns into "?"; the row around them survives.
  const std::string body =
      Page(PageRow("%zz%G1x\xFF" "y", "\xC3(1 KB", "http://d/%%41") +
           "\xFE\xFF%\xC0\xAF<td>%%%</td>\n" + PageRow("ok.txt", "2 KB", "http://d/2"));
  EXPECT_EQ(Resolve(body),
            (std::vector<SinkCall>{Show(), Row("http://d/?1", "??x?y", "?(1 KB"),
                                   Row("http://d/2", "ok.txt", "2 KB")}));
}

TEST(ResolveShare, PseudoRandomGarbageNeverHidesAFollowingRow) {
  // Bytes of every value but zero, dense in the characters the decoder and
  // the pattern care about, then three line feeds (an escape eats at most
  // two) and one sound row.
  const char kLoved[] = "%<>/\"=tdaTDA\n\r\xE4\xB8\xAD\xFF";
  uint32_t seed = 12345;
  for (int round = 0; round < 20; ++round) {
    std::string garbage;
    for (int i = 0; i < 4000; ++i) {
      seed = seed * 1664525u + 1013904223u;
      const unsigned r = seed >> 16;
      char c = (r & 1) ? kLoved[(r >> 1) % (sizeof kLoved - 1)] : static_cast<char>(r >> 8);
      garbage.push_back(c == '\0' ? 'x' : c);
    }
    SCOPED_TRACE(round);
    const std::vector<SinkCall> calls =
        Resolve(garbage + "\n\n\n" + PageRow("last.txt", "9 KB", "http://d/last"));
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls.front(), Show());
    EXPECT_EQ(calls.back(), Row("http://d/last", "last.txt", "9 KB"));
  }
}

}  // namespace
}  // namespace quorlan
