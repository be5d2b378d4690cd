// Decoding and parsing of the resolver's result page. Memcpy of the same
// bytes is the limit that the decoder is measured against.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/text.h"
#include "resolver/percent_decode.h"
#include "resolver/resolve_share.h"

namespace {

using quorlan::Text;

// A result page as the resolver sends it: UTF-8, a head, then one table row
// per file whose direct link carries percent-escapes (UTF-8 path, base64
// signature) and whose name is partly Chinese.
std::string MakePage(size_t rows) {
  std::string page =
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>\xE8\xA7\xA3\xE6\x9E\x90"
      "</title></head>\n<body><table>\n<tr><th>\xE6\x96\x87\xE4\xBB\xB6\xE5\x90\x8D</th>"
      "<th>\xE5\xA4\xA7\xE5\xB0\x8F</th><th>\xE9\x93\xBE\xE6\x8E\xA5</th></tr>\n";
  char line[1024];
  for (size_t i = 0; i < rows; ++i) {
    std::snprintf(line, sizeof line,
                  "<tr><td>\xE8\xB5\x84\xE6\x96\x99_%zu_\xE7\xAC\xAC%zu\xE5\x8D\xB7.zip</td>"
                  "<td>%zu.%02zu MB</td><td><a target=\"_blank\" "
                  "href=\"http://d.pcs.example.com/file/%08zx%08zx?fid=%zu&amp;dstime=1700000000"
                  "&amp;rt=sh&amp;sign=FDtAER-DCb740ccc5511e5e8fedcff06b081203-%zu%%3D"
                  "&amp;path=%%2F%%E8%%B5%%84%%E6%%96%%99%%2F%zu.zip&amp;filename=%%E8%%B5%%84"
                  "%%E6%%96%%99_%zu.zip\">\xE7\x82\xB9\xE6\x88\x91\xE4\xB8\x8B\xE8\xBD\xBD</a>"
                  "</td></tr>\n",
                  i, i % 97, i % 4096, i % 100, i * 2654435761u, i, i, i, i, i);
    page += line;
  }
  page += "</table></body></html>\n";
  return page;
}

// About 10 MB of rows.
const std::string& TenMegabytePage() {
  static const std::string page = [] {
    const size_t probe = MakePage(1000).size();
    return MakePage(size_t{10} * 1000 * 1000 * 1000 / probe);
  }();
  return page;
}

void BM_Memcpy(benchmark::State& state) {
  const std::string& page = TenMegabytePage();
  std::string out(page.size(), '\0');
  for (auto _ : state) {
    std::memcpy(&out[0], page.data(), page.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

void BM_PercentDecode(benchmark::State& state) {
  const Text page(TenMegabytePage());
  const bool convert = state.range(0) != 0;
  for (auto _ : state) {
    Text decoded = quorlan::PercentDecode(page, convert);
    benchmark::DoNotOptimize(decoded.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
  state.SetLabel(convert ? "with UTF-8 to GBK" : "escapes only");
}
BENCHMARK(BM_PercentDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Utf8ToGbk(benchmark::State& state) {
  const Text decoded = quorlan::PercentDecode(Text(TenMegabytePage()), false);
  for (auto _ : state) {
    Text gbk = quorlan::Utf8ToGbk(decoded);
    benchmark::DoNotOptimize(gbk.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * decoded.size()));
}
BENCHMARK(BM_Utf8ToGbk)->Unit(benchmark::kMillisecond);

// Everything after the fetch: decode, convert, match, build the rows.
void BM_PageToRows(benchmark::State& state) {
  const size_t rows = static_cast<size_t>(state.range(0));
  const std::string body = MakePage(rows);
  for (auto _ : state) {
    std::vector<quorlan::ResultRow> parsed =
        quorlan::ParseResultRows(quorlan::DecodeResultPage(body));
    if (parsed.size() != rows) state.SkipWithError("wrong number of rows");
    benchmark::DoNotOptimize(parsed.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(state.iterations() * rows),
                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PageToRows)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
