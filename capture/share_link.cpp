#include "capture/share_link.h"

#include "capture/regex_matcher.h"

namespace quorlan {

std::optional<ShareLink> RecognizeShareLink(const std::function<Text()>& readClipboardText) {
  // One matcher for the whole cascade; every row runs with the default
  // options: letters in either case, "$" at every line end, all matches.
  RegexMatcher matcher;
  for (const SharePattern& row : SharePatterns) {
    Text pattern(ShareDomain);
    pattern += row.Rest;
    {
      // The subject lives only for the run; the matcher keeps its own copy.
      const Text subject = readClipboardText();
      matcher.Run(pattern, subject);
    }
    // Only the leftmost match counts, and only its group 1 decides: an empty
    // id there is a miss even when a later occurrence carries one.
    if (matcher.SubMatchText(1, 1).empty()) continue;
    ShareLink link;
    link.ShareId = matcher.SubMatchText(1, 1);
    if (row.CodeInGroup2) link.ExtractionCode = matcher.SubMatchText(1, 2);
    return link;
  }
  return std::nullopt;
}

}  // namespace quorlan
