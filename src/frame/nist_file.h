// CurrentNistFile: the one module-wide state of the library. The library
// holds exactly one NIST file at a time, as bytes (the file buffer) and as
// the record model parsed from them.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "frame/records.h"

namespace trelvo {

struct FreeDeleter {
  void operator()(unsigned char* p) const { std::free(p); }
};
using HeapBytes = std::unique_ptr<unsigned char[], FreeDeleter>;

struct Type1Record {
  FieldTable table;
  std::int32_t len = 0;
  std::int64_t record_start = 0;
  std::int64_t record_end = 0;
  FieldOffsets offsets;
};

// Memo of the last binary-field lookup.
struct BinaryFieldMemo {
  int type = -1;
  int idc = -1;
  const unsigned char* address = nullptr;
  std::int32_t length = 0;
};

using RecordList = std::vector<std::unique_ptr<Record>>;

// Per-type flags and counters, indexed by record type (1 ... 99).
using TypeFlags = std::array<std::int32_t, 100>;

struct NistFile {
  HeapBytes buffer;
  std::int32_t length = 0;  // <= 0: no file
  std::int64_t parse_position = 0;
  std::int64_t word_start = 0;

  Type1Record type1;
  std::array<RecordList, kListTypes.size()> lists;
  TypeFlags type_present{};
  TypeFlags rebuild{};
  TypeFlags refill_index{};
  std::string last_record_idc;

  std::string export_text;
  BinaryFieldMemo last_binary_field;

  std::int32_t setting_type1_two_digit = 0;
  std::int32_t setting_idc_two_digit = 0;
  std::int32_t try_to_decode_binary_field = 1;
  std::int32_t error_report_mode = 0;
  std::string last_error_message;
  bool initialized = false;

  bool hasFile() const { return length > 0; }
  const unsigned char* data() const { return buffer.get(); }

  // The record list of a type with a list; null for any other type.
  RecordList* list(int type);
  void setAllRebuildFlags(std::int32_t value);
};

NistFile& current();

// Runs the one-time initialisation if it has not run yet.
void ensureInitialized();

// The only error path: shows the message box in report mode 1 and stores
// the text as the last status in every mode.
void ReportError(const std::string& text);
void setOk();

// Entry check of the query and edit functions: reports the "no file"
// message and returns false when no file is present, else sets the status
// to "OK. No error" and returns true.
bool entryCheck();

// Frees the records of the types marked for rebuild and resets the state a
// parse starts from.
void ClearRecords();

// First record of a list whose IDC as a number (1 when it is not a number)
// equals `idc`; null when there is none.
Record* FindRecordByIdc(RecordList& list, int idc);

// The IDC text of a record as a number for the record lookup.
int idcNumber(const std::string& idcText);

}  // namespace trelvo
