#include "text.h"

#include <cstring>

namespace quorlan {

Text::Text(const char* zstr) {
  if (zstr != nullptr) bytes_.assign(zstr);
}

void Text::Assign(std::string_view bytes) {
  const void* zero = std::memchr(bytes.data(), 0, bytes.size());
  size_t n = zero ? static_cast<const char*>(zero) - bytes.data() : bytes.size();
  bytes_.assign(bytes.data(), n);
}

Text& Text::Append(std::string_view more) {
  const void* zero = std::memchr(more.data(), 0, more.size());
  size_t n = zero ? static_cast<const char*>(zero) - more.data() : more.size();
  bytes_.append(more.data(), n);
  return *this;
}

}  // namespace quorlan
