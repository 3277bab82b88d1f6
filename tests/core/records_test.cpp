// The record parsers: Type-2, the binary records of Types 3-8, Type-9 and
// the tagged image records, checked through the queries a host uses and,
// where the host cannot see it, through the record objects.
#include <cstring>

#include "frame/nist_file.h"
#include "reader/tables.h"
#include "test_support.h"

namespace nist_test {
namespace {

using trelvo::current;

template <class R>
R& record(int type, std::size_t index = 0) {
  return static_cast<R&>(*current().list(type)->at(index));
}

// --- Type-2 ---

using Type2Test = CoreTest;

TEST_F(Type2Test, ValuesNamesAndDescriptions) {
  ASSERT_EQ(load(join({type1(cnt({{"2", "00"}})), type2("00", "SMITH")})), 1);
  EXPECT_EQ(value(2, 0, 30), "SMITH");
  EXPECT_EQ(str(ReadRecordTxtFieldName(2, 0, 30)), "NAM");
  EXPECT_EQ(str(ReadRecordTxtFieldDescription(2, 0, 30, nullptr)), "Name");
  EXPECT_EQ(str(ReadRecordTxtFieldName(2, 0, 500)), "500");
  EXPECT_EQ(str(ReadRecordTxtFieldDescription(2, 0, 500, nullptr)), "User-defined field");
  EXPECT_EQ(str(ReadRecordTxtFieldDescription(2, 0, -1, "NAM")), "Name");
  EXPECT_EQ(str(ReadRecordTxtFieldName(2, 0, 80)), "BRT");
  EXPECT_EQ(str(ReadRecordTxtFieldName(2, 0, 81)), "81");
  EXPECT_EQ(str(ReadRecordTxtFieldName(2, 0, 16383)), "16383");
  EXPECT_EQ(lastError(), kOk);
}

TEST_F(Type2Test, FieldNumbersWithoutARowStopTheWalkAfterTheRecord) {
  for (const char* tag : {"2.016384", "2.000", "2.0"}) {
    Tagged t2 = type2("00", "KEPT");
    t2.tag(tag, "dropped").field(40, "AFTER");
    const std::string expected_number = std::string(tag) == "2.016384" ? "16384" : "0";
    EXPECT_EQ(reportsDuring([&] {
                load(join({type1(cnt({{"2", "00"}, {"14", "1"}})), t2, taggedImage(14, "1", "i")}));
              }),
              "Trelvo Error: Error: Type-2 record invalid tag = " + expected_number + "\n" +
                  "Trelvo Error: Error: unable to decode Record Type = 2, IDC = 00\nExiting..\n")
        << tag;
    EXPECT_EQ(value(2, 0, 30), "KEPT");
    EXPECT_EQ(value(2, 0, 40), "AFTER");
    EXPECT_EQ(CheckIfRecordTypeExists(14), 0);
  }
}

TEST_F(Type2Test, EachRecordHasItsOwnValuesOverOneSharedDictionary) {
  ASSERT_EQ(load(join({type1(cnt({{"2", "1"}, {"2", "2"}})), type2("1", "FIRST"), type2("2", "SECOND")})), 1);
  EXPECT_EQ(value(2, 1, 30), "FIRST");
  EXPECT_EQ(value(2, 2, 30), "SECOND");
  // Creating a Type-2 object copies no Code or Description text.
  const auto* shared = trelvo::dictionaryFor(2).get();
  EXPECT_EQ(&record<trelvo::T_T2>(2, 0).table.dictionary(), shared);
  EXPECT_EQ(&record<trelvo::T_T2>(2, 1).table.dictionary(), shared);
  EXPECT_EQ(shared->rows(), 16384);
}

TEST_F(Type2Test, IdcTextsThatAreNotPlainNumbers) {
  ASSERT_EQ(load(join({type1(cnt({{"2", "1"}, {"2", "1"}})), type2("01", "ZERO-ONE"), type2("AB", "LETTERS")})), 1);
  EXPECT_EQ(value(2, 1, 30), "ZERO-ONE");       // "01" is found by 1, first in file order
  EXPECT_EQ(ReadIDCofRecord(2, 1), 1);
  EXPECT_EQ(ReadIDCofRecord(2, 2), -1);          // letters are no number
  EXPECT_EQ(record<trelvo::T_T2>(2, 1).idc, "AB");
}

TEST_F(Type2Test, HeaderRowIsFoundByTheNameCode) {
  ASSERT_EQ(load(standardFile()), 1);
  struct Case {
    int type;
    int idc;
    const char* value;
  };
  for (const Case& c : {Case{1, 0, ""}, Case{2, 0, ""}, Case{14, 1, "Value"}}) {
    EXPECT_EQ(valueByName(c.type, c.idc, "Code"), c.value) << c.type;
    EXPECT_EQ(str(ReadRecordTxtFieldDescription(c.type, c.idc, -1, "Code")), "Description") << c.type;
  }
}

// --- binary records, Types 3-8 ---

using BinaryRecordTest = CoreTest;

TEST_F(BinaryRecordTest, TypeFourHeaderExample) {
  const std::string header = std::string("\x00\x00\x01\x2C\x01\x01\x02\xFF\xFF\xFF\xFF\xFF\x01\x01\xF4\x01\xF4\x01", 18);
  const std::string image(282, '\x5A');
  const std::string after = type2("1", "AFTER");
  ASSERT_EQ(load(join({type1(cnt({{"4", "1"}, {"2", "1"}})), header + image, after})), 1);
  struct Case {
    const char* name;
    const char* value;
  };
  for (const Case& c : {Case{"LEN", "300"}, Case{"IDC", "1"}, Case{"IMP", "1"},
                        Case{"FGP", "2,255,255,255,255,255"}, Case{"FGP1", "2"}, Case{"FGP2", "255"},
                        Case{"FGP6", "255"}, Case{"ISR", "1"}, Case{"HLL", "500"}, Case{"VLL", "500"},
                        Case{"GCA", "1"}}) {
    EXPECT_EQ(valueByName(4, 1, c.name), c.value) << c.name;
    EXPECT_EQ(ReadSizeOfRecordTxtField(4, 1, -1, c.name), static_cast<int>(std::strlen(c.value))) << c.name;
  }
  EXPECT_EQ(value(4, 1, 4), "2,255,255,255,255,255");
  EXPECT_EQ(str(ReadRecordTxtFieldDescription(4, 1, 8, nullptr)), "Grayscale compression algorithm");
  EXPECT_EQ(ReadSizeOfRecordBinaryField(4, 1), 282);
  EXPECT_EQ(record<trelvo::T_T4>(4).image_length, 282);
  // The next record starts 300 bytes after this one.
  EXPECT_EQ(value(2, 1, 30), "AFTER");
  EXPECT_EQ(record<trelvo::T_T2>(2).record_start, record<trelvo::T_T4>(4).record_start + 300);
}

TEST_F(BinaryRecordTest, UserDefinedAndSignatureHeaders) {
  const std::string pcn(10, '\0');
  const std::string imr = std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\xFF", 11);
  const std::string t7 = binaryRecord(userImageHeader(3, 4, 5, pcn, imr, 640, 480, 2), "seven");
  const std::string t8 = binaryRecord(signatureHeader(4, 0, 1, 0, 200, 60), "eight!");
  ASSERT_EQ(load(join({type1(cnt({{"7", "3"}, {"8", "4"}})), t7, t8})), 1);
  struct Case {
    int type, idc;
    const char* name;
    const char* value;
  };
  for (const Case& c : {Case{7, 3, "LEN", "38"}, Case{7, 3, "IMT", "4"}, Case{7, 3, "IMD", "5"},
                        Case{7, 3, "PCN", "0000000000"}, Case{7, 3, "IMR", "12345678910255"},
                        Case{7, 3, "HLL", "640"}, Case{7, 3, "VLL", "480"}, Case{7, 3, "GCA", "2"},
                        Case{8, 4, "LEN", "18"}, Case{8, 4, "SIG", "0"}, Case{8, 4, "SRT", "1"},
                        Case{8, 4, "ISR", "0"}, Case{8, 4, "HLL", "200"}, Case{8, 4, "VLL", "60"}}) {
    EXPECT_EQ(valueByName(c.type, c.idc, c.name), c.value) << c.type << " " << c.name;
  }
  EXPECT_EQ(str(ReadRecordTxtFieldDescription(7, 3, 9, nullptr)), "Gray-scale Compression Algorithm");
  EXPECT_EQ(valueByName(7, 3, "FGP1"), "<null>");
  EXPECT_EQ(lastError(), "Error: Type-7 record with name FGP1 was not found in NIST file.\nUnable to Read Type-7 Record");
  auto bytes = [](int type, int idc) {
    const int n = ReadSizeOfRecordBinaryField(type, idc);
    return std::string(reinterpret_cast<const char*>(ReadRecordBinaryField(type, idc)), static_cast<std::size_t>(n));
  };
  EXPECT_EQ(bytes(7, 3), "seven");
  EXPECT_EQ(bytes(8, 4), "eight!");
}

TEST_F(BinaryRecordTest, LenPastTheEndCutsTheImage) {
  const std::string t3 = binaryRecord(fingerprintHeader(1, 0, {1}, 0, 2, 2, 0), "abcd", 18 + 4 + 100);
  ASSERT_EQ(load(join({type1(cnt({{"3", "1"}})), t3})), 1);
  EXPECT_EQ(valueByName(3, 1, "LEN"), "122");
  EXPECT_EQ(record<trelvo::T_T3>(3).image_length, 4);
  EXPECT_EQ(ReadSizeOfRecordBinaryField(3, 1), 4);
}

TEST_F(BinaryRecordTest, SecondRecordIsListedByPosition) {
  const std::string a = binaryRecord(fingerprintHeader(1, 0, {1}, 0, 2, 2, 0), "aaaa");
  const std::string b = binaryRecord(fingerprintHeader(2, 0, {2}, 0, 2, 2, 0), "bbbb");
  ASSERT_EQ(load(join({type1(cnt({{"4", "1"}, {"4", "2"}})), a, b})), 1);
  EXPECT_EQ(ReadNumberOfRecords(4), 2);
  EXPECT_EQ(ReadIDCofRecord(4, 2), 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ReadRecordBinaryField(4, 2)), 4), "bbbb");
}

TEST_F(BinaryRecordTest, CutOrTooShortHeadersAreRefused) {
  struct Case {
    int type;
    std::string bytes;
    std::string message;
  };
  const std::string h4 = fingerprintHeader(1, 0, {1}, 0, 2, 2, 0);
  const std::vector<Case> cases = {
      {4, std::string("\x00\x00\x01\x2C\x01\x01\x02", 7),
       "Error reading Type-4 record: the 18-byte header is cut by the end of the data"},
      {7, binaryRecord(fingerprintHeader(1, 0, {1}, 0, 2, 2, 0), ""),
       "Error reading Type-7 record: the 33-byte header is cut by the end of the data"},
      {8, std::string("\x00\x00\x00", 3),
       "Error reading Type-8 record: the 12-byte header is cut by the end of the data"},
      {4, binaryRecord(h4, "image", 10), "Error reading Type-4 record: LEN = 10 is smaller than the 18-byte header"},
      {4, binaryRecord(h4, "image", 0), "Error reading Type-4 record: LEN = 0 is smaller than the 18-byte header"},
      {4, binaryRecord(h4, "image", 0xFFFFFFFFL), "Error reading Type-4 record: LEN = 4294967295 is out of range"},
      {8, binaryRecord(signatureHeader(1, 0, 0, 0, 1, 1), "image", 11),
       "Error reading Type-8 record: LEN = 11 is smaller than the 12-byte header"},
  };
  for (const Case& c : cases) {
    const std::string t = std::to_string(c.type);
    // A second entry of the same type must not read the same bytes again.
    const std::string file = join({type1(cnt({{t, "1"}, {t, "1"}})), c.bytes});
    EXPECT_EQ(reportsDuring([&] { load(file); }),
              "Trelvo Error: " + c.message + "\nTrelvo Error: Error: unable to decode Record Type = " + t +
                  ", IDC = 1\nExiting..\n")
        << c.message;
    EXPECT_EQ(CheckIfRecordTypeExists(c.type), 1);
    EXPECT_EQ(ReadNumberOfRecords(c.type), 0) << c.message;
  }
}

// --- Type-9 ---

using Type9Test = CoreTest;

std::string minutia(const std::string& index, const std::string& position, const std::string& quality,
                    const std::string& type, std::initializer_list<std::string> ridges) {
  std::string m = index + US + position + US + quality + US + type;
  for (const std::string& r : ridges) m += US + r;
  return m;
}

std::string joinRs(std::initializer_list<std::string> parts) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : std::string(1, RS)) + p;
  return out;
}

Tagged type9(const std::string& idc, const std::string& fmt, const std::string& min, const std::string& mrc) {
  Tagged t(9);
  t.field(2, idc).field(3, "0").field(4, fmt).field(5, "AFIS").field(6, "1").field(7, "T")
      .field(10, min).field(11, "1").field(12, mrc);
  return t;
}

std::string type9File(const Tagged& t9) { return join({type1(cnt({{"9", "1"}})), t9}); }

const trelvo::MinutiaeTable& minutiae() {
  const auto& r = record<trelvo::T_T9>(9);
  EXPECT_TRUE(r.minutiae.has_value());
  static const trelvo::MinutiaeTable empty;
  return r.minutiae ? *r.minutiae : empty;
}

TEST_F(Type9Test, StandardMinutiaeWithRidgeCounts) {
  const std::string mrc = joinRs({minutia("1", "01230456090", "40", "A", {"2,05", "3,07"}),
                                  minutia("2", "10002000180", "50", "B", {"1,01"}),
                                  minutia("3", "99998888359", "60", "C", {"4,02", "5,03", "6,04"})});
  ASSERT_EQ(load(type9File(type9("01", "S", "3", mrc))), 1);
  const auto& rows = minutiae().rows;
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][0], "Index number");
  EXPECT_EQ(rows[0][6], "Ridge count data");
  using Row = std::array<std::string, 7>;
  EXPECT_EQ(rows[1], (Row{"1", "0123", "0456", "090", "40", "A", "2,053,07"}));
  EXPECT_EQ(rows[2], (Row{"2", "1000", "2000", "180", "50", "B", "1,01"}));
  EXPECT_EQ(rows[3], (Row{"3", "9999", "8888", "359", "60", "C", "4,025,036,04"}));
  // The IDC text keeps its leading zero; the record is found by 1.
  EXPECT_EQ(record<trelvo::T_T9>(9).idc, "01");
  EXPECT_EQ(value(9, 1, 12), mrc);
  EXPECT_EQ(value(9, 1, 4), "S");
}

TEST_F(Type9Test, MinutiaeWithoutRidgeCountsAndShortPositions) {
  const std::string mrc = joinRs({minutia("1", "01230456090", "40", "A", {}), minutia("2", "012345", "7", "D", {})});
  ASSERT_EQ(load(type9File(type9("1", "S", "2", mrc))), 1);
  const auto& rows = minutiae().rows;
  ASSERT_EQ(rows.size(), 3u);
  using Row = std::array<std::string, 7>;
  EXPECT_EQ(rows[1], (Row{"1", "0123", "0456", "090", "40", "A", ""}));
  EXPECT_EQ(rows[2], (Row{"2", "0123", "45", "", "7", "D", ""}));
}

TEST_F(Type9Test, TableSizeFollowsMin) {
  const std::string three = joinRs({minutia("1", "00010002003", "1", "A", {}), minutia("2", "00040005006", "2", "B", {}),
                                    minutia("3", "00070008009", "3", "C", {})});
  struct Case {
    const char* min;
    std::size_t rows;
    const char* last_index;  // index number in the table's last row
  };
  for (const Case& c : {Case{"2", 3, "2"}, Case{"5", 6, ""}, Case{"X", 1, "Index number"}, Case{"0", 1, "Index number"},
                        Case{"-4", 1, "Index number"}}) {
    ASSERT_EQ(load(type9File(type9("1", "S", c.min, three))), 1);
    const auto& rows = minutiae().rows;
    ASSERT_EQ(rows.size(), c.rows) << "MIN " << c.min;
    EXPECT_EQ(rows.back()[0], c.last_index) << "MIN " << c.min;
  }
}

TEST_F(Type9Test, HugeMinDoesNotAllocateRowsForMinutiaeThatCannotBeThere) {
  const std::string one = minutia("1", "00010002003", "1", "A", {});
  ASSERT_EQ(load(type9File(type9("1", "S", "2000000000", one))), 1);
  const auto& rows = minutiae().rows;
  ASSERT_GE(rows.size(), 2u);
  EXPECT_LE(rows.size(), one.size() + 2);
  EXPECT_EQ(rows[1][1], "0001");
  EXPECT_EQ(value(9, 1, 10), "2000000000");
}

TEST_F(Type9Test, OtherFormatsKeepAnEmptyTable) {
  ASSERT_EQ(load(type9File(type9("1", "U", "2", minutia("1", "00010002003", "1", "A", {})))), 1);
  const auto& rows = minutiae().rows;
  ASSERT_EQ(rows.size(), 3u);
  for (const auto& row : rows)
    for (const auto& cell : row) EXPECT_EQ(cell, "");
}

TEST_F(Type9Test, VendorLabels) {
  struct Case {
    std::vector<std::string> tags;
    const char* label;
  };
  const std::vector<Case> cases = {
      {{"9.013"}, "U (IAFIS)"},           {{"9.030"}, "U (IAFIS)"},         {{"9.031"}, "U (Cogent Systems)"},
      {{"9.055"}, "U (Cogent Systems)"},  {{"9.056"}, "U (Motorola)"},      {{"9.071"}, "U (Sagem Morpho)"},
      {{"9.099"}, "U (Sagem Morpho)"},    {{"9.100"}, "U (NEC)"},           {{"9.126"}, "U (M1-378)"},
      {{"9.151"}, "U (Identix)"},         {{"9.176"}, "U (Unknown Vendor)"}, {{"9.998"}, "U (Unknown Vendor)"},
      {{"9.013", "9.126"}, "U (M1-378)"}, {{"9.126", "9.013"}, "U (IAFIS)"},  {{}, "S"},
  };
  for (const Case& c : cases) {
    Tagged t9 = type9("1", "S", "0", "");
    for (const std::string& tag : c.tags) t9.tag(tag, "v");
    EXPECT_EQ(reportsDuring([&] { load(type9File(t9)); }), "");
    EXPECT_EQ(value(9, 1, 4), c.label) << (c.tags.empty() ? "" : c.tags.back());
    EXPECT_EQ(record<trelvo::T_T9>(9).fmt, "S");
    if (!c.tags.empty()) {
      EXPECT_EQ(value(9, 1, std::stoi(c.tags.back().substr(2))), "v");
    }
  }
  // Rows from 13 on have neither Code nor Description.
  EXPECT_EQ(str(ReadRecordTxtFieldName(9, 1, 13)), "");
  EXPECT_EQ(str(ReadRecordTxtFieldName(9, 1, 12)), "MRC");
}

TEST_F(Type9Test, FieldNumbersWithoutARow) {
  // 9.1000 in the middle: reported, labelled, the parse goes on.
  Tagged middle = type9("1", "S", "0", "");
  middle.tag("9.1000", "x").field(20, "after");
  const std::string after = type2("1", "NEXT");
  EXPECT_EQ(reportsDuring([&] { load(join({type1(cnt({{"9", "1"}, {"2", "1"}})), middle, after})); }),
            "Trelvo Error: Type-9 record Error detected on tag 1000\n");
  EXPECT_EQ(value(9, 1, 4), "U (IAFIS)");
  EXPECT_EQ(value(9, 1, 20), "after");
  EXPECT_EQ(value(2, 1, 30), "NEXT");
  // As the last field: the record is kept and the walk stops.
  Tagged last = type9("1", "S", "0", "");
  last.tag("9.1000", "x");
  EXPECT_EQ(reportsDuring([&] { load(join({type1(cnt({{"9", "1"}, {"2", "1"}})), last, after})); }),
            "Trelvo Error: Type-9 record Error detected on tag 1000\n"
            "Trelvo Error: Error: unable to decode Record Type = 9, IDC = 1\nExiting..\n");
  EXPECT_EQ(value(9, 1, 4), "U (Unknown Vendor)");
  EXPECT_EQ(CheckIfRecordTypeExists(2), 0);
}

TEST_F(Type9Test, RecordWithoutFinalFsEndsAtTheNextTag) {
  Tagged t9 = type9("1", "S", "0", "");
  t9.withoutFs();
  const std::string file = join({type1(cnt({{"9", "1"}, {"2", "1"}})), t9, type2("1", "NEXT")});
  EXPECT_EQ(reportsDuring([&] { load(file); }), "");
  EXPECT_EQ(value(2, 1, 30), "NEXT");
  EXPECT_EQ(value(9, 1, 11), "1");
}

TEST_F(Type9Test, RecordNotStartingWithFieldOneIsRefused) {
  Tagged good = type9("1", "S", "0", "");
  Tagged bad(9);
  bad.withoutLen().field(2, "2").field(4, "U").field(10, "9");
  const std::string file = join({type1(cnt({{"9", "1"}, {"9", "2"}, {"2", "1"}})), good, bad, type2("1")});
  EXPECT_EQ(reportsDuring([&] { load(file); }),
            "Trelvo Error: Error reading Type-9 record: first field is not 9.001 (LEN)\n"
            "Trelvo Error: Error: unable to decode Record Type = 9, IDC = 2\nExiting..\n");
  ASSERT_EQ(ReadNumberOfRecords(9), 1);
  // Nothing of the refused record reached the record before it.
  EXPECT_EQ(value(9, 1, 2), "1");
  EXPECT_EQ(value(9, 1, 4), "S");
  EXPECT_EQ(value(9, 1, 10), "0");
  EXPECT_EQ(record<trelvo::T_T9>(9).idc, "1");
}

// --- tagged image records ---

using TaggedImageTest = CoreTest;

TEST_F(TaggedImageTest, ImageWithSeparatorsIsFoundWhole) {
  std::string image = "\xFF\xA0";
  image += FS;
  image += GS;
  image += "14.001:99";
  image += GS;
  image += std::string(20000, 'x');  // longer than any value that is read
  image += FS;
  const Tagged t14 = taggedImage(14, "01", image, "WSQ20");
  const std::string file = join({type1(cnt({{"14", "1"}, {"2", "1"}})), t14, type2("1", "NEXT")});
  EXPECT_EQ(reportsDuring([&] { load(file); }), "");
  const auto& r = record<trelvo::T_T14>(14);
  const std::string bytes = t14.bytes();
  const auto first = static_cast<std::int64_t>(bytes.find("14.999:") + 7);
  EXPECT_EQ(r.image_length, t14.trueLength() - first - 1);
  EXPECT_EQ(r.idc, "1");
  ASSERT_EQ(ReadSizeOfRecordBinaryField(14, 1), static_cast<int>(image.size()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ReadRecordBinaryField(14, 1)), image.size()), image);
  EXPECT_EQ(value(2, 1, 30), "NEXT");
  EXPECT_EQ(valueByName(14, 1, "CGA"), "WSQ20");
  EXPECT_EQ(r.cga(), "WSQ20");
  EXPECT_EQ(r.hll(), "4");
}

TEST_F(TaggedImageTest, RecordWithoutImageField) {
  Tagged t10(10);
  t10.field(2, "1").field(3, "FACE").field(6, "640").trailing("pad");  // LEN counts the padding
  const std::string file = join({type1(cnt({{"10", "1"}, {"14", "2"}})), t10, taggedImage(14, "2", "img")});
  EXPECT_EQ(reportsDuring([&] { load(file); }), "");
  EXPECT_EQ(ReadNumberOfRecords(10), 1);
  EXPECT_EQ(record<trelvo::T_T10>(10).image_offset, -1);
  EXPECT_EQ(ReadRecordBinaryField(10, 1), nullptr);
  EXPECT_EQ(lastError(), kOk);
  EXPECT_EQ(ReadSizeOfRecordBinaryField(10, 1), 0);
  EXPECT_EQ(ReadIDCofRecord(14, 1), 2);
}

TEST_F(TaggedImageTest, NamesAndDescriptionsOfTheTables) {
  const std::string file =
      join({type1(cnt({{"10", "1"}, {"13", "1"}, {"15", "1"}, {"16", "1"}, {"17", "1"}, {"99", "1"}})),
            taggedImage(10, "1", "a"), taggedImage(13, "1", "b"), taggedImage(15, "1", "c"),
            taggedImage(16, "1", "d"), taggedImage(17, "1", "e"), taggedImage(99, "1", "f")});
  ASSERT_EQ(load(file), 1);
  struct Case {
    int type, field;
    const char* code;
    const char* description;
  };
  for (const Case& c : {Case{10, 6, "HLL", "Horizontal line length"}, Case{10, 14, "14", "Reserved for future definition"},
                        Case{10, 250, "250", "User-defined field"}, Case{13, 13, "FGP", "Finger / Palm position"},
                        Case{15, 13, "PLP", "Palmprint position"}, Case{16, 1, "LEN", "Logical Record Length"},
                        Case{17, 29, "29", "Reserved for future definition"}, Case{17, 250, "250", "User-Defined Fields"},
                        Case{17, 6, "HLL", "Horizontal Line Length"}, Case{99, 2, "IDC", "Image designation character"},
                        Case{99, 3, "", ""}, Case{99, 104, "BFT", "BDB format type"}}) {
    EXPECT_EQ(str(ReadRecordTxtFieldName(c.type, 1, c.field)), c.code) << c.type << "." << c.field;
    EXPECT_EQ(str(ReadRecordTxtFieldDescription(c.type, 1, c.field, nullptr)), c.description)
        << c.type << "." << c.field;
  }
  EXPECT_EQ(ReadRecordTxtFieldName(10, 1, -1), nullptr);
  EXPECT_EQ(lastError(), "Error: Type-10 record field number -1 is invalid.\nUnable to Read Type-10 Record");
  EXPECT_EQ(ReadRecordTxtFieldName(10, 1, 999), nullptr);
  EXPECT_EQ(lastError(), "Error: Type-10 record field number 999 is invalid.\nUnable to Read Type-10 Record");
}

TEST_F(TaggedImageTest, FieldNumberWithoutARowStopsTheWalkAfterTheRecord) {
  Tagged t13(13);
  t13.field(2, "1").tag("13.1000", "x").field(11, "NONE").field(999, "img");
  const std::string file = join({type1(cnt({{"13", "1"}, {"2", "1"}})), t13, type2("1")});
  EXPECT_EQ(reportsDuring([&] { load(file); }),
            "Trelvo Error: Error: Type-13 record invalid tag = 1000\n"
            "Trelvo Error: Error: unable to decode Record Type = 13, IDC = 1\nExiting..\n");
  EXPECT_EQ(valueByName(13, 1, "CGA"), "NONE");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ReadRecordBinaryField(13, 1)), 3), "img");
  EXPECT_EQ(CheckIfRecordTypeExists(2), 0);
}

TEST_F(TaggedImageTest, ForeignTagEndsTheRecord) {
  Tagged t14(14);
  t14.field(2, "1").withoutFs();
  const std::string file = join({type1(cnt({{"14", "1"}, {"2", "1"}})), t14, type2("1")});
  EXPECT_EQ(reportsDuring([&] { load(file); }),
            "Trelvo Error: Error: Type-14 invalid message type = 2\n"
            "Trelvo Error: Error: unable to decode Record Type = 14, IDC = 1\nExiting..\n");
  EXPECT_EQ(ReadNumberOfRecords(14), 1);
  EXPECT_EQ(ReadRecordBinaryField(14, 1), nullptr);
}

TEST_F(TaggedImageTest, RecordNotStartingWithFieldOneIsRefused) {
  for (int type : {10, 13, 14, 15, 16, 17, 99}) {
    Tagged good = taggedImage(type, "1", "good");
    Tagged bad(type);
    bad.withoutLen().field(2, "2").field(999, "bad");
    const std::string t = std::to_string(type);
    const std::string file = join({type1(cnt({{t, "1"}, {t, "2"}})), good, bad});
    EXPECT_EQ(reportsDuring([&] { load(file); }),
              "Trelvo Error: Error reading Type-" + t + " record: first field is not " + t +
                  ".001 (LEN)\nTrelvo Error: Error: unable to decode Record Type = " + t + ", IDC = 2\nExiting..\n");
    ASSERT_EQ(ReadNumberOfRecords(type), 1);
    EXPECT_EQ(value(type, 1, 2), "1");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ReadRecordBinaryField(type, 1)), 4), "good");
  }
}

TEST_F(TaggedImageTest, LenPastTheEndOfTheFile) {
  Tagged t14 = taggedImage(14, "1", "0123456789");
  t14.lenDelta(100);
  const std::string file = join({type1(cnt({{"14", "1"}, {"14", "2"}})), t14});
  EXPECT_EQ(reportsDuring([&] { load(file); }),
            "Trelvo Error: Error reading Type-14 record: position >= buffer_length\n"
            "Trelvo Error: Error: unable to decode Record Type = 14, IDC = 2\nExiting..\n");
  EXPECT_EQ(record<trelvo::T_T14>(14).image_length, 10 + 100);  // as the record states it
  EXPECT_EQ(ReadSizeOfRecordBinaryField(14, 1), 11);            // the image and the FS: all there is
}

}  // namespace
}  // namespace nist_test
