// Just enough JSON for the stand-in's control interface: a parser into a
// plain value tree (strings as UTF-8) and string quoting for building routes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorlan::e2e {

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string string;
  std::vector<JsonValue> array;
  std::vector<std::pair<std::string, JsonValue>> object;  // in document order

  // The member's value, or null when this is no object or lacks the member.
  const JsonValue* Find(std::string_view key) const;
  // The member's string, or "" when it is missing or no string.
  std::string StringAt(std::string_view key) const;
};

// nullopt on malformed input, on trailing garbage and past 64 levels of nesting.
std::optional<JsonValue> ParseJson(std::string_view text);

// A JSON string literal, quotes included, for UTF-8 input.
std::string JsonQuote(std::string_view utf8);

}  // namespace quorlan::e2e
