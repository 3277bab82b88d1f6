// CCITT Group 4 (ITU-T T.6) decoder for bilevel images held in memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace trelvo {

// Result codes of decompress_group4. Every failure also writes one fixed line
// to the standard error stream (the null-pointer ones to standard output).
enum Group4Result : int {
  kGroup4Ok = 0,
  kGroup4NullInput = -1,      // input pointer is null
  kGroup4NullOutput = -2,     // output pointer is null
  kGroup4BadGeometry = -3,    // width or height not positive, or too large
  kGroup4OutputTooSmall = -4, // output capacity below the bytes the image needs
  kGroup4NoMemory = -5,       // work lists could not be allocated
  kGroup4Truncated = -6,      // input ended before the last row was complete
  kGroup4InvalidCode = -7,    // bit pattern that is no mode or run-length code
  kGroup4BadRun = -8,         // a run moving backwards or beyond the row's end
  kGroup4LineOverflow = -9,   // more changing elements on a row than room for them
};

// Bytes of output needed for an image of width x height pixels:
// ceil(width * height / 8). 0 for a non-positive width or height.
std::size_t group4_output_bytes(int width, int height) noexcept;

// Decodes a Group 4 stream of input_length bytes into a packed bit image of
// width x height pixels: rows are not padded (row y starts at bit y * width),
// the most significant bit of a byte comes first, 1 is black and 0 white.
//
// Decoding ends at the end-of-facsimile-block code or after `height` rows,
// whichever comes first. Every bit of every decoded row is written; bits after
// the last decoded row are left as they were. Nothing is read beyond
// input_length bytes and nothing is written beyond output_capacity bytes,
// which must hold group4_output_bytes(width, height).
//
// On failure the rows decoded before the fault stay in the output, and the
// bits of the faulty row written so far as well.
//
// *output_size (if not null) receives the number of output bytes that hold
// the decoded rows, ceil(width * rows decoded / 8), on success and failure.
int decompress_group4(const std::uint8_t* input, std::size_t input_length, int width, int height,
                      std::uint8_t* output, std::size_t output_capacity,
                      std::size_t* output_size) noexcept;

}  // namespace trelvo
