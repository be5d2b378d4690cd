// A result page of arbitrary bytes through decoding, row matching and the
// calls on the row sink: never crashes, and the sink sees the shape it is
// promised (ShowAndRaise once before the first row, no row without it).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/text.h"
#include "resolver/resolve_share.h"

namespace {

class CheckingSink : public quorlan::ResultRowSink {
 public:
  void ShowAndRaise() override {
    if (shown_) std::abort();
    shown_ = true;
  }
  void AppendRow(const quorlan::Text& link, const quorlan::Text& fileName,
                 const quorlan::Text& size) override {
    if (!shown_) std::abort();
    // No part of the row pattern matches a line feed.
    for (const quorlan::Text* cell : {&link, &fileName, &size}) {
      if (cell->view().find('\n') != std::string_view::npos) std::abort();
    }
    ++rows_;
  }
  bool shown() const { return shown_; }
  size_t rows() const { return rows_; }

 private:
  bool shown_ = false;
  size_t rows_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string body(reinterpret_cast<const char*>(data), size);
  CheckingSink sink;
  quorlan::ResolveShare(quorlan::Text("1AbCd"), quorlan::Text("x7k2"),
                        [&body](const quorlan::Text&) { return body; }, sink);
  if (sink.shown() != (sink.rows() > 0)) std::abort();
  // The same page parsed directly gives the same number of rows.
  if (quorlan::ParseResultRows(quorlan::DecodeResultPage(body)).size() != sink.rows()) std::abort();
  return 0;
}
