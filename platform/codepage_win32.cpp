// Win32 backend of the code-page converter.
#include <windows.h>

#include <climits>

#include "codepage.h"

namespace quorlan {

WideText TextToWide(const Text& text, unsigned codePage) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int n = static_cast<int>(text.size());
  int units = MultiByteToWideChar(codePage, 0, text.data(), n, nullptr, 0);
  if (units <= 0) return {};
  WideText wide(static_cast<size_t>(units), u'\0');
  units = MultiByteToWideChar(codePage, 0, text.data(), n,
                              reinterpret_cast<wchar_t*>(&wide[0]), units);
  wide.resize(units > 0 ? static_cast<size_t>(units) : 0);
  return wide;
}

Text WideToText(const WideText& wide, unsigned codePage) {
  if (wide.empty() || wide.size() > INT_MAX) return {};
  const int n = static_cast<int>(wide.size());
  const wchar_t* src = reinterpret_cast<const wchar_t*>(wide.data());
  // UTF-8 and UTF-7 accept neither flags nor a default character.
  const DWORD flags = (codePage == CP_UTF8 || codePage == CP_UTF7) ? 0 : WC_NO_BEST_FIT_CHARS;
  int bytes = WideCharToMultiByte(codePage, flags, src, n, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<size_t>(bytes), '\0');
  bytes = WideCharToMultiByte(codePage, flags, src, n, &out[0], bytes, nullptr, nullptr);
  out.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
  return Text(out);  // a U+0000 in the input ends the Text there
}

}  // namespace quorlan
