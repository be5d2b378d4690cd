// The system clipboard's text (Windows only).
#pragma once

#include "platform/text.h"

namespace quorlan {

// The clipboard's CF_TEXT content, which the system hands over in its ANSI
// code page (936, GBK, on the systems the program serves; Unicode text on the
// clipboard is converted by the system). Gives the empty Text when the
// clipboard cannot be opened (another window holds it; no retry, no wait),
// holds no text, or holds an empty one. Never reads past the data block,
// whether or not the block ends with a zero byte.
Text ReadClipboardText();

}  // namespace quorlan
