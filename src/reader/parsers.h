// The per-type record parsers and the record walk. Each parser reads the
// record at the parse position of the current file into its record list and
// returns 0 (record read), 1 (a tag of another record type), 2 (the parse
// position was already at or past the end of the buffer) or 4 (invalid tag).
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "frame/nist_file.h"
#include "reader/tables.h"

namespace trelvo {

enum ParseResult : int { kRecordRead = 0, kForeignTag = 1, kPastEnd = 2, kInvalidTag = 4 };

int parseType1(NistFile& f);
int parseType2(NistFile& f);
int parseBinaryRecord(NistFile& f, int type);      // Types 3-8
int parseType9(NistFile& f);
int parseTaggedImageRecord(NistFile& f, int type);  // Types 10, 13-17, 99

// Clears the records and walks the CNT field of the Type-1 record, handing
// each record to the parser of its type.
void ParseNistBuffer();

// The offset after a tagged record that starts at `start` and states `len`
// bytes. A LEN below 0 counts as 0: whatever a file states, the parse
// position never moves back before the record it has read.
inline std::int64_t recordEndFrom(std::int64_t start, std::int32_t len) {
  return start + std::max<std::int32_t>(len, 0);
}

// "Type-N" as the messages name record types.
inline std::string typeName(int type) { return "Type-" + std::to_string(type); }

// The object a parser fills: a new one when the type's records are being
// rebuilt (or the list has no object at this position), else the existing
// object at the type's refill index, so that whatever it caches survives.
template <class R>
class RecordSlot {
 public:
  RecordSlot(NistFile& f, int type) : f_(f), type_(type) {}

  // Takes the object (once per record) and resets its parsed content.
  template <class Make>
  R& acquire(Make make) {
    if (record_) return *record_;
    RecordList& list = *f_.list(type_);
    const auto index = static_cast<std::size_t>(f_.refill_index[static_cast<std::size_t>(type_)]);
    if (f_.rebuild[static_cast<std::size_t>(type_)] == 1 || index >= list.size()) {
      fresh_ = make();
      fresh_->table = FieldTable(dictionaryFor(type_));
      record_ = fresh_.get();
    } else {
      record_ = static_cast<R*>(list[index].get());
      record_->table.clearValues(/*keepHeader=*/true);
    }
    return *record_;
  }

  R* get() const { return record_; }

  // The record has ended: a new object joins the list; the refill index moves on.
  void commit() {
    if (!record_) return;
    if (fresh_) f_.list(type_)->push_back(std::move(fresh_));
    ++f_.refill_index[static_cast<std::size_t>(type_)];
  }

 private:
  NistFile& f_;
  int type_;
  std::unique_ptr<R> fresh_;
  R* record_ = nullptr;
};

}  // namespace trelvo
