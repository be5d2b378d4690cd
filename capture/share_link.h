// The share-link recognizer: finds a Baidu Netdisk share id and its
// extraction code in the clipboard's text.
//
// A cascade of patterns is tried in a fixed order, each over the clipboard's
// text read afresh for that row; the first row whose first match has a
// non-empty group 1 is the hit. Every pattern begins with ShareDomain, whose
// dot is deliberately left unescaped (it matches any character).
#pragma once

#include <functional>
#include <optional>

#include "platform/text.h"

namespace quorlan {

struct ShareLink {
  Text ShareId;
  Text ExtractionCode;  // empty when the link carries none
};

// The share service's domain, inserted unchanged in front of every pattern.
inline constexpr char ShareDomain[] = "pan.baidu.com";

struct SharePattern {
  const char* Rest;  // the pattern after ShareDomain
  bool CodeInGroup2;  // group 2 is the extraction code; otherwise the code is empty
};

// Tried from first to last. The first two read a code that the link itself
// carries ("/s/<id>?pwd=<code>" and "...surl=<id>&pwd=<code>"), which the
// looser rows after them would drop or fold into the share id. The six rows
// after them read the short form ("/s/<id>") and the long form
// ("surl=<id>"), each from the strictest (a code after the id) to the
// loosest (the id up to the end of its line).
inline constexpr SharePattern SharePatterns[] = {
    {"/s/([A-Za-z0-9_-]+)\\?pwd=([a-z0-9]{4})", true},
    {"/.*?surl=([A-Za-z0-9_-]+)&pwd=([a-z0-9]{4})", true},
    {"/s/(.*?[~\\s])\\W.*?([a-z0-9]{4})", true},
    {"/s/(.*?)\\W", false},
    {"/.*?surl=(.*?[~\\s])\\W.*?([a-z0-9]{4})", true},
    {"/.*?surl=(.*?)\\W", false},
    {"/s/(.*?)$", false},
    {"/.*?surl=(.*?)$", false},
};

// Runs the cascade. readClipboardText is called once per row tried, so a row
// sees the clipboard as it is at that moment; an empty text (no text on the
// clipboard, or the clipboard held open elsewhere) is a miss for that row
// only. Gives nothing when every row misses.
std::optional<ShareLink> RecognizeShareLink(const std::function<Text()>& readClipboardText);

}  // namespace quorlan
