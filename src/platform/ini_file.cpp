#include <ini.h>
#include <strings.h>

#include <charconv>

#include "platform/platform.h"

namespace trelvo::platform {

namespace {

struct Lookup {
  const std::string* section;
  const std::string* key;
  std::string value;
  bool found = false;
};

int onEntry(void* user, const char* section, const char* name, const char* value) {
  auto* lookup = static_cast<Lookup*>(user);
  if (!lookup->found && strcasecmp(section, lookup->section->c_str()) == 0 &&
      strcasecmp(name, lookup->key->c_str()) == 0) {
    lookup->value = value ? value : "";
    lookup->found = true;  // the first entry of a key counts
  }
  return 1;
}

}  // namespace

std::int32_t IniFile::readInteger(const std::string& section, const std::string& key,
                                  std::int32_t fallback) const {
  Lookup lookup{&section, &key, {}, false};
  if (ini_parse(path_.c_str(), &onEntry, &lookup) < 0 || !lookup.found) return fallback;
  std::int32_t number = 0;
  const char* first = lookup.value.data();
  const char* last = first + lookup.value.size();
  if (first != last && *first == '+') ++first;
  auto [end, ec] = std::from_chars(first, last, number);
  return ec == std::errc() && end == last && first != last ? number : fallback;
}

}  // namespace trelvo::platform
