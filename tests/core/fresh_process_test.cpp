// The real shared library in fresh processes: state before any
// initialisation, report modes from the first call on, the exported names,
// and initialisation next to a valid, an invalid or no Trelvo.ini.
#include "process.h"

namespace nist_test {
namespace {

class FreshProcessTest : public testing::Test {
 protected:
  // Copies the built library into a folder of its own, with `ini` as its
  // Trelvo.ini (none when null), and runs the host on it.
  ProcessResult host(const std::string& scenario, const char* ini = nullptr) {
    const auto library = folder_.path() / "libtrelvo.so";
    std::filesystem::copy_file(TRELVO_SHARED_LIBRARY, library, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(folder_.path() / "Trelvo.ini");
    if (ini) std::ofstream(folder_.path() / "Trelvo.ini") << ini;
    return run(TRELVO_DL_HOST, {library.string(), scenario});
  }
  TempFolder folder_{"lib"};
};

const std::string kTypeNotFound18 =
    "Error: Record Type-18 was not found in NIST file.\\nUnable to Read Record";

TEST_F(FreshProcessTest, EveryFunctionIsExportedUnderBothNames) {
  const ProcessResult r = host("symbols");
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "found=20\n");
}

TEST_F(FreshProcessTest, BeforeInitialisationNothingIsShown) {
  const ProcessResult r = host("untouched");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out,
            "status=\n"
            "records=0\n"
            "status=Error: NIST file is not yet created or read.\\nPlease create or read NIST file at first.\n"
            "load=1\n"
            "status=OK. No error\n"
            "records=0\n"
            "status=" + kTypeNotFound18 + "\n");
  // Mode 0 before the first initialising call, 1 after it.
  EXPECT_EQ(r.err, "Trelvo Error: Error: Record Type-18 was not found in NIST file.\nUnable to Read Record\n");
}

TEST_F(FreshProcessTest, ModeZeroSetFirstSilencesEveryError) {
  const ProcessResult r = host("mode0first");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "mode=1\nstatus=OK. No error\nrecords=0\nload=1\nrecords=0\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(FreshProcessTest, InitialisesWithAnyIniFile) {
  // The settings change only what the library writes; here the library must
  // initialise and read files alike with every kind of INI file.
  struct Case {
    const char* what;
    const char* ini;
  };
  for (const Case& c : {Case{"none", nullptr},
                        Case{"valid", "[Trelvo]\ntype1_record_1_01=1\ntype1_record_1_01_IDC_double_digit=1\n"},
                        Case{"not integers", "[Trelvo]\ntype1_record_1_01=yes\ntype1_record_1_01_IDC_double_digit=\n"},
                        Case{"not an INI file", "\x01\x02 garbage [[[\n=\n"},
                        Case{"other section", "[Other]\ntype1_record_1_01=1\n"}}) {
    const ProcessResult r = host("init", c.ini);
    EXPECT_EQ(r.exit_code, 0) << c.what << r.err;
    EXPECT_EQ(r.out, "mode=1\nstatus=OK. No error\nload=1\nrecords=1\nname=HOST\nstatus=OK. No error\n") << c.what;
    EXPECT_EQ(r.err, "") << c.what;
  }
}

TEST(IniSettingsTest, ReadFromTheFileNextToTheModule) {
  struct Case {
    const char* what;
    const char* ini;  // none when null
    const char* settings;
  };
  for (const Case& c :
       {Case{"none", nullptr, "type1_record_1_01=0 idc_double_digit=0"},
        Case{"both set", "[Trelvo]\ntype1_record_1_01=1\ntype1_record_1_01_IDC_double_digit=1\n",
             "type1_record_1_01=1 idc_double_digit=1"},
        Case{"case of names", "[TRELVO]\nType1_Record_1_01 = 1\n", "type1_record_1_01=1 idc_double_digit=0"},
        Case{"not integers", "[Trelvo]\ntype1_record_1_01=yes\ntype1_record_1_01_IDC_double_digit=1x\n",
             "type1_record_1_01=0 idc_double_digit=0"},
        Case{"other section", "[Other]\ntype1_record_1_01=1\n", "type1_record_1_01=0 idc_double_digit=0"}}) {
    TempFolder folder("ini");
    const auto probe = folder.path() / "probe";
    std::filesystem::copy_file(TRELVO_INI_PROBE, probe);
    std::filesystem::permissions(probe, std::filesystem::perms::owner_all);
    if (c.ini) std::ofstream(folder.path() / "Trelvo.ini") << c.ini;
    const ProcessResult r = run(probe.string(), {});
    EXPECT_EQ(r.exit_code, 0) << c.what << r.err;
    EXPECT_EQ(r.out, std::string(c.settings) + "\n") << c.what;
  }
}

}  // namespace
}  // namespace nist_test
