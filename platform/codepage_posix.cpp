// iconv backend of the code-page converter, for the native build and its tests.
// UTF-8 is decoded by hand (the rules of the Win32 decoder: each maximal invalid
// subsequence becomes one U+FFFD); other code pages go through glibc's iconv,
// which stops at a sequence it rejects, so every rejection is replaced here and
// the walk goes on (glibc rejects the user-defined areas that Windows maps to
// the Private Use Area, and any malformed sequence).
#include <errno.h>
#include <iconv.h>

#include <cstdint>
#include <cstring>

#include "codepage.h"

namespace quorlan {
namespace {

const char* IconvName(unsigned codePage) {
  switch (codePage) {
    case kCodePageGbk: return "CP936";
    case kCodePageUtf8: return "UTF-8";
    default: return nullptr;
  }
}

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

void AppendCodePoint(WideText& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

WideText DecodeUtf8(const Text& text) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  WideText out;
  out.reserve(n);
  size_t i = 0;
  while (i < n) {
    const unsigned char b = s[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    // Length and the allowed range of the second byte (which excludes
    // overlong forms, surrogates and code points past U+10FFFF).
    size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    }
    if (len == 0) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    char32_t c = b & (0x7F >> len);
    size_t k = 1;
    for (; k < len && i + k < n; ++k) {
      const unsigned char t = s[i + k];
      if (t < (k == 1 ? lo : 0x80) || t > (k == 1 ? hi : 0xBF)) break;
      c = (c << 6) | (t & 0x3F);
    }
    if (k == len) {
      AppendCodePoint(out, c);
    } else {
      out.push_back(0xFFFD);  // the maximal subpart seen so far, as one
    }
    i += k;
  }
  return out;
}

// iconv over at most kInputWindow bytes of the remaining input. Sanitizers
// check the whole input range handed to iconv on every call, so handing it a
// large text at once costs time quadratic in the text's length; a bounded
// window keeps every call's check small. A sequence cut by the window's end
// (EINVAL before the real end of the input) is not an error: the next window
// starts with it, and kWindowCut tells the caller to go on.
constexpr size_t kInputWindow = 16 * 1024;
constexpr size_t kWindowCut = static_cast<size_t>(-2);

size_t IconvWindow(iconv_t cd, char** in, size_t* inLeft, char** out, size_t* outLeft) {
  const size_t window = *inLeft < kInputWindow ? *inLeft : kInputWindow;
  size_t windowLeft = window;
  const size_t r = iconv(cd, in, &windowLeft, out, outLeft);
  const int err = errno;
  const bool cut = window < *inLeft;
  *inLeft -= window - windowLeft;
  errno = err;
  if (r == static_cast<size_t>(-1) && err == EINVAL && cut) return kWindowCut;
  return r;
}

WideText DecodeWithIconv(const Text& text, const char* name) {
  WideText out;
  Iconv cd("UTF-16LE", name);
  if (!cd.ok()) return out;
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  std::string buf(4096, '\0');
  while (inLeft > 0) {
    char* o = &buf[0];
    size_t oLeft = buf.size();
    size_t r = IconvWindow(cd.get(), &in, &inLeft, &o, &oLeft);
    const size_t produced = (buf.size() - oLeft) / 2;
    for (size_t k = 0; k < produced; ++k) {
      out.push_back(static_cast<char16_t>(static_cast<unsigned char>(buf[2 * k]) |
                                          (static_cast<unsigned char>(buf[2 * k + 1]) << 8)));
    }
    if (r == kWindowCut) continue;  // the output so far is kept
    if (r == static_cast<size_t>(-1) && (errno == EILSEQ || errno == EINVAL)) {
      // A rejected or truncated sequence: one replacement, skip its lead byte.
      out.push_back(0xFFFD);
      ++in;
      --inLeft;
      iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    } else if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      break;
    }
  }
  return out;
}

Text EncodeWithIconv(const WideText& wide, const char* name) {
  std::string out;
  Iconv cd(name, "UTF-16LE");
  if (!cd.ok()) return Text();
  std::string in16(wide.size() * 2, '\0');
  for (size_t k = 0; k < wide.size(); ++k) {
    in16[2 * k] = static_cast<char>(wide[k] & 0xFF);
    in16[2 * k + 1] = static_cast<char>(wide[k] >> 8);
  }
  char* in = &in16[0];
  size_t inLeft = in16.size();
  std::string buf(4096, '\0');
  while (inLeft > 0) {
    char* o = &buf[0];
    size_t oLeft = buf.size();
    size_t r = IconvWindow(cd.get(), &in, &inLeft, &o, &oLeft);
    out.append(buf.data(), buf.size() - oLeft);
    if (r == kWindowCut) continue;  // the output so far is kept
    if (r == static_cast<size_t>(-1) && (errno == EILSEQ || errno == EINVAL)) {
      // A character the code page cannot carry (or a lone surrogate): one "?"
      // per code unit, as the Win32 encoder gives.
      out.push_back('?');
      in += 2;
      inLeft -= 2;
      iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    } else if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      break;
    }
  }
  return Text(out);
}

// GBK through tables. iconv_open and iconv's per-call work cost far more than
// the conversion itself on the short texts the program converts most (one
// group of a match at a time), so the GBK mappings are read out of iconv once,
// a character at a time, and applied from tables. GBK is stateless and at
// most two bytes a character, so a text converts as its characters do one by
// one; the walk over the text follows the iconv loops above exactly (an
// unmapped lead byte or pair: one U+FFFD and the walk goes on at the next
// byte; an unmappable code unit: one "?"). When iconv answers anything the
// tables cannot hold, they are not used and every text goes through iconv.
class GbkTables {
 public:
  static const GbkTables* Get() {
    static const GbkTables tables;
    return tables.usable_ ? &tables : nullptr;
  }

  WideText Decode(const Text& text) const {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = s + text.size();
    WideText out(text.size(), u'\0');
    char16_t* d = out.data();
    while (s < end) {
      const unsigned char b = *s;
      if (kind_[b] == kSingle) {
        *d++ = single_[b];
        ++s;
        continue;
      }
      const char16_t pair = kind_[b] == kLead && s + 1 < end ? pair_[(b << 8) | s[1]] : 0;
      *d++ = pair != 0 ? pair : char16_t(0xFFFD);
      s += pair != 0 ? 2 : 1;
    }
    out.resize(static_cast<size_t>(d - out.data()));
    return out;
  }

  Text Encode(const WideText& wide) const {
    std::string out(2 * wide.size(), '\0');
    char* d = out.data();
    for (const char16_t u : wide) {
      const uint16_t v = encode_[u];
      if (v > 0xFF) *d++ = static_cast<char>(v >> 8);
      *d++ = static_cast<char>(v & 0xFF);
    }
    out.resize(static_cast<size_t>(d - out.data()));
    return Text(out);  // ends at a U+0000, as iconv's output does
  }

 private:
  enum Kind : uint8_t { kInvalid, kSingle, kLead };

  GbkTables() { usable_ = BuildDecode() && BuildEncode(); }

  // How iconv converts exactly the bytes [in, in + len): the number of output
  // bytes in out, or -1 when it rejects them (EILSEQ), -2 when they are an
  // incomplete sequence (EINVAL), -3 for anything else.
  static int ConvertAlone(iconv_t cd, const char* in, size_t len, char* out, size_t outSize) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* i = const_cast<char*>(in);
    char* o = out;
    size_t inLeft = len, outLeft = outSize;
    const size_t r = iconv(cd, &i, &inLeft, &o, &outLeft);
    if (r == static_cast<size_t>(-1)) return errno == EILSEQ ? -1 : errno == EINVAL ? -2 : -3;
    if (inLeft != 0) return -3;
    return static_cast<int>(outSize - outLeft);
  }

  static char16_t Unit(const char* b) {
    return static_cast<char16_t>(static_cast<unsigned char>(b[0]) | (static_cast<unsigned char>(b[1]) << 8));
  }

  bool BuildDecode() {
    Iconv cd("UTF-16LE", "CP936");
    if (!cd.ok()) return false;
    char out[16];
    for (unsigned b = 1; b < 256; ++b) {
      const char in[2] = {static_cast<char>(b), 0};
      const int r = ConvertAlone(cd.get(), in, 1, out, sizeof out);
      if (r == 2 && Unit(out) != 0) {
        kind_[b] = kSingle;
        single_[b] = Unit(out);
        continue;
      }
      if (r == -1) continue;  // kInvalid
      if (r != -2) return false;
      kind_[b] = kLead;
      for (unsigned t = 1; t < 256; ++t) {
        const char pair[2] = {static_cast<char>(b), static_cast<char>(t)};
        const int p = ConvertAlone(cd.get(), pair, 2, out, sizeof out);
        if (p == -1) continue;  // an unmapped pair stays 0
        if (p != 2 || Unit(out) == 0 || (Unit(out) >= 0xD800 && Unit(out) < 0xE000)) return false;
        pair_[(b << 8) | t] = Unit(out);
      }
    }
    return true;
  }

  bool BuildEncode() {
    Iconv cd("CP936", "UTF-16LE");
    if (!cd.ok()) return false;
    char out[16];
    encode_[0] = 0;
    for (unsigned u = 1; u < 0x10000; ++u) {
      const char in[2] = {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
      const int r = ConvertAlone(cd.get(), in, 2, out, sizeof out);
      if (r == -1 || r == -2) {
        encode_[u] = '?';
      } else if (r == 1 && out[0] != 0) {
        encode_[u] = static_cast<unsigned char>(out[0]);
      } else if (r == 2 && out[0] != 0 && out[1] != 0) {
        encode_[u] = static_cast<uint16_t>((static_cast<unsigned char>(out[0]) << 8) |
                                           static_cast<unsigned char>(out[1]));
        if (encode_[u] <= 0xFF) return false;
      } else {
        return false;
      }
    }
    return true;
  }

  bool usable_ = false;
  Kind kind_[256] = {};
  char16_t single_[256] = {};
  char16_t pair_[1 << 16] = {};   // lead << 8 | trail; 0: not a character
  uint16_t encode_[1 << 16] = {};  // one byte, or lead << 8 | trail
};

}  // namespace

WideText TextToWide(const Text& text, unsigned codePage) {
  if (text.empty()) return {};
  if (codePage == kCodePageUtf8) return DecodeUtf8(text);
  if (codePage == kCodePageGbk) {
    if (const GbkTables* t = GbkTables::Get()) return t->Decode(text);
  }
  const char* name = IconvName(codePage);
  return name ? DecodeWithIconv(text, name) : WideText();
}

Text WideToText(const WideText& wide, unsigned codePage) {
  if (wide.empty()) return Text();
  if (codePage == kCodePageGbk) {
    if (const GbkTables* t = GbkTables::Get()) return t->Encode(wide);
  }
  const char* name = IconvName(codePage);
  return name ? EncodeWithIconv(wide, name) : Text();
}

}  // namespace quorlan
