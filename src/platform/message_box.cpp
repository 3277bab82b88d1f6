#include <cstdio>

#include "platform/platform.h"

namespace trelvo::platform {

void showMessageBox(const std::string& caption, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
}

}  // namespace trelvo::platform
