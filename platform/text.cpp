#include "text.h"


namespace quorlan {

Text::Text(const char* zstr) {
  if (zstr != nullptr) bytes_.assign(zstr);
}

// An empty view may carry a null pointer, which memchr must never see:
// string_view's own search handles it.
void Text::Assign(std::string_view bytes) { bytes_.assign(bytes.substr(0, bytes.find('\0'))); }

Text& Text::Append(std::string_view more) {
  bytes_.append(more.substr(0, more.find('\0')));
  return *this;
}

}  // namespace quorlan
