// A result page far larger than any real one, through the whole decoding and
// parsing path. Native only: under Wine the 32-bit address space is too
// tight for the copies this size needs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resolver/resolve_share.h"
#include "test_support.h"

namespace quorlan {
namespace {

TEST(ResolveShareLarge, HundredMegabyteBodyDecodesAndParsesWhole) {
  // Blocks of a sound row (UTF-8 name, escaped link), a line of malformed
  // escapes and invalid UTF-8, and a long run of ordinary page text, to just
  // past 100 MB.
  const std::string row =
      "<tr><td>\xE4\xB8\xAD.bin</td><td>1 MB</td><td><a target=\"_blank\" "
      "href=\"http://d/f%20%E6%96%87?s=%3D\">\xE7\x82\xB9\xE6\x88\x91\xE4\xB8\x8B\xE8\xBD\xBD"
      "</a></td></tr>\n";
  const std::string junk = "%zz%G1\xFF\xFE<td>%%%\xC0\xAF</td><td>\xE4\xB8</td>\n";
  std::string filler;
  while (filler.size() < 4000) filler += "lorem ipsum dolor sit amet \xE6\x96\x87 50%25 off; ";
  filler += "\n";
  const size_t target = size_t{100} << 20;
  std::string body;
  body.reserve(target + row.size() + junk.size() + filler.size());
  size_t rows = 0;
  while (body.size() < target) {
    body += row;
    body += junk;
    body += filler;
    ++rows;
  }

  const std::vector<ResultRow> parsed = ParseResultRows(DecodeResultPage(body));
  ASSERT_EQ(parsed.size(), rows);
  for (const ResultRow* r : {&parsed.front(), &parsed.back()}) {
    EXPECT_EQ(r->Link, Text("http://d/f \xCE\xC4?s=="));  // 文
    EXPECT_EQ(r->FileName, Text("\xD6\xD0.bin"));           // 中
    EXPECT_EQ(r->Size, Text("1 MB"));
  }
}

}  // namespace
}  // namespace quorlan
