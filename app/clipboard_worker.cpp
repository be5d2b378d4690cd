#include "app/clipboard_worker.h"

#include <optional>

#include "app/window_requests.h"
#include "capture/share_link.h"
#include "platform/clipboard.h"
#include "platform/http.h"
#include "resolver/resolve_share.h"

namespace quorlan {
namespace {

// Rows reach the window through synchronous requests to its thread. The
// run of rows that ShowAndRaise begins is ended when the sink goes, however
// the resolving ended.
class WindowRowSink final : public ResultRowSink {
 public:
  explicit WindowRowSink(HWND window) : window_(window) {}
  ~WindowRowSink() override {
    if (runBegun_) RequestEndOfRows(window_);
  }
  WindowRowSink(const WindowRowSink&) = delete;
  WindowRowSink& operator=(const WindowRowSink&) = delete;

  void ShowAndRaise() override {
    RequestShowAndRaise(window_);
    runBegun_ = true;
  }
  void AppendRow(const Text& link, const Text& fileName, const Text& size) override {
    RequestAppendRow(window_, RowCells{link, fileName, size});
  }

 private:
  HWND window_;
  bool runBegun_ = false;
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
