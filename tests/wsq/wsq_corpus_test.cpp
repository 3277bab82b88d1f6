// The decoder on real encoders' output: the reference finger image and the
// WSQ fields of a transaction file.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "wsq_test_encoder.h"
#include "wsq_test_util.h"

namespace w = trelvo::wsq;
using wsqtest::Bytes;
using wsqtest::decode;
using wsqtest::Decoded;

namespace {

bool read_png_gray(const std::string& path, Bytes* pixels, int* width, int* height) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_GRAY;
  pixels->resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels->data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  *width = static_cast<int>(image.width);
  *height = static_cast<int>(image.height);
  return true;
}

#define REQUIRE_FILE(var, path)                                                   \
  const auto var##_opt = wsqtest::read_file(path);                               \
  if (!var##_opt) GTEST_SKIP() << "reference file not found: " << (path);        \
  const Bytes& var = *var##_opt

}  // namespace

TEST(WsqCorpus, RealFingerAgainstItsOriginal) {
  const std::string dir = wsqtest::corpus_dir() + "/wsq/";
  REQUIRE_FILE(stream, dir + "finger-344x370.wsq");
  Bytes original;
  int ow = 0, oh = 0;
  ASSERT_TRUE(read_png_gray(dir + "finger-344x370-original.png", &original, &ow, &oh));
  ASSERT_EQ(ow, 344);
  ASSERT_EQ(oh, 370);

  const Decoded d = decode(stream);
  ASSERT_EQ(d.rc, 0) << d.messages;
  EXPECT_EQ(d.messages, "");
  EXPECT_EQ(d.width, 344);
  EXPECT_EQ(d.height, 370);
  EXPECT_EQ(d.depth, 8);
  EXPECT_EQ(d.ppi, 255) << "the stream's NIST_COM says PPI 255";
  const double p = wsqtest::psnr(d.pixels.data(), original.data(), original.size());
  RecordProperty("psnr_finger", std::to_string(p));
  std::printf("finger-344x370.wsq against its original: PSNR %.2f dB\n", p);
  EXPECT_GE(p, 30.0);

  const Decoded again = decode(stream);
  ASSERT_EQ(again.rc, 0);
  EXPECT_EQ(again.pixels, d.pixels);
}

TEST(WsqCorpus, RealFingerThroughTheTestEncoder) {
  // The original image, coded by the test encoder at a high rate.
  Bytes original;
  int ow = 0, oh = 0;
  const std::string png = wsqtest::corpus_dir() + "/wsq/finger-344x370-original.png";
  if (!wsqtest::read_file(png)) GTEST_SKIP() << "reference file not found: " << png;
  ASSERT_TRUE(read_png_gray(png, &original, &ow, &oh));
  wsqtest::EncoderOptions o;
  o.q = 2.0;
  const Bytes stream = wsqtest::encode(original, ow, oh, o);
  const Decoded d = decode(stream);
  ASSERT_EQ(d.rc, 0) << d.messages;
  const double p = wsqtest::psnr(d.pixels.data(), original.data(), original.size());
  std::printf("finger original through the test encoder (%zu bytes, %.2f bpp): PSNR %.2f dB\n",
              stream.size(), 8.0 * static_cast<double>(stream.size()) / (ow * oh), p);
  // A real finger has more in the highest-frequency quarter, which is never
  // coded, than the synthetic ridges: 40 dB here.
  EXPECT_GE(p, 40.0);
}

TEST(WsqCorpus, TransactionFileWsqFields) {
  const std::string path = wsqtest::corpus_dir() + "/type-4-14-slaps.an2";
  REQUIRE_FILE(file, path);
  const std::vector<wsqtest::EmbeddedWsq> found = wsqtest::find_wsq_streams(file);
  ASSERT_EQ(found.size(), 3u);
  const int expect_w[3] = {1608, 1572, 804};
  const int expect_type[3] = {4, 4, 14};
  for (std::size_t i = 0; i < found.size(); ++i) {
    const wsqtest::EmbeddedWsq& e = found[i];
    SCOPED_TRACE("stream at offset " + std::to_string(e.offset));
    EXPECT_EQ(e.record_type, expect_type[i]);
    EXPECT_EQ(e.record_width, expect_w[i]);
    EXPECT_EQ(e.record_height, 1000);
    if (e.record_type == 4) {
      EXPECT_EQ(file[e.offset - 1], 1) << "GCA 1 (WSQ)";
    }
    // From the stream's first byte to the end of the file: the decoder stops
    // at EOI.
    const Bytes stream(file.begin() + static_cast<std::ptrdiff_t>(e.offset), file.end());
    int pw = 0, ph = 0;
    ASSERT_EQ(w::probe_frame_wsq(stream.data(), stream.size(), &pw, &ph), 0);
    const Decoded d = decode(stream);
    ASSERT_EQ(d.rc, 0) << d.messages;
    EXPECT_EQ(d.messages, "");
    EXPECT_EQ(d.width, pw);
    EXPECT_EQ(d.height, ph);
    EXPECT_EQ(d.width, e.record_width);
    EXPECT_EQ(d.height, e.record_height);
    EXPECT_EQ(d.depth, 8);
    EXPECT_EQ(d.lossy, 1);
    // Not a flat image.
    int lo = 255, hi = 0;
    for (std::uint8_t p : d.pixels) {
      lo = std::min<int>(lo, p);
      hi = std::max<int>(hi, p);
    }
    EXPECT_GT(hi - lo, 100);
    const Decoded again = decode(stream);
    ASSERT_EQ(again.rc, 0);
    EXPECT_EQ(again.pixels, d.pixels);
  }
}

TEST(WsqCorpus, TruncatedRealStreams) {
  const std::string path = wsqtest::corpus_dir() + "/wsq/finger-344x370.wsq";
  REQUIRE_FILE(stream, path);
  // Cut at every 7th byte (and the last few): always an error, never a read
  // past the end (the copies are exact-sized heap buffers).
  for (std::size_t len = 0; len + 2 < stream.size(); len += (len + 40 > stream.size() ? 1 : 7)) {
    auto* heap = static_cast<std::uint8_t*>(std::malloc(len ? len : 1));
    std::memcpy(heap, stream.data(), len);
    std::uint8_t* px = nullptr;
    int a, b, c, d, e, f, g;
    testing::internal::CaptureStderr();
    const int rc = w::wsq_decode_mem(&px, &a, &b, &c, &d, &e, &f, &g, heap, len);
    testing::internal::GetCapturedStderr();
    std::free(heap);
    ASSERT_LT(rc, 0) << len;
  }
}
