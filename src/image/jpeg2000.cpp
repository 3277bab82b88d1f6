#include "image/jpeg2000.h"

#include <openjpeg.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

namespace trelvo {

namespace {

// Read-only view of the caller's bytes as an OpenJPEG input stream.
struct MemorySource {
  const std::uint8_t* data;
  std::size_t length;
  std::size_t position;
};

OPJ_SIZE_T read_source(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* source = static_cast<MemorySource*>(user);
  const std::size_t left = source->length - source->position;
  if (left == 0) {
    return static_cast<OPJ_SIZE_T>(-1);
  }
  const std::size_t n = std::min<std::size_t>(count, left);
  std::memcpy(buffer, source->data + source->position, n);
  source->position += n;
  return n;
}

OPJ_OFF_T skip_source(OPJ_OFF_T count, void* user) {
  auto* source = static_cast<MemorySource*>(user);
  if (count < 0) {
    const auto back = std::min<std::size_t>(static_cast<std::size_t>(-count), source->position);
    source->position -= back;
    return -static_cast<OPJ_OFF_T>(back);
  }
  const auto ahead =
      std::min<std::size_t>(static_cast<std::size_t>(count), source->length - source->position);
  source->position += ahead;
  return static_cast<OPJ_OFF_T>(ahead);
}

OPJ_BOOL seek_source(OPJ_OFF_T offset, void* user) {
  auto* source = static_cast<MemorySource*>(user);
  if (offset < 0 || static_cast<std::size_t>(offset) > source->length) {
    return OPJ_FALSE;
  }
  source->position = static_cast<std::size_t>(offset);
  return OPJ_TRUE;
}

void ignore_message(const char*, void*) {}

struct StreamDeleter {
  void operator()(opj_stream_t* stream) const noexcept { opj_stream_destroy(stream); }
};
struct CodecDeleter {
  void operator()(opj_codec_t* codec) const noexcept { opj_destroy_codec(codec); }
};
struct ImageDeleter {
  void operator()(opj_image_t* image) const noexcept { opj_image_destroy(image); }
};

using StreamPtr = std::unique_ptr<opj_stream_t, StreamDeleter>;
using CodecPtr = std::unique_ptr<opj_codec_t, CodecDeleter>;
using ImagePtr = std::unique_ptr<opj_image_t, ImageDeleter>;

// Precisions above this are scaled by arithmetic instead of a table.
constexpr OPJ_UINT32 kTablePrecision = 16;

// Maps samples of one component to 8 bits: v -> round(v * 255 / (2^p - 1)),
// samples outside 0 .. 2^p - 1 first clamped into it.
class SampleScale {
 public:
  explicit SampleScale(OPJ_UINT32 precision)
      : max_((std::int64_t{1} << precision) - 1) {
    if (precision <= kTablePrecision) {
      table_.resize(static_cast<std::size_t>(max_) + 1);
      for (std::int64_t v = 0; v <= max_; ++v) {
        table_[static_cast<std::size_t>(v)] = compute(v);
      }
    }
  }

  std::uint8_t operator()(OPJ_INT32 sample) const noexcept {
    const std::int64_t v = std::clamp<std::int64_t>(sample, 0, max_);
    return table_.empty() ? compute(v) : table_[static_cast<std::size_t>(v)];
  }

 private:
  std::uint8_t compute(std::int64_t v) const noexcept {
    return static_cast<std::uint8_t>((v * 255 + max_ / 2) / max_);
  }

  std::int64_t max_;
  std::vector<std::uint8_t> table_;
};

bool component_fits(const opj_image_t& image, const opj_image_comp_t& c) {
  const OPJ_UINT32 width = image.x1 - image.x0;
  const OPJ_UINT32 height = image.y1 - image.y0;
  return c.x0 == 0 && c.y0 == 0 && c.dx == 1 && c.dy == 1 && c.w == width && c.h == height &&
         c.sgnd == 0 && c.prec >= 1 && c.prec <= 31 && c.factor == 0 && c.data != nullptr;
}

int decode(const std::uint8_t* data, std::size_t length, Bitmap& result) {
  CodecPtr codec(opj_create_decompress(OPJ_CODEC_JP2));
  if (!codec) {
    return -1;
  }
  opj_set_info_handler(codec.get(), ignore_message, nullptr);
  opj_set_warning_handler(codec.get(), ignore_message, nullptr);
  opj_set_error_handler(codec.get(), ignore_message, nullptr);

  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(codec.get(), &parameters)) {
    return -1;
  }
  // A stream that ends early is an error, not a partial image.
  if (!opj_decoder_set_strict_mode(codec.get(), OPJ_TRUE)) {
    return -1;
  }

  MemorySource source{data, length, 0};
  StreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
  if (!stream) {
    return -1;
  }
  opj_stream_set_user_data(stream.get(), &source, nullptr);
  opj_stream_set_user_data_length(stream.get(), length);
  opj_stream_set_read_function(stream.get(), read_source);
  opj_stream_set_skip_function(stream.get(), skip_source);
  opj_stream_set_seek_function(stream.get(), seek_source);

  opj_image_t* raw_image = nullptr;
  const bool header_read = opj_read_header(stream.get(), codec.get(), &raw_image) != 0;
  ImagePtr image(raw_image);
  if (!header_read || !image) {
    return -1;
  }
  if (!opj_decode(codec.get(), stream.get(), image.get()) ||
      !opj_end_decompress(codec.get(), stream.get())) {
    return -1;
  }

  std::size_t wanted = 0;
  if (image->color_space == OPJ_CLRSPC_GRAY) {
    wanted = 1;
  } else if (image->color_space == OPJ_CLRSPC_SRGB) {
    wanted = 3;
  } else {
    return -1;
  }
  // Colour channels in order (gray, or red, green, blue); alpha channels are not used.
  std::array<const opj_image_comp_t*, 3> used{};
  std::size_t found = 0;
  for (OPJ_UINT32 i = 0; i < image->numcomps && found < wanted; ++i) {
    if (image->comps[i].alpha == 0) {
      used[found++] = &image->comps[i];
    }
  }
  if (found != wanted) {
    return -1;
  }
  if (image->x1 <= image->x0 || image->y1 <= image->y0) {
    return -1;
  }
  for (std::size_t i = 0; i < wanted; ++i) {
    if (!component_fits(*image, *used[i])) {
      return -1;
    }
  }
  const OPJ_UINT32 width = image->x1 - image->x0;
  const OPJ_UINT32 height = image->y1 - image->y0;
  if (width > static_cast<OPJ_UINT32>(Bitmap::kMaxDimension) ||
      height > static_cast<OPJ_UINT32>(Bitmap::kMaxDimension)) {
    return -1;
  }
  const int w = static_cast<int>(width);
  const int h = static_cast<int>(height);

  if (wanted == 1) {
    result.create(PixelFormat::Bit8, w, h);
    result.set_palette(gray_palette());
    const SampleScale scale(used[0]->prec);
    const OPJ_INT32* samples = used[0]->data;
    for (int y = 0; y < h; ++y) {
      std::uint8_t* row = result.row(y);
      for (int x = 0; x < w; ++x) {
        row[x] = scale(*samples++);
      }
    }
  } else {
    result.create(PixelFormat::Bit24, w, h);
    const SampleScale red_scale(used[0]->prec);
    const SampleScale green_scale(used[1]->prec);
    const SampleScale blue_scale(used[2]->prec);
    const OPJ_INT32* red = used[0]->data;
    const OPJ_INT32* green = used[1]->data;
    const OPJ_INT32* blue = used[2]->data;
    for (int y = 0; y < h; ++y) {
      std::uint8_t* row = result.row(y);
      for (int x = 0; x < w; ++x) {
        row[0] = blue_scale(*blue++);
        row[1] = green_scale(*green++);
        row[2] = red_scale(*red++);
        row += 3;
      }
    }
  }
  return 0;
}

}  // namespace

int Jpeg2000ToBitmap(const std::uint8_t* data, std::size_t length, Bitmap& bitmap,
                     const char* format) noexcept {
  if (data == nullptr || length == 0 || format == nullptr || std::strcmp(format, "jp2") != 0) {
    return -1;
  }
  try {
    Bitmap result;
    if (decode(data, length, result) != 0) {
      return -1;
    }
    bitmap.swap(result);
    return 0;
  } catch (const std::exception&) {
    return -1;  // no memory for the bitmap or OpenJPEG's buffers
  }
}

}  // namespace trelvo
