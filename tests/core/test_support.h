// What the core tests share: loading built bytes, reading the status the
// host sees, capturing what the error box writes, and the corpus folder.
#pragma once

#include <gtest/gtest.h>

#include <Trelvo.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "nist_builder.h"

namespace nist_test {

inline constexpr const char* kOk = "OK. No error";
inline constexpr const char* kNoFile =
    "Error: NIST file is not yet created or read.\nPlease create or read NIST file at first.";

inline std::string lastError() { return ReadTrelvoLastErrorMessage(); }

inline int load(const std::string& bytes) {
  return ReadNISTFromMemory(bytes.data(), static_cast<int>(bytes.size()));
}

// A text query's result as a string; "<null>" for a null pointer.
inline std::string str(const char* p) { return p ? std::string(p) : std::string("<null>"); }

inline std::string value(int type, int idc, int field) {
  return str(ReadRecordTxtField(type, idc, field, nullptr));
}
inline std::string valueByName(int type, int idc, const char* name) {
  return str(ReadRecordTxtField(type, idc, -1, name));
}

// Everything the library writes to standard error while `action` runs in
// report mode 1 (every reported message, one line each); mode 0 afterwards.
template <class Action>
std::string reportsDuring(Action action) {
  SetTrelvoErrorReportMode(1);
  testing::internal::CaptureStderr();
  action();
  std::string out = testing::internal::GetCapturedStderr();
  SetTrelvoErrorReportMode(0);
  return out;
}

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::filesystem::path corpusDir() { return std::filesystem::path(TRELVO_CORPUS_DIR); }

#define SKIP_WITHOUT_CORPUS()                                                              \
  do {                                                                                     \
    if (!std::filesystem::is_directory(::nist_test::corpusDir()))                          \
      GTEST_SKIP() << "corpus folder " << ::nist_test::corpusDir()                         \
                   << " is absent; the real-file checks are skipped";                      \
  } while (0)

// A small ordinary file: Type-1, one Type-2 (IDC 00), one Type-14 (IDC 1).
inline std::string standardFile() {
  const std::string image = std::string("\xFF\xA0", 2) + "image" + FS + GS + "bytes";
  return join({type1(cnt({{"2", "00"}, {"14", "1"}})), type2("00"),
               taggedImage(14, "01", image, "WSQ20")});
}

// The tests run with the error box off; a test that wants it turns it on.
class CoreTest : public testing::Test {
 protected:
  void SetUp() override { SetTrelvoErrorReportMode(0); }
};

}  // namespace nist_test
