// The Code and Description columns of every record type, and the byte
// layout of the binary record headers.
#pragma once

#include <span>
#include <string>

#include "frame/field_table.h"

namespace trelvo {

// The shared dictionary of a record type (1-10, 13-17, 99); null for others.
const DictionaryPtr& dictionaryFor(int type);

// One field of a binary record header.
struct BinaryHeaderField {
  int offset;
  int size;
  int row;
  // How the bytes become the Value text: one big-endian number, or each byte
  // in decimal joined by `separator`.
  enum class Form { Number, Bytes } form;
  const char* separator;
};

struct BinaryLayout {
  int type;
  int header_size;
  std::span<const BinaryHeaderField> fields;
  int idc_row, hll_row, vll_row;
  int compression_row;  // GCA, or SRT for Type-8
  bool finger_positions;  // Types 3-6 keep FGP1 ... FGP6
};

// Layout of the binary record type 3 to 8.
const BinaryLayout& binaryLayout(int type);

}  // namespace trelvo
