#include "driver/json.h"

#include <cstdlib>

namespace quorlan::e2e {
namespace {

constexpr int kMaxDepth = 64;

void AppendUtf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  std::optional<JsonValue> Document() {
    JsonValue v;
    if (!Value(v, 0)) return std::nullopt;
    SkipSpace();
    if (pos_ != s_.size()) return std::nullopt;
    return v;
  }

 private:
  void SkipSpace() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r'))
      ++pos_;
  }
  bool Eat(char c) {
    SkipSpace();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool Literal(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  bool Value(JsonValue& v, int depth) {
    if (depth > kMaxDepth) return false;
    SkipSpace();
    if (pos_ >= s_.size()) return false;
    const char c = s_[pos_];
    if (c == '{') return Object(v, depth);
    if (c == '[') return Array(v, depth);
    if (c == '"') {
      v.kind = JsonValue::Kind::kString;
      return String(v.string);
    }
    if (Literal("true")) {
      v.kind = JsonValue::Kind::kBool;
      v.boolean = true;
      return true;
    }
    if (Literal("false")) {
      v.kind = JsonValue::Kind::kBool;
      return true;
    }
    if (Literal("null")) return true;
    return Number(v);
  }

  bool Object(JsonValue& v, int depth) {
    v.kind = JsonValue::Kind::kObject;
    ++pos_;
    if (Eat('}')) return true;
    do {
      SkipSpace();
      std::string key;
      if (pos_ >= s_.size() || s_[pos_] != '"' || !String(key) || !Eat(':')) return false;
      JsonValue member;
      if (!Value(member, depth + 1)) return false;
      v.object.emplace_back(std::move(key), std::move(member));
    } while (Eat(','));
    return Eat('}');
  }

  bool Array(JsonValue& v, int depth) {
    v.kind = JsonValue::Kind::kArray;
    ++pos_;
    if (Eat(']')) return true;
    do {
      JsonValue element;
      if (!Value(element, depth + 1)) return false;
      v.array.push_back(std::move(element));
    } while (Eat(','));
    return Eat(']');
  }

  bool Number(JsonValue& v) {
    const size_t start = pos_;
    if (pos_ < s_.size() && s_[pos_] == '-') ++pos_;
    bool digits = false;
    while (pos_ < s_.size() && ((s_[pos_] >= '0' && s_[pos_] <= '9') || s_[pos_] == '.' ||
                                s_[pos_] == 'e' || s_[pos_] == 'E' || s_[pos_] == '+' ||
                                s_[pos_] == '-')) {
      digits = digits || (s_[pos_] >= '0' && s_[pos_] <= '9');
      ++pos_;
    }
    if (!digits) return false;
    const std::string number(s_.substr(start, pos_ - start));
    char* end = nullptr;
    v.number = std::strtod(number.c_str(), &end);
    v.kind = JsonValue::Kind::kNumber;
    return end == number.c_str() + number.size();
  }

  bool Hex4(unsigned& out) {
    if (s_.size() - pos_ < 4) return false;
    out = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = s_[pos_++];
      out <<= 4;
      if (c >= '0' && c <= '9') out |= static_cast<unsigned>(c - '0');
      else if (c >= 'a' && c <= 'f') out |= static_cast<unsigned>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') out |= static_cast<unsigned>(c - 'A' + 10);
      else return false;
    }
    return true;
  }

  // At the opening quote; leaves the position after the closing one.
  bool String(std::string& out) {
    ++pos_;
    while (pos_ < s_.size()) {
      const char c = s_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (pos_ >= s_.size()) return false;
      const char e = s_[pos_++];
      switch (e) {
        case '"': out.push_back('"'); break;
        case '\\': out.push_back('\\'); break;
        case '/': out.push_back('/'); break;
        case 'b': out.push_back('\b'); break;
        case 'f': out.push_back('\f'); break;
        case 'n': out.push_back('\n'); break;
        case 'r': out.push_back('\r'); break;
        case 't': out.push_back('\t'); break;
        case 'u': {
          unsigned cp;
          if (!Hex4(cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00) {
            // A high surrogate pairs with a following \uDC00..\uDFFF; alone
            // it stands for nothing and becomes U+FFFD.
            unsigned low = 0;
            const size_t save = pos_;
            if (s_.substr(pos_, 2) == "\\u" && (pos_ += 2, Hex4(low)) && low >= 0xDC00 &&
                low < 0xE000) {
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else {
              pos_ = save;
              cp = 0xFFFD;
            }
          } else if (cp >= 0xDC00 && cp < 0xE000) {
            cp = 0xFFFD;
          }
          AppendUtf8(out, cp);
          break;
        }
        default: return false;
      }
    }
    return false;
  }

  std::string_view s_;
  size_t pos_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view key) const {
  if (kind != Kind::kObject) return nullptr;
  for (const auto& [k, v] : object) {
    if (k == key) return &v;
  }
  return nullptr;
}

std::string JsonValue::StringAt(std::string_view key) const {
  const JsonValue* v = Find(key);
  return v && v->kind == Kind::kString ? v->string : std::string();
}

std::optional<JsonValue> ParseJson(std::string_view text) { return Parser(text).Document(); }

std::string JsonQuote(std::string_view utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"') out += "\\\"";
    else if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (u < 0x20) {
      static const char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out.push_back(kHex[u >> 4]);
      out.push_back(kHex[u & 15]);
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
  return out;
}

}  // namespace quorlan::e2e
