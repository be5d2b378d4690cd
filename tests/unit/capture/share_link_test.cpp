// The share-link cascade over typical and awkward clipboard texts.
#include "capture/share_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace quorlan {
namespace {

// Eight rows are tried; a text that no row recognises costs eight reads.
constexpr int kRowCount = 8;

struct Recognized {
  std::optional<ShareLink> link;
  int reads = 0;
};

// Runs the recognizer over a clipboard that always holds the same text.
Recognized RecognizeFixed(const Text& clipboard) {
  Recognized r;
  r.link = RecognizeShareLink([&] {
    ++r.reads;
    return clipboard;
  });
  return r;
}

struct Case {
  const char* name;
  Text clipboard;
  bool found;
  Text id;
  Text code;
  int reads;  // the number of rows tried, the hit row included
};

TEST(ShareLink, RecognizesTypicalAndAwkwardClipboardTexts) {
  const Case cases[] = {
      // The code carried in the link itself, short and long form.
      {"short form with pwd", Text("https://pan.baidu.com/s/1AbCdEf?pwd=x7k2"), true,
       "1AbCdEf", "x7k2", 1},
      {"short form with pwd, then label and code",
       Gbk(u"链接: https://pan.baidu.com/s/1AbCdEf?pwd=x7k2 提取码: x7k2 复制这段内容后打开百度网盘App"),
       true, "1AbCdEf", "x7k2", 1},
      {"short form with pwd and a fragment", Text("https://pan.baidu.com/s/1AbCd_E-f?pwd=x7k2#list/path=%2F"),
       true, "1AbCd_E-f", "x7k2", 1},
      {"short form with pwd in capitals", Text("HTTPS://PAN.BAIDU.COM/S/1AbCdEf?PWD=X7K2"), true,
       "1AbCdEf", "X7K2", 1},
      {"long form with pwd", Text("https://pan.baidu.com/share/init?surl=AbCdEf&pwd=x7k2"), true,
       "AbCdEf", "x7k2", 2},
      {"long form with pwd, then label and code",
       Gbk(u"https://pan.baidu.com/share/init?surl=AbCdEf&pwd=x7k2\r\n提取码：x7k2"), true, "AbCdEf",
       "x7k2", 2},
      {"long form with pwd and a fragment", Text("https://pan.baidu.com/share/init?surl=AbCdEf&pwd=x7k2#list"),
       true, "AbCdEf", "x7k2", 2},
      {"pwd too short for a code: the cascade takes the id alone",
       Text("https://pan.baidu.com/s/1AbCdEf?pwd=x7"), true, "1AbCdEf", "", 4},

      // The short form with a label and a code after it.
      {"space, label, code", Gbk(u"链接: https://pan.baidu.com/s/1AbCdEf 提取码: x7k2"), true,
       "1AbCdEf ", "x7k2", 3},
      {"code in capitals is handed on as written", Gbk(u"https://pan.baidu.com/s/1AbCdEf 提取码: X7K2"),
       true, "1AbCdEf ", "X7K2", 3},
      {"capitals in domain and path", Gbk(u"https://Pan.Baidu.COM/S/1AbCdEf 提取码: x7k2"), true,
       "1AbCdEf ", "x7k2", 3},
      {"any character stands for the domain's dots", Gbk(u"panXbaidu-com/s/1AbCdEf 提取码: x7k2"), true,
       "1AbCdEf ", "x7k2", 3},
      {"four ASCII letters in the label win over the code",
       Text("https://pan.baidu.com/s/1AbCdEf (Pass: x7k2)"), true, "1AbCdEf ", "Pass", 3},
      {"CR LF, then a line with label and code", Gbk(u"链接：https://pan.baidu.com/s/1AbCdEf\r\n提取码：x7k2"),
       true, "1AbCdEf\r", "x7k2", 3},
      {"LF, then a line with label and code", Gbk(u"https://pan.baidu.com/s/1AbCdEf\n提取码：x7k2"), true,
       "1AbCdEf\n", "x7k2", 3},
      {"tilde ends the id", Gbk(u"https://pan.baidu.com/s/1AbCdEf~ 提取码 x7k2"), true, "1AbCdEf~", "x7k2",
       3},

      // The short form without a code.
      {"space and at once the code: no label", Text("https://pan.baidu.com/s/1AbCdEf x7k2"), true,
       "1AbCdEf", "", 4},
      {"hyphen and more letters at the end", Text("https://pan.baidu.com/s/1AbCd-Ef"), true, "1AbCd", "",
       4},
      {"link alone at the end of the text", Text("https://pan.baidu.com/s/1AbCdEf"), true, "1AbCdEf", "", 7},
      {"link alone at the end of its line", Text("see https://pan.baidu.com/s/1AbCdEf\r\nbye"), true,
       "1AbCdEf", "", 4},

      // The long form without the code in the link.
      {"long form, space, label, code", Gbk(u"https://pan.baidu.com/share/init?surl=AbCdEf 提取码: x7k2"),
       true, "AbCdEf ", "x7k2", 5},
      {"long form with another parameter after the id",
       Text("https://pan.baidu.com/share/init?surl=AbCdEf&from=home"), true, "AbCdEf", "", 6},
      {"long form alone at the end of the text", Text("https://pan.baidu.com/share/init?surl=AbCdEf"), true,
       "AbCdEf", "", 8},

      // Only the leftmost occurrence counts: "/s/" and a space give row 4 an
      // empty id although a later link carries one; the loosest short row
      // then takes the rest of the line.
      {"first occurrence with an empty id", Text("pan.baidu.com/s/ pan.baidu.com/s/1AbCdEf-x"), true,
       " pan.baidu.com/s/1AbCdEf-x", "", 7},

      // Nothing to recognise.
      {"plain Chinese text", Gbk(u"今天天气不错，提取码: x7k2"), false, "", "", kRowCount},
      {"another domain", Text("https://example.com/s/1AbCdEf 4 x7k2"), false, "", "", kRowCount},
      {"domain without a share path", Text("https://pan.baidu.com/disk/home"), false, "", "", kRowCount},
      {"empty clipboard", Text(), false, "", "", kRowCount},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Recognized r = RecognizeFixed(c.clipboard);
    EXPECT_EQ(r.reads, c.reads);
    ASSERT_EQ(r.link.has_value(), c.found);
    if (!c.found) continue;
    EXPECT_EQ(r.link->ShareId, c.id);
    EXPECT_EQ(r.link->ExtractionCode, c.code);
  }
}

// A clipboard that changes while the cascade runs: every row sees the text of
// its own read, never an earlier one.
TEST(ShareLink, EveryRowReadsTheClipboardAfresh) {
  const std::vector<Text> script = {
      // Read by the two pwd rows, which miss it; the code row after them
      // would hit it, but by then the clipboard has changed.
      Gbk(u"https://pan.baidu.com/s/1First 提取码: aaaa"),
      Gbk(u"https://pan.baidu.com/s/1First 提取码: aaaa"),
      Text("nothing here"),                       // read by the code row: a miss
      Text("https://pan.baidu.com/s/1Second-x"),  // read by the id row: the hit
      Text("https://pan.baidu.com/s/1Third"),     // never read
  };
  std::vector<Text> log;
  const auto link = RecognizeShareLink([&] {
    const Text t = log.size() < script.size() ? script[log.size()] : Text();
    log.push_back(t);
    return t;
  });
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(link->ShareId, Text("1Second"));
  EXPECT_EQ(link->ExtractionCode, Text());
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log.back(), script[3]);
}

// A read that meets the clipboard held open elsewhere gives an empty text:
// that row misses and the following rows read again.
TEST(ShareLink, OneFailedReadCostsOnlyItsRow) {
  const struct {
    const char* name;
    Text clipboard;
    int failingRead;  // 1-based
    Text id;
    Text code;
    int reads;
  } cases[] = {
      {"code row loses its read; the id row takes the id alone",
       Gbk(u"https://pan.baidu.com/s/1AbCdEf 提取码: x7k2"), 3, "1AbCdEf", "", 4},
      {"pwd row loses its read; the code in the link is lost",
       Text("https://pan.baidu.com/s/1AbCdEf?pwd=x7k2"), 1, "1AbCdEf", "", 4},
      {"a failed read on a row that would miss anyway changes nothing",
       Gbk(u"https://pan.baidu.com/s/1AbCdEf 提取码: x7k2"), 2, "1AbCdEf ", "x7k2", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int reads = 0;
    const auto link = RecognizeShareLink([&] {
      ++reads;
      return reads == c.failingRead ? Text() : c.clipboard;
    });
    EXPECT_EQ(reads, c.reads);
    ASSERT_TRUE(link.has_value());
    EXPECT_EQ(link->ShareId, c.id);
    EXPECT_EQ(link->ExtractionCode, c.code);
  }
}

}  // namespace
}  // namespace quorlan
