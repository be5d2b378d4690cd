// Conversion between Text (multi-byte, a named code page) and UTF-16.
// The code page is always named by the caller; nothing here depends on the
// system's ANSI code page. Two backends share this interface: Win32
// (MultiByteToWideChar / WideCharToMultiByte) in the product, iconv natively.
//
// Neither direction fails on bad input: an invalid multi-byte sequence becomes
// U+FFFD, and a character the target code page cannot carry becomes "?"
// (never a look-alike: no best-fit mapping).
#pragma once

#include <string>

#include "text.h"

namespace quorlan {

// UTF-16 code units, without a terminating zero (std::u16string keeps its own).
using WideText = std::u16string;

constexpr unsigned kCodePageGbk = 936;
constexpr unsigned kCodePageUtf8 = 65001;

WideText TextToWide(const Text& text, unsigned codePage = kCodePageUtf8);
Text WideToText(const WideText& wide, unsigned codePage);

// The conversions the program makes most: GBK Text <-> UTF-16.
inline WideText GbkToWide(const Text& text) { return TextToWide(text, kCodePageGbk); }
inline Text WideToGbk(const WideText& wide) { return WideToText(wide, kCodePageGbk); }

}  // namespace quorlan
