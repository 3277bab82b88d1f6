// Test inputs for the codec tests and benchmarks: bilevel images and their
// Group 4 encoding by libtiff, and JP2 / code streams made by OpenJPEG's encoder.
#pragma once

#include <openjpeg.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace trelvo::testing {

// One byte per pixel, row-major: 0 white, 1 black.
struct BilevelImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;

  std::uint8_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

BilevelImage random_image(int width, int height, double black_share, unsigned seed);
// Rows of runs of lengths that cover 0 .. width, so that horizontal mode meets
// every terminating and make-up code; some rows repeat or shift the one above.
BilevelImage patterned_image(int width, int height, unsigned seed);
// Rows of one long run each, white and black in turn, whose lengths step
// through every make-up code (64, 128, ... up to the width).
BilevelImage ladder_image(int width, int height);
// A white page with lines of glyph-like black blocks, rules and a frame.
BilevelImage page_image(int width, int height, unsigned seed);

// The image as a single-strip Group 4 TIFF written by libtiff; returns the
// raw strip bytes (the bare Group 4 stream, ending with the end-of-block code).
std::vector<std::uint8_t> tiff_group4_strip(const BilevelImage& image);

// Bits of a decoder output (rows unpadded, most significant bit first).
inline int packed_bit(const std::vector<std::uint8_t>& packed, std::size_t bit) {
  return (packed[bit >> 3] >> (7 - (bit & 7))) & 1;
}

// Index of the first pixel of rows [0, rows) that differs from `packed`, or -1.
long long first_mismatch(const BilevelImage& image, const std::vector<std::uint8_t>& packed,
                         int rows);

// One component of an image to encode with OpenJPEG.
struct Jp2Component {
  OPJ_UINT32 dx = 1;
  OPJ_UINT32 dy = 1;
  OPJ_UINT32 precision = 8;
  bool is_signed = false;
  std::vector<OPJ_INT32> samples;  // ceil(width / dx) x ceil(height / dy), row-major
};

struct Jp2Image {
  OPJ_UINT32 width = 0;
  OPJ_UINT32 height = 0;
  OPJ_UINT32 x0 = 0;  // offset of the image area on the reference grid
  OPJ_UINT32 y0 = 0;
  OPJ_COLOR_SPACE colour_space = OPJ_CLRSPC_GRAY;
  std::vector<Jp2Component> components;
};

// Lossless encoding; OPJ_CODEC_JP2 gives a JP2 file, OPJ_CODEC_J2K a bare code stream.
std::vector<std::uint8_t> openjpeg_encode(const Jp2Image& image, OPJ_CODEC_FORMAT codec);

// Decodes with OpenJPEG alone (no conversion); true on success.
bool openjpeg_decode_only(const std::vector<std::uint8_t>& stream);

// A gray image of the given size and precision with a smooth pattern plus noise.
Jp2Image gray_test_image(OPJ_UINT32 width, OPJ_UINT32 height, OPJ_UINT32 precision,
                         unsigned seed);

}  // namespace trelvo::testing
