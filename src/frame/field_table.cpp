#include "frame/field_table.h"

#include <algorithm>

#include "frame/text.h"

namespace trelvo {

namespace {
const std::string kEmpty;
}

Dictionary::Dictionary(int rows)
    : code_(static_cast<std::size_t>(rows)), description_(static_cast<std::size_t>(rows)) {
  if (rows > 0) {
    code_[0] = "Code";
    description_[0] = "Description";
  }
}

void Dictionary::set(int row, std::string code, std::string description) {
  code_[static_cast<std::size_t>(row)] = std::move(code);
  description_[static_cast<std::size_t>(row)] = std::move(description);
  indexed_ = false;
}

void Dictionary::setNumbered(int first, int last, const std::string& description) {
  for (int row = first; row <= last && row < rows(); ++row) set(row, decimal(row), description);
}

int Dictionary::findCode(std::string_view name) const {
  if (!indexed_) {
    index_.clear();
    for (int row = rows() - 1; row >= 0; --row) index_[code_[static_cast<std::size_t>(row)]] = row;
    indexed_ = true;
  }
  auto it = index_.find(std::string(name));
  return it == index_.end() ? -1 : it->second;
}

const std::string& FieldTable::cell(int column, int row) const {
  if (column == 1) return value(row);
  return column == 0 ? dictionary_->code(row) : dictionary_->description(row);
}

const std::string& FieldTable::value(int row) const {
  if (row == 0) return header_value_;
  auto it = std::lower_bound(values_.begin(), values_.end(), row,
                             [](const auto& entry, int r) { return entry.first < r; });
  return it != values_.end() && it->first == row ? it->second : kEmpty;
}

void FieldTable::setValue(int row, std::string_view text) {
  if (row == 0) {
    header_value_.assign(text);
    return;
  }
  auto it = std::lower_bound(values_.begin(), values_.end(), row,
                             [](const auto& entry, int r) { return entry.first < r; });
  if (it != values_.end() && it->first == row) {
    it->second.assign(text);
  } else if (!text.empty()) {
    values_.emplace(it, row, std::string(text));
  }
}

void FieldTable::clearValues(bool keepHeader) {
  values_.clear();
  if (!keepHeader) header_value_.clear();
}

}  // namespace trelvo
