// Resolving a share: one query to the link-resolver service, its result page
// decoded, and one result row per file row of the page. The portable half:
// the fetch and the destination of the rows are handed in.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/text.h"

namespace quorlan {

// Host (and optional ":port") of the resolver service, reached over plain
// HTTP; fixed when the program is built.
extern const char ResolverHost[];

// The pattern of one file row of the result page, as GBK bytes: group 1 the
// file name, group 2 the size, group 3 the direct link.
extern const char RowPattern[];

// One file offered by the resolver, each field exactly as the decoded page has it.
struct ResultRow {
  Text Link;
  Text FileName;
  Text Size;
};

// Where the rows of a resolved share go. The application implements it with
// synchronous messages to its window's thread; tests record the calls.
class ResultRowSink {
 public:
  virtual ~ResultRowSink() = default;
  // Make the window visible and bring it to the foreground; called once,
  // before the first row, and only when there is a row.
  virtual void ShowAndRaise() = 0;
  // One row with its three cells, as one unit.
  virtual void AppendRow(const Text& link, const Text& fileName, const Text& size) = 0;
};

// GET of one absolute URL: the whole body as bytes, empty on failure.
using HttpFetch = std::function<std::string(const Text& url)>;

// The share id without any whitespace byte (space, TAB, LF, VT, FF, CR),
// wherever it stands; every other byte is kept as it is.
Text CleanShareId(const Text& shareId);

// "http://" host "/?share=" cleaned id "&pwd=" code. Nothing is escaped here:
// that, and cutting a "#" fragment, is the HTTP client's business.
Text BuildQueryUrl(const Text& resolverHost, const Text& shareId, const Text& extractionCode);

// The body up to its first zero byte, percent-decoded and converted from
// UTF-8 to GBK.
Text DecodeResultPage(const std::string& body);

// Every file row of a decoded page, in page order.
std::vector<ResultRow> ParseResultRows(const Text& page);

// Query, fetch, decode, parse; when at least one row was found,
// sink.ShowAndRaise() once, then sink.AppendRow() per row in page order.
// Failures are silent: they give no row and no ShowAndRaise.
void ResolveShare(const Text& shareId, const Text& extractionCode, const HttpFetch& fetch,
                  ResultRowSink& sink);

}  // namespace quorlan
