#include "platform/bitmap.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

namespace trelvo {

namespace {

Palette make_gray_palette() noexcept {
  Palette p{};
  for (std::size_t i = 0; i < p.size(); ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    p[i] = PaletteEntry{v, v, v, 0};
  }
  return p;
}

Palette make_bilevel_palette() noexcept {
  Palette p{};
  p[1] = PaletteEntry{255, 255, 255, 0};
  return p;
}

const Palette& default_palette(PixelFormat format) noexcept {
  return format == PixelFormat::Bit8 ? gray_palette() : bilevel_palette();
}

}  // namespace

int bits_per_pixel(PixelFormat format) noexcept {
  switch (format) {
    case PixelFormat::Bit1: return 1;
    case PixelFormat::Bit8: return 8;
    case PixelFormat::Bit24: return 24;
    case PixelFormat::None: break;
  }
  return 0;
}

const Palette& gray_palette() noexcept {
  static const Palette palette = make_gray_palette();
  return palette;
}

const Palette& bilevel_palette() noexcept {
  static const Palette palette = make_bilevel_palette();
  return palette;
}

std::size_t Bitmap::stride_for(PixelFormat format, int width) {
  const auto bits = static_cast<std::size_t>(width) * static_cast<std::size_t>(bits_per_pixel(format));
  return (bits + 31) / 32 * 4;
}

std::unique_ptr<std::uint8_t[]> Bitmap::allocate(PixelFormat format, int width, int height,
                                                 std::size_t& stride) {
  if (width < 0 || height < 0 || width > kMaxDimension || height > kMaxDimension) {
    throw std::length_error("bitmap dimensions out of range");
  }
  stride = stride_for(format, width);
  if (stride == 0 || height == 0) {
    return nullptr;
  }
  const auto rows = static_cast<std::size_t>(height);
  if (stride > std::numeric_limits<std::ptrdiff_t>::max() / rows) {
    throw std::length_error("bitmap too large");
  }
  // Value-initialized: every byte zero.
  return std::make_unique<std::uint8_t[]>(stride * rows);
}

Bitmap::Bitmap(const Bitmap& other)
    : format_(other.format_),
      width_(other.width_),
      height_(other.height_),
      stride_(other.stride_),
      palette_(other.palette_) {
  if (other.pixels_) {
    const std::size_t size = stride_ * static_cast<std::size_t>(height_);
    pixels_.reset(new std::uint8_t[size]);
    std::memcpy(pixels_.get(), other.pixels_.get(), size);
  }
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
  if (this != &other) {
    Bitmap copy(other);
    swap(copy);
  }
  return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept { swap(other); }

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  if (this != &other) {
    Bitmap moved(std::move(other));
    swap(moved);
  }
  return *this;
}

void Bitmap::swap(Bitmap& other) noexcept {
  std::swap(format_, other.format_);
  std::swap(width_, other.width_);
  std::swap(height_, other.height_);
  std::swap(stride_, other.stride_);
  std::swap(pixels_, other.pixels_);
  std::swap(palette_, other.palette_);
}

void Bitmap::create(PixelFormat format, int width, int height) {
  if (format == PixelFormat::None) {
    width = 0;
    height = 0;
  }
  std::size_t stride = 0;
  auto pixels = allocate(format, width, height, stride);
  format_ = format;
  width_ = width;
  height_ = height;
  stride_ = stride;
  pixels_ = std::move(pixels);
  palette_ = default_palette(format);
}

void Bitmap::set_size(int width, int height) {
  if (width == width_ && height == height_) {
    return;
  }
  if (format_ == PixelFormat::None) {
    return;  // a format-less bitmap has no pixels to size
  }
  std::size_t stride = 0;
  auto pixels = allocate(format_, width, height, stride);
  if (pixels && pixels_) {
    const int rows = std::min(height, height_);
    const int common_width = std::min(width, width_);
    const auto bits = static_cast<std::size_t>(common_width) *
                      static_cast<std::size_t>(bits_per_pixel(format_));
    const std::size_t whole = bits / 8;
    const unsigned rest = static_cast<unsigned>(bits % 8);
    for (int y = 0; y < rows; ++y) {
      std::uint8_t* to = pixels.get() + static_cast<std::size_t>(y) * stride;
      const std::uint8_t* from = row(y);
      std::memcpy(to, from, whole);
      if (rest != 0) {
        // Only the leading bits of a shared 1-bit byte belong to the kept area.
        const auto mask = static_cast<std::uint8_t>(0xFF00u >> rest);
        to[whole] = static_cast<std::uint8_t>(from[whole] & mask);
      }
    }
  }
  width_ = width;
  height_ = height;
  stride_ = stride;
  pixels_ = std::move(pixels);
}

void Bitmap::set_pixel_format(PixelFormat format) {
  if (format == format_) {
    return;
  }
  if (format == PixelFormat::Bit24 &&
      (format_ == PixelFormat::Bit1 || format_ == PixelFormat::Bit8)) {
    to_24bit();
    return;
  }
  create(format, width_, height_);
}

void Bitmap::to_24bit() {
  if (format_ != PixelFormat::Bit1 && format_ != PixelFormat::Bit8) {
    return;
  }
  std::size_t stride = 0;
  auto pixels = allocate(PixelFormat::Bit24, width_, height_, stride);
  if (pixels) {
    const bool bilevel = format_ == PixelFormat::Bit1;
    for (int y = 0; y < height_; ++y) {
      const std::uint8_t* from = row(y);
      std::uint8_t* to = pixels.get() + static_cast<std::size_t>(y) * stride;
      for (int x = 0; x < width_; ++x) {
        const std::size_t index =
            bilevel ? (from[x >> 3] >> (7 - (x & 7))) & 1u : from[x];
        const PaletteEntry& colour = palette_[index];
        to[0] = colour.blue;
        to[1] = colour.green;
        to[2] = colour.red;
        to += 3;
      }
    }
  }
  format_ = PixelFormat::Bit24;
  stride_ = stride;
  pixels_ = std::move(pixels);
}

void Bitmap::clear() noexcept {
  format_ = PixelFormat::None;
  width_ = 0;
  height_ = 0;
  stride_ = 0;
  pixels_.reset();
  palette_ = bilevel_palette();
}

bool operator==(const Bitmap& a, const Bitmap& b) noexcept {
  if (a.format_ != b.format_ || a.width_ != b.width_ || a.height_ != b.height_ ||
      a.empty() != b.empty()) {
    return false;
  }
  if (a.format_ != PixelFormat::Bit24 && a.format_ != PixelFormat::None &&
      a.palette_ != b.palette_) {
    return false;
  }
  if (a.empty()) {
    return true;
  }
  const auto bits = static_cast<std::size_t>(a.width_) *
                    static_cast<std::size_t>(bits_per_pixel(a.format_));
  const std::size_t whole = bits / 8;
  const unsigned rest = static_cast<unsigned>(bits % 8);
  const auto mask = static_cast<std::uint8_t>(0xFF00u >> rest);
  for (int y = 0; y < a.height_; ++y) {
    const std::uint8_t* ra = a.row(y);
    const std::uint8_t* rb = b.row(y);
    if (std::memcmp(ra, rb, whole) != 0) {
      return false;
    }
    if (rest != 0 && ((ra[whole] ^ rb[whole]) & mask) != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace trelvo
