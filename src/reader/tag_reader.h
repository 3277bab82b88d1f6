// The two readers every tagged-record parser is built on. Both work on the
// file buffer at the parse position of the current file.
#pragma once

#include <string>
#include <string_view>

#include "frame/nist_file.h"

namespace trelvo {

inline constexpr char GS = 0x1D;
inline constexpr char FS = 0x1C;
inline constexpr char RS = 0x1E;
inline constexpr char US = 0x1F;

// Value delimiters: a value ends at GS or FS (only the first and the last
// character of a delimiter text are stop bytes).
inline constexpr char kValueDelimiters[] = {GS, ',', FS, 0};

// Reads at most `maxCount` bytes from the parse position up to (not
// including) a byte equal to the first or last character of `delimiters`
// or the end of the buffer. Sets the word start; the delimiter is not
// consumed.
std::string_view nextWord(NistFile& f, std::string_view delimiters, std::int64_t maxCount);

struct TagInfo {
  int record_type;
  int field_number;
};

// Reads a tag "type.field:" and steps over its ":". (-1, -1) without moving
// when fewer than three bytes are left; a part that is not a number is -1.
TagInfo getTagInfo(NistFile& f);

// Maximum length of a value read by the tagged-record parsers.
inline constexpr std::int64_t kMaxValueLength = 0x3FFF;

// Steps over the separator at the parse position, if any is left.
inline void skipSeparator(NistFile& f) {
  if (f.parse_position < f.length) ++f.parse_position;
}

inline bool atFieldSeparator(const NistFile& f, char separator) {
  return f.parse_position < f.length &&
         static_cast<char>(f.buffer[static_cast<std::size_t>(f.parse_position)]) == separator;
}

}  // namespace trelvo
