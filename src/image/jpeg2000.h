// JPEG 2000 (JP2 file format) images in memory to bitmaps, decoded by OpenJPEG.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/bitmap.h"

namespace trelvo {

// Decodes the JP2 file held in data[0 .. length) into `bitmap`: an 8-bit image
// with the gray palette for a grayscale file, a 24-bit image (blue, green, red)
// for an sRGB file. `format` names the file format and must be "jp2"; a bare
// code stream, any other colour space, and components that are signed,
// subsampled, offset from the origin or smaller than the image are rejected.
// Samples of any precision are scaled linearly to 0..255.
//
// Returns 0 on success and -1 on every failure; on failure `bitmap` is left as
// it was. The data are only read; nothing is printed.
int Jpeg2000ToBitmap(const std::uint8_t* data, std::size_t length, Bitmap& bitmap,
                     const char* format) noexcept;

}  // namespace trelvo
