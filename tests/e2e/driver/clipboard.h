// The clipboard as a user's copy leaves it. The driver owns it only for the
// moment it writes: the owning window is destroyed right after, so no later
// clipboard operation of the program ever waits on the driver.
#pragma once

#include <optional>
#include <string>

namespace quorlan::e2e {

// CF_TEXT with exactly these bytes (GBK, as a Chinese system's copy gives).
bool SetClipboardText(const std::string& bytes);
// A 1 x 1 bitmap and nothing else: a change without any text.
bool SetClipboardBitmapOnly();
bool EmptyClipboardNow();
// The CF_TEXT bytes up to the first zero; nullopt when there is no CF_TEXT.
std::optional<std::string> ClipboardText();

}  // namespace quorlan::e2e
