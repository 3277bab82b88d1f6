#include "image/jpeg2000.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "codec_fixtures.h"

namespace trelvo {
namespace {

using testing::Jp2Component;
using testing::Jp2Image;
using testing::openjpeg_encode;

Jp2Component random_component(OPJ_UINT32 w, OPJ_UINT32 h, OPJ_UINT32 precision, bool is_signed,
                              unsigned seed, OPJ_UINT32 dx = 1, OPJ_UINT32 dy = 1) {
  Jp2Component c;
  c.dx = dx;
  c.dy = dy;
  c.precision = precision;
  c.is_signed = is_signed;
  const OPJ_UINT32 cw = (w + dx - 1) / dx;
  const OPJ_UINT32 ch = (h + dy - 1) / dy;
  const std::int64_t range = std::int64_t{1} << precision;
  const std::int64_t low = is_signed ? -range / 2 : 0;
  std::mt19937 rng(seed);
  std::uniform_int_distribution<std::int64_t> value(low, low + range - 1);
  c.samples.resize(static_cast<std::size_t>(cw) * ch);
  for (auto& s : c.samples) {
    s = static_cast<OPJ_INT32>(value(rng));
  }
  // Make sure both ends of the range occur.
  c.samples.front() = static_cast<OPJ_INT32>(low);
  c.samples.back() = static_cast<OPJ_INT32>(low + range - 1);
  return c;
}

Jp2Image image_of(OPJ_UINT32 w, OPJ_UINT32 h, OPJ_COLOR_SPACE space, std::vector<Jp2Component> comps) {
  Jp2Image image;
  image.width = w;
  image.height = h;
  image.colour_space = space;
  image.components = std::move(comps);
  return image;
}

int decode(const std::vector<std::uint8_t>& stream, Bitmap& bitmap, const char* format = "jp2") {
  const std::vector<std::uint8_t> exact(stream);  // exact size for the sanitizer
  return Jpeg2000ToBitmap(exact.data(), exact.size(), bitmap, format);
}

TEST(Jpeg2000, GrayEightBitsGivesSamplesAndGrayPalette) {
  const Jp2Image image = image_of(37, 23, OPJ_CLRSPC_GRAY, {random_component(37, 23, 8, false, 1)});
  Bitmap bitmap;
  ASSERT_EQ(decode(openjpeg_encode(image, OPJ_CODEC_JP2), bitmap), 0);
  ASSERT_EQ(bitmap.pixel_format(), PixelFormat::Bit8);
  ASSERT_EQ(bitmap.width(), 37);
  ASSERT_EQ(bitmap.height(), 23);
  EXPECT_EQ(bitmap.palette(), gray_palette());
  for (int y = 0; y < 23; ++y) {
    for (int x = 0; x < 37; ++x) {
      ASSERT_EQ(bitmap.row(y)[x], image.components[0].samples[static_cast<std::size_t>(y * 37 + x)])
          << x << "," << y;
    }
  }
}

TEST(Jpeg2000, RgbEightBitsGivesBlueGreenRed) {
  const Jp2Image image = image_of(19, 11, OPJ_CLRSPC_SRGB,
                                  {random_component(19, 11, 8, false, 2), random_component(19, 11, 8, false, 3),
                                   random_component(19, 11, 8, false, 4)});
  Bitmap bitmap;
  ASSERT_EQ(decode(openjpeg_encode(image, OPJ_CODEC_JP2), bitmap), 0);
  ASSERT_EQ(bitmap.pixel_format(), PixelFormat::Bit24);
  for (int y = 0; y < 11; ++y) {
    for (int x = 0; x < 19; ++x) {
      const auto i = static_cast<std::size_t>(y * 19 + x);
      const std::uint8_t* p = bitmap.row(y) + 3 * x;
      ASSERT_EQ(p[0], image.components[2].samples[i]);
      ASSERT_EQ(p[1], image.components[1].samples[i]);
      ASSERT_EQ(p[2], image.components[0].samples[i]);
    }
  }
}

TEST(Jpeg2000, OtherPrecisionsAreScaledToTheFullRange) {
  for (const OPJ_UINT32 precision : {1u, 4u, 12u, 16u}) {
    SCOPED_TRACE("precision " + std::to_string(precision));
    const Jp2Image image =
        image_of(40, 9, OPJ_CLRSPC_GRAY, {random_component(40, 9, precision, false, precision)});
    Bitmap bitmap;
    ASSERT_EQ(decode(openjpeg_encode(image, OPJ_CODEC_JP2), bitmap), 0);
    ASSERT_EQ(bitmap.pixel_format(), PixelFormat::Bit8);
    const double max = std::ldexp(1.0, static_cast<int>(precision)) - 1.0;
    for (int y = 0; y < 9; ++y) {
      for (int x = 0; x < 40; ++x) {
        const OPJ_INT32 s = image.components[0].samples[static_cast<std::size_t>(y * 40 + x)];
        ASSERT_EQ(bitmap.row(y)[x], std::lround(s * 255.0 / max)) << "sample " << s;
      }
    }
    EXPECT_EQ(bitmap.row(0)[0], 0);
    EXPECT_EQ(bitmap.row(8)[39], 255);
  }
}

struct Rejected {
  const char* name;
  std::function<std::vector<std::uint8_t>()> stream;
  const char* format = "jp2";
  bool openjpeg_reads_it = false;  // rejected by the bridge, not by OpenJPEG
};

std::vector<Rejected> rejected_cases() {
  const auto gray8 = [] {
    return openjpeg_encode(image_of(64, 48, OPJ_CLRSPC_GRAY, {random_component(64, 48, 8, false, 5)}),
                           OPJ_CODEC_JP2);
  };
  const auto three = [](OPJ_COLOR_SPACE space, OPJ_UINT32 dx1) {
    return image_of(30, 20, space,
                    {random_component(30, 20, 8, false, 6), random_component(30, 20, 8, false, 7, dx1, dx1),
                     random_component(30, 20, 8, false, 8)});
  };
  return {
      {"YccColourSpace", [=] { return openjpeg_encode(three(OPJ_CLRSPC_SYCC, 1), OPJ_CODEC_JP2); }, "jp2", true},
      {"SubsampledComponent", [=] { return openjpeg_encode(three(OPJ_CLRSPC_SRGB, 2), OPJ_CODEC_JP2); },
       "jp2", true},
      {"SignedSamples",
       [] {
         return openjpeg_encode(image_of(16, 16, OPJ_CLRSPC_GRAY, {random_component(16, 16, 8, true, 9)}),
                                OPJ_CODEC_JP2);
       },
       "jp2", true},
      {"OffsetImage",
       [] {
         Jp2Image image = image_of(16, 16, OPJ_CLRSPC_GRAY, {});
         image.x0 = 8;
         image.y0 = 4;
         image.components.push_back(random_component(16, 16, 8, false, 10));
         return openjpeg_encode(image, OPJ_CODEC_JP2);
       },
       "jp2", true},
      {"GrayFileWithThreeComponentsMissing",
       [] {
         return openjpeg_encode(image_of(16, 16, OPJ_CLRSPC_SRGB, {random_component(16, 16, 8, false, 11)}),
                                OPJ_CODEC_JP2);
       },
       "jp2", true},
      {"BareCodeStream",
       [] {
         return openjpeg_encode(image_of(64, 48, OPJ_CLRSPC_GRAY, {random_component(64, 48, 8, false, 5)}),
                                OPJ_CODEC_J2K);
       }},
      {"TruncatedHalf",
       [=] {
         auto s = gray8();
         s.resize(s.size() / 2);
         return s;
       }},
      {"TruncatedLastBytes",
       [=] {
         auto s = gray8();
         s.resize(s.size() - 3);
         return s;
       }},
      {"TruncatedInHeader",
       [=] {
         auto s = gray8();
         s.resize(60);
         return s;
       }},
      {"Garbage", [] { return std::vector<std::uint8_t>(200, 0x5A); }},
      {"OtherFormatName", gray8, "j2k", true},
  };
}

TEST(Jpeg2000, RejectsAndLeavesBitmapAlone) {
  Bitmap original;
  original.create(PixelFormat::Bit1, 3, 2);
  original.row(1)[0] = 0xA0;
  for (const Rejected& c : rejected_cases()) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> stream = c.stream();
    EXPECT_EQ(testing::openjpeg_decode_only(stream), c.openjpeg_reads_it);
    Bitmap bitmap = original;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int rc = decode(stream, bitmap, c.format);
    const std::string err = ::testing::internal::GetCapturedStderr();
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(bitmap, original);
    EXPECT_EQ(err, "");
    EXPECT_EQ(out, "");
  }
  Bitmap bitmap = original;
  EXPECT_EQ(Jpeg2000ToBitmap(nullptr, 10, bitmap, "jp2"), -1);
  EXPECT_EQ(bitmap, original);
}

}  // namespace
}  // namespace trelvo
