// Helpers shared by the WSQ tests: decoding with the messages captured,
// the reference files, and the WSQ streams inside a transaction file.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "wsq/wsq_internal.h"

namespace wsqtest {

using Bytes = std::vector<std::uint8_t>;

struct Decoded {
  int rc = 0;
  Bytes pixels;
  int width = -7, height = -7, depth = -7, ppi = -7, lossy = -7, encoder = -7, software = -7;
  std::string messages;  // what the decoder wrote to standard error
};

inline Decoded decode(const Bytes& stream) {
  Decoded d;
  std::uint8_t* px = nullptr;
  testing::internal::CaptureStderr();
  d.rc = trelvo::wsq::wsq_decode_mem(&px, &d.width, &d.height, &d.depth, &d.ppi, &d.lossy,
                                     &d.encoder, &d.software, stream.data(), stream.size());
  d.messages = testing::internal::GetCapturedStderr();
  if (d.rc == 0) {
    d.pixels.assign(px, px + static_cast<std::size_t>(d.width) * d.height);
    std::free(px);
  }
  return d;
}

inline std::string corpus_dir() { return TRELVO_CORPUS_DIR; }

inline std::optional<Bytes> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A WSQ stream inside a transaction file, with the width and height that
// its record gives.
struct EmbeddedWsq {
  std::size_t offset = 0;
  int record_type = 0;
  int record_width = 0, record_height = 0;
};

// Finds the WSQ streams (SOI followed by a table or comment marker) of a
// transaction file. A Type-4 record has an 18-byte binary header just before
// its image: width (HLL) at bytes 13-14, height (VLL) at 15-16, GCA at 17.
// A tagged record carries its size in fields .006 and .007 before .999.
inline std::vector<EmbeddedWsq> find_wsq_streams(const Bytes& file) {
  std::vector<EmbeddedWsq> out;
  for (std::size_t i = 0; i + 4 <= file.size(); ++i) {
    if (file[i] != 0xFF || file[i + 1] != 0xA0 || file[i + 2] != 0xFF) continue;
    if (file[i + 3] < 0xA4 || file[i + 3] > 0xA8) continue;
    EmbeddedWsq e;
    e.offset = i;
    const std::string tag999 = ".999:";
    if (i >= 7 && std::string(file.begin() + static_cast<std::ptrdiff_t>(i) - 5,
                              file.begin() + static_cast<std::ptrdiff_t>(i)) == tag999) {
      // Tagged record: walk back to its first field and read .006/.007.
      const std::size_t start_search = i >= 4096 ? i - 4096 : 0;
      std::string text(file.begin() + static_cast<std::ptrdiff_t>(start_search),
                       file.begin() + static_cast<std::ptrdiff_t>(i));
      const std::size_t dot = text.rfind(".001:");
      std::size_t type_start = dot;
      while (type_start > 0 && std::isdigit(static_cast<unsigned char>(text[type_start - 1])))
        --type_start;
      e.record_type = std::atoi(text.substr(type_start, dot - type_start).c_str());
      const std::string prefix = text.substr(type_start, dot - type_start);
      auto field = [&](const char* num) {
        const std::string key = prefix + "." + num + ":";
        const std::size_t p = text.find(key, dot);
        return p == std::string::npos ? -1 : std::atoi(text.c_str() + p + key.size());
      };
      e.record_width = field("006");
      e.record_height = field("007");
    } else if (i >= 18) {
      e.record_type = 4;
      e.record_width = (file[i - 5] << 8) | file[i - 4];
      e.record_height = (file[i - 3] << 8) | file[i - 2];
    }
    out.push_back(e);
  }
  return out;
}

}  // namespace wsqtest
