#include "reader/tag_reader.h"

#include "frame/text.h"

namespace trelvo {

std::string_view nextWord(NistFile& f, std::string_view delimiters, std::int64_t maxCount) {
  f.word_start = f.parse_position;
  if (f.parse_position >= f.length || f.parse_position < 0) return {};
  const char first = delimiters.front();
  const char last = delimiters.back();
  const char* base = reinterpret_cast<const char*>(f.buffer.get());
  const std::int64_t limit = std::min<std::int64_t>(f.length, f.parse_position + std::max<std::int64_t>(maxCount, 0));
  std::int64_t pos = f.parse_position;
  while (pos < limit && base[pos] != first && base[pos] != last) ++pos;
  std::string_view word(base + f.parse_position, static_cast<std::size_t>(pos - f.parse_position));
  f.parse_position = pos;
  return word;
}

TagInfo getTagInfo(NistFile& f) {
  if (f.parse_position + 2 >= f.length) return {-1, -1};
  TagInfo tag{-1, -1};
  tag.record_type = toIntOr(nextWord(f, ".", 2), -1);
  if (tag.record_type == -1) return tag;
  skipSeparator(f);  // over the ".", whatever the byte is
  tag.field_number = toIntOr(nextWord(f, ":", 10), -1);
  skipSeparator(f);  // over the ":"; a tag cut by the end stops there
  return tag;
}

}  // namespace trelvo
