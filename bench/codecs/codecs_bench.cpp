// Group 4 decode of a page, and the JPEG 2000 bridge beside OpenJPEG's own decode.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "codec_fixtures.h"
#include "image/group4.h"
#include "image/jpeg2000.h"
#include "platform/bitmap.h"

namespace {

using namespace trelvo;

constexpr int kPageWidth = 2600;
constexpr int kPageHeight = 3300;

const std::vector<std::uint8_t>& page_stream() {
  static const std::vector<std::uint8_t> stream =
      testing::tiff_group4_strip(testing::page_image(kPageWidth, kPageHeight, 7));
  return stream;
}

const std::vector<std::uint8_t>& gray_jp2() {
  static const std::vector<std::uint8_t> stream =
      testing::openjpeg_encode(testing::gray_test_image(2000, 2000, 8, 3), OPJ_CODEC_JP2);
  return stream;
}

void BM_Group4DecodePage(benchmark::State& state) {
  const std::vector<std::uint8_t>& stream = page_stream();
  std::vector<std::uint8_t> out(group4_output_bytes(kPageWidth, kPageHeight));
  for (auto _ : state) {
    std::size_t size = 0;
    if (decompress_group4(stream.data(), stream.size(), kPageWidth, kPageHeight, out.data(),
                          out.size(), &size) != kGroup4Ok) {
      state.SkipWithError("decode failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["stream_bytes"] = static_cast<double>(stream.size());
  state.SetItemsProcessed(state.iterations() * kPageWidth * kPageHeight);
}
BENCHMARK(BM_Group4DecodePage)->Unit(benchmark::kMillisecond);

void BM_Jpeg2000ToBitmapGray2000(benchmark::State& state) {
  const std::vector<std::uint8_t>& stream = gray_jp2();
  for (auto _ : state) {
    Bitmap bitmap;
    if (Jpeg2000ToBitmap(stream.data(), stream.size(), bitmap, "jp2") != 0) {
      state.SkipWithError("decode failed");
      break;
    }
    benchmark::DoNotOptimize(bitmap.pixels());
  }
  state.counters["stream_bytes"] = static_cast<double>(stream.size());
}
BENCHMARK(BM_Jpeg2000ToBitmapGray2000)->Unit(benchmark::kMillisecond);

void BM_OpenJpegDecodeOnlyGray2000(benchmark::State& state) {
  const std::vector<std::uint8_t>& stream = gray_jp2();
  for (auto _ : state) {
    if (!testing::openjpeg_decode_only(stream)) {
      state.SkipWithError("decode failed");
      break;
    }
  }
}
BENCHMARK(BM_OpenJpegDecodeOnlyGray2000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
