// Text field queries: a field's value, mnemonic and description by number
// or by mnemonic, their lengths, and a whole record as text lines.
#include <cstring>
#include <string_view>

#include "frame/export.h"
#include "frame/text.h"
#include "query/lookup.h"

namespace trelvo {

namespace {

enum Column : int { kCode = 0, kValue = 1, kDescription = 2 };

const std::string kEmptyText;

std::string readRecord(int type) { return "\nUnable to Read Type-" + std::to_string(type) + " Record"; }

// The table of the record a query names (its type known to be present);
// null, with the IDC message reported where it applies, when there is none.
const FieldTable* selectTable(int type, int idc, Record** record) {
  if (type == 1) return &current().type1.table;
  RecordList* list = current().list(type);
  if (!list) return nullptr;  // Types 11 and 12: present, never decoded
  Record* r = FindRecordByIdc(*list, idc);
  if (!r) {
    reportIdcNotFound(type, idc);
    return nullptr;
  }
  if (record) *record = r;
  return &r->table;
}

// The text of one cell: by field number, or by name when the number is -1
// and names are allowed. Null on failure, with the message reported.
const std::string* findCell(int type, int idc, int field, const char* name, Column column,
                            bool byName) {
  if (!entryAndTypeCheck(type)) return nullptr;
  Record* record = nullptr;
  const FieldTable* table = selectTable(type, idc, &record);
  if (!table) return nullptr;
  const std::string prefix = "Error: Type-" + std::to_string(type) + " record ";
  if (field != -1 || !byName) {
    if (field < 1 || field >= table->rows()) {
      ReportError(prefix + "field number " + std::to_string(field) + " is invalid." + readRecord(type));
      return nullptr;
    }
    return &table->cell(column, field);
  }
  const std::string_view wanted = name ? std::string_view(name) : std::string_view();
  const int row = table->dictionary().findCode(wanted);
  if (row >= 0) return &table->cell(column, row);
  if (column == kValue && type >= 3 && type <= 6 && wanted.size() == 4 &&
      wanted.substr(0, 3) == "FGP" && wanted[3] >= '1' && wanted[3] <= '6') {
    return &static_cast<BinaryImageRecord*>(record)->fgp[static_cast<std::size_t>(wanted[3] - '1')];
  }
  ReportError(prefix + "with name " + std::string(wanted) + " was not found in NIST file." + readRecord(type));
  return nullptr;
}

const char* text(const std::string* cell) { return cell ? cell->c_str() : nullptr; }
int size(const std::string* cell) { return cell ? static_cast<int>(cell->size()) : 0; }

const char* exportRecord(int type, int idc) {
  NistFile& f = current();
  if (!entryAndTypeCheck(type)) return nullptr;
  f.export_text.clear();
  Record* record = nullptr;
  const FieldTable* table = selectTable(type, idc, &record);
  if (!table) return nullptr;
  // The fingerprint of a Type-9 record carries the same IDC (the Type-9
  // IDC as a number, 0 when it is not one), as for its binary field.
  if (type == 9 && !fingerprintRecordFor(toIntOr(record->idc, 0))) {
    ReportError("Error: Type-9 record with supplied IDC (Image Designation Character) = " +
                std::to_string(idc) + " number was not found in NIST file." + readRecord(9));
    return nullptr;
  }
  std::string& out = f.export_text;
  for (int row = 1; row < table->rows(); ++row) {
    out += table->cell(kCode, row);
    out += ',';
    out += table->cell(kValue, row);
    out += "\r\n";
  }
  return out.c_str();
}

}  // namespace

}  // namespace trelvo

using namespace trelvo;

extern "C" {

const char* ReadRecordTxtField(int recordType, int idc, int fieldNumber, const char* name) {
  return guarded<const char*>(nullptr, [&]() -> const char* {
    return text(findCell(recordType, idc, fieldNumber, name, kValue, true));
  });
}

int ReadSizeOfRecordTxtField(int recordType, int idc, int fieldNumber, const char* name) {
  return guarded<int>(0, [&]() -> int {
    return size(findCell(recordType, idc, fieldNumber, name, kValue, true));
  });
}

const char* ReadRecordTxtFieldName(int recordType, int idc, int fieldNumber) {
  return guarded<const char*>(nullptr, [&]() -> const char* {
    return text(findCell(recordType, idc, fieldNumber, nullptr, kCode, false));
  });
}

int ReadSizeOfRecordTxtFieldName(int recordType, int idc, int fieldNumber, const char* name) {
  return guarded<int>(0, [&]() -> int {
    return size(findCell(recordType, idc, fieldNumber, name, kCode, true));
  });
}

const char* ReadRecordTxtFieldDescription(int recordType, int idc, int fieldNumber, const char* name) {
  return guarded<const char*>(nullptr, [&]() -> const char* {
    return text(findCell(recordType, idc, fieldNumber, name, kDescription, true));
  });
}

int ReadSizeOfRecordTxtFieldDescription(int recordType, int idc, int fieldNumber, const char* name) {
  return guarded<int>(0, [&]() -> int {
    return size(findCell(recordType, idc, fieldNumber, name, kDescription, true));
  });
}

const char* ReadRecordExportedTxtFields(int recordType, int idc) { return guarded<const char*>(nullptr, [&]() -> const char* { return exportRecord(recordType, idc); }); }

int ReadSizeOfRecordExportedTxtFields(int recordType, int idc) {
  return guarded<int>(0, [&]() -> int {
    if (!entryAndTypeCheck(recordType)) return 0;
    exportRecord(recordType, idc);
    return static_cast<int>(current().export_text.size());
  });
}

}  // extern "C"

TRELVO_ALIAS(const char*, ReadRecordTxtField, (int, int, int, const char*))
TRELVO_ALIAS(int, ReadSizeOfRecordTxtField, (int, int, int, const char*))
TRELVO_ALIAS(const char*, ReadRecordTxtFieldName, (int, int, int))
TRELVO_ALIAS(int, ReadSizeOfRecordTxtFieldName, (int, int, int, const char*))
TRELVO_ALIAS(const char*, ReadRecordTxtFieldDescription, (int, int, int, const char*))
TRELVO_ALIAS(int, ReadSizeOfRecordTxtFieldDescription, (int, int, int, const char*))
TRELVO_ALIAS(const char*, ReadRecordExportedTxtFields, (int, int))
TRELVO_ALIAS(int, ReadSizeOfRecordExportedTxtFields, (int, int))
