// The library frame: report modes, the entry check, the status and byte
// array functions, the setting reset by every parse, and the INI reader.
#include <unistd.h>

#include <functional>

#include "frame/nist_file.h"
#include "platform/platform.h"
#include "test_support.h"

namespace nist_test {
namespace {

using FrameTest = CoreTest;

TEST_F(FrameTest, MessageBoxWritesCaptionAndTextInModeOneOnly) {
  ASSERT_EQ(load(standardFile()), 1);
  struct Case {
    int mode;
    std::string written;
  };
  const std::string text = "Error: Record Type-18 was not found in NIST file.\nUnable to Read Record";
  for (const Case& c : {Case{1, "Trelvo Error: " + text + "\n"}, Case{0, ""}, Case{2, ""},
                        Case{-1, ""}}) {
    EXPECT_EQ(SetTrelvoErrorReportMode(c.mode), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadNumberOfRecords(18), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.written) << "mode " << c.mode;
    EXPECT_EQ(lastError(), text) << "mode " << c.mode;
  }
}

TEST_F(FrameTest, SettingTheModeLeavesTheStatusAlone) {
  ASSERT_EQ(load(standardFile()), 1);
  ReadNumberOfRecords(18);
  const std::string before = lastError();
  EXPECT_EQ(SetTrelvoErrorReportMode(3), 1);
  EXPECT_EQ(SetTrelvoTryToDecodeBinaryField(0), 1);
  EXPECT_EQ(lastError(), before);
}

TEST_F(FrameTest, EveryQueryRefusesWhenNoFileIsHeld) {
  // A load of zero bytes leaves the library without a file.
  ASSERT_EQ(load(standardFile()), 1);
  ASSERT_EQ(ReadNISTFromMemory("", 0), 1);
  EXPECT_EQ(lastError(), "Error reading Type-1 record: position >= buffer_length");

  const std::vector<std::pair<const char*, std::function<bool()>>> calls = {
      {"ReadNISTByteArray", [] { return ReadNISTByteArray() == nullptr; }},
      {"ReadSizeOfNISTByteArray", [] { return ReadSizeOfNISTByteArray() == 0; }},
      {"CheckIfRecordTypeExists", [] { return CheckIfRecordTypeExists(1) == 0; }},
      {"ReadNumberOfRecords", [] { return ReadNumberOfRecords(1) == 0; }},
      {"ReadIDCofRecord", [] { return ReadIDCofRecord(1, 1) == 0; }},
      {"ReadRecordTxtField", [] { return ReadRecordTxtField(1, 0, 2, nullptr) == nullptr; }},
      {"ReadSizeOfRecordTxtField", [] { return ReadSizeOfRecordTxtField(1, 0, 2, nullptr) == 0; }},
      {"ReadRecordTxtFieldName", [] { return ReadRecordTxtFieldName(1, 0, 2) == nullptr; }},
      {"ReadSizeOfRecordTxtFieldName", [] { return ReadSizeOfRecordTxtFieldName(1, 0, 2, nullptr) == 0; }},
      {"ReadRecordTxtFieldDescription",
       [] { return ReadRecordTxtFieldDescription(1, 0, 2, nullptr) == nullptr; }},
      {"ReadSizeOfRecordTxtFieldDescription",
       [] { return ReadSizeOfRecordTxtFieldDescription(1, 0, 2, nullptr) == 0; }},
      {"ReadRecordExportedTxtFields", [] { return ReadRecordExportedTxtFields(1, 0) == nullptr; }},
      {"ReadSizeOfRecordExportedTxtFields", [] { return ReadSizeOfRecordExportedTxtFields(1, 0) == 0; }},
      {"ReadRecordBinaryField", [] { return ReadRecordBinaryField(14, 1) == nullptr; }},
      {"ReadSizeOfRecordBinaryField", [] { return ReadSizeOfRecordBinaryField(14, 1) == 0; }},
  };
  for (const auto& [name, call] : calls) {
    ReadNumberOfRecords(18);  // any other message first
    EXPECT_TRUE(call()) << name;
    EXPECT_EQ(lastError(), kNoFile) << name;
  }
}

TEST_F(FrameTest, ByteArrayIsTheFileItself) {
  const std::string bytes = standardFile();
  ASSERT_EQ(load(bytes), 1);
  ReadNumberOfRecords(18);
  const unsigned char* p = ReadNISTByteArray();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(lastError(), kOk);
  EXPECT_EQ(ReadSizeOfNISTByteArray(), static_cast<int>(bytes.size()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p), bytes.size()), bytes);
  EXPECT_EQ(p, trelvo::current().data());
}

TEST_F(FrameTest, EveryLoadSetsTryToDecodeBackToOne) {
  SetTrelvoTryToDecodeBinaryField(0);
  EXPECT_EQ(trelvo::current().try_to_decode_binary_field, 0);
  ASSERT_EQ(load(standardFile()), 1);
  EXPECT_EQ(trelvo::current().try_to_decode_binary_field, 1);
  SetTrelvoTryToDecodeBinaryField(7);
  ASSERT_EQ(ReadNISTFromMemory("", 0), 1);  // even a load that finds nothing
  EXPECT_EQ(trelvo::current().try_to_decode_binary_field, 1);
}

TEST_F(FrameTest, SuccessfulQuerySetsOk) {
  ASSERT_EQ(load(standardFile()), 1);
  ReadNumberOfRecords(18);
  ASSERT_NE(lastError(), kOk);
  EXPECT_EQ(ReadNumberOfRecords(14), 1);
  EXPECT_EQ(lastError(), kOk);
}

// The INI reader, read directly: the library reads it once per process.
class IniFileTest : public testing::Test {
 protected:
  std::string write(const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("trelvo-ini-" + std::to_string(::getpid()) + "-" + std::to_string(count_++) + ".ini");
    std::ofstream(path) << text;
    paths_.push_back(path);
    return path.string();
  }
  void TearDown() override {
    for (const auto& p : paths_) std::filesystem::remove(p);
  }
  std::vector<std::filesystem::path> paths_;
  int count_ = 0;
};

TEST_F(IniFileTest, ReadsIntegersWithDefaults) {
  const std::string path = write(
      "; settings\n[Other]\ntype1_record_1_01=5\n"
      "[trelvo]\nTYPE1_RECORD_1_01 = 1\ntype1_record_1_01_IDC_double_digit=yes\n"
      "negative=-3\nplus=+4\nspaced=1 2\nempty=\nhex=0x10\nbig=99999999999\n");
  const trelvo::platform::IniFile ini(path);
  struct Case {
    const char* section;
    const char* key;
    std::int32_t expected;
  };
  for (const Case& c : {Case{"Trelvo", "type1_record_1_01", 1},          // names ignore case
                        Case{"TRELVO", "Type1_Record_1_01", 1},
                        Case{"Trelvo", "type1_record_1_01_IDC_double_digit", 7},  // not a number
                        Case{"Trelvo", "negative", -3}, Case{"Trelvo", "plus", 4},
                        Case{"Trelvo", "spaced", 7}, Case{"Trelvo", "empty", 7},
                        Case{"Trelvo", "hex", 7}, Case{"Trelvo", "big", 7},
                        Case{"Trelvo", "missing", 7}, Case{"Missing", "type1_record_1_01", 7},
                        Case{"Other", "type1_record_1_01", 5}}) {
    EXPECT_EQ(ini.readInteger(c.section, c.key, 7), c.expected) << c.section << "/" << c.key;
  }
  EXPECT_EQ(trelvo::platform::IniFile("/nonexistent/Trelvo.ini").readInteger("Trelvo", "type1_record_1_01", 9), 9);
}

TEST(PlatformTest, FolderOfKeepsTheSeparator) {
  EXPECT_EQ(trelvo::platform::folderOf("/opt/lib/libtrelvo.so"), "/opt/lib/");
  EXPECT_EQ(trelvo::platform::folderOf("libtrelvo.so"), "");
  EXPECT_FALSE(trelvo::platform::moduleFileName().empty());
}

}  // namespace
}  // namespace nist_test
