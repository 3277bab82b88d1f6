// Loading from disk and memory, and the walk over the CNT entries.
#include <unistd.h>

#include "frame/nist_file.h"
#include "test_support.h"

namespace nist_test {
namespace {

class LoadTest : public CoreTest {
 protected:
  std::filesystem::path tempFile(const std::string& bytes) {
    auto path = std::filesystem::temp_directory_path() /
                ("trelvo-load-" + std::to_string(::getpid()) + "-" + std::to_string(files_.size()) + ".an2");
    std::ofstream(path, std::ios::binary) << bytes;
    files_.push_back(path);
    return path;
  }
  void TearDown() override {
    for (const auto& p : files_) std::filesystem::remove(p);
  }
  std::vector<std::filesystem::path> files_;
};

// A second, different file: its Type-2 record has IDC 7.
std::string otherFile() {
  return join({type1(cnt({{"2", "7"}})), type2("7", "OTHER")});
}

TEST_F(LoadTest, FromFileReadsTheWholeFile) {
  const std::string bytes = standardFile();
  ASSERT_EQ(ReadNISTFromFile(tempFile(bytes).c_str()), 1);
  EXPECT_EQ(ReadSizeOfNISTByteArray(), static_cast<int>(bytes.size()));
  EXPECT_EQ(ReadNumberOfRecords(14), 1);
}

TEST_F(LoadTest, MissingFileKeepsThePreviousFile) {
  ASSERT_EQ(load(otherFile()), 1);
  EXPECT_EQ(ReadNISTFromFile("/nonexistent/dir/file.an2"), 0);
  EXPECT_EQ(lastError(), "Error: file not found. Unable to read file:\n/nonexistent/dir/file.an2");
  EXPECT_EQ(ReadNISTFromFile(nullptr), 0);
  EXPECT_EQ(ReadNISTFromFile(std::filesystem::temp_directory_path().c_str()), 0);  // a folder
  EXPECT_EQ(value(2, 7, 30), "OTHER");
}

// A file whose stated size is larger than what reading it gives: sysfs
// attribute files report a size of one page and deliver a few bytes.
std::string shortReadFile() {
  for (const char* path : {"/sys/kernel/mm/transparent_hugepage/enabled", "/sys/kernel/profiling",
                           "/sys/power/state", "/sys/kernel/uevent_seqnum"}) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && std::filesystem::is_regular_file(path, ec) && size > readFile(path).size()) return path;
  }
  return {};
}

TEST_F(LoadTest, ShortReadIsAFailureAndKeepsThePreviousFile) {
  const std::string path = shortReadFile();
  if (path.empty()) GTEST_SKIP() << "no file on this machine reads shorter than its stated size";
  ASSERT_EQ(load(otherFile()), 1);
  EXPECT_EQ(ReadNISTFromFile(path.c_str()), 0);
  EXPECT_EQ(lastError(), "Error: reading file failed");
  EXPECT_EQ(value(2, 7, 30), "OTHER");
}

TEST_F(LoadTest, EmptyFileLeavesNoFile) {
  ASSERT_EQ(load(otherFile()), 1);
  EXPECT_EQ(ReadNISTFromFile(tempFile("").c_str()), 1);
  EXPECT_EQ(lastError(), "Error reading Type-1 record: position >= buffer_length");
  EXPECT_EQ(ReadNumberOfRecords(2), 0);
  EXPECT_EQ(lastError(), kNoFile);
}

TEST_F(LoadTest, MemoryRefusesNullAndNegativeSizes) {
  struct Case {
    const char* data;
    int size;
    const char* message;
  };
  static const char bytes[] = "1.001:";
  for (const Case& c : {Case{nullptr, 10, "Error: no NIST data supplied (null pointer)"},
                        Case{bytes, -1, "Error: malloc for buffer failed"}}) {
    ASSERT_EQ(load(otherFile()), 1);
    EXPECT_EQ(ReadNISTFromMemory(c.data, c.size), 0);
    EXPECT_EQ(lastError(), c.message);
    EXPECT_EQ(ReadSizeOfNISTByteArray(), 0);
    EXPECT_EQ(lastError(), kNoFile);
  }
}

TEST_F(LoadTest, MemoryAcceptsThePointerItHandedOut) {
  const std::string bytes = standardFile();
  ASSERT_EQ(load(bytes), 1);
  const auto* own = reinterpret_cast<const char*>(ReadNISTByteArray());
  ASSERT_EQ(ReadNISTFromMemory(own, ReadSizeOfNISTByteArray()), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ReadNISTByteArray()),
                        static_cast<std::size_t>(ReadSizeOfNISTByteArray())),
            bytes);
  EXPECT_EQ(value(2, 0, 30), "DOE, JOHN");
  EXPECT_EQ(ReadIDCofRecord(14, 1), 1);
}

TEST_F(LoadTest, HostBufferIsCopied) {
  std::string bytes = otherFile();
  ASSERT_EQ(load(bytes), 1);
  std::fill(bytes.begin(), bytes.end(), 'x');
  EXPECT_EQ(value(2, 7, 30), "OTHER");
}

TEST_F(LoadTest, LoadLeavesTheStatusItFoundWhenNothingIsReported) {
  ASSERT_EQ(load(otherFile()), 1);
  ReadNumberOfRecords(18);
  const std::string before = lastError();
  ASSERT_EQ(load(standardFile()), 1);
  EXPECT_EQ(lastError(), before);
}

// --- the record walk ---

using WalkTest = CoreTest;

TEST_F(WalkTest, TwoDigitAndThreeDigitTagsReadAlike) {
  for (const char* form : {"1.0", "1.00", "1."}) {
    Tagged t1(1);
    t1.lenTag(std::string(form) + "1")
        .tag(std::string(form) + "2", "0400")
        .tag(std::string(form) + "3", cnt({{"2", "00"}}))
        .tag(std::string(form) + "9", "TCN-2");
    Tagged t2(2);
    t2.lenTag("2.1").tag("2.02", "00").tag("2.0030", "NAME");
    ASSERT_EQ(load(join({t1, t2})), 1) << form;
    EXPECT_EQ(value(1, 0, 9), "TCN-2") << form;
    EXPECT_EQ(value(1, 0, 1), std::to_string(t1.trueLength())) << form;
    EXPECT_EQ(value(2, 0, 30), "NAME") << form;
  }
}

TEST_F(WalkTest, NextRecordStartsWhereTypeTwoLenSays) {
  // LEN counts padding after the FS; the Type-14 record is found after it.
  Tagged t2 = type2("00");
  t2.trailing("PADDING");
  std::string reports;
  reports = reportsDuring([&] {
    load(join({type1(cnt({{"2", "00"}, {"14", "1"}})), t2, taggedImage(14, "1", "img")}));
  });
  EXPECT_EQ(reports, "");
  EXPECT_EQ(ReadIDCofRecord(14, 1), 1);
  EXPECT_EQ(value(2, 0, 30), "DOE, JOHN");
}

TEST_F(WalkTest, IdcZeroWrittenTwiceMatchesZero) {
  const std::string file =
      join({type1(cnt({{"2", "0"}, {"14", "1"}})), type2("00"), taggedImage(14, "1", "img")});
  EXPECT_EQ(reportsDuring([&] { load(file); }), "");
  EXPECT_EQ(ReadIDCofRecord(2, 1), 0);
  EXPECT_EQ(trelvo::current().lists[0].front()->idc, "00");
}

TEST_F(WalkTest, IdcMismatchIsReportedAndTheRecordKept) {
  const std::string file =
      join({type1(cnt({{"2", "00"}, {"14", "3"}})), type2("00"), taggedImage(14, "2", "img")});
  EXPECT_EQ(reportsDuring([&] { load(file); }),
            "Trelvo Error: Error: Record Type = 14 Image designation character (IDC) = 2\n"
            "does not match IDC specified in\nType-1 record File content (CNT) field where IDC = 3\n");
  EXPECT_EQ(ReadNumberOfRecords(14), 1);
  EXPECT_EQ(ReadIDCofRecord(14, 1), 2);
}

TEST_F(WalkTest, TypeElevenStopsTheWalk) {
  const std::string file = join({type1(cnt({{"2", "00"}, {"11", "01"}, {"14", "1"}})), type2("00"),
                                 taggedImage(14, "1", "img")});
  EXPECT_EQ(reportsDuring([&] { load(file); }),
            "Trelvo Error: Error: unable to decode Record Type = 11, IDC = 01\nExiting..\n");
  EXPECT_EQ(CheckIfRecordTypeExists(11), 1);
  EXPECT_EQ(ReadNumberOfRecords(11), 0);
  EXPECT_EQ(lastError(), kOk);
  EXPECT_EQ(ReadIDCofRecord(11, 1), 0);
  EXPECT_EQ(ReadNumberOfRecords(2), 1);
  EXPECT_EQ(CheckIfRecordTypeExists(14), 0);
}

TEST_F(WalkTest, UnknownTypeReadsNothingAndTheWalkGoesOn) {
  const std::string file = join({type1(cnt({{"2", "00"}, {"18", "01"}, {"14", "1"}})), type2("00"),
                                 taggedImage(14, "1", "img")});
  EXPECT_EQ(reportsDuring([&] { load(file); }),
            "Trelvo Error: Error: Unknown Record Type (18) found in NIST file.\n");
  EXPECT_EQ(lastError(), "Error: Unknown Record Type (18) found in NIST file.");
  EXPECT_EQ(ReadIDCofRecord(14, 1), 1);
  EXPECT_EQ(CheckIfRecordTypeExists(18), 0);
}

TEST_F(WalkTest, EntriesWithoutANumericTypeAreUnknown) {
  const std::string t2 = type2("00");
  struct Case {
    const char* what;
    std::string cnt;
  };
  const std::string head = std::string("1") + US + "2" + RS;
  for (const Case& c : {
           Case{"empty type", head + US + "5" + RS + "2" + US + "00"},
           Case{"letters only", head + "X" + US + "5" + RS + "2" + US + "00"},
           Case{"first subfield without US", std::string("3") + RS + "2" + US + "00"},
       }) {
    EXPECT_EQ(reportsDuring([&] { load(join({type1(c.cnt), t2})); }),
              "Trelvo Error: Error: Unknown Record Type () found in NIST file.\n")
        << c.what;
    EXPECT_EQ(ReadNumberOfRecords(2), 1) << c.what;
  }
  // An entry without its own US does not inherit the type of the entry before.
  const std::string tail = head + "2" + US + "00" + RS + "7";
  EXPECT_EQ(reportsDuring([&] { load(join({type1(tail), t2})); }),
            "Trelvo Error: Error: Unknown Record Type () found in NIST file.\n");
  EXPECT_EQ(ReadNumberOfRecords(2), 1);
}

TEST_F(WalkTest, FieldSixteenOfTypeOne) {
  const std::string t2 = type2("00");
  {  // as a middle field: reported, the load goes on
    Tagged middle(1);
    middle.field(2, "0400").field(3, cnt({{"2", "00"}})).field(16, "X").field(9, "TCN");
    EXPECT_EQ(reportsDuring([&] { load(join({middle, t2})); }),
              "Trelvo Error: Error: Type-1 record invalid tag = 16\n");
    EXPECT_EQ(ReadNumberOfRecords(2), 1);
    EXPECT_EQ(value(1, 0, 9), "TCN");
  }
  {  // as the last field: no records at all
    Tagged last(1);
    last.field(2, "0400").field(3, cnt({{"2", "00"}})).field(16, "X");
    EXPECT_EQ(reportsDuring([&] { load(join({last, t2})); }),
              "Trelvo Error: Error: Type-1 record invalid tag = 16\n");
    EXPECT_GT(ReadSizeOfNISTByteArray(), 0);
    EXPECT_EQ(CheckIfRecordTypeExists(1), 0);
    EXPECT_EQ(ReadNumberOfRecords(2), 0);
    EXPECT_EQ(lastError(), "Error: Record Type-2 was not found in NIST file.\nUnable to Read Record");
  }
}

TEST_F(WalkTest, FileNotStartingWithTypeOne) {
  EXPECT_EQ(reportsDuring([&] { load(join({type2("00"), type1(cnt({{"2", "00"}}))})); }),
            "Trelvo Error: Error: Type-1 invalid message type = 2\n");
  EXPECT_EQ(CheckIfRecordTypeExists(1), 0);
  EXPECT_EQ(ReadNumberOfRecords(1), 0);
  EXPECT_EQ(lastError(), "Error: Record Type-1 was not found in NIST file.\nUnable to Read Record");
}

TEST_F(WalkTest, RefusedRecordIsNotComparedWithTheCnt) {
  // The Type-14 record starts with field 2: refused, so no IDC comparison
  // (which would name the Type-2 record's IDC as the Type-14 one's).
  Tagged t14(14);
  t14.withoutLen().field(2, "1").field(999, "img");
  EXPECT_EQ(reportsDuring([&] { load(join({type1(cnt({{"2", "00"}, {"14", "3"}})), type2("00"), t14})); }),
            "Trelvo Error: Error reading Type-14 record: first field is not 14.001 (LEN)\n"
            "Trelvo Error: Error: unable to decode Record Type = 14, IDC = 3\nExiting..\n");
  EXPECT_EQ(CheckIfRecordTypeExists(14), 1);
  EXPECT_EQ(ReadNumberOfRecords(14), 0);
}

TEST_F(WalkTest, NegativeLenNeverMovesThePositionBeforeTheRecord) {
  // A Type-2 LEN of -40 would put the next record 40 bytes before this one.
  Tagged t2 = type2("00");
  t2.lenText("-40");
  const std::string file = join({type1(cnt({{"2", "00"}, {"4", "1"}})), t2,
                                 binaryRecord(fingerprintHeader(1, 1, {2}, 1, 4, 4, 0), "0123456789012345")});
  load(file);
  ASSERT_EQ(ReadNumberOfRecords(4), 1);
  const auto& t4 = *trelvo::current().list(4)->front();
  EXPECT_GE(t4.record_start, trelvo::current().list(2)->front()->record_start);
  EXPECT_LE(ReadSizeOfRecordBinaryField(4, ReadIDCofRecord(4, 1)), ReadSizeOfNISTByteArray());
}

TEST_F(WalkTest, TagCutByTheEndOfTheDataStaysInsideTheBuffer) {
  // The file ends right after "14.999", without the colon.
  std::string t14 = Tagged(14).field(2, "1").withoutFs().bytes() + "14.999";
  const std::string file = join({type1(cnt({{"14", "1"}})), t14});
  ASSERT_EQ(load(file), 1);
  ASSERT_EQ(ReadNumberOfRecords(14), 1);
  const auto& t = dynamic_cast<const trelvo::TaggedImageRecord&>(*trelvo::current().list(14)->front());
  EXPECT_LE(t.image_offset, static_cast<std::int64_t>(file.size()));
  EXPECT_EQ(ReadSizeOfRecordBinaryField(14, 1), 0);
}

TEST_F(WalkTest, EveryParserReportsAPositionAtTheEnd) {
  for (int type : {2, 3, 4, 5, 6, 7, 8, 9, 10, 13, 14, 15, 16, 17, 99}) {
    const std::string t = std::to_string(type);
    const std::string message = type == 9 ? "Error: NULL pointer to Type-9 record"
                                          : "Error reading Type-" + t + " record: position >= buffer_length";
    EXPECT_EQ(reportsDuring([&] { load(join({type1(cnt({{"2", "00"}, {t, "1"}})), type2("00")})); }),
              "Trelvo Error: " + message + "\nTrelvo Error: Error: unable to decode Record Type = " + t +
                  ", IDC = 1\nExiting..\n");
    EXPECT_EQ(CheckIfRecordTypeExists(type), 1) << t;
    EXPECT_EQ(ReadNumberOfRecords(2), 1) << t;
  }
}

TEST_F(WalkTest, TypeTwoEndsAtATagOfAnotherType) {
  Tagged t2 = type2("00", "CUT");
  t2.withoutFs();
  const std::string file = join({type1(cnt({{"2", "00"}, {"14", "1"}})), t2, taggedImage(14, "1", "img")});
  EXPECT_EQ(reportsDuring([&] { load(file); }),
            "Trelvo Error: Error: Type-2 invalid message type = 14\n"
            "Trelvo Error: Error: unable to decode Record Type = 2, IDC = 00\nExiting..\n");
  EXPECT_EQ(value(2, 0, 30), "CUT");
  EXPECT_EQ(CheckIfRecordTypeExists(14), 0);
}

TEST_F(WalkTest, RecordsBeforeAFailureStayQueryable) {
  Tagged broken(14);
  broken.field(2, "1").field(1000, "x").field(999, "img");
  const std::string file = join({type1(cnt({{"2", "00"}, {"14", "1"}, {"14", "2"}})), type2("00"),
                                 broken, taggedImage(14, "2", "img")});
  EXPECT_EQ(reportsDuring([&] { load(file); }),
            "Trelvo Error: Error: Type-14 record invalid tag = 1000\n"
            "Trelvo Error: Error: unable to decode Record Type = 14, IDC = 1\nExiting..\n");
  EXPECT_EQ(ReadNumberOfRecords(14), 1);  // the broken record, stored as far as read
  EXPECT_EQ(ReadIDCofRecord(14, 1), 1);
  EXPECT_EQ(value(2, 0, 30), "DOE, JOHN");
}

}  // namespace
}  // namespace nist_test
