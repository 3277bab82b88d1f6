// FieldTable: the three-column table (Code, Value, Description) that holds
// the fields of one record, row n being field n and row 0 the header.
//
// Code and Description never change once a table type is set up, so they
// live in a shared, immutable Dictionary: creating a record's table costs one
// reference count, whatever the number of rows. Values are kept sparsely,
// sorted by row; an absent row reads as the empty string.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace trelvo {

class Dictionary {
 public:
  // A dictionary of `rows` rows (row 0 included); every row starts with an
  // empty Code and Description, row 0 holds the header texts.
  explicit Dictionary(int rows);

  void set(int row, std::string code, std::string description);
  // Rows first..last (inclusive) get their number as Code and `description`.
  void setNumbered(int first, int last, const std::string& description);

  int rows() const { return static_cast<int>(code_.size()); }
  const std::string& code(int row) const { return code_[static_cast<std::size_t>(row)]; }
  const std::string& description(int row) const { return description_[static_cast<std::size_t>(row)]; }

  // First row (from row 0 upward) whose Code equals `name` exactly, or -1.
  int findCode(std::string_view name) const;

 private:
  std::vector<std::string> code_;
  std::vector<std::string> description_;
  mutable std::unordered_map<std::string, int> index_;
  mutable bool indexed_ = false;
};

using DictionaryPtr = std::shared_ptr<const Dictionary>;

class FieldTable {
 public:
  FieldTable() = default;
  explicit FieldTable(DictionaryPtr dictionary) : dictionary_(std::move(dictionary)) {}

  int rows() const { return dictionary_ ? dictionary_->rows() : 0; }
  const Dictionary& dictionary() const { return *dictionary_; }

  // Column 0 (Code), 1 (Value) or 2 (Description) of a row in range.
  const std::string& cell(int column, int row) const;
  const std::string& value(int row) const;
  void setValue(int row, std::string_view value);

  // Empties every Value; `keepHeader` keeps the header's "Value" text.
  void clearValues(bool keepHeader);

 private:
  DictionaryPtr dictionary_;
  std::string header_value_ = "Value";
  std::vector<std::pair<int, std::string>> values_;  // sorted by row, rows >= 1
};

}  // namespace trelvo
