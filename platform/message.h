// The two ways the program meets the user and its own message queue outside
// the message loop. Windows only.
#pragma once

#include "platform/text.h"

namespace quorlan {

// Shows the text in a message box with no owner window, the caption "信息：",
// the OK button alone and no icon (MB_OK | MB_TASKMODAL); returns when the
// user closes it. The texts reach the screen as UTF-16 converted from GBK.
void ShowMessage(const Text& text);

// Dispatches every message pending for the calling thread, as the message
// loop does, without waiting. A pending WM_QUIT ends the pumping and stays in
// the queue for the loop that owns it.
void PumpPendingMessages();

}  // namespace quorlan
