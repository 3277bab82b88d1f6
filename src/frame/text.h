// Small text helpers shared by the reader, the queries and the editor.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trelvo {

// The whole text as a 32-bit signed decimal number: an optional sign and at
// least one digit, nothing else. Anything else (empty text, spaces, letters,
// a value out of range) is not a number.
std::optional<std::int32_t> parseInt(std::string_view text);

// parseInt with a fallback for texts that are not numbers.
inline std::int32_t toIntOr(std::string_view text, std::int32_t fallback) {
  auto v = parseInt(text);
  return v ? *v : fallback;
}

// Decimal text of a signed or unsigned number.
std::string decimal(std::int64_t value);

}  // namespace trelvo
