// In-memory bitmap of the platform layer.
//
// The decoders fill a Bitmap and the rest of the library reads it back row by
// row. The pixel store is laid out like a top-down device-independent bitmap:
// rows start at 4-byte boundaries, row 0 is the top row, and 24-bit pixels are
// stored blue, green, red. A Win32 build can therefore replace this class by a
// wrapper over a DIB section with the same interface, and a host-visible handle
// can wrap pixels() and stride() without copying.
//
// Drawing is meant to live outside the class: a canvas takes a Bitmap& and
// works through row() and the palette, so pens, brushes and stretched drawing
// add no state here. The pixel store is one contiguous block whose address
// changes only when the format or size changes, which is what a handle needs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace trelvo {

enum class PixelFormat : std::uint8_t {
  None,    // no pixels
  Bit1,    // 1 bit per pixel, most significant bit first, palette entries 0 and 1
  Bit8,    // 1 byte per pixel, index into a 256-entry palette
  Bit24,   // 3 bytes per pixel: blue, green, red
};

// One palette colour. flags mirrors the flag byte of a system palette entry
// and is carried along untouched.
struct PaletteEntry {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t flags = 0;

  friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

using Palette = std::array<PaletteEntry, 256>;

// Bits per pixel of a format (0 for None).
int bits_per_pixel(PixelFormat format) noexcept;

// 256 gray entries, entry i = (i, i, i).
const Palette& gray_palette() noexcept;

// Entry 0 black, entry 1 white, the rest black.
const Palette& bilevel_palette() noexcept;

class Bitmap {
 public:
  // Largest width or height accepted.
  static constexpr int kMaxDimension = 1 << 16;

  Bitmap() noexcept = default;
  Bitmap(const Bitmap& other);
  Bitmap& operator=(const Bitmap& other);
  Bitmap(Bitmap&& other) noexcept;
  Bitmap& operator=(Bitmap&& other) noexcept;
  ~Bitmap() = default;

  void swap(Bitmap& other) noexcept;

  // Replaces the content by a new image of the given format and size with
  // every byte of the pixel store zero. The palette becomes the format's
  // default: bilevel for Bit1, gray for Bit8. A zero width or height, or the
  // format None, gives an empty bitmap that keeps the format.
  // Throws std::bad_alloc or std::length_error; the bitmap is unchanged then.
  void create(PixelFormat format, int width, int height);

  // Changes the size and keeps the pixels of the area common to old and new
  // size; new pixels are zero bytes. Throws like create().
  void set_size(int width, int height);
  void set_width(int width) { set_size(width, height_); }
  void set_height(int height) { set_size(width_, height); }

  // Changes the pixel format. Bit1 and Bit8 images become Bit24 through their
  // palette (see to_24bit()); any other change keeps the size but starts from
  // zero pixels with the new format's default palette. Throws like create().
  void set_pixel_format(PixelFormat format);

  // Converts a Bit1 or Bit8 image to Bit24, each pixel taking the colour of
  // its palette entry. A Bit24 or empty bitmap is left as it is.
  void to_24bit();

  // Makes the bitmap empty: no pixels, format None, default palette.
  void clear() noexcept;

  PixelFormat pixel_format() const noexcept { return format_; }
  int width() const noexcept { return width_; }
  int height() const noexcept { return height_; }
  bool empty() const noexcept { return pixels_ == nullptr; }

  // Bytes from the start of one row to the start of the next.
  std::size_t stride() const noexcept { return stride_; }

  // Row y (0 = top). y must be in [0, height()).
  std::uint8_t* row(int y) noexcept { return pixels_.get() + static_cast<std::size_t>(y) * stride_; }
  const std::uint8_t* row(int y) const noexcept {
    return pixels_.get() + static_cast<std::size_t>(y) * stride_;
  }

  // The whole pixel store, height() * stride() bytes, top row first; null when empty.
  std::uint8_t* pixels() noexcept { return pixels_.get(); }
  const std::uint8_t* pixels() const noexcept { return pixels_.get(); }

  const Palette& palette() const noexcept { return palette_; }
  void set_palette(const Palette& palette) noexcept { palette_ = palette; }
  void set_palette_entry(int index, PaletteEntry entry) noexcept {
    palette_[static_cast<std::size_t>(index & 0xFF)] = entry;
  }

  // Same format, size, palette (for Bit1 and Bit8) and pixels. Padding bits
  // and bytes at the end of rows are not compared.
  friend bool operator==(const Bitmap& a, const Bitmap& b) noexcept;

 private:
  static std::size_t stride_for(PixelFormat format, int width);
  static std::unique_ptr<std::uint8_t[]> allocate(PixelFormat format, int width, int height,
                                                  std::size_t& stride);

  PixelFormat format_ = PixelFormat::None;
  int width_ = 0;
  int height_ = 0;
  std::size_t stride_ = 0;
  std::unique_ptr<std::uint8_t[]> pixels_;
  Palette palette_ = bilevel_palette();
};

inline void swap(Bitmap& a, Bitmap& b) noexcept { a.swap(b); }

}  // namespace trelvo
