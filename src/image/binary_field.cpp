// The bytes of a record's image field, as they stand in the file buffer.
#include <algorithm>

#include "frame/export.h"
#include "frame/text.h"
#include "query/lookup.h"

namespace trelvo {

namespace {

// Address and length of a record's image inside the buffer, the length cut
// to the bytes that are really there.
void imageBytes(const Record& record, BinaryFieldMemo& memo) {
  const NistFile& f = current();
  const auto* image = dynamic_cast<const ImageRecord*>(&record);
  if (!image || image->image_offset < 0 || image->image_offset > f.length) return;
  memo.address = f.data() + image->image_offset;
  const std::int64_t available = f.length - image->image_offset;
  memo.length = static_cast<std::int32_t>(std::clamp<std::int64_t>(image->image_length, 0, available));
}

unsigned char* lookup(int type, int idc) {
  NistFile& f = current();
  BinaryFieldMemo& memo = f.last_binary_field;
  if (memo.type == type && memo.idc == idc) return const_cast<unsigned char*>(memo.address);
  memo = BinaryFieldMemo{type, idc, nullptr, 0};
  RecordList* list = f.list(type);
  if (!list || type == 2) return nullptr;  // Types 1, 2, 11, 12 have no binary field
  Record* record = FindRecordByIdc(*list, idc);
  if (!record) {
    reportIdcNotFound(type, idc);
    return nullptr;
  }
  if (type == 9) {
    record = fingerprintRecordFor(toIntOr(record->idc, 0));
    if (!record) {
      ReportError("Error: Type-9 record with supplied IDC (Image Designation Character) = " +
                  std::to_string(idc) +
                  " number was not found in NIST file.\nUnable to Read Type-9 Record");
      return nullptr;
    }
  }
  imageBytes(*record, memo);
  return const_cast<unsigned char*>(memo.address);
}

}  // namespace

}  // namespace trelvo

using namespace trelvo;

extern "C" {

unsigned char* ReadRecordBinaryField(int recordType, int idc) {
  return guarded<unsigned char*>(nullptr, [&]() -> unsigned char* {
    if (!entryAndTypeCheck(recordType)) return nullptr;
    return lookup(recordType, idc);
  });
}

int ReadSizeOfRecordBinaryField(int recordType, int idc) {
  return guarded<int>(0, [&]() -> int {
    if (!entryAndTypeCheck(recordType)) return 0;
    const BinaryFieldMemo& memo = current().last_binary_field;
    if (memo.type != recordType || memo.idc != idc) lookup(recordType, idc);
    return current().last_binary_field.length;
  });
}

}  // extern "C"

TRELVO_ALIAS(unsigned char*, ReadRecordBinaryField, (int, int))
TRELVO_ALIAS(int, ReadSizeOfRecordBinaryField, (int, int))
