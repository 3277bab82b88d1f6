// Peak heap use of a decode: at most 8 bytes per pixel besides the input
// (the float image and the reconstruction's scratch image), plus the small
// tables.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "alloc_counter.h"
#include "wsq_test_encoder.h"
#include "wsq_test_util.h"

namespace w = trelvo::wsq;

namespace {

// Bytes of the decoder's own small allocations (tables, code lists, the
// NIST_COM lists) and of the allocator's rounding of the large blocks.
constexpr std::size_t kSlack = 16 * 1024;

std::size_t decode_peak(const std::vector<std::uint8_t>& stream, int* width, int* height) {
  std::uint8_t* px = nullptr;
  int d, ppi, l, e, s;
  const std::size_t base = wsqtest::alloc::reset_peak();
  const int rc = w::wsq_decode_mem(&px, width, height, &d, &ppi, &l, &e, &s, stream.data(),
                                   stream.size());
  const std::size_t peak = wsqtest::alloc::peak() - base;
  EXPECT_EQ(rc, 0);
  std::free(px);
  return peak;
}

void check(const std::vector<std::uint8_t>& stream, const char* what) {
  int width = 0, height = 0;
  const std::size_t peak = decode_peak(stream, &width, &height);
  const std::size_t npix = static_cast<std::size_t>(width) * height;
  std::printf("%s: %dx%d, peak %zu bytes = %.4f bytes per pixel (8 per pixel + %zd)\n", what,
              width, height, peak, static_cast<double>(peak) / static_cast<double>(npix),
              static_cast<std::ptrdiff_t>(peak) - static_cast<std::ptrdiff_t>(8 * npix));
  EXPECT_LE(peak, 8 * npix + kSlack) << what;
  EXPECT_GE(peak, 8 * npix) << "the float image and the scratch image are both counted";
}

}  // namespace

TEST(WsqMemory, SyntheticStream) {
  check(wsqtest::encode(wsqtest::ridge_image(800, 750), 800, 750), "synthetic 800x750");
}

TEST(WsqMemory, TransactionFileImages) {
  const std::string path = wsqtest::corpus_dir() + "/type-4-14-slaps.an2";
  const auto file = wsqtest::read_file(path);
  if (!file) GTEST_SKIP() << "reference file not found: " << path;
  for (const auto& e : wsqtest::find_wsq_streams(*file)) {
    const std::vector<std::uint8_t> stream(file->begin() + static_cast<std::ptrdiff_t>(e.offset),
                                           file->end());
    check(stream, ("slaps stream at " + std::to_string(e.offset)).c_str());
  }
}
