// The services the library takes from its operating system. Everything that
// differs between platforms goes through these few functions; a Win32 build
// replaces their implementation files and nothing else.
#pragma once

#include <cstdint>
#include <utility>
#include <optional>
#include <string>

namespace trelvo::platform {

// Full path of the library's own module file (the loaded shared object).
std::string moduleFileName();

// Folder part of a path, with its trailing separator ("" when it has none).
std::string folderOf(const std::string& path);

// Shows `text` to the user under `caption`. On this platform the host's
// console stands in for the modal message box: the caption, ": ", the text
// and a newline go to standard error; nothing blocks.
void showMessageBox(const std::string& caption, const std::string& text);

// Today's local calendar date.
struct Date {
  int year;
  int month;  // 1-12
  int day;    // 1-31
};
Date localDate();

bool fileExists(const std::string& path);

// Length of the file in bytes, or nullopt when it cannot be determined.
std::optional<std::int64_t> fileLength(const std::string& path);

// Reads integer keys of an INI file the way the platform's INI reader does:
// section and key names are compared without regard to case, a value that
// is not an integer (or a missing file, section or key) gives the default.
class IniFile {
 public:
  explicit IniFile(std::string path) : path_(std::move(path)) {}
  std::int32_t readInteger(const std::string& section, const std::string& key,
                           std::int32_t fallback) const;

 private:
  std::string path_;
};

}  // namespace trelvo::platform
