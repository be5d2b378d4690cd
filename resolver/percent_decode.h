// Decoding of the resolver's result page: percent-escapes to bytes, then
// UTF-8 to GBK. Both are pure functions; nothing here fails: every byte
// sequence decodes to some Text.
#pragma once

#include "platform/text.h"

namespace quorlan {

// Replaces every "%XY" by the byte it stands for, in one walk over the bytes.
// Only "%" is special ("+" stays "+"). A digit is 0-9, A-F or a-f; any other
// byte counts as -2 and a digit past the end of the text as 0; the escape
// gives (16 * high + low) mod 256, and a resulting zero byte is dropped.
// A "%" always consumes the two bytes after it, whatever they are.
// With convertFromUtf8 the result is then converted by Utf8ToGbk.
Text PercentDecode(const Text& text, bool convertFromUtf8);

// UTF-8 to GBK through UTF-16. Invalid UTF-8 becomes U+FFFD and every
// character GBK cannot carry becomes "?"; ASCII is unchanged.
Text Utf8ToGbk(const Text& utf8);

}  // namespace quorlan
