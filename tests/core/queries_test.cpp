// Inventory, text field and binary field queries, with the messages a host
// reads back, and the lifetime of the pointers they hand out.
#include "frame/nist_file.h"
#include "test_support.h"

namespace nist_test {
namespace {

using InventoryTest = CoreTest;

// Type-1, two Type-2 and three Type-14 records (two of them with IDC 5).
std::string inventoryFile() {
  return join({type1(cnt({{"2", "1"}, {"2", "2"}, {"14", "5"}, {"14", "5"}, {"14", "9"}, {"12", "3"}})),
               type2("1", "A"), type2("2", "B"), taggedImage(14, "5", "first"), taggedImage(14, "05", "second"),
               taggedImage(14, "9", "third")});
}

TEST_F(InventoryTest, CountsAndIdcs) {
  ASSERT_EQ(load(inventoryFile()), 1);
  EXPECT_EQ(ReadNumberOfRecords(1), 1);
  EXPECT_EQ(ReadNumberOfRecords(2), 2);
  EXPECT_EQ(ReadNumberOfRecords(14), 3);
  EXPECT_EQ(ReadIDCofRecord(14, 1), 5);
  EXPECT_EQ(ReadIDCofRecord(14, 2), 5);
  EXPECT_EQ(ReadIDCofRecord(14, 3), 9);
  EXPECT_EQ(lastError(), kOk);
  for (int index : {0, 4, -1}) {
    EXPECT_EQ(ReadIDCofRecord(14, index), -1) << index;
    EXPECT_EQ(lastError(), kOk);
  }
  EXPECT_EQ(ReadIDCofRecord(1, 1), -1);
  // A query by IDC gives the first record with it.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ReadRecordBinaryField(14, 5)), 5), "first");
  // Type-12 is listed but never decoded.
  EXPECT_EQ(CheckIfRecordTypeExists(12), 1);
  EXPECT_EQ(ReadNumberOfRecords(12), 0);
  EXPECT_EQ(ReadIDCofRecord(12, 1), 0);
  EXPECT_EQ(lastError(), kOk);
}

TEST_F(InventoryTest, AbsentTypes) {
  ASSERT_EQ(load(inventoryFile()), 1);
  for (int type : {0, 4, 18, 99, -3, 100}) {
    EXPECT_EQ(CheckIfRecordTypeExists(type), 0) << type;
    EXPECT_EQ(lastError(), kOk) << type;
    const std::string message =
        "Error: Record Type-" + std::to_string(type) + " was not found in NIST file.\nUnable to Read Record";
    EXPECT_EQ(ReadNumberOfRecords(type), 0);
    EXPECT_EQ(lastError(), message);
    EXPECT_EQ(ReadIDCofRecord(type, 1), 0);
    EXPECT_EQ(lastError(), message);
    EXPECT_EQ(ReadRecordTxtField(type, 1, 1, nullptr), nullptr);
    EXPECT_EQ(lastError(), message);
    EXPECT_EQ(ReadRecordBinaryField(type, 1), nullptr);
    EXPECT_EQ(lastError(), message);
  }
}

using TextFieldTest = CoreTest;

TEST_F(TextFieldTest, TypeOneFields) {
  const Tagged t1 = type1(cnt({{"2", "00"}}));
  ASSERT_EQ(load(join({t1, type2("00")})), 1);
  EXPECT_EQ(value(1, 0, 2), "0400");
  EXPECT_EQ(str(ReadRecordTxtField(1, 77, 2, "TCN")), "0400");  // IDC and name play no part
  EXPECT_EQ(valueByName(1, 0, "TCN"), "TCN-1");
  EXPECT_EQ(value(1, 0, 1), std::to_string(t1.trueLength()));
  EXPECT_EQ(value(1, 0, 3), cnt({{"2", "00"}}));  // separators stay in the value
  EXPECT_EQ(value(1, 0, 15), "");
  EXPECT_EQ(value(1, 0, 16), "<null>");
  EXPECT_EQ(lastError(), "Error: Type-1 record field number 16 is invalid.\nUnable to Read Type-1 Record");
  EXPECT_EQ(value(1, 0, 0), "<null>");
  EXPECT_EQ(lastError(), "Error: Type-1 record field number 0 is invalid.\nUnable to Read Type-1 Record");
  EXPECT_EQ(valueByName(1, 0, "tcn"), "<null>");  // names are case-sensitive
  EXPECT_EQ(lastError(), "Error: Type-1 record with name tcn was not found in NIST file.\nUnable to Read Type-1 Record");
}

TEST_F(TextFieldTest, MessagesOfTheOtherTypes) {
  ASSERT_EQ(load(standardFile()), 1);
  EXPECT_EQ(value(14, 7, 2), "<null>");
  EXPECT_EQ(lastError(),
            "Error: Type-14 record with supplied IDC (Image Designation Character) = 7 was not found in NIST "
            "file.\nUnable to Read Type-14 Record");
  EXPECT_EQ(value(2, 0, 16384), "<null>");
  EXPECT_EQ(lastError(), "Error: Type-2 record field number 16384 is invalid.\nUnable to Read Type-2 Record");
  EXPECT_EQ(valueByName(14, 1, "NAM"), "<null>");
  EXPECT_EQ(lastError(), "Error: Type-14 record with name NAM was not found in NIST file.\nUnable to Read Type-14 Record");
  EXPECT_EQ(valueByName(2, 0, nullptr), "<null>");
  EXPECT_EQ(lastError(), "Error: Type-2 record with name  was not found in NIST file.\nUnable to Read Type-2 Record");
}

TEST_F(TextFieldTest, AbsentFieldIsAnEmptyTextWithOk) {
  ASSERT_EQ(load(standardFile()), 1);
  const char* p = ReadRecordTxtField(2, 0, 50, nullptr);
  ASSERT_NE(p, nullptr);
  EXPECT_STREQ(p, "");
  EXPECT_EQ(ReadSizeOfRecordTxtField(2, 0, 50, nullptr), 0);
  EXPECT_EQ(lastError(), kOk);
}

TEST_F(TextFieldTest, SizeTwinsMeasureTheSameTexts) {
  const std::string rs_value = std::string("A") + RS + "B" + US + "C";
  Tagged t2 = type2("00", rs_value);
  const std::string file = join({type1(cnt({{"2", "00"}, {"4", "3"}})), t2,
                                 binaryRecord(fingerprintHeader(3, 0, {12, 13}, 0, 2, 2, 0), "px")});
  ASSERT_EQ(load(file), 1);
  struct Case {
    int type, idc, field;
    const char* name;
    std::string value;
  };
  for (const Case& c : {Case{2, 0, 30, nullptr, rs_value}, Case{2, 0, -1, "NAM", rs_value},
                        Case{4, 3, -1, "FGP", "12,13,255,255,255,255"}, Case{4, 3, -1, "FGP2", "13"},
                        Case{4, 3, 2, nullptr, "3"}}) {
    EXPECT_EQ(str(ReadRecordTxtField(c.type, c.idc, c.field, c.name)), c.value);
    EXPECT_EQ(ReadSizeOfRecordTxtField(c.type, c.idc, c.field, c.name), static_cast<int>(c.value.size()));
  }
  EXPECT_EQ(ReadSizeOfRecordTxtFieldName(2, 0, -1, "NAM"), 3);
  EXPECT_EQ(ReadSizeOfRecordTxtFieldName(2, 0, 30, nullptr), 3);
  EXPECT_EQ(ReadSizeOfRecordTxtFieldDescription(2, 0, -1, "NAM"), 4);
  EXPECT_EQ(ReadSizeOfRecordTxtFieldDescription(2, 0, 500, nullptr), 18);
  // FGP1 ... FGP6 exist only for the value query.
  EXPECT_EQ(ReadRecordTxtFieldDescription(4, 3, -1, "FGP1"), nullptr);
  EXPECT_EQ(lastError(), "Error: Type-4 record with name FGP1 was not found in NIST file.\nUnable to Read Type-4 Record");
  EXPECT_EQ(valueByName(4, 3, "FGP7"), "<null>");
}

TEST_F(TextFieldTest, FgpOfATaggedRecordIsItsField13) {
  Tagged t14(14);
  t14.field(2, "1").field(13, "3").field(999, "img");
  ASSERT_EQ(load(join({type1(cnt({{"14", "1"}})), t14})), 1);
  EXPECT_EQ(valueByName(14, 1, "FGP"), "3");
  EXPECT_EQ(valueByName(14, 1, "FGP1"), "<null>");
}

TEST_F(TextFieldTest, ExportOfTypeOne) {
  const Tagged t1 = type1(cnt({{"2", "00"}}));
  ASSERT_EQ(load(join({t1, type2("00")})), 1);
  const std::string text = str(ReadRecordExportedTxtFields(1, 0));
  EXPECT_EQ(text.rfind("LEN," + std::to_string(t1.trueLength()) + "\r\nVER,0400\r\n", 0), 0u);
  std::size_t lines = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
  EXPECT_EQ(lines, 15u);
  EXPECT_EQ(text.substr(text.size() - 6), "DCS,\r\n");
  EXPECT_EQ(ReadSizeOfRecordExportedTxtFields(1, 0), static_cast<int>(text.size()));
  EXPECT_EQ(lastError(), kOk);
}

TEST_F(TextFieldTest, ExportOfTypeTwoAndTen) {
  ASSERT_EQ(load(join({type1(cnt({{"2", "00"}, {"10", "1"}})), type2("00"), taggedImage(10, "1", "img")})), 1);
  const std::string t2 = str(ReadRecordExportedTxtFields(2, 0));
  std::size_t lines = 0;
  for (char c : t2) lines += c == '\n';
  EXPECT_EQ(lines, 16383u);
  EXPECT_NE(t2.find("\r\nNAM,DOE, JOHN\r\n"), std::string::npos);
  EXPECT_NE(t2.find("\r\n16383,\r\n"), std::string::npos);
  const std::string t10 = str(ReadRecordExportedTxtFields(10, 1));
  lines = 0;
  for (char c : t10) lines += c == '\n';
  EXPECT_EQ(lines, 998u);
  EXPECT_EQ(ReadSizeOfRecordExportedTxtFields(10, 1), static_cast<int>(t10.size()));
}

TEST_F(TextFieldTest, ExportOfTypeNineNeedsItsFingerprintRecord) {
  Tagged t9(9);
  t9.field(2, "5").field(4, "S");
  ASSERT_EQ(load(join({type1(cnt({{"9", "5"}, {"14", "1"}})), t9, taggedImage(14, "1", "img")})), 1);
  EXPECT_EQ(ReadRecordExportedTxtFields(9, 5), nullptr);
  EXPECT_EQ(lastError(),
            "Error: Type-9 record with supplied IDC (Image Designation Character) = 5 number was not found in NIST "
            "file.\nUnable to Read Type-9 Record");
  EXPECT_EQ(ReadSizeOfRecordExportedTxtFields(9, 5), 0);
  ASSERT_EQ(load(join({type1(cnt({{"9", "5"}, {"14", "5"}})), t9, taggedImage(14, "5", "img")})), 1);
  const std::string text = str(ReadRecordExportedTxtFields(9, 5));
  EXPECT_EQ(text.rfind("LEN,", 0), 0u);
  EXPECT_NE(text.find("\r\nFMT,S\r\n"), std::string::npos);
}

TEST_F(TextFieldTest, ListedButUndecodedTypesGiveNothingWithOk) {
  ASSERT_EQ(load(inventoryFile()), 1);
  EXPECT_EQ(ReadRecordTxtField(12, 3, 1, nullptr), nullptr);
  EXPECT_EQ(ReadSizeOfRecordTxtField(12, 3, 1, nullptr), 0);
  EXPECT_EQ(ReadRecordTxtFieldName(12, 3, 1), nullptr);
  EXPECT_EQ(ReadRecordExportedTxtFields(12, 3), nullptr);
  EXPECT_EQ(ReadSizeOfRecordExportedTxtFields(12, 3), 0);
  EXPECT_EQ(ReadRecordBinaryField(12, 3), nullptr);
  EXPECT_EQ(lastError(), kOk);
}

TEST_F(TextFieldTest, PointersStayValidUntilTheNextLoad) {
  ASSERT_EQ(load(inventoryFile()), 1);
  const char* name = ReadRecordTxtField(2, 2, 30, nullptr);
  const char* code = ReadRecordTxtFieldName(2, 2, 30);
  const char* description = ReadRecordTxtFieldDescription(14, 9, 11, nullptr);
  const char* cga = ReadRecordTxtField(14, 9, -1, "CGA");
  const unsigned char* image = ReadRecordBinaryField(14, 9);
  const char* status = ReadTrelvoLastErrorMessage();
  EXPECT_STREQ(status, kOk);
  EXPECT_STREQ(ReadTrelvoLastErrorMessage(), kOk);
  // Any number of other queries, failed ones and exports included.
  for (int i = 0; i < 50; ++i) {
    ReadRecordTxtField(2, 1, -1, "NAM");
    ReadRecordTxtField(2, 1, 40 + i, nullptr);
    ReadRecordTxtFieldDescription(2, 1, -1, "Code");
    ReadRecordExportedTxtFields(2, 1);
    ReadRecordExportedTxtFields(14, 5);
    ReadRecordBinaryField(14, 5);
    ReadNumberOfRecords(18);
    ReadRecordTxtField(14, 77, 1, nullptr);
  }
  EXPECT_STREQ(name, "B");
  EXPECT_STREQ(code, "NAM");
  EXPECT_STREQ(description, "Compression algorithm");
  EXPECT_STREQ(cga, "NONE");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(image), 5), "third");
}

// --- binary fields ---

using BinaryFieldTest = CoreTest;

TEST_F(BinaryFieldTest, SizeFirstThenAddressFromTheMemo) {
  ASSERT_EQ(load(standardFile()), 1);
  const int size = ReadSizeOfRecordBinaryField(14, 1);
  EXPECT_EQ(size, 2 + 5 + 2 + 5);
  const auto& memo = trelvo::current().last_binary_field;
  EXPECT_EQ(memo.type, 14);
  EXPECT_EQ(memo.idc, 1);
  const unsigned char* p = ReadRecordBinaryField(14, 1);
  EXPECT_EQ(p, memo.address);
  EXPECT_EQ(p[0], 0xFF);
  EXPECT_EQ(p[1], 0xA0);
  EXPECT_EQ(lastError(), kOk);
}

TEST_F(BinaryFieldTest, TypeNineGivesTheImageOfTheLatestFingerprintType) {
  Tagged t9(9);
  t9.field(2, "3").field(4, "S");
  const std::string file =
      join({type1(cnt({{"9", "3"}, {"4", "3"}, {"14", "3"}})), t9,
            binaryRecord(fingerprintHeader(3, 0, {1}, 0, 2, 2, 0), "four"), taggedImage(14, "3", "fourteen")});
  ASSERT_EQ(load(file), 1);
  const unsigned char* p = ReadRecordBinaryField(9, 3);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p, ReadRecordBinaryField(14, 3));
  EXPECT_EQ(ReadSizeOfRecordBinaryField(9, 3), 8);
}

TEST_F(BinaryFieldTest, TypeNineWithoutFingerprintRecord) {
  Tagged t9(9);
  t9.field(2, "5");
  ASSERT_EQ(load(join({type1(cnt({{"9", "5"}, {"4", "3"}})), t9,
                       binaryRecord(fingerprintHeader(3, 0, {1}, 0, 2, 2, 0), "four")})),
            1);
  EXPECT_EQ(ReadRecordBinaryField(9, 5), nullptr);
  EXPECT_EQ(lastError(),
            "Error: Type-9 record with supplied IDC (Image Designation Character) = 5 number was not found in NIST "
            "file.\nUnable to Read Type-9 Record");
}

TEST_F(BinaryFieldTest, FailedLookupIsRemembered) {
  ASSERT_EQ(load(standardFile()), 1);
  const std::string message =
      "Error: Type-14 record with supplied IDC (Image Designation Character) = 7 was not found in NIST "
      "file.\nUnable to Read Type-14 Record";
  EXPECT_EQ(ReadRecordBinaryField(14, 7), nullptr);
  EXPECT_EQ(lastError(), message);
  EXPECT_EQ(ReadRecordBinaryField(14, 7), nullptr);
  EXPECT_EQ(lastError(), kOk);
  EXPECT_EQ(ReadSizeOfRecordBinaryField(14, 7), 0);
  EXPECT_EQ(lastError(), kOk);
  // Another lookup ends the memo; a load clears it.
  EXPECT_NE(ReadRecordBinaryField(14, 1), nullptr);
  EXPECT_EQ(ReadSizeOfRecordBinaryField(14, 7), 0);
  EXPECT_EQ(lastError(), message);
  ASSERT_EQ(load(standardFile()), 1);
  EXPECT_EQ(trelvo::current().last_binary_field.type, -1);
  EXPECT_EQ(ReadRecordBinaryField(14, 7), nullptr);
  EXPECT_EQ(lastError(), message);
}

TEST_F(BinaryFieldTest, RecordsWithoutBinaryField) {
  ASSERT_EQ(load(standardFile()), 1);
  for (int type : {1, 2}) {
    EXPECT_EQ(ReadRecordBinaryField(type, 0), nullptr) << type;
    EXPECT_EQ(ReadSizeOfRecordBinaryField(type, 0), 0) << type;
    EXPECT_EQ(lastError(), kOk) << type;
  }
}

TEST_F(BinaryFieldTest, AddressIsRenewedByEveryLoad) {
  const std::string bytes = standardFile();
  ASSERT_EQ(load(bytes), 1);
  ASSERT_NE(ReadRecordBinaryField(14, 1), nullptr);
  ASSERT_EQ(load(bytes), 1);
  const unsigned char* p = ReadRecordBinaryField(14, 1);
  ASSERT_NE(p, nullptr);
  EXPECT_GE(p, ReadNISTByteArray());
  EXPECT_LT(p, ReadNISTByteArray() + ReadSizeOfNISTByteArray());
}

}  // namespace
}  // namespace nist_test
