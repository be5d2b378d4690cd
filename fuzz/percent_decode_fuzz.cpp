// Percent-decoding of arbitrary bytes: never crashes, and agrees with a plain
// byte-at-a-time walk of the same rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/text.h"
#include "resolver/percent_decode.h"

namespace {

int DigitValue(const quorlan::Text& t, size_t i) {
  if (i >= t.size()) return 0;
  unsigned char c = t[i];
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  static const char kHexDigits[] = "0123456789ABCDEF";
  for (int v = 0; v < 16; ++v) {
    if (kHexDigits[v] == c) return v;
  }
  return -2;
}

std::string ReferenceDecode(const quorlan::Text& t) {
  std::string out;
  size_t p = 0;
  while (p < t.size()) {
    if (t[p] != '%') {
      out.push_back(static_cast<char>(t[p]));
      ++p;
      continue;
    }
    const int v = 16 * DigitValue(t, p + 1) + DigitValue(t, p + 2);
    const unsigned char b = static_cast<unsigned char>(v & 0xFF);
    if (b != 0) out.push_back(static_cast<char>(b));
    p += 3;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const quorlan::Text input(std::string_view(reinterpret_cast<const char*>(data), size));
  const quorlan::Text plain = quorlan::PercentDecode(input, false);
  if (plain.bytes() != ReferenceDecode(input)) std::abort();
  if (plain.size() > input.size()) std::abort();
  const quorlan::Text converted = quorlan::PercentDecode(input, true);
  if (converted.view().find('\0') != std::string_view::npos) std::abort();
  if (plain.empty() != converted.empty()) std::abort();
  return 0;
}
