// A host program for the fresh-process tests: loads the shared library at
// the path given with dlopen, looks its functions up with dlsym (as a host
// does) and runs one scenario, printing one "key=value" line per step on
// standard output. What the library's error box writes goes to standard
// error, untouched.
//
//   trelvo_core_dl_host LIBRARY SCENARIO
#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "nist_builder.h"

namespace {

void* library = nullptr;

template <class F>
F* fn(const char* name) {
  return reinterpret_cast<F*>(dlsym(library, name));
}

std::string escaped(const char* text) {
  if (!text) return "<null>";
  std::string out;
  for (const char* p = text; *p; ++p) out += *p == '\n' ? std::string("\\n") : std::string(1, *p);
  return out;
}

void print(const char* key, const std::string& value) {
  std::printf("%s=%s\n", key, value.c_str());
  std::fflush(stdout);
}

const char* const kFunctions[] = {
    "ReadNISTFromFile", "ReadNISTFromMemory", "SetTrelvoErrorReportMode", "ReadTrelvoLastErrorMessage",
    "SetTrelvoTryToDecodeBinaryField", "ReadNISTByteArray", "ReadSizeOfNISTByteArray", "CheckIfRecordTypeExists",
    "ReadNumberOfRecords", "ReadIDCofRecord", "ReadRecordTxtField", "ReadSizeOfRecordTxtField",
    "ReadRecordTxtFieldName", "ReadSizeOfRecordTxtFieldName", "ReadRecordTxtFieldDescription",
    "ReadSizeOfRecordTxtFieldDescription", "ReadRecordExportedTxtFields", "ReadSizeOfRecordExportedTxtFields",
    "ReadRecordBinaryField", "ReadSizeOfRecordBinaryField",
};

std::string status() { return escaped(fn<const char*()>("ReadTrelvoLastErrorMessage")()); }

int loadSmallFile() {
  using namespace nist_test;
  const std::string bytes = join({type1(cnt({{"2", "00"}})), type2("00", "HOST")});
  return fn<int(const char*, int)>("ReadNISTFromMemory")(bytes.data(), static_cast<int>(bytes.size()));
}

int queryNumber(int type) { return fn<int(int)>("ReadNumberOfRecords")(type); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s LIBRARY SCENARIO\n", argv[0]);
    return 2;
  }
  library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    print("dlopen", dlerror());
    return 1;
  }
  const std::string scenario = argv[2];
  if (scenario == "symbols") {
    int found = 0;
    for (const char* name : kFunctions) {
      void* plain = dlsym(library, name);
      void* underscored = dlsym(library, ("_" + std::string(name)).c_str());
      if (!plain || plain != underscored) {
        print("missing", name);
      } else {
        ++found;
      }
    }
    print("found", std::to_string(found));
  } else if (scenario == "untouched") {
    // Nothing initialised yet: empty status, no box, the no-file message.
    print("status", status());
    print("records", std::to_string(queryNumber(14)));
    print("status", status());
    print("load", std::to_string(loadSmallFile()));
    print("status", status());  // initialisation set "OK. No error"; the load kept it
    print("records", std::to_string(queryNumber(18)));  // mode 1 now: the box writes
    print("status", status());
  } else if (scenario == "mode0first") {
    print("mode", std::to_string(fn<int(int)>("SetTrelvoErrorReportMode")(0)));
    print("status", status());
    print("records", std::to_string(queryNumber(14)));
    print("load", std::to_string(loadSmallFile()));
    print("records", std::to_string(queryNumber(18)));
  } else if (scenario == "init") {
    print("mode", std::to_string(fn<int(int)>("SetTrelvoErrorReportMode")(2)));
    print("status", status());
    print("load", std::to_string(loadSmallFile()));
    print("records", std::to_string(queryNumber(2)));
    print("name", escaped(fn<const char*(int, int, int, const char*)>("ReadRecordTxtField")(2, 0, 30, nullptr)));
    print("status", status());
  } else {
    print("scenario", "unknown");
    return 2;
  }
  return 0;
}
