#include "platform/bitmap.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace trelvo {
namespace {

TEST(Bitmap, RowsAreAlignedToFourBytes) {
  struct Case {
    PixelFormat format;
    int width;
    std::size_t stride;
  };
  const Case cases[] = {{PixelFormat::Bit1, 1, 4},  {PixelFormat::Bit1, 32, 4},
                        {PixelFormat::Bit1, 33, 8}, {PixelFormat::Bit8, 5, 8},
                        {PixelFormat::Bit24, 4, 12}, {PixelFormat::Bit24, 5, 16}};
  for (const Case& c : cases) {
    Bitmap b;
    b.create(c.format, c.width, 3);
    EXPECT_EQ(b.stride(), c.stride) << "width " << c.width;
    EXPECT_EQ(b.row(2) - b.row(0), static_cast<std::ptrdiff_t>(2 * c.stride));
  }
}

TEST(Bitmap, EmptyAndLimits) {
  Bitmap b;
  EXPECT_TRUE(b.empty());
  EXPECT_EQ(b.pixel_format(), PixelFormat::None);
  b.create(PixelFormat::Bit24, 0, 10);
  EXPECT_TRUE(b.empty());
  b.set_width(2);
  EXPECT_FALSE(b.empty());
  EXPECT_EQ(b.row(9)[5], 0);

  const Bitmap before = b;
  EXPECT_THROW(b.create(PixelFormat::Bit8, Bitmap::kMaxDimension + 1, 1), std::length_error);
  EXPECT_THROW(b.set_size(-1, 1), std::length_error);
  EXPECT_EQ(b, before);
  b.clear();
  EXPECT_TRUE(b.empty());
  EXPECT_EQ(b.width(), 0);
}

TEST(Bitmap, ConvertsThroughThePalette) {
  // 1 bit: most significant bit is the leftmost pixel.
  Bitmap bilevel;
  bilevel.create(PixelFormat::Bit1, 10, 2);
  EXPECT_EQ(bilevel.palette()[0], (PaletteEntry{0, 0, 0, 0}));
  EXPECT_EQ(bilevel.palette()[1], (PaletteEntry{255, 255, 255, 0}));
  bilevel.set_palette_entry(1, PaletteEntry{10, 20, 30, 0});
  bilevel.row(0)[0] = 0x80;  // pixel 0
  bilevel.row(1)[1] = 0x40;  // pixel 9
  bilevel.set_pixel_format(PixelFormat::Bit24);
  ASSERT_EQ(bilevel.pixel_format(), PixelFormat::Bit24);
  const std::uint8_t* r0 = bilevel.row(0);
  EXPECT_EQ(r0[0], 30);  // blue, green, red
  EXPECT_EQ(r0[1], 20);
  EXPECT_EQ(r0[2], 10);
  EXPECT_EQ(r0[3], 0);
  const std::uint8_t* r1 = bilevel.row(1);
  EXPECT_EQ(r1[8 * 3], 0);
  EXPECT_EQ(r1[9 * 3], 30);
  EXPECT_EQ(r1[9 * 3 + 2], 10);

  Bitmap gray;
  gray.create(PixelFormat::Bit8, 3, 1);
  EXPECT_EQ(gray.palette(), gray_palette());
  gray.set_palette_entry(7, PaletteEntry{1, 2, 3, 0});
  gray.row(0)[0] = 7;
  gray.row(0)[1] = 200;
  gray.to_24bit();
  const std::uint8_t* g = gray.row(0);
  EXPECT_EQ(g[0], 3);
  EXPECT_EQ(g[1], 2);
  EXPECT_EQ(g[2], 1);
  EXPECT_EQ(g[3], 200);
  EXPECT_EQ(g[5], 200);
  EXPECT_EQ(g[6], 0);
}

TEST(Bitmap, CopiesAreIndependentAndResizeKeepsCommonArea) {
  Bitmap a;
  a.create(PixelFormat::Bit1, 11, 3);
  a.row(1)[0] = 0xFF;
  a.row(1)[1] = 0xE0;  // pixels 0 .. 10 of row 1 black
  Bitmap b = a;
  b.row(1)[0] = 0;
  EXPECT_EQ(a.row(1)[0], 0xFF);
  EXPECT_FALSE(a == b);

  // Shrinking to 9 pixels keeps pixels 0 .. 8; growing back gives zeros after them.
  a.set_size(9, 2);
  a.set_size(16, 4);
  EXPECT_EQ(a.row(1)[0], 0xFF);
  EXPECT_EQ(a.row(1)[1], 0x80);
  EXPECT_EQ(a.row(3)[0], 0x00);

  Bitmap moved = std::move(b);
  EXPECT_TRUE(b.empty());  // NOLINT(bugprone-use-after-move): moved-from state is defined
  EXPECT_EQ(moved.width(), 11);

  // Any change other than to 24 bits starts from zero pixels.
  moved.set_pixel_format(PixelFormat::Bit8);
  EXPECT_EQ(moved.width(), 11);
  EXPECT_EQ(moved.row(1)[1], 0);
}

}  // namespace
}  // namespace trelvo
