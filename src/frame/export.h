// Definition helpers for the exported C functions.
#pragma once

#include "Trelvo.h"

// Exports `name` a second time under "_name", the export-table name that
// some hosts look up. Use it in the file that defines the function.
#define TRELVO_ALIAS(ret, name, params)                                                \
  extern "C" TRELVO_API ret trelvo_alias_##name params __asm__("_" #name)             \
      __attribute__((alias(#name)));
