// Which records the file holds: presence, counts and IDCs per record type.
#include "frame/export.h"
#include "frame/text.h"
#include "query/lookup.h"

namespace trelvo {

int typePresent(int type) {
  if (type < 1 || (type > 17 && type != 99)) return 0;
  return current().type_present[static_cast<std::size_t>(type)];
}

void reportTypeNotFound(int type) {
  ReportError("Error: Record Type-" + std::to_string(type) +
              " was not found in NIST file.\nUnable to Read Record");
}

void reportIdcNotFound(int type, int idc) {
  const std::string name = "Type-" + std::to_string(type);
  ReportError("Error: " + name + " record with supplied IDC (Image Designation Character) = " +
              std::to_string(idc) + " was not found in NIST file.\nUnable to Read " + name + " Record");
}

bool entryAndTypeCheck(int type) {
  if (!entryCheck()) return false;
  if (typePresent(type)) return true;
  reportTypeNotFound(type);
  return false;
}

Record* fingerprintRecordFor(int idc) {
  Record* found = nullptr;
  for (int type : {4, 13, 14}) {
    if (!typePresent(type)) continue;
    if (Record* r = FindRecordByIdc(*current().list(type), idc)) found = r;
  }
  return found;
}

}  // namespace trelvo

using namespace trelvo;

extern "C" {

int CheckIfRecordTypeExists(int recordType) {
  return guarded<int>(0, [&]() -> int {
    if (!entryCheck()) return 0;
    return typePresent(recordType);
  });
}

int ReadNumberOfRecords(int recordType) {
  return guarded<int>(0, [&]() -> int {
    if (!entryAndTypeCheck(recordType)) return 0;
    if (recordType == 1) return 1;
    const RecordList* list = current().list(recordType);
    return list ? static_cast<int>(list->size()) : 0;
  });
}

int ReadIDCofRecord(int recordType, int index) {
  return guarded<int>(0, [&]() -> int {
    if (!entryAndTypeCheck(recordType)) return 0;
    if (recordType == 1) return -1;
    const RecordList* list = current().list(recordType);
    if (!list) return 0;  // Types 11 and 12: present, never decoded
    if (index < 1 || static_cast<std::size_t>(index) > list->size()) return -1;
    return toIntOr((*list)[static_cast<std::size_t>(index - 1)]->idc, -1);
  });
}

}  // extern "C"

TRELVO_ALIAS(int, CheckIfRecordTypeExists, (int))
TRELVO_ALIAS(int, ReadNumberOfRecords, (int))
TRELVO_ALIAS(int, ReadIDCofRecord, (int, int))
