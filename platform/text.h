// Text: the program's string. GBK (code page 936) bytes that never hold a zero
// byte, so a Text always survives the trip through a C string unchanged.
// Every way of building a Text ends it at the first zero byte of its input;
// the empty Text and an absent one are the same.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorlan {

class Text {
 public:
  Text() = default;
  // From a C string or from bytes: cut at the first zero byte.
  Text(const char* zstr);  // NOLINT(google-explicit-constructor): literals read naturally
  explicit Text(std::string_view bytes) { Assign(bytes); }
  Text(const char* data, size_t size) { Assign(std::string_view(data, size)); }

  const char* c_str() const { return bytes_.c_str(); }
  const char* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  std::string_view view() const { return bytes_; }
  const std::string& bytes() const { return bytes_; }
  unsigned char operator[](size_t i) const { return static_cast<unsigned char>(bytes_[i]); }

  void reserve(size_t n) { bytes_.reserve(n); }
  void clear() { bytes_.clear(); }
  // Appending keeps the invariant: a zero byte is dropped, a zero inside
  // appended bytes ends the appended part.
  Text& Append(char c) {
    if (c != '\0') bytes_.push_back(c);
    return *this;
  }
  Text& Append(std::string_view more);
  Text& Append(const Text& more) {
    bytes_.append(more.bytes_);
    return *this;
  }
  Text& operator+=(const Text& more) { return Append(more); }
  Text& operator+=(const char* more) { return Append(std::string_view(more)); }

  friend bool operator==(const Text& a, const Text& b) { return a.bytes_ == b.bytes_; }
  friend bool operator!=(const Text& a, const Text& b) { return a.bytes_ != b.bytes_; }
  friend Text operator+(Text a, const Text& b) { return a.Append(b); }

 private:
  void Assign(std::string_view bytes);
  std::string bytes_;
};

}  // namespace quorlan
