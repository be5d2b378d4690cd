// The native GBK converter against glibc's iconv used directly, over every
// byte, every byte pair, every UTF-16 code unit and surrogate pairs: it must
// give what iconv gives with the converter's replacement rules (a rejected
// or cut sequence: one U+FFFD for its lead byte; an unmappable code unit: "?").
#include <errno.h>
#include <iconv.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/codepage.h"
#include "test_support.h"

namespace quorlan {
namespace {

// The whole input in one iconv call at a time, restarted after each rejection.
std::u16string IconvDecode(const std::string& gbk) {
  iconv_t cd = iconv_open("UTF-16LE", "CP936");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::u16string out;
  std::string buf(4 * gbk.size() + 16, '\0');
  char* in = const_cast<char*>(gbk.data());
  size_t inLeft = gbk.size();
  while (inLeft > 0) {
    char* o = &buf[0];
    size_t oLeft = buf.size();
    const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
    const int err = errno;
    for (size_t k = 0; k + 1 < buf.size() - oLeft; k += 2) {
      out.push_back(char16_t(uint8_t(buf[k]) | (uint8_t(buf[k + 1]) << 8)));
    }
    if (r == size_t(-1)) {
      EXPECT_TRUE(err == EILSEQ || err == EINVAL) << err;
      out.push_back(0xFFFD);
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

std::string IconvEncode(const std::u16string& wide) {
  iconv_t cd = iconv_open("CP936", "UTF-16LE");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string in16;
  for (char16_t u : wide) {
    in16.push_back(char(u & 0xFF));
    in16.push_back(char(u >> 8));
  }
  std::string out;
  std::string buf(4 * wide.size() + 16, '\0');
  char* in = &in16[0];
  size_t inLeft = in16.size();
  while (inLeft > 0) {
    char* o = &buf[0];
    size_t oLeft = buf.size();
    const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
    const int err = errno;
    out.append(buf.data(), buf.size() - oLeft);
    if (r == size_t(-1)) {
      EXPECT_TRUE(err == EILSEQ || err == EINVAL) << err;
      out.push_back('?');
      in += 2;
      inLeft -= 2;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

void ExpectDecodesAsIconv(const std::string& gbk) {
  ASSERT_EQ(gbk.find('\0'), std::string::npos);
  EXPECT_EQ(GbkToWide(Text(gbk)), IconvDecode(gbk));
}

TEST(CodePageNative, GbkDecodingMatchesIconvOnEveryByteAndPair) {
  // Every byte alone, and at the end of a text after a lead byte.
  for (int b = 1; b < 256; ++b) {
    SCOPED_TRACE(b);
    ExpectDecodesAsIconv(std::string(1, char(b)));
    ExpectDecodesAsIconv(std::string("a") + char(b));
    ExpectDecodesAsIconv(std::string("\xB5") + char(b));
  }
  // Every pair, in one text per first byte, each pair behind an ASCII byte
  // so that a rejected pair's second byte is read on its own; and the bare
  // run of pairs, where a rejection shifts the rest.
  for (int b = 0x80; b < 256; ++b) {
    SCOPED_TRACE(b);
    std::string fenced, bare;
    for (int t = 1; t < 256; ++t) {
      fenced += 'x';
      fenced += char(b);
      fenced += char(t);
      bare += char(b);
      bare += char(t);
    }
    ExpectDecodesAsIconv(fenced);
    ExpectDecodesAsIconv(bare);
  }
  // Random bytes, biased to the high half.
  uint32_t x = 12345;
  std::string random;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1103515245u + 12345u;
    const unsigned c = (x >> 16) & 0xFF;
    random += char(c == 0 ? 0xA1 : c | ((x >> 8) & 1 ? 0x80 : 0));
  }
  ExpectDecodesAsIconv(random);
}

TEST(CodePageNative, GbkEncodingMatchesIconvOnEveryCodeUnitAndSurrogatePairs) {
  std::u16string all;
  for (unsigned u = 1; u < 0x10000; ++u) {
    all.push_back(char16_t(u));
    all.push_back(u'.');
  }
  EXPECT_EQ(WideToGbk(all).bytes(), IconvEncode(all));
  // Well-formed surrogate pairs (characters past the BMP), reversed pairs and
  // a lone high surrogate at the end.
  std::u16string pairs;
  for (unsigned hi = 0xD800; hi < 0xDC00; hi += 7) {
    for (unsigned lo : {0xDC00u, 0xDE01u, 0xDFFFu}) {
      pairs += char16_t(hi);
      pairs += char16_t(lo);
      pairs += char16_t(lo);
      pairs += char16_t(hi);
      pairs += u'a';
    }
  }
  pairs += char16_t(0xD801);
  EXPECT_EQ(WideToGbk(pairs).bytes(), IconvEncode(pairs));
}

TEST(CodePageNative, GbkEncodingEndsAtAZeroCodeUnit) {
  EXPECT_EQ(WideToGbk(std::u16string(u"ab\0cd", 5)), Text("ab"));
}

}  // namespace
}  // namespace quorlan
