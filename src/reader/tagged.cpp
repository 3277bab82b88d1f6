// The common loop of the tagged records and the parsers built on it:
// Type-1, Type-2 and the tagged image records (Types 10, 13-17, 99).
#include <string_view>

#include "frame/text.h"
#include "reader/parsers.h"
#include "reader/tag_reader.h"

namespace trelvo {

namespace {

struct LoopRules {
  int type;
  int rows;
  // Field 999 holds the image and ends the record (tagged image types).
  bool image_field;
  // A tag of another type puts the position back to that tag (Types 1, 2).
  bool rewind_on_foreign_tag;
  // The record is refused unless its first field is field 1 (the types whose
  // record object only comes into being with field 1).
  bool field1_first;
};

enum class End { ForeignTag, LastField, ImageField, Refused };

struct LoopOutcome {
  End end = End::ForeignTag;
  int sticky_result = kRecordRead;  // 4 once any field had an invalid number
  int last_result = kRecordRead;    // the result of the last field read
  std::int64_t last_value_start = 0;
  std::int64_t image_value_start = 0;
};

// Receives the fields of one record as the loop reads them.
class FieldSink {
 public:
  virtual void field(int number, std::string_view value, std::int64_t start, std::int64_t end) = 0;

 protected:
  ~FieldSink() = default;
};

LoopOutcome readFields(NistFile& f, const LoopRules& rules, FieldSink& sink) {
  LoopOutcome out;
  bool first = true;
  for (;;) {
    const std::int64_t tag_start = f.parse_position;
    const TagInfo tag = getTagInfo(f);
    if (tag.record_type != rules.type) {
      if (rules.rewind_on_foreign_tag) f.parse_position = tag_start;
      ReportError("Error: " + typeName(rules.type) + " invalid message type = " +
                  decimal(tag.record_type));
      out.end = End::ForeignTag;
      out.sticky_result = out.last_result = kForeignTag;
      return out;
    }
    if (first && rules.field1_first && tag.field_number != 1) {
      ReportError("Error reading " + typeName(rules.type) + " record: first field is not " +
                  std::to_string(rules.type) + ".001 (LEN)");
      out.end = End::Refused;
      out.sticky_result = out.last_result = kInvalidTag;
      return out;
    }
    first = false;
    if (rules.image_field && tag.field_number == 999) {
      // Only the position of the image matters: its bytes may hold any value,
      // separators included, and the record's end comes from LEN.
      f.word_start = f.parse_position;
      out.image_value_start = f.parse_position;
      out.end = End::ImageField;
      out.last_result = kRecordRead;
      return out;
    }
    const std::string_view value = nextWord(f, kValueDelimiters, kMaxValueLength);
    const bool last = atFieldSeparator(f, FS);
    skipSeparator(f);
    out.last_value_start = f.word_start;
    if (tag.field_number > 0 && tag.field_number < rules.rows) {
      sink.field(tag.field_number, value, f.word_start, f.parse_position);
      out.last_result = kRecordRead;
    } else {
      ReportError("Error: " + typeName(rules.type) + " record invalid tag = " +
                  decimal(tag.field_number));
      out.last_result = out.sticky_result = kInvalidTag;
    }
    if (last) {
      out.end = End::LastField;
      return out;
    }
  }
}

bool pastEnd(NistFile& f, int type) {
  if (f.parse_position < f.length) return false;
  ReportError("Error reading " + typeName(type) + " record: position >= buffer_length");
  return true;
}

// Stores the fields of a tagged record object: values, offsets, LEN.
template <class R>
class RecordFields final : public FieldSink {
 public:
  explicit RecordFields(R& record) : record_(record) {}
  void field(int number, std::string_view value, std::int64_t start, std::int64_t end) override {
    if (number == 1) record_.len = toIntOr(value, 0);
    record_.table.setValue(number, value);
    record_.offsets.set(number, start, end);
  }

 private:
  R& record_;
};

// Tagged image records create (or take) their object only with field 1.
class ImageRecordFields final : public FieldSink {
 public:
  ImageRecordFields(RecordSlot<TaggedImageRecord>& slot, int type, std::int64_t record_start)
      : slot_(slot), type_(type), record_start_(record_start) {}
  void field(int number, std::string_view value, std::int64_t start, std::int64_t end) override {
    if (number == 1) {
      TaggedImageRecord& r =
          slot_.acquire([this] { return std::make_unique<TaggedImageRecord>(type_); });
      r.offsets.clear();
      r.record_start = record_start_;
    }
    TaggedImageRecord* r = slot_.get();
    if (!r) return;  // fields before field 1 never reach a record
    RecordFields<TaggedImageRecord>(*r).field(number, value, start, end);
  }

 private:
  RecordSlot<TaggedImageRecord>& slot_;
  int type_;
  std::int64_t record_start_;
};

}  // namespace

int parseType1(NistFile& f) {
  if (pastEnd(f, 1)) return kPastEnd;
  Type1Record& t1 = f.type1;
  t1.record_start = f.parse_position;

  class Type1Fields final : public FieldSink {
   public:
    explicit Type1Fields(Type1Record& r) : r_(r) {}
    void field(int number, std::string_view value, std::int64_t start, std::int64_t end) override {
      if (number == 1) {
        r_.offsets.clear();
        r_.len = toIntOr(value, 0);
      }
      r_.table.setValue(number, value);
      r_.offsets.set(number, start, end);
    }

   private:
    Type1Record& r_;
  } sink(t1);

  const LoopOutcome out = readFields(f, {1, 16, false, true, false}, sink);
  t1.record_end = f.parse_position;
  f.last_record_idc.clear();
  return out.last_result;
}

int parseType2(NistFile& f) {
  if (pastEnd(f, 2)) return kPastEnd;
  RecordSlot<T_T2> slot(f, 2);
  T_T2& r = slot.acquire([] { return std::make_unique<T_T2>(); });
  r.record_start = f.parse_position;

  class Type2Fields final : public FieldSink {
   public:
    explicit Type2Fields(T_T2& r) : r_(r) {}
    void field(int number, std::string_view value, std::int64_t start, std::int64_t end) override {
      if (number == 1) {
        r_.table.clearValues(/*keepHeader=*/false);
        r_.offsets.clear();
      }
      RecordFields<T_T2>(r_).field(number, value, start, end);
    }

   private:
    T_T2& r_;
  } sink(r);

  const LoopOutcome out = readFields(f, {2, 16384, false, true, false}, sink);
  r.record_end = recordEndFrom(r.record_start, r.len);
  f.parse_position = r.record_end;
  r.idc = r.table.value(2);
  f.last_record_idc = r.idc;
  slot.commit();
  return out.sticky_result;
}

int parseTaggedImageRecord(NistFile& f, int type) {
  if (pastEnd(f, type)) return kPastEnd;
  const std::int64_t record_start = f.parse_position;
  RecordSlot<TaggedImageRecord> slot(f, type);
  ImageRecordFields sink(slot, type, record_start);

  const LoopOutcome out = readFields(f, {type, 999, true, false, true}, sink);
  TaggedImageRecord* r = slot.get();
  if (!r) return out.sticky_result;

  if (out.end == End::ImageField || out.end == End::LastField) {
    r->record_end = recordEndFrom(r->record_start, r->len);
    f.parse_position = r->record_end;
    r->image_value_start =
        out.end == End::ImageField ? out.image_value_start : out.last_value_start;
    r->image_offset = out.end == End::ImageField ? out.image_value_start : -1;
    r->image_length = r->record_end - r->image_value_start - 1;
  } else {
    r->image_offset = -1;
    r->image_length = 0;
  }
  r->record_end = f.parse_position;
  r->idc = decimal(toIntOr(r->table.value(2), 0));
  f.last_record_idc = r->idc;
  slot.commit();
  return out.sticky_result;
}

}  // namespace trelvo
