// The record model: one object per record of the loaded file, holding the
// record's FieldTable, the offsets of its fields in the file buffer and, for
// image records, where its image bytes are. Objects are owned by the
// per-type record lists of NistFile.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/field_offsets.h"
#include "frame/field_table.h"
#include "platform/bitmap.h"

namespace trelvo {

// Record types that have a record list, in list order.
inline constexpr std::array<int, 15> kListTypes = {2, 3, 4, 5, 6, 7, 8, 9, 10, 13, 14, 15, 16, 17, 99};
// Slot of a type in kListTypes, or -1 for types without a list (1, 11, 12, ...).
int listSlot(int type);

inline bool isBinaryImageType(int type) { return type >= 3 && type <= 8; }
inline bool isTaggedImageType(int type) {
  return type == 10 || (type >= 13 && type <= 17) || type == 99;
}

struct Record {
  explicit Record(int t) : type(t) {}
  virtual ~Record() = default;
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;

  int type;
  std::int32_t len = 0;
  // IDC text: as written for Types 2 and 9, the decimal form of the number
  // for the tagged image records, the header byte in decimal for Types 3-8.
  std::string idc;
  FieldTable table;
  std::int64_t record_start = 0;
  std::int64_t record_end = 0;
};

// Fields of a tagged record (Types 2, 9, 10, 13-17, 99).
struct TaggedRecord : Record {
  using Record::Record;
  FieldOffsets offsets;  // offsets.start(1), end(1): where the LEN value is
};

struct T_T2 : TaggedRecord {
  T_T2() : TaggedRecord(2) {}
};

// Common part of every record that carries an image.
struct ImageRecord {
  // Offset of the first image byte in the file buffer; -1 when the record
  // has no image field.
  std::int64_t image_offset = -1;
  // Image length as the record states it; it may count bytes beyond the end
  // of the buffer when LEN overstates the record, so readers cut it.
  std::int64_t image_length = 0;
  // The decoded image, created empty with the record; a refilled record
  // keeps it, so a decoded image survives edits of other records.
  Bitmap image_bitmap;
};

// Types 3 to 8: fixed binary header, image bytes after it.
struct BinaryImageRecord : Record, ImageRecord {
  explicit BinaryImageRecord(int t) : Record(t) {}
  // Types 3-6: each finger-position byte alone (FGP1 ... FGP6).
  std::array<std::string, 6> fgp;
};

// Types 10, 13-17 and 99: tagged fields ending in the image field 999.
struct TaggedImageRecord : TaggedRecord, ImageRecord {
  using TaggedRecord::TaggedRecord;
  // Offset of the byte after "999:" (or, without field 999, of the last
  // field's value); the image runs to the record's end.
  std::int64_t image_value_start = 0;
  // Rows 6 to 11: HLL, VLL, SLC, HPS, VPS, CGA (reserved rows in Type-99).
  const std::string& hll() const { return table.value(6); }
  const std::string& vll() const { return table.value(7); }
  const std::string& slc() const { return table.value(8); }
  const std::string& hps() const { return table.value(9); }
  const std::string& vps() const { return table.value(10); }
  const std::string& cga() const { return table.value(11); }
};

using T_T3 = BinaryImageRecord;
using T_T4 = BinaryImageRecord;
using T_T5 = BinaryImageRecord;
using T_T6 = BinaryImageRecord;
using T_T7 = BinaryImageRecord;
using T_T8 = BinaryImageRecord;
using T_T10 = TaggedImageRecord;
using T_T13 = TaggedImageRecord;
using T_T14 = TaggedImageRecord;
using T_T15 = TaggedImageRecord;
using T_T16 = TaggedImageRecord;
using T_T17 = TaggedImageRecord;
using T_T99 = TaggedImageRecord;

// Minutiae of a standard-format Type-9 record: row 0 the column titles, row m
// minutia m (index, X, Y, theta, quality, type, ridge counts).
struct MinutiaeTable {
  static constexpr int kColumns = 7;
  std::vector<std::array<std::string, kColumns>> rows;
};

struct T_T9 : TaggedRecord {
  T_T9() : TaggedRecord(9) {}
  // FMT as the file gives it: row 4 of the table shows the vendor label
  // instead when the record has vendor-defined fields. The other standard
  // fields are the table's rows as they stand.
  std::string fmt;
  const std::string& crp() const { return table.value(8); }
  const std::string& dlt() const { return table.value(9); }
  const std::string& min() const { return table.value(10); }
  std::optional<MinutiaeTable> minutiae;  // present once field 12 was read
  Bitmap image_bitmap;  // the finger image with the minutiae drawn over it
};

}  // namespace trelvo
