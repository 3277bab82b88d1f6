// Damaged files: every prefix of a file holding each kind of record, and
// files with bytes changed at random (a fixed seed). Every load must return,
// and every query must stay inside the buffer; under the sanitizers any
// read beyond it fails the test.
#include <random>

#include "test_support.h"

namespace nist_test {
namespace {

// Type-1 and one record of each kind the reader parses.
std::string everyKindOfRecord() {
  Tagged t9(9);
  t9.field(2, "1").field(4, "S").field(10, "2").field(11, "1")
      .field(12, std::string("001") + US + "01230456090" + US + "40" + US + "A" + US + "2,05" + RS + "002" + US +
                     "1000200018" + US + "50" + US + "B")
      .field(31, "vendor");
  return join({type1(cnt({{"2", "00"}, {"4", "1"}, {"7", "2"}, {"8", "3"}, {"9", "1"}, {"10", "4"}, {"14", "1"},
                          {"99", "5"}})),
               type2("00"), binaryRecord(fingerprintHeader(1, 1, {2}, 1, 4, 4, 1), std::string("\xFF\xA0wsq", 5)),
               binaryRecord(userImageHeader(2, 1, 1, std::string(10, '\0'), std::string(11, '\1'), 2, 2, 0), "user"),
               binaryRecord(signatureHeader(3, 0, 0, 0, 2, 2), "sig"), t9, taggedImage(10, "4", "jpeg", "JPEGB"),
               taggedImage(14, "1", std::string("\xFF\xA0") + FS + GS + "x", "WSQ20"), taggedImage(99, "5", "cbeff")});
}

// Queries every record of the loaded file and reads every byte handed out.
void exerciseQueries() {
  unsigned sum = 0;
  for (int type : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 99}) {
    if (!CheckIfRecordTypeExists(type)) continue;
    const int count = ReadNumberOfRecords(type);
    for (int i = 1; i <= std::max(count, 1); ++i) {
      const int idc = ReadIDCofRecord(type, i);
      for (int field : {1, 2, 4, 12, 999, -1}) {
        if (const char* v = ReadRecordTxtField(type, idc, field, "LEN"))
          for (const char* p = v; *p; ++p) sum += static_cast<unsigned char>(*p);
        ReadSizeOfRecordTxtField(type, idc, field, "FGP3");
      }
      if (const char* e = ReadRecordExportedTxtFields(type, idc)) sum += static_cast<unsigned char>(e[0]);
      const int size = ReadSizeOfRecordBinaryField(type, idc);
      const unsigned char* bytes = ReadRecordBinaryField(type, idc);
      ASSERT_TRUE(size == 0 || bytes != nullptr);
      if (bytes) {
        ASSERT_GE(bytes, ReadNISTByteArray());
        ASSERT_LE(bytes + size, ReadNISTByteArray() + ReadSizeOfNISTByteArray());
      }
      for (int b = 0; b < size; ++b) sum += bytes[b];
    }
  }
  static volatile unsigned sink = 0;  // keeps the reads
  sink = sink + sum;
}

using RobustnessTest = CoreTest;

TEST_F(RobustnessTest, EveryPrefixOfAFileLoads) {
  const std::string file = everyKindOfRecord();
  ASSERT_EQ(load(file), 1);
  ASSERT_EQ(lastError(), kOk);  // the whole file is sound
  for (std::size_t n = 0; n <= file.size(); ++n) {
    ASSERT_EQ(ReadNISTFromMemory(file.data(), static_cast<int>(n)), 1) << n;
    exerciseQueries();
  }
}

TEST_F(RobustnessTest, FilesWithChangedBytesLoad) {
  const std::string file = everyKindOfRecord();
  const char interesting[] = {FS, GS, RS, US, '.', ':', '0', '9', '\0', '\xFF', '-'};
  std::mt19937 random(20240611);
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = file;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int c = 0; c < changes; ++c) {
      const std::size_t at = random() % damaged.size();
      damaged[at] = random() % 2 ? interesting[random() % sizeof interesting] : static_cast<char>(random() % 256);
    }
    ASSERT_EQ(load(damaged), 1) << round;
    exerciseQueries();
  }
}

TEST_F(RobustnessTest, EveryPrefixOfACorpusFileLoads) {
  SKIP_WITHOUT_CORPUS();
  const std::string file = readFile(corpusDir() / "type-9-14-std.an2");
  for (std::size_t n = 0; n <= 5000 && n <= file.size(); n += 7) {
    ASSERT_EQ(ReadNISTFromMemory(file.data(), static_cast<int>(n)), 1) << n;
    exerciseQueries();
  }
}

}  // namespace
}  // namespace nist_test
