// Decodes arbitrary bytes as a WSQ stream, probes their size, and reads
// their NIST_COM resolution. The decoder writes a message for every
// rejected stream: run with -close_fd_mask=2 to keep the output readable.
//
//   fuzz_wsq -close_fd_mask=2 -max_len=65536 CORPUS_DIR
//
// A seed corpus: any .wsq file, or the WSQ fields of a transaction file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "wsq/wsq.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace w = trelvo::wsq;
  int width = 0, height = 0;
  const int probed = w::probe_frame_wsq(data, size, &width, &height);
  // A frame header may announce up to 65535 x 65535 pixels (8 bytes each
  // while decoding): decode only frames the probe finds and that keep the
  // run within the fuzzer's memory limit.
  if (probed != 0 ||
      static_cast<std::size_t>(width) * static_cast<std::size_t>(height) > (std::size_t{4} << 20)) {
    int resolution = 0;
    w::ppi_from_nistcom(&resolution, data, size);
    return 0;
  }
  std::uint8_t* pixels = nullptr;
  int w_ = 0, h_ = 0, depth = 0, ppi = 0, lossy = 0, encoder = 0, software = 0;
  if (w::wsq_decode_mem(&pixels, &w_, &h_, &depth, &ppi, &lossy, &encoder, &software, data,
                        size) == 0) {
    // Every pixel is readable.
    unsigned sum = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(w_) * static_cast<std::size_t>(h_); ++i)
      sum += pixels[i];
    volatile unsigned sink = sum;
    (void)sink;
    std::free(pixels);
  }
  int resolution = 0;
  w::ppi_from_nistcom(&resolution, data, size);
  return 0;
}
