// trelvo info FILE: one line per record, then the status the load left.
#include <Trelvo.h>

#include <cstdio>
#include <string>

#include "commands.h"
#include "host.h"

namespace trelvo_cli {

namespace {

bool isImageType(int type) { return (type >= 3 && type <= 8) || type == 10 || (type >= 13 && type <= 17) || type == 99; }

std::string imageSummary(int type, int idc) {
  const char* compression_name = type == 8 ? "SRT" : (type >= 3 && type <= 7) ? "GCA" : "CGA";
  const std::string compression = fieldByName(type, idc, compression_name);
  const std::string width = fieldByName(type, idc, "HLL");
  const std::string height = fieldByName(type, idc, "VLL");
  std::string text;
  if (!compression.empty()) text += "  " + std::string(compression_name) + " " + compression;
  if (!width.empty() || !height.empty()) text += "  " + width + "x" + height;
  return text;
}

void runInfo(const std::string& path) {
  std::string status;
  if (!loadFile(path, status)) return;
  std::printf("%-8s %-5s %10s\n", "type", "IDC", "bytes");
  for (int type : recordTypes()) {
    if (!CheckIfRecordTypeExists(type)) continue;
    if (type == 1) {
      std::printf("%-8s %-5s %10s\n", "Type-1", "-", fieldByName(1, 0, "LEN").c_str());
      continue;
    }
    const int count = ReadNumberOfRecords(type);
    if (count == 0) {
      std::printf("Type-%-3d %-5s %10s  (listed, not decoded)\n", type, "-", "-");
      continue;
    }
    for (int i = 1; i <= count; ++i) {
      const int idc = ReadIDCofRecord(type, i);
      const std::string len = fieldByName(type, idc, "LEN");
      std::string line = isImageType(type) ? imageSummary(type, idc) : std::string();
      std::printf("Type-%-3d %-5d %10s%s\n", type, idc, len.c_str(), line.c_str());
    }
  }
  std::printf("status: %s\n", visible(status).c_str());
}

}  // namespace

void add_info_command(CLI::App& app) {
  auto* cmd = app.add_subcommand("info", "List the records of a transaction file");
  auto path = std::make_shared<std::string>();
  cmd->add_option("FILE", *path, "Transaction file")->required();
  cmd->callback([path] { runInfo(*path); });
}

}  // namespace trelvo_cli
