// Definition helpers for the exported C functions.
#pragma once

#include <new>
#include <string>

#include "Trelvo.h"

namespace trelvo {

void ReportError(const std::string& text);

// Runs the body of an exported function so that nothing escapes to the
// host: a failed allocation (or any other exception) is reported as an
// error and the function returns its failure value.
template <class R, class Body>
R guarded(R failure, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    try {
      ReportError("Error: out of memory");
    } catch (...) {
    }
  } catch (...) {
    try {
      ReportError("Error: internal failure");
    } catch (...) {
    }
  }
  return failure;
}

}  // namespace trelvo

// Exports `name` a second time under "_name", the export-table name that
// some hosts look up. Use it in the file that defines the function.
#define TRELVO_ALIAS(ret, name, params)                                                \
  extern "C" TRELVO_API ret trelvo_alias_##name params __asm__("_" #name)             \
      __attribute__((alias(#name)));
