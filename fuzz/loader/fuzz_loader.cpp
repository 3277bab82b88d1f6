// Loads arbitrary bytes as a transaction and then asks every question a
// host can ask about what was parsed.
#include <Trelvo.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {

const int kTypes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 99};
const char* const kNames[] = {"LEN", "IDC", "FGP", "FGP1", "FGP6", "CGA", "HLL", "Code", "", "NAM"};

void touch(const char* text, int size) {
  if (!text) return;
  volatile std::size_t n = std::strlen(text);
  (void)n;
  (void)size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static bool quiet = SetTrelvoErrorReportMode(0) == 1;
  (void)quiet;
  ReadNISTFromMemory(reinterpret_cast<const char*>(data), static_cast<int>(size));
  for (int type : kTypes) {
    if (!CheckIfRecordTypeExists(type)) continue;
    const int count = ReadNumberOfRecords(type);
    for (int i = 0; i <= count + 1; ++i) {
      const int idc = type == 1 ? 0 : ReadIDCofRecord(type, i);
      for (int field : {-1, 0, 1, 2, 3, 4, 6, 7, 8, 11, 12, 13, 998, 999, 16383, 16384}) {
        for (const char* name : kNames) {
          touch(ReadRecordTxtField(type, idc, field, name), ReadSizeOfRecordTxtField(type, idc, field, name));
          touch(ReadRecordTxtFieldDescription(type, idc, field, name),
                ReadSizeOfRecordTxtFieldDescription(type, idc, field, name));
          ReadSizeOfRecordTxtFieldName(type, idc, field, name);
        }
        touch(ReadRecordTxtFieldName(type, idc, field), 0);
      }
      touch(ReadRecordExportedTxtFields(type, idc), ReadSizeOfRecordExportedTxtFields(type, idc));
      const unsigned char* bytes = ReadRecordBinaryField(type, idc);
      const int length = ReadSizeOfRecordBinaryField(type, idc);
      if (bytes && length > 0) {
        volatile unsigned char sum = 0;
        for (int k = 0; k < length; ++k) sum = static_cast<unsigned char>(sum + bytes[k]);
      }
    }
  }
  // Reloading from the library's own buffer must work too.
  if (unsigned char* own = ReadNISTByteArray()) ReadNISTFromMemory(reinterpret_cast<const char*>(own), ReadSizeOfNISTByteArray());
  return 0;
}
