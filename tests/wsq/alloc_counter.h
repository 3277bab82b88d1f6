// Counting of the C heap: every malloc, calloc, realloc and free of the
// process is replaced by one that keeps the bytes in use and their peak.
// Linked only into executables that measure memory (never with a sanitizer).
#pragma once

#include <cstddef>

namespace wsqtest::alloc {

// Bytes in use now (usable sizes of the live blocks).
std::size_t current();
// Sets the peak to the current use and returns it.
std::size_t reset_peak();
// Highest use since the last reset_peak.
std::size_t peak();

}  // namespace wsqtest::alloc
