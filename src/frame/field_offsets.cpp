#include "frame/field_offsets.h"

#include <algorithm>

namespace trelvo {

std::ptrdiff_t FieldOffsets::floor(int field) const {
  auto it = std::upper_bound(entries_.begin(), entries_.end(), field,
                             [](int f, const Entry& e) { return f < e.field; });
  return (it - entries_.begin()) - 1;
}

void FieldOffsets::set(int field, std::int64_t start, std::int64_t end) {
  if (entries_.empty() || entries_.back().field < field) {
    entries_.push_back({field, start, end});
    return;
  }
  const auto i = floor(field);
  if (i >= 0 && entries_[static_cast<std::size_t>(i)].field == field) {
    entries_[static_cast<std::size_t>(i)] = {field, start, end};
  } else {
    entries_.insert(entries_.begin() + (i + 1), Entry{field, start, end});
  }
}

bool FieldOffsets::has(int field) const {
  const auto i = floor(field);
  return i >= 0 && entries_[static_cast<std::size_t>(i)].field == field;
}

std::int64_t FieldOffsets::start(int field) const {
  const auto i = floor(field);
  if (i < 0) return 0;
  const Entry& e = entries_[static_cast<std::size_t>(i)];
  return e.field == field ? e.start : e.end;
}

std::int64_t FieldOffsets::end(int field) const {
  const auto i = floor(field);
  return i < 0 ? 0 : entries_[static_cast<std::size_t>(i)].end;
}

}  // namespace trelvo
