// Parser of the binary image records (Types 3 to 8): a fixed header of
// big-endian numbers followed by the image bytes. One algorithm, fed by the
// header layout of each type.
#include <limits>

#include "frame/text.h"
#include "reader/parsers.h"

namespace trelvo {

namespace {

std::uint32_t bigEndian(const unsigned char* p, int size) {
  std::uint32_t v = 0;
  for (int i = 0; i < size; ++i) v = (v << 8) | p[i];
  return v;
}

std::string byteTexts(const unsigned char* p, int size, const char* separator) {
  std::string text;
  for (int i = 0; i < size; ++i) {
    if (i) text += separator;
    text += decimal(p[i]);
  }
  return text;
}

}  // namespace

int parseBinaryRecord(NistFile& f, int type) {
  const std::string what = "Error reading " + typeName(type) + " record: ";
  if (f.parse_position >= f.length) {
    ReportError(what + "position >= buffer_length");
    return kPastEnd;
  }
  const BinaryLayout& layout = binaryLayout(type);
  const std::int64_t start = f.parse_position;
  const std::int64_t header = layout.header_size;
  if (f.length - start < header) {
    ReportError(what + "the " + std::to_string(header) + "-byte header is cut by the end of the data");
    return kPastEnd;
  }
  const unsigned char* h = f.buffer.get() + start;
  const std::uint32_t stated = bigEndian(h, 4);
  if (stated > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
    ReportError(what + "LEN = " + decimal(stated) + " is out of range");
    return kPastEnd;
  }
  const auto len = static_cast<std::int32_t>(stated);
  if (len < header) {
    ReportError(what + "LEN = " + decimal(bigEndian(h, 4)) + " is smaller than the " +
                std::to_string(header) + "-byte header");
    return kPastEnd;
  }

  RecordSlot<BinaryImageRecord> slot(f, type);
  BinaryImageRecord& r = slot.acquire([type] { return std::make_unique<BinaryImageRecord>(type); });
  r.record_start = start;
  r.len = len;
  for (const BinaryHeaderField& field : layout.fields) {
    const unsigned char* p = h + field.offset;
    r.table.setValue(field.row, field.form == BinaryHeaderField::Form::Number
                                    ? decimal(bigEndian(p, field.size))
                                    : byteTexts(p, field.size, field.separator));
  }
  if (layout.finger_positions)
    for (std::size_t i = 0; i < r.fgp.size(); ++i) r.fgp[i] = decimal(h[6 + i]);
  r.idc = r.table.value(layout.idc_row);
  f.last_record_idc = r.idc;

  r.image_offset = start + header;
  r.image_length = len - header;
  if (start + len > f.length) r.image_length = f.length - start - header;
  r.record_end = start + len;
  f.parse_position = r.record_end;
  slot.commit();
  return kRecordRead;
}

}  // namespace trelvo
