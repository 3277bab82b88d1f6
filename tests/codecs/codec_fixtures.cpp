#include "codec_fixtures.h"

#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>

namespace trelvo::testing {

namespace {

std::uint8_t& pixel(BilevelImage& image, int x, int y) {
  return image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                      static_cast<std::size_t>(x)];
}

BilevelImage blank(int width, int height) {
  BilevelImage image;
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  return image;
}

void fill_rect(BilevelImage& image, int x0, int y0, int x1, int y1, std::uint8_t value) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, image.width);
  y1 = std::min(y1, image.height);
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      pixel(image, x, y) = value;
    }
  }
}

}  // namespace

BilevelImage random_image(int width, int height, double black_share, unsigned seed) {
  BilevelImage image = blank(width, height);
  std::mt19937 rng(seed);
  std::bernoulli_distribution black(black_share);
  for (auto& p : image.pixels) {
    p = black(rng) ? 1 : 0;
  }
  return image;
}

BilevelImage patterned_image(int width, int height, unsigned seed) {
  BilevelImage image = blank(width, height);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> kind(0, 9);
  for (int y = 0; y < height; ++y) {
    const int k = y == 0 ? 0 : kind(rng);
    if (k <= 4) {
      // Fresh runs: long ones (any length up to the width) and short ones.
      int x = 0;
      std::uint8_t colour = 0;
      while (x < width) {
        const int longest = (k & 1) ? width : 70;
        int run = std::uniform_int_distribution<int>(x == 0 ? 0 : 1, longest)(rng);
        run = std::min(run, width - x);
        fill_rect(image, x, y, x + run, y + 1, colour);
        x += run;
        colour ^= 1;
      }
    } else if (k <= 7) {
      // The row above shifted by -3 .. 3 pixels: vertical mode.
      const int shift = std::uniform_int_distribution<int>(-3, 3)(rng);
      for (int x = 0; x < width; ++x) {
        const int from = std::clamp(x - shift, 0, width - 1);
        pixel(image, x, y) = image.at(from, y - 1);
      }
    } else if (k == 8) {
      for (int x = 0; x < width; ++x) {
        pixel(image, x, y) = static_cast<std::uint8_t>((x + y) & 1);
      }
    } else {
      fill_rect(image, 0, y, width, y + 1, static_cast<std::uint8_t>(rng() & 1));
    }
  }
  return image;
}

BilevelImage ladder_image(int width, int height) {
  BilevelImage image = blank(width, height);
  const int steps = width / 64 + 1;
  for (int y = 0; y < height; ++y) {
    const int k = (y / 2) % steps;
    const int tail = k % 64;
    if (y % 2 == 0) {
      // White 64k + tail, black to the end of the row.
      fill_rect(image, std::min(width, 64 * k + tail), y, width, y + 1, 1);
    } else {
      // White tail, black 64k + 63 - tail, white to the end.
      const int start = std::min(width, tail);
      fill_rect(image, start, y, std::min(width, start + 64 * k + 63 - tail), y + 1, 1);
    }
  }
  return image;
}

BilevelImage page_image(int width, int height, unsigned seed) {
  BilevelImage image = blank(width, height);
  std::mt19937 rng(seed);
  const int margin = std::max(1, width / 12);
  const int glyph = std::max(2, width / 160);  // cell size of a glyph's 3 x 5 grid
  // Frame.
  fill_rect(image, margin / 2, margin / 2, width - margin / 2, margin / 2 + 3, 1);
  fill_rect(image, margin / 2, height - margin / 2 - 3, width - margin / 2, height - margin / 2, 1);
  fill_rect(image, margin / 2, margin / 2, margin / 2 + 3, height - margin / 2, 1);
  fill_rect(image, width - margin / 2 - 3, margin / 2, width - margin / 2, height - margin / 2, 1);
  const int line_height = glyph * 8;
  int line = 0;
  for (int y = margin; y + line_height < height - margin; y += line_height, ++line) {
    if (line % 9 == 8) {
      fill_rect(image, margin, y + line_height / 2, width - margin, y + line_height / 2 + 2, 1);
      continue;
    }
    int x = margin;
    while (x + glyph * 4 < width - margin) {
      if (std::uniform_int_distribution<int>(0, 6)(rng) == 0) {
        x += glyph * 4;  // a space
        continue;
      }
      const auto shape = static_cast<unsigned>(rng());
      for (int gy = 0; gy < 5; ++gy) {
        for (int gx = 0; gx < 3; ++gx) {
          if ((shape >> (gy * 3 + gx)) & 1u) {
            fill_rect(image, x + gx * glyph, y + gy * glyph, x + (gx + 1) * glyph,
                      y + (gy + 1) * glyph, 1);
          }
        }
      }
      x += glyph * 4;
    }
  }
  return image;
}

std::vector<std::uint8_t> tiff_group4_strip(const BilevelImage& image) {
  char path[] = "/tmp/trelvo-g4-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) {
    throw std::runtime_error("mkstemp failed");
  }
  close(fd);
  TIFFSetWarningHandler(nullptr);
  TIFF* out = TIFFOpen(path, "w");
  if (out == nullptr) {
    std::remove(path);
    throw std::runtime_error("TIFFOpen for writing failed");
  }
  TIFFSetField(out, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width));
  TIFFSetField(out, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height));
  TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  // With min-is-white a set bit is black, the decoder's convention; the fax
  // coder codes 0 bits as white runs.
  TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(out, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
  TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(image.height));
  std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width + 7) / 8);
  for (int y = 0; y < image.height; ++y) {
    std::fill(row.begin(), row.end(), 0);
    for (int x = 0; x < image.width; ++x) {
      if (image.at(x, y) != 0) {
        row[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
      }
    }
    if (TIFFWriteScanline(out, row.data(), static_cast<std::uint32_t>(y), 0) < 0) {
      TIFFClose(out);
      std::remove(path);
      throw std::runtime_error("TIFFWriteScanline failed");
    }
  }
  TIFFClose(out);

  TIFF* in = TIFFOpen(path, "r");
  std::remove(path);
  if (in == nullptr) {
    throw std::runtime_error("TIFFOpen for reading failed");
  }
  const tmsize_t size = TIFFRawStripSize(in, 0);
  if (size <= 0) {
    TIFFClose(in);
    throw std::runtime_error("TIFFRawStripSize failed");
  }
  std::vector<std::uint8_t> strip(static_cast<std::size_t>(size));
  const tmsize_t got = TIFFReadRawStrip(in, 0, strip.data(), static_cast<tmsize_t>(strip.size()));
  TIFFClose(in);
  if (got != static_cast<tmsize_t>(strip.size())) {
    throw std::runtime_error("TIFFReadRawStrip failed");
  }
  return strip;
}

long long first_mismatch(const BilevelImage& image, const std::vector<std::uint8_t>& packed,
                         int rows) {
  const auto width = static_cast<std::size_t>(image.width);
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::size_t bit = static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x);
      if (packed_bit(packed, bit) != image.at(x, y)) {
        return static_cast<long long>(bit);
      }
    }
  }
  return -1;
}

// ---------------------------------------------------------------------------
// OpenJPEG streams over a byte vector.

namespace {

struct ByteStream {
  std::vector<std::uint8_t> bytes;
  std::size_t position = 0;
};

OPJ_SIZE_T stream_read(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* s = static_cast<ByteStream*>(user);
  const std::size_t n = std::min<std::size_t>(count, s->bytes.size() - s->position);
  if (n == 0) {
    return static_cast<OPJ_SIZE_T>(-1);
  }
  std::memcpy(buffer, s->bytes.data() + s->position, n);
  s->position += n;
  return n;
}

OPJ_SIZE_T stream_write(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* s = static_cast<ByteStream*>(user);
  if (s->position + count > s->bytes.size()) {
    s->bytes.resize(s->position + count);
  }
  std::memcpy(s->bytes.data() + s->position, buffer, count);
  s->position += count;
  return count;
}

OPJ_OFF_T stream_skip(OPJ_OFF_T count, void* user) {
  auto* s = static_cast<ByteStream*>(user);
  const auto target = static_cast<OPJ_OFF_T>(s->position) + count;
  if (target < 0) {
    return -1;
  }
  s->position = static_cast<std::size_t>(target);
  return count;
}

OPJ_BOOL stream_seek(OPJ_OFF_T offset, void* user) {
  auto* s = static_cast<ByteStream*>(user);
  if (offset < 0) {
    return OPJ_FALSE;
  }
  s->position = static_cast<std::size_t>(offset);
  return OPJ_TRUE;
}

opj_stream_t* make_stream(ByteStream& s, bool input) {
  opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, input ? OPJ_TRUE : OPJ_FALSE);
  opj_stream_set_user_data(stream, &s, nullptr);
  if (input) {
    opj_stream_set_user_data_length(stream, s.bytes.size());
    opj_stream_set_read_function(stream, stream_read);
  } else {
    opj_stream_set_write_function(stream, stream_write);
  }
  opj_stream_set_skip_function(stream, stream_skip);
  opj_stream_set_seek_function(stream, stream_seek);
  return stream;
}

void quiet(const char*, void*) {}

OPJ_UINT32 ceil_div(OPJ_UINT32 a, OPJ_UINT32 b) { return (a + b - 1) / b; }

}  // namespace

std::vector<std::uint8_t> openjpeg_encode(const Jp2Image& source, OPJ_CODEC_FORMAT format) {
  const auto count = static_cast<OPJ_UINT32>(source.components.size());
  std::vector<opj_image_cmptparm_t> parameters(count);
  OPJ_UINT32 smallest = std::min(source.width, source.height);
  for (OPJ_UINT32 i = 0; i < count; ++i) {
    const Jp2Component& c = source.components[i];
    opj_image_cmptparm_t& p = parameters[i];
    std::memset(&p, 0, sizeof p);
    p.dx = c.dx;
    p.dy = c.dy;
    p.x0 = source.x0;
    p.y0 = source.y0;
    p.w = ceil_div(source.x0 + source.width, c.dx) - ceil_div(source.x0, c.dx);
    p.h = ceil_div(source.y0 + source.height, c.dy) - ceil_div(source.y0, c.dy);
    p.prec = c.precision;
    p.sgnd = c.is_signed ? 1 : 0;
    if (c.samples.size() != static_cast<std::size_t>(p.w) * p.h) {
      throw std::invalid_argument("component sample count does not match its size");
    }
    smallest = std::min({smallest, p.w, p.h});
  }
  opj_image_t* image = opj_image_create(count, parameters.data(), source.colour_space);
  if (image == nullptr) {
    throw std::runtime_error("opj_image_create failed");
  }
  image->x0 = source.x0;
  image->y0 = source.y0;
  image->x1 = source.x0 + source.width;
  image->y1 = source.y0 + source.height;
  bool same_geometry = true;
  for (OPJ_UINT32 i = 0; i < count; ++i) {
    std::copy(source.components[i].samples.begin(), source.components[i].samples.end(),
              image->comps[i].data);
    same_geometry = same_geometry && source.components[i].dx == 1 && source.components[i].dy == 1;
  }

  opj_cparameters_t settings;
  opj_set_default_encoder_parameters(&settings);
  settings.tcp_numlayers = 1;
  settings.tcp_rates[0] = 0;  // lossless
  settings.cp_disto_alloc = 1;
  int resolutions = 1;
  while (resolutions < 6 && (smallest >> resolutions) > 0) {
    ++resolutions;
  }
  settings.numresolution = resolutions;
  settings.tcp_mct = (count == 3 && same_geometry) ? 1 : 0;

  opj_codec_t* codec = opj_create_compress(format);
  opj_set_info_handler(codec, quiet, nullptr);
  opj_set_warning_handler(codec, quiet, nullptr);
  opj_set_error_handler(codec, quiet, nullptr);
  ByteStream out;
  opj_stream_t* stream = make_stream(out, false);
  const bool ok = opj_setup_encoder(codec, &settings, image) && opj_start_compress(codec, image, stream) &&
                  opj_encode(codec, stream) && opj_end_compress(codec, stream);
  opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(image);
  if (!ok) {
    throw std::runtime_error("OpenJPEG encoding failed");
  }
  return std::move(out.bytes);
}

bool openjpeg_decode_only(const std::vector<std::uint8_t>& bytes) {
  ByteStream in{bytes, 0};
  opj_codec_t* codec = opj_create_decompress(OPJ_CODEC_JP2);
  opj_set_info_handler(codec, quiet, nullptr);
  opj_set_warning_handler(codec, quiet, nullptr);
  opj_set_error_handler(codec, quiet, nullptr);
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  opj_stream_t* stream = make_stream(in, true);
  opj_image_t* image = nullptr;
  const bool ok = opj_setup_decoder(codec, &parameters) &&
                  opj_read_header(stream, codec, &image) && opj_decode(codec, stream, image) &&
                  opj_end_decompress(codec, stream);
  opj_image_destroy(image);
  opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  return ok;
}

Jp2Image gray_test_image(OPJ_UINT32 width, OPJ_UINT32 height, OPJ_UINT32 precision,
                         unsigned seed) {
  Jp2Image image;
  image.width = width;
  image.height = height;
  image.colour_space = OPJ_CLRSPC_GRAY;
  Jp2Component c;
  c.precision = precision;
  c.samples.resize(static_cast<std::size_t>(width) * height);
  const auto max = static_cast<double>((std::int64_t{1} << precision) - 1);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> noise(-0.03, 0.03);
  for (OPJ_UINT32 y = 0; y < height; ++y) {
    for (OPJ_UINT32 x = 0; x < width; ++x) {
      const double v = 0.5 + 0.45 * std::sin(x * 0.013 + y * 0.007) * std::cos(y * 0.011) + noise(rng);
      c.samples[static_cast<std::size_t>(y) * width + x] =
          static_cast<OPJ_INT32>(std::lround(std::clamp(v, 0.0, 1.0) * max));
    }
  }
  image.components.push_back(std::move(c));
  return image;
}

}  // namespace trelvo::testing
