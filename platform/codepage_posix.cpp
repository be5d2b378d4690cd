// iconv backend of the code-page converter, for the native build and its tests.
// UTF-8 is decoded by hand (the rules of the Win32 decoder: each maximal invalid
// subsequence becomes one U+FFFD); other code pages go through glibc's iconv,
// which stops at a sequence it rejects, so every rejection is replaced here and
// the walk goes on (glibc rejects the user-defined areas that Windows maps to
// the Private Use Area, and any malformed sequence).
#include <errno.h>
#include <iconv.h>

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

}  // namespace

WideText TextToWide(const Text& text, unsigned codePage) {
  if (text.empty()) return {};
  if (codePage == kCodePageUtf8) return DecodeUtf8(text);
  const char* name = IconvName(codePage);
  return name ? DecodeWithIconv(text, name) : WideText();
}

Text WideToText(const WideText& wide, unsigned codePage) {
  if (wide.empty()) return Text();
  const char* name = IconvName(codePage);
  return name ? EncodeWithIconv(wide, name) : Text();
}

}  // namespace quorlan
