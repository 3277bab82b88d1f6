// Byte offsets of the fields of a tagged record inside the file buffer.
//
// For field n, start(n) is the offset of the first byte of its value and
// end(n) the offset after the separator that closes it. An absent field sits,
// with length zero, right after the nearest present field before it (or at
// offset 0 when there is none); the editor inserts new field text there.
// Only present fields are stored, so a 16384-field Type-2 record costs what
// its fields cost.
#pragma once

#include <cstdint>
#include <vector>

namespace trelvo {

class FieldOffsets {
 public:
  void clear() { entries_.clear(); }
  void set(int field, std::int64_t start, std::int64_t end);
  bool has(int field) const;
  std::int64_t start(int field) const;
  std::int64_t end(int field) const;

 private:
  struct Entry {
    int field;
    std::int64_t start;
    std::int64_t end;
  };
  // Index of the last entry with a field number <= `field`, or -1.
  std::ptrdiff_t floor(int field) const;
  std::vector<Entry> entries_;  // sorted by field
};

}  // namespace trelvo
