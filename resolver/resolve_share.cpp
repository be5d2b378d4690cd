#include "resolver/resolve_share.h"

#include <string_view>
#include <utility>

#include "capture/regex_matcher.h"
#include "resolver/percent_decode.h"

namespace quorlan {

const char ResolverHost[] = QUORLAN_RESOLVER_HOST;

// <td>(.*?)</td><td>(.*?)</td><td><a target=".*?" href="(.*?)">点我下载</a>
// The literal is split after the last escape so that "</a>" cannot be read
// as more hex digits.
const char RowPattern[] =
    "<td>(.*?)</td><td>(.*?)</td><td><a target=\".*?\" href=\"(.*?)\">"
    "\xB5\xE3\xCE\xD2\xCF\xC2\xD4\xD8"  // 点我下载
    "</a>";

namespace {

bool IsWhitespaceByte(char c) {
  switch (c) {
    case ' ': case '\t': case '\n': case '\v': case '\f': case '\r':
      return true;
    default:
      return false;
  }
}

}  // namespace

Text CleanShareId(const Text& shareId) {
  // Byte by byte is safe in GBK: no trail byte of a double-byte character
  // lies below 0x40, so none can be mistaken for whitespace.
  Text out;
  out.reserve(shareId.size());
  for (char c : shareId.view()) {
    if (!IsWhitespaceByte(c)) out.Append(c);
  }
  return out;
}

Text BuildQueryUrl(const Text& resolverHost, const Text& shareId, const Text& extractionCode) {
  Text url("http://");
  url += resolverHost;
  url += "/?share=";
  url += CleanShareId(shareId);
  url += "&pwd=";
  url += extractionCode;
  return url;
}

Text DecodeResultPage(const std::string& body) {
  return PercentDecode(Text(std::string_view(body)), /*convertFromUtf8=*/true);
}

std::vector<ResultRow> ParseResultRows(const Text& page) {
  std::vector<ResultRow> rows;
  RegexMatcher matcher;
  if (!matcher.Run(Text(RowPattern), page)) return rows;
  const int count = matcher.MatchCount();
  rows.reserve(count > 0 ? static_cast<size_t>(count) : 0);
  for (int i = 1; i <= count; ++i) {
    rows.push_back(ResultRow{matcher.SubMatchText(i, 3), matcher.SubMatchText(i, 1),
                             matcher.SubMatchText(i, 2)});
  }
  return rows;
}

void ResolveShare(const Text& shareId, const Text& extractionCode, const HttpFetch& fetch,
                  ResultRowSink& sink) {
  Text page;
  {
    const Text url = BuildQueryUrl(Text(ResolverHost), shareId, extractionCode);
    std::string body = fetch ? fetch(url) : std::string();
    page = DecodeResultPage(body);
  }  // the raw body is released before the page is matched
  const std::vector<ResultRow> rows = ParseResultRows(page);
  if (rows.empty()) return;
  sink.ShowAndRaise();
  for (const ResultRow& row : rows) sink.AppendRow(row.Link, row.FileName, row.Size);
}

}  // namespace quorlan
