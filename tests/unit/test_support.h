// Helpers shared by the unit tests.
#pragma once

#include <cstdio>
#include <ostream>

#include "platform/codepage.h"
#include "platform/text.h"

namespace quorlan {

// gtest prints a Text as its bytes: printable ASCII as is, the rest in hex.
inline void PrintTo(const Text& t, std::ostream* os) {
  *os << '"';
  for (size_t i = 0; i < t.size(); ++i) {
    unsigned char c = t[i];
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      *os << static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      *os << buf;
    }
  }
  *os << '"';
}

// A GBK Text from a UTF-16 literal, so that tests can write Chinese plainly.
inline Text Gbk(const char16_t* wide) { return WideToGbk(WideText(wide)); }

}  // namespace quorlan
