// The trelvo wsq command, run as a separate process.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "wsq_test_encoder.h"
#include "wsq_test_util.h"

namespace {

struct CliRun {
  int status = -1;
  std::string out, err;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string temp_path(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/trelvo_wsq_cli_" + std::to_string(getpid()) + "_" +
         name;
}

CliRun run_cli(const std::string& args) {
  const std::string out = temp_path("stdout"), err = temp_path("stderr");
  const std::string cmd = std::string("'") + TRELVO_CLI + "' " + args + " >'" + out + "' 2>'" +
                          err + "' </dev/null";
  CliRun r;
  const int st = std::system(cmd.c_str());
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  r.out = slurp(out);
  r.err = slurp(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return r;
}

int count_lines(const std::string& s) {
  int n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

}  // namespace

TEST(WsqCli, DecodesToPgm) {
  const int width = 120, height = 90;
  const auto px = wsqtest::ridge_image(width, height);
  wsqtest::EncoderOptions o;
  o.q = 2.0;
  o.ppi = "500";
  const auto stream = wsqtest::encode(px, width, height, o);
  const std::string in = temp_path("in.wsq"), out = temp_path("out.pgm");
  {
    std::ofstream f(in, std::ios::binary);
    f.write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
  }
  const CliRun r = run_cli("wsq '" + in + "' '" + out + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "width 120\nheight 90\nppi 500\n");
  EXPECT_EQ(r.err, "");
  const std::string pgm = slurp(out);
  const std::string header = "P5\n120 90\n255\n";
  ASSERT_EQ(pgm.size(), header.size() + width * height);
  EXPECT_EQ(pgm.substr(0, header.size()), header);
  const auto* pixels = reinterpret_cast<const std::uint8_t*>(pgm.data() + header.size());
  EXPECT_GE(wsqtest::psnr(pixels, px.data(), px.size()), 45.0);
  std::remove(in.c_str());
  std::remove(out.c_str());
}

TEST(WsqCli, RealFinger) {
  const std::string in = wsqtest::corpus_dir() + "/wsq/finger-344x370.wsq";
  if (!wsqtest::read_file(in)) GTEST_SKIP() << "reference file not found: " << in;
  const std::string out = temp_path("finger.pgm");
  const CliRun r = run_cli("wsq '" + in + "' '" + out + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "width 344\nheight 370\nppi 255\n");
  EXPECT_EQ(slurp(out).size(), std::string("P5\n344 370\n255\n").size() + 344 * 370);
  std::remove(out.c_str());
}

TEST(WsqCli, UndecodableStreamGivesOneLine) {
  const std::string in = temp_path("bad.wsq"), out = temp_path("bad.pgm");
  // A stream that fails deep inside: valid up to its first block, then cut.
  const auto px = wsqtest::ridge_image(64, 64);
  auto stream = wsqtest::encode(px, 64, 64);
  stream.resize(stream.size() / 2);
  {
    std::ofstream f(in, std::ios::binary);
    f.write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
  }
  const CliRun r = run_cli("wsq '" + in + "' '" + out + "'");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(count_lines(r.err), 1) << r.err;
  EXPECT_EQ(r.err.rfind("trelvo wsq: cannot decode ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("(code -"), std::string::npos) << r.err;
  std::ifstream check(out);
  EXPECT_FALSE(check.good()) << "no output file is written";
  std::remove(in.c_str());
}

TEST(WsqCli, NotAWsqFileAndMissingFile) {
  const std::string in = temp_path("text.wsq");
  {
    std::ofstream f(in);
    f << "hello";
  }
  CliRun r = run_cli("wsq '" + in + "' '" + temp_path("x.pgm") + "'");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.err, "trelvo wsq: cannot decode " + in +
                       " (code -88): ERROR : getc_marker_wsq : No SOI marker. {6865}\n");
  std::remove(in.c_str());
  r = run_cli("wsq /nonexistent/file.wsq " + temp_path("y.pgm"));
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(count_lines(r.err), 1) << r.err;
  r = run_cli("wsq");
  EXPECT_NE(r.status, 0) << "arguments are required";
}
