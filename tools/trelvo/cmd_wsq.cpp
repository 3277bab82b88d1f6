// trelvo wsq IN.wsq OUT.pgm: decodes a standalone WSQ file into a binary PGM
// and prints its width, height and resolution.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "wsq/wsq.h"

namespace {

// Runs fn with the standard error stream sent to a temporary file and
// returns what was written there (the decoder writes its messages to stderr;
// the command turns them into one line).
template <typename Fn>
std::string capture_stderr(Fn&& fn) {
  std::fflush(stderr);
  std::FILE* tmp = std::tmpfile();
  const int saved = tmp != nullptr ? dup(STDERR_FILENO) : -1;
  if (tmp == nullptr || saved < 0 || dup2(fileno(tmp), STDERR_FILENO) < 0) {
    if (saved >= 0) close(saved);
    if (tmp != nullptr) std::fclose(tmp);
    fn();
    return {};
  }
  fn();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::string text;
  std::rewind(tmp);
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, tmp)) > 0) text.append(buf, n);
  std::fclose(tmp);
  return text;
}

// The first message line of the decoder, without line breaks or the blanks
// that continue a message.
std::string first_line(const std::string& text) {
  std::string line = text.substr(0, text.find('\n'));
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line;
}

void fail(const std::string& message) {
  std::fprintf(stderr, "trelvo wsq: %s\n", message.c_str());
  trelvo_cli::exit_status() = 1;
}

void run_wsq(const std::string& in_path, const std::string& out_path, bool verbose) {
  std::ifstream in(in_path, std::ios::binary);
  if (!in) {
    fail("cannot read " + in_path + ": " + std::strerror(errno));
    return;
  }
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (in.bad()) {
    fail("cannot read " + in_path);
    return;
  }

  std::uint8_t* pixels = nullptr;
  int width = 0, height = 0, depth = 0, ppi = 0, lossy = 0, encoder = 0, software = 0;
  int ret = 0;
  const std::string messages = capture_stderr([&] {
    ret = trelvo::wsq::wsq_decode_mem(&pixels, &width, &height, &depth, &ppi, &lossy, &encoder,
                                      &software, bytes.data(), bytes.size());
  });
  if (verbose && !messages.empty()) std::fputs(messages.c_str(), stderr);
  if (ret != 0) {
    std::string line = "cannot decode " + in_path + " (code " + std::to_string(ret) + ")";
    const std::string detail = first_line(messages);
    if (!detail.empty()) line += ": " + detail;
    fail(line);
    return;
  }
  std::unique_ptr<std::uint8_t, decltype(&std::free)> owned(pixels, &std::free);

  std::ofstream out(out_path, std::ios::binary | std::ios::trunc);
  if (!out) {
    fail("cannot write " + out_path + ": " + std::strerror(errno));
    return;
  }
  out << "P5\n" << width << ' ' << height << "\n255\n";
  out.write(reinterpret_cast<const char*>(pixels),
            static_cast<std::streamsize>(static_cast<std::size_t>(width) * height));
  out.close();
  if (!out) {
    fail("cannot write " + out_path);
    return;
  }
  std::printf("width %d\nheight %d\nppi %d\n", width, height, ppi);
}

}  // namespace

void trelvo_cli::add_wsq_command(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("wsq", "Decode a standalone WSQ file into a PGM image");
  auto in_path = std::make_shared<std::string>();
  auto out_path = std::make_shared<std::string>();
  auto verbose = std::make_shared<bool>(false);
  cmd->add_option("input", *in_path, "WSQ file to decode")->required();
  cmd->add_option("output", *out_path, "binary PGM file to write")->required();
  cmd->add_flag("-v,--verbose", *verbose, "show the decoder's own messages");
  cmd->callback([in_path, out_path, verbose] { run_wsq(*in_path, *out_path, *verbose); });
}
