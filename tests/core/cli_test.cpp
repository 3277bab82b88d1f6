// The command-line tool, run as a user runs it.
#include "process.h"

namespace nist_test {
namespace {

class CliTest : public testing::Test {
 protected:
  void SetUp() override { SKIP_WITHOUT_CORPUS(); }
  std::string corpus(const char* name) { return (corpusDir() / name).string(); }
};

TEST_F(CliTest, InfoListsTheRecords) {
  const ProcessResult r = run(TRELVO_CLI, {"info", corpus("type-4-14-slaps.an2")});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("Type-4   1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Type-14  3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("CGA WSQ20  804x1000"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("status: OK. No error"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");
}

TEST_F(CliTest, FieldsPrintsTheMinutiae) {
  const ProcessResult r = run(TRELVO_CLI, {"fields", corpus("type-9-14-std.an2"), "9", "1"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("9.010  MIN"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("index"), std::string::npos) << r.out;
}

TEST_F(CliTest, ExtractWritesTheWsqFieldByteForByte) {
  TempFolder out("cli");
  const std::string target = (out.path() / "14-03.wsq").string();
  const ProcessResult r = run(TRELVO_CLI, {"extract", corpus("type-4-14-slaps.an2"), "14", "3", target});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  // The field as it stands in the file: after "14.999:" up to the record's final FS.
  const std::string file = readFile(corpus("type-4-14-slaps.an2"));
  const std::size_t record = file.find("14.001:");
  const std::size_t len = std::stoul(file.substr(record + 7, file.find(GS, record) - record - 7));
  const std::size_t image = file.find("14.999:", record) + 7;
  const std::string expected = file.substr(image, record + len - 1 - image);
  const std::string written = readFile(target);
  EXPECT_EQ(written.size(), expected.size());
  EXPECT_TRUE(written == expected);
  EXPECT_EQ(written.substr(0, 2), "\xFF\xA0");
}

TEST_F(CliTest, FailuresGiveOneLineAndAnExitStatus) {
  const ProcessResult missing = run(TRELVO_CLI, {"info", "/nonexistent/x.an2"});
  EXPECT_NE(missing.exit_code, 0);
  EXPECT_EQ(missing.err, "trelvo: /nonexistent/x.an2: Error: file not found. Unable to read file:\n");
  const ProcessResult bad_type = run(TRELVO_CLI, {"extract", corpus("type-5.an2"), "five", "1", "/dev/null"});
  EXPECT_NE(bad_type.exit_code, 0);
  EXPECT_FALSE(bad_type.err.empty());
  const ProcessResult no_record = run(TRELVO_CLI, {"extract", corpus("type-5.an2"), "14", "1", "/dev/null"});
  EXPECT_NE(no_record.exit_code, 0);
  EXPECT_NE(no_record.err.find("Record Type-14 was not found"), std::string::npos) << no_record.err;
}

}  // namespace
}  // namespace nist_test
