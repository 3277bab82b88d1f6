// Decoding speed of the WSQ decoder, and the peak heap use of one decode.
//
//   trelvo_wsq_bench [--benchmark_filter=...]
//
// Counters: ns_per_pixel (time of one decode over its pixel count; shown
// with the unit "s" by the library, read it as nanoseconds) and
// peak_bytes_per_pixel (highest C heap use during one decode, the input not
// counted, over the pixel count; counted by replacing the C allocator).
//
// The large buffers come from the C allocator; whether a decode finds them
// in the heap or takes fresh pages from the system (page faults) changes the
// time by a third. GLIBC_TUNABLES=glibc.malloc.mmap_threshold=131072 makes
// every decode take fresh pages (as the first decode of a process does).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "alloc_counter.h"
#include "wsq/wsq.h"
#include "wsq_test_encoder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Stream {
  std::string name;
  Bytes bytes;
};

// The WSQ streams of the slaps transaction: from each SOI that a table or
// comment marker follows to the end of the file (the decoder stops at EOI).
std::vector<Stream> slaps_streams() {
  std::vector<Stream> out;
  std::ifstream in(std::string(TRELVO_CORPUS_DIR) + "/type-4-14-slaps.an2", std::ios::binary);
  if (!in) return out;
  const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (std::size_t i = 0; i + 4 <= file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] == 0xA0 && file[i + 2] == 0xFF && file[i + 3] >= 0xA4 &&
        file[i + 3] <= 0xA8) {
      Stream s;
      s.bytes.assign(file.begin() + static_cast<std::ptrdiff_t>(i), file.end());
      int w = 0, h = 0;
      if (trelvo::wsq::probe_frame_wsq(s.bytes.data(), s.bytes.size(), &w, &h) != 0) continue;
      s.name = "slaps_" + std::to_string(w) + "x" + std::to_string(h);
      out.push_back(std::move(s));
    }
  }
  return out;
}

const Stream& synthetic() {
  static const Stream s = [] {
    Stream st;
    st.name = "synthetic_800x750";
    wsqtest::EncoderOptions o;
    o.q = 2.0;
    st.bytes = wsqtest::encode(wsqtest::ridge_image(800, 750), 800, 750, o);
    return st;
  }();
  return s;
}

void decode_bench(benchmark::State& state, const Bytes* bytes) {
  std::uint8_t* px = nullptr;
  int w = 0, h = 0, d, ppi, l, e, sw;
  // One decode outside the timing for the peak memory.
  const std::size_t base = wsqtest::alloc::reset_peak();
  if (trelvo::wsq::wsq_decode_mem(&px, &w, &h, &d, &ppi, &l, &e, &sw, bytes->data(),
                                  bytes->size()) != 0) {
    state.SkipWithError("decode failed");
    return;
  }
  const std::size_t peak = wsqtest::alloc::peak() - base;
  std::free(px);
  for (auto _ : state) {
    trelvo::wsq::wsq_decode_mem(&px, &w, &h, &d, &ppi, &l, &e, &sw, bytes->data(), bytes->size());
    benchmark::DoNotOptimize(px);
    std::free(px);
  }
  const double npix = static_cast<double>(w) * h;
  state.counters["pixels"] = npix;
  state.counters["ns_per_pixel"] = benchmark::Counter(
      npix * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["peak_bytes_per_pixel"] = static_cast<double>(peak) / npix;
}

}  // namespace

int main(int argc, char** argv) {
  static const std::vector<Stream> streams = slaps_streams();
  if (streams.empty()) {
    std::fprintf(stderr, "type-4-14-slaps.an2 not found in %s: only the synthetic stream\n",
                 TRELVO_CORPUS_DIR);
  }
  for (const Stream& s : streams)
    benchmark::RegisterBenchmark(("wsq_decode/" + s.name).c_str(), decode_bench, &s.bytes)
        ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(("wsq_decode/" + synthetic().name).c_str(), decode_bench,
                               &synthetic().bytes)
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
