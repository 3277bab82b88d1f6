// Parser of the Type-9 minutiae record: its own field loop, the vendor-block
// labels and the minutiae table of standard-format records.
#include <string_view>

#include "frame/text.h"
#include "reader/parsers.h"
#include "reader/tag_reader.h"

namespace trelvo {

namespace {

struct VendorBlock {
  int first;
  const char* label;
};

// Vendor-defined field blocks, by their first field number.
constexpr VendorBlock kVendorBlocks[] = {
    {176, "U (Unknown Vendor)"}, {151, "U (Identix)"},        {126, "U (M1-378)"},
    {100, "U (NEC)"},            {71, "U (Sagem Morpho)"},    {56, "U (Motorola)"},
    {31, "U (Cogent Systems)"},  {13, "U (IAFIS)"},
};

const char* vendorLabel(int field) {
  for (const VendorBlock& block : kVendorBlocks)
    if (field >= block.first) return block.label;
  return nullptr;
}

constexpr const char* kMinutiaeTitles[MinutiaeTable::kColumns] = {
    "Index number",    "X coordinate",             "Y coordinate",    "Theta value",
    "Quality measure", "Minutia type designation", "Ridge count data"};

// Splits the MRC value into minutiae (RS) and items (US); item 1 is cut by
// position into X, Y and theta, items 4 on are the ridge counts.
void fillMinutiae(MinutiaeTable& table, std::string_view mrc) {
  for (int c = 0; c < MinutiaeTable::kColumns; ++c) table.rows[0][static_cast<std::size_t>(c)] = kMinutiaeTitles[c];
  std::string pending;
  int item = 0;
  std::size_t minutia = 1;
  auto store = [&] {
    if (minutia >= table.rows.size()) return;  // more minutiae than MIN: not kept
    auto& row = table.rows[minutia];
    switch (item) {
      case 0: row[0] = pending; break;
      case 1: {
        const std::string_view p(pending);
        row[1] = std::string(p.substr(0, 4));
        row[2] = p.size() > 4 ? std::string(p.substr(4, 4)) : std::string();
        row[3] = p.size() > 8 ? std::string(p.substr(8, 3)) : std::string();
        break;
      }
      case 2: row[4] = pending; break;
      case 3: row[5] = pending; break;
      default: row[6] = pending; break;
    }
  };
  for (const char c : mrc) {
    if (c == US) {
      if (item < 4) {
        store();
        pending.clear();
        ++item;
      }
    } else if (c == RS) {
      store();
      pending.clear();
      item = 0;
      ++minutia;
    } else {
      pending += c;
    }
  }
  store();
}

}  // namespace

int parseType9(NistFile& f) {
  if (f.parse_position >= f.length) {
    ReportError("Error: NULL pointer to Type-9 record");
    return kPastEnd;
  }
  const std::int64_t record_start = f.parse_position;
  std::int64_t limit = kMaxValueLength;
  RecordSlot<T_T9> slot(f, 9);
  T_T9* r = nullptr;
  int result = kRecordRead;

  for (;;) {
    result = kRecordRead;
    const std::int64_t tag_start = f.parse_position;
    const TagInfo tag = getTagInfo(f);
    if (tag.record_type != 9) {
      f.parse_position = tag_start;
      break;
    }
    if (!r && tag.field_number != 1) {
      // Without field 1 first there is no record object to fill: the record
      // is refused rather than written into another record.
      ReportError("Error reading Type-9 record: first field is not 9.001 (LEN)");
      return kInvalidTag;
    }
    const std::string_view value = nextWord(f, kValueDelimiters, limit);
    const bool last = atFieldSeparator(f, FS);
    skipSeparator(f);
    const int n = tag.field_number;
    if (n == 1) {
      r = &slot.acquire([] { return std::make_unique<T_T9>(); });
      r->offsets.clear();
      r->idc.clear();
      r->fmt.clear();
      r->minutiae.reset();
      r->record_start = record_start;
      r->len = toIntOr(value, 0);
      limit = r->len;
    } else if (n == 2) {
      r->idc = std::string(value);
      f.last_record_idc = r->idc;
    } else if (n == 4) {
      r->fmt = std::string(value);
    } else if (n == 12) {
      // Every minutia takes at least one byte of the field, so a MIN beyond
      // that gives rows that can only stay empty: they are not allocated.
      const auto count = std::min(static_cast<std::size_t>(std::max(0, toIntOr(r->min(), 0))),
                                  value.size() + 1);
      r->minutiae.emplace();
      r->minutiae->rows.resize(count + 1);
      if (r->fmt == "S") fillMinutiae(*r->minutiae, value);
    }
    if (n > 0 && n < 999) {
      r->table.setValue(n, value);
      r->offsets.set(n, f.word_start, f.parse_position);
    } else {
      ReportError("Type-9 record Error detected on tag " + decimal(n));
      result = kInvalidTag;
    }
    if (n >= 13)
      if (const char* label = vendorLabel(n)) r->table.setValue(4, label);
    if (last) break;
  }

  if (!r) {
    ReportError("Error reading Type-9 record: first field is not 9.001 (LEN)");
    return kInvalidTag;
  }
  r->record_end = recordEndFrom(r->record_start, r->len);
  f.parse_position = r->record_end;
  slot.commit();
  return result;
}

}  // namespace trelvo
