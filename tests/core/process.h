// Runs a program of the build in a child process and collects its exit
// status, standard output and standard error.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace nist_test {

struct ProcessResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

inline std::string shellQuoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// A temporary folder of its own, removed with the object.
class TempFolder {
 public:
  explicit TempFolder(const std::string& name) {
    static int count = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("trelvo-" + name + "-" + std::to_string(::getpid()) + "-" + std::to_string(count++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline ProcessResult run(const std::string& program, const std::vector<std::string>& args) {
  TempFolder io("io");
  std::string command = shellQuoted(program);
  for (const std::string& a : args) command += " " + shellQuoted(a);
  command += " >" + shellQuoted((io.path() / "out").string()) + " 2>" + shellQuoted((io.path() / "err").string()) +
             " </dev/null";
  const int status = std::system(command.c_str());
  ProcessResult r;
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = readFile(io.path() / "out");
  r.err = readFile(io.path() / "err");
  return r;
}

}  // namespace nist_test
