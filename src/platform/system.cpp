#include <sys/stat.h>

#include <ctime>

#include "platform/platform.h"

namespace trelvo::platform {

Date localDate() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return Date{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday};
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::int64_t> fileLength(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::int64_t>(st.st_size);
}

}  // namespace trelvo::platform
