#include "host.h"

#include <Trelvo.h>

#include <cstdio>

#include "commands.h"

namespace trelvo_cli {

const std::vector<int>& recordTypes() {
  static const std::vector<int> types = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 99};
  return types;
}

void fail(const std::string& message) {
  std::fprintf(stderr, "trelvo: %s\n", message.c_str());
  exit_status() = 1;
}

std::string lastError() {
  std::string text = ReadTrelvoLastErrorMessage();
  const auto newline = text.find('\n');
  if (newline != std::string::npos) text.resize(newline);
  return text;
}

bool loadFile(const std::string& path, std::string& status) {
  SetTrelvoErrorReportMode(0);
  const int loaded = ReadNISTFromFile(path.c_str());
  status = ReadTrelvoLastErrorMessage();  // what the load left, before any query
  if (loaded != 1 || ReadSizeOfNISTByteArray() <= 0 || !CheckIfRecordTypeExists(1)) {
    fail(path + ": " + (loaded != 1 ? lastError() : "not a NIST file (" + status.substr(0, status.find('\n')) + ")"));
    return false;
  }
  return true;
}

std::string fieldByName(int type, int idc, const char* name) {
  const char* value = ReadRecordTxtField(type, idc, -1, name);
  return value ? value : "";
}

std::string visible(const std::string& value) {
  std::string out;
  for (unsigned char c : value) {
    if (c == 0x1E) {
      out += "<RS>";
    } else if (c == 0x1F) {
      out += "<US>";
    } else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace trelvo_cli
