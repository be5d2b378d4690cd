#include "app/clipboard_worker.h"

#include <optional>

#include "app/window_requests.h"
#include "capture/share_link.h"
#include "platform/clipboard.h"
#include "platform/http.h"
#include "resolver/resolve_share.h"

namespace quorlan {
namespace {

// Rows reach the window through synchronous requests to its thread.
class WindowRowSink final : public ResultRowSink {
 public:
  explicit WindowRowSink(HWND window) : window_(window) {}
  void ShowAndRaise() override { RequestShowAndRaise(window_); }
  void AppendRow(const Text& link, const Text& fileName, const Text& size) override {
    RequestAppendRow(window_, RowCells{link, fileName, size});
  }

 private:
  HWND window_;
};

}  // namespace

DWORD WINAPI ClipboardWorkerMain(LPVOID mainWindow) {
  // A worker owns everything it makes and frees it before it ends; a failure
  // of any kind (memory included) only ends this worker, silently.
  try {
    const std::optional<ShareLink> link = RecognizeShareLink(ReadClipboardText);
    if (link) {
      WindowRowSink sink(static_cast<HWND>(mainWindow));
      ResolveShare(link->ShareId, link->ExtractionCode, HttpGet, sink);
    }
  } catch (...) {
  }
  return 0;
}

}  // namespace quorlan
