// trelvo extract FILE TYPE IDC OUT: the bytes of a record's image field.
#include <Trelvo.h>

#include <cstdio>
#include <string>

#include "commands.h"
#include "host.h"

namespace trelvo_cli {

namespace {

void runExtract(const std::string& path, int type, int idc, const std::string& out) {
  std::string status;
  if (!loadFile(path, status)) return;
  const int size = ReadSizeOfRecordBinaryField(type, idc);
  const unsigned char* bytes = ReadRecordBinaryField(type, idc);
  if (!bytes || size <= 0) {
    const std::string why = lastError();
    fail(path + ": " + (why == "OK. No error" ? "Type-" + std::to_string(type) + " record " +
                                                     std::to_string(idc) + " has no binary field"
                                               : why));
    return;
  }
  std::FILE* file = std::fopen(out.c_str(), "wb");
  if (!file) {
    fail(out + ": cannot open for writing");
    return;
  }
  const bool ok = std::fwrite(bytes, 1, static_cast<std::size_t>(size), file) == static_cast<std::size_t>(size);
  if (std::fclose(file) != 0 || !ok) {
    fail(out + ": write failed");
    return;
  }
  std::printf("%d bytes written to %s\n", size, out.c_str());
}

}  // namespace

void add_extract_command(CLI::App& app) {
  auto* cmd = app.add_subcommand("extract", "Write the bytes of a record's binary field to a file");
  auto path = std::make_shared<std::string>();
  auto out = std::make_shared<std::string>();
  auto type = std::make_shared<int>();
  auto idc = std::make_shared<int>();
  cmd->add_option("FILE", *path, "Transaction file")->required();
  cmd->add_option("TYPE", *type, "Record type (3-10, 13-17, 99; 9 gives its finger image)")->required();
  cmd->add_option("IDC", *idc, "IDC of the record")->required();
  cmd->add_option("OUT", *out, "Output file")->required();
  cmd->callback([=] { runExtract(*path, *type, *idc, *out); });
}

}  // namespace trelvo_cli
