// trelvo fields FILE TYPE IDC: every non-empty field of one record.
#include <Trelvo.h>

#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "host.h"

namespace trelvo_cli {

namespace {

// The minutiae of a standard-format MRC field: one line per minutia.
void printMinutiae(const std::string& mrc) {
  std::printf("\n%5s %6s %6s %5s %7s %4s  %s\n", "index", "X", "Y", "theta", "quality", "type",
              "ridge counts");
  std::vector<std::string> items(1);
  auto flush = [&items] {
    items.resize(std::max<std::size_t>(items.size(), 5));
    const std::string& pos = items[1];
    std::string ridges;
    for (std::size_t i = 4; i < items.size(); ++i) ridges += (i > 4 ? " " : "") + items[i];
    std::printf("%5s %6s %6s %5s %7s %4s  %s\n", items[0].c_str(), pos.substr(0, 4).c_str(),
                pos.size() > 4 ? pos.substr(4, 4).c_str() : "",
                pos.size() > 8 ? pos.substr(8, 3).c_str() : "", items[2].c_str(), items[3].c_str(),
                ridges.c_str());
    items.assign(1, std::string());
  };
  for (char c : mrc) {
    if (c == 0x1F) {
      items.emplace_back();
    } else if (c == 0x1E) {
      flush();
    } else {
      items.back() += c;
    }
  }
  if (!mrc.empty()) flush();
}

void runFields(const std::string& path, int type, int idc) {
  std::string status;
  if (!loadFile(path, status)) return;
  if (!CheckIfRecordTypeExists(type)) {
    fail(path + ": no Type-" + std::to_string(type) + " record in the file");
    return;
  }
  if (type == 11 || type == 12) {
    fail(path + ": Type-" + std::to_string(type) + " records are listed in the file but not decoded");
    return;
  }
  if (type != 1 && !ReadRecordTxtFieldName(type, idc, 1)) {
    fail(path + ": " + lastError());
    return;
  }
  for (int field = 1;; ++field) {
    const char* code = ReadRecordTxtFieldName(type, idc, field);
    if (!code) break;  // past the last row of the record's table
    const int size = ReadSizeOfRecordTxtField(type, idc, field, nullptr);
    if (size == 0) continue;
    const std::string value(ReadRecordTxtField(type, idc, field, nullptr), static_cast<std::size_t>(size));
    const char* description = ReadRecordTxtFieldDescription(type, idc, field, nullptr);
    std::printf("%d.%03d  %-5s %-40s %s\n", type, field, code, description ? description : "",
                visible(value).c_str());
  }
  if (type == 9 && fieldByName(9, idc, "IDC").size() && std::string(ReadRecordTxtField(9, idc, 4, nullptr)) == "S")
    printMinutiae(fieldByName(9, idc, "MRC"));
}

}  // namespace

void add_fields_command(CLI::App& app) {
  auto* cmd = app.add_subcommand("fields", "Print every field of one record");
  auto path = std::make_shared<std::string>();
  auto type = std::make_shared<int>();
  auto idc = std::make_shared<int>();
  cmd->add_option("FILE", *path, "Transaction file")->required();
  cmd->add_option("TYPE", *type, "Record type (1-17, 99)")->required();
  cmd->add_option("IDC", *idc, "IDC of the record (ignored for Type-1)")->required();
  cmd->callback([=] { runFields(*path, *type, *idc); });
}

}  // namespace trelvo_cli
