#include "resolver/percent_decode.h"

#include <array>
#include <cstring>
#include <string_view>

#include "platform/codepage.h"

namespace quorlan {
namespace {

// Value of each byte as a hexadecimal digit of an escape: 0-15 for 0-9, A-F
// and a-f, -2 for every other byte.
constexpr std::array<signed char, 256> MakeDigitTable() {
  std::array<signed char, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = -2;
  for (int c = '0'; c <= '9'; ++c) table[c] = static_cast<signed char>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) {
    table[c] = static_cast<signed char>(c - 'A' + 10);
    table[c - 'A' + 'a'] = static_cast<signed char>(c - 'A' + 10);
  }
  return table;
}
constexpr std::array<signed char, 256> kDigit = MakeDigitTable();

// The byte an escape stands for; a digit position past the end counts as 0.
char EscapeByte(const unsigned char* s, size_t n, size_t percentAt) {
  const int high = percentAt + 1 < n ? kDigit[s[percentAt + 1]] : 0;
  const int low = percentAt + 2 < n ? kDigit[s[percentAt + 2]] : 0;
  // Two's complement low eight bits of a value between -34 and 255.
  return static_cast<char>(static_cast<unsigned>(16 * high + low) & 0xFFu);
}

}  // namespace

Text PercentDecode(const Text& text, bool convertFromUtf8) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  Text out;
  out.reserve(n);  // decoding never makes the text longer
  size_t p = 0;
  while (p < n) {
    // Copy the run of plain bytes up to the next "%" in one piece.
    const void* hit = std::memchr(s + p, '%', n - p);
    const size_t percentAt = hit ? static_cast<const unsigned char*>(hit) - s : n;
    if (percentAt > p) {
      out.Append(std::string_view(text.data() + p, percentAt - p));
    }
    if (percentAt >= n) break;
    out.Append(EscapeByte(s, n, percentAt));  // Append drops a zero byte
    p = percentAt + 3;
  }
  return convertFromUtf8 ? Utf8ToGbk(out) : out;
}

Text Utf8ToGbk(const Text& utf8) {
  return WideToText(TextToWide(utf8, kCodePageUtf8), kCodePageGbk);
}

}  // namespace quorlan
