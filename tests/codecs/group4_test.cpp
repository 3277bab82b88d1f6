#include "image/group4.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "codec_fixtures.h"

namespace trelvo {
namespace {

using testing::BilevelImage;
using testing::first_mismatch;
using testing::packed_bit;

constexpr std::uint8_t kFill = 0xA5;

struct Decoded {
  int rc = 0;
  std::size_t size = 0;
  std::vector<std::uint8_t> out;  // group4_output_bytes + one guard byte
};

Decoded decode(const std::vector<std::uint8_t>& stream, int width, int height,
               std::uint8_t fill = kFill) {
  Decoded d;
  d.out.assign(group4_output_bytes(width, height) + 1, fill);
  // An exact-size copy, so that a read past the end is caught by the sanitizer.
  const std::vector<std::uint8_t> input(stream);
  static const std::uint8_t nothing = 0;
  d.rc = decompress_group4(input.empty() ? &nothing : input.data(), input.size(), width, height, d.out.data(),
                           d.out.size() - 1, &d.size);
  return d;
}

// Captures standard error for its lifetime, also when an assertion returns early.
class StderrCapture {
 public:
  StderrCapture() { ::testing::internal::CaptureStderr(); }
  ~StderrCapture() {
    if (!taken_) {
      ::testing::internal::GetCapturedStderr();
    }
  }
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;
  std::string take() {
    taken_ = true;
    return ::testing::internal::GetCapturedStderr();
  }

 private:
  bool taken_ = false;
};

// Bits appended most significant first, as in the coded stream.
class BitWriter {
 public:
  BitWriter& put(const std::string& bits) {
    for (char c : bits) {
      if (count_ % 8 == 0) {
        bytes_.push_back(0);
      }
      if (c == '1') {
        bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | (0x80u >> (count_ % 8)));
      }
      ++count_;
    }
    return *this;
  }
  BitWriter& end_of_block() { return put("000000000001000000000001"); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t count_ = 0;
};

// Codes used by the hand-made streams.
const std::string kV0 = "1", kVR1 = "011", kVL1 = "010", kH = "001";
const std::string kWhite0 = "00110101", kWhite3 = "1000", kWhite10 = "00111",
                  kWhite20 = "0001000", kWhite2560 = "000000011111";
const std::string kBlack0 = "0000110111", kBlack2 = "11", kBlack3 = "10", kBlack5 = "0011",
                  kBlack30 = "000001101000";

// ---------------------------------------------------------------------------
// Bit-exact agreement with libtiff's encoder.

enum class Kind { SparseRandom, DenseRandom, Patterned, Ladder, Page };

BilevelImage make_image(Kind kind, int width, int height, unsigned seed) {
  switch (kind) {
    case Kind::SparseRandom: return testing::random_image(width, height, 0.04, seed);
    case Kind::DenseRandom: return testing::random_image(width, height, 0.5, seed);
    case Kind::Patterned: return testing::patterned_image(width, height, seed);
    case Kind::Ladder: return testing::ladder_image(width, height);
    case Kind::Page: return testing::page_image(width, height, seed);
  }
  return {};
}

class Group4Libtiff : public ::testing::TestWithParam<std::tuple<int, Kind>> {};

TEST_P(Group4Libtiff, ReproducesEveryBit) {
  const auto [width, kind] = GetParam();
  for (const int height : {1, 2, 9, 40, 130}) {
    SCOPED_TRACE("height " + std::to_string(height));
    const BilevelImage image = make_image(kind, width, height, static_cast<unsigned>(width * 131 + height));
    const std::vector<std::uint8_t> stream = testing::tiff_group4_strip(image);
    const Decoded d = decode(stream, width, height);
    ASSERT_EQ(d.rc, kGroup4Ok);
    EXPECT_EQ(d.size, group4_output_bytes(width, height));
    EXPECT_EQ(first_mismatch(image, d.out, height), -1);
    // Bits after the last row are not touched.
    const std::size_t bits = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t bit = bits; bit < (d.out.size() - 1) * 8; ++bit) {
      ASSERT_EQ(packed_bit(d.out, bit), (kFill >> (7 - bit % 8)) & 1) << "bit " << bit;
    }
    EXPECT_EQ(d.out.back(), kFill);
  }
}

const char* kind_name(Kind kind) {
  static const char* const names[] = {"SparseRandom", "DenseRandom", "Patterned", "Ladder",
                                      "Page"};
  return names[static_cast<int>(kind)];
}

void PrintTo(Kind kind, std::ostream* os) { *os << kind_name(kind); }

std::string case_name(const ::testing::TestParamInfo<std::tuple<int, Kind>>& info) {
  return "W" + std::to_string(std::get<0>(info.param)) + "_" + kind_name(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(
    Widths, Group4Libtiff,
    ::testing::Combine(::testing::Values(1, 7, 13, 200, 1728, 2600),
                       ::testing::Values(Kind::SparseRandom, Kind::DenseRandom, Kind::Patterned,
                                         Kind::Ladder, Kind::Page)),
    case_name);

TEST(Group4, FullPageMatchesLibtiff) {
  const BilevelImage page = testing::page_image(2600, 3300, 7);
  const Decoded d = decode(testing::tiff_group4_strip(page), 2600, 3300);
  ASSERT_EQ(d.rc, kGroup4Ok);
  EXPECT_EQ(first_mismatch(page, d.out, 3300), -1);
}

TEST(Group4, StopsAfterHeightRows) {
  // The stream holds 30 rows; only 12 are asked for and the buffer holds only those.
  const BilevelImage image = testing::patterned_image(200, 30, 3);
  const std::vector<std::uint8_t> stream = testing::tiff_group4_strip(image);
  const Decoded d = decode(stream, 200, 12);
  ASSERT_EQ(d.rc, kGroup4Ok);
  EXPECT_EQ(d.size, 300u);
  EXPECT_EQ(first_mismatch(image, d.out, 12), -1);
  EXPECT_EQ(d.out.back(), kFill);
}

// ---------------------------------------------------------------------------
// Hand-made streams.

TEST(Group4, AllWhitePageOfTwoRows) {
  const auto stream = BitWriter().put(kV0).put(kV0).end_of_block().bytes();
  const Decoded d = decode(stream, 1728, 2, 0xFF);
  ASSERT_EQ(d.rc, kGroup4Ok);
  EXPECT_EQ(d.size, 432u);
  EXPECT_TRUE(std::all_of(d.out.begin(), d.out.end() - 1, [](auto b) { return b == 0; }));
  EXPECT_EQ(d.out.back(), 0xFF);
}

TEST(Group4, EndOfBlockBeforeLastRowKeepsRestUntouched) {
  const auto stream = BitWriter().put(kV0).put(kV0).end_of_block().bytes();
  const Decoded d = decode(stream, 1728, 5, 0xFF);
  ASSERT_EQ(d.rc, kGroup4Ok);
  EXPECT_EQ(d.size, 432u);
  EXPECT_TRUE(std::all_of(d.out.begin(), d.out.begin() + 432, [](auto b) { return b == 0; }));
  EXPECT_TRUE(std::all_of(d.out.begin() + 432, d.out.end(), [](auto b) { return b == 0xFF; }));
}

TEST(Group4, RowsOfWidth13AreNotPadded) {
  // Row 0 all white; row 1 starts black: white run 0, black run 3, then white.
  const auto stream =
      BitWriter().put(kV0).put(kH + kWhite0 + kBlack3).put(kV0).end_of_block().bytes();
  const Decoded d = decode(stream, 13, 2);
  ASSERT_EQ(d.rc, kGroup4Ok);
  EXPECT_EQ(d.size, 4u);
  EXPECT_EQ(d.out[0], 0x00);
  EXPECT_EQ(d.out[1], 0x07);  // bits 13, 14, 15: byte 1 from bit 5 on
  EXPECT_EQ(d.out[2], 0x00);
  // 26 bits decoded: the top two bits of byte 3 are white, the rest untouched.
  EXPECT_EQ(d.out[3], kFill & 0x3F);
}

TEST(Group4, ExtendedMakeUpCodeRun) {
  // Width 2600: white 2560 + 10, then black 30.
  const auto stream =
      BitWriter().put(kH + kWhite2560 + kWhite10 + kBlack30).end_of_block().bytes();
  const Decoded d = decode(stream, 2600, 1);
  ASSERT_EQ(d.rc, kGroup4Ok);
  for (std::size_t bit = 0; bit < 2600; ++bit) {
    ASSERT_EQ(packed_bit(d.out, bit), bit >= 2570 ? 1 : 0) << "bit " << bit;
  }
}

TEST(Group4, VerticalModesFollowTheRowAbove) {
  // Row 0: white 3, black 5, white 5. Row 1: VR1, VL1, V0 against it:
  // black from 4 to 6, then white to the end.
  const auto stream = BitWriter()
                          .put(kH + kWhite3 + kBlack5)
                          .put(kV0)
                          .put(kVR1 + kVL1 + kV0)
                          .end_of_block()
                          .bytes();
  const Decoded d = decode(stream, 13, 2);
  ASSERT_EQ(d.rc, kGroup4Ok);
  const std::string expected = "0001111100000" "0000111000000";
  for (std::size_t bit = 0; bit < expected.size(); ++bit) {
    ASSERT_EQ(packed_bit(d.out, bit), expected[bit] - '0') << "bit " << bit;
  }
}

// ---------------------------------------------------------------------------
// Faults: each gives its code, the rows before it are kept.

struct FaultCase {
  const char* name;
  std::vector<std::uint8_t> stream;
  int width;
  int height;
  int rc;
  std::size_t rows_kept;
};

std::vector<FaultCase> fault_cases() {
  const std::string white13 = kV0;
  const std::string row_black_at_0 = kH + kWhite0 + kBlack5 + kV0;  // reference then starts black
  std::string overflow;
  for (int i = 0; i < 20; ++i) {
    overflow += kH + kWhite0 + kBlack0;
  }
  return {
      {"Empty", {}, 13, 1, kGroup4Truncated, 0},
      {"EndsInsideRow", BitWriter().put(white13).put(kH + kWhite3).bytes(), 13, 2, kGroup4Truncated, 1},
      {"EndOfBlockInsideRow", BitWriter().put(kH + kWhite3 + kBlack2).end_of_block().bytes(), 13, 1,
       kGroup4Truncated, 0},
      {"ExtensionCode", BitWriter().put(white13).put("0000001111").put("0000000000000000").bytes(), 13, 3,
       kGroup4InvalidCode, 1},
      {"BrokenEndOfBlock", BitWriter().put(white13).put("000000000001000000000011").bytes(), 13, 3,
       kGroup4InvalidCode, 1},
      {"EightZeroRunCode", BitWriter().put(kH + "00000000" + "11111111").bytes(), 13, 1,
       kGroup4InvalidCode, 0},
      {"VerticalBeyondWidth", BitWriter().put(white13).put(kVR1).put("1111").bytes(), 13, 2, kGroup4BadRun, 1},
      {"VerticalBackwards", BitWriter().put(row_black_at_0).put(kVL1).put("1111").bytes(), 13, 2,
       kGroup4BadRun, 1},
      {"RunBeyondWidth", BitWriter().put(kH + kWhite20 + kBlack0).bytes(), 13, 1, kGroup4BadRun, 0},
      {"TooManyChanges", BitWriter().put(white13).put(overflow).bytes(), 8, 2, kGroup4LineOverflow, 1},
  };
}

TEST(Group4, FaultsGiveTheirCodeAndKeepEarlierRows) {
  for (const FaultCase& c : fault_cases()) {
    SCOPED_TRACE(c.name);
    StderrCapture capture;
    const Decoded d = decode(c.stream, c.width, c.height);
    const std::string message = capture.take();
    EXPECT_EQ(d.rc, c.rc);
    EXPECT_EQ(d.size, group4_output_bytes(c.width, static_cast<int>(c.rows_kept)));
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(d.out.back(), kFill);
  }
}

TEST(Group4, InvalidCodeMessage) {
  StderrCapture capture;
  const Decoded d = decode(BitWriter().put("0000001").bytes(), 13, 1);
  EXPECT_EQ(capture.take(), "ERROR : decompress_group4 : invalid code\n");
  EXPECT_EQ(d.rc, kGroup4InvalidCode);
}

TEST(Group4, CallerErrorsAreReturnedNotFatal) {
  const std::uint8_t in[4] = {0x80, 0, 0, 0};
  std::uint8_t out[8] = {};
  std::size_t size = 99;

  ::testing::internal::CaptureStdout();
  EXPECT_EQ(decompress_group4(nullptr, 4, 8, 1, out, sizeof out, &size), kGroup4NullInput);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "\nNo memory allocated for input data!\n");
  EXPECT_EQ(size, 0u);

  ::testing::internal::CaptureStdout();
  EXPECT_EQ(decompress_group4(in, 4, 8, 1, nullptr, 8, &size), kGroup4NullOutput);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "\nNo memory allocated for decompressed data!\n");

  StderrCapture capture;
  EXPECT_EQ(decompress_group4(in, 4, 0, 1, out, sizeof out, &size), kGroup4BadGeometry);
  EXPECT_EQ(decompress_group4(in, 4, 8, -1, out, sizeof out, &size), kGroup4BadGeometry);
  EXPECT_EQ(decompress_group4(in, 4, 1 << 30 | 1, 1, out, sizeof out, &size), kGroup4BadGeometry);
  // 13 x 5 pixels need 9 bytes.
  EXPECT_EQ(decompress_group4(in, 4, 13, 5, out, sizeof out, &size), kGroup4OutputTooSmall);
  EXPECT_EQ(decompress_group4(in, 1, 8, 1, out, 1, nullptr), kGroup4Ok);  // a V0 row, no size asked
  EXPECT_EQ(out[0], 0x00);
}

// ---------------------------------------------------------------------------
// Damaged real streams: an error code or a correct image, never a fault.

struct Sample {
  BilevelImage image;
  std::vector<std::uint8_t> stream;
};

const std::vector<Sample>& samples() {
  static const std::vector<Sample> all = [] {
    std::vector<Sample> s;
    for (BilevelImage image : {testing::page_image(1728, 120, 11), testing::patterned_image(200, 60, 5),
                               testing::random_image(13, 40, 0.3, 9)}) {
      std::vector<std::uint8_t> stream = testing::tiff_group4_strip(image);
      s.push_back({std::move(image), std::move(stream)});
    }
    return s;
  }();
  return all;
}

TEST(Group4, TruncatedStreamsKeepDecodedRows) {
  for (const Sample& s : samples()) {
    const int w = s.image.width;
    const int h = s.image.height;
    const std::size_t step = std::max<std::size_t>(1, s.stream.size() / 150);
    StderrCapture capture;
    for (std::size_t length = 0; length < s.stream.size(); length += step) {
      SCOPED_TRACE("width " + std::to_string(w) + ", length " + std::to_string(length));
      const std::vector<std::uint8_t> cut(s.stream.begin(), s.stream.begin() + static_cast<long>(length));
      const Decoded d = decode(cut, w, h);
      ASSERT_LE(d.size, group4_output_bytes(w, h));
      if (d.rc == kGroup4Ok) {
        // Only the end-of-block code was cut off.
        ASSERT_EQ(d.size, group4_output_bytes(w, h));
        ASSERT_EQ(first_mismatch(s.image, d.out, h), -1);
      } else {
        ASSERT_EQ(d.rc, kGroup4Truncated);
        // Rows of d.size bytes: exact for widths of 8 and more.
        const int rows = w >= 8 ? static_cast<int>(d.size * 8 / static_cast<std::size_t>(w)) : 0;
        ASSERT_EQ(first_mismatch(s.image, d.out, rows), -1);
      }
      ASSERT_EQ(d.out.back(), kFill);
    }
  }
}

TEST(Group4, CorruptedStreamsAreBounded) {
  std::mt19937 rng(2024);
  for (const Sample& s : samples()) {
    const int w = s.image.width;
    const int h = s.image.height;
    StderrCapture capture;
    for (int round = 0; round < 200; ++round) {
      std::vector<std::uint8_t> bad = s.stream;
      const int flips = 1 + round % 8;
      for (int i = 0; i < flips; ++i) {
        const std::size_t bit = rng() % (bad.size() * 8);
        bad[bit / 8] = static_cast<std::uint8_t>(bad[bit / 8] ^ (0x80u >> (bit % 8)));
      }
      if (round % 5 == 0) {
        bad.resize(bad.size() / 2 + rng() % (bad.size() / 2));
      }
      const Decoded d = decode(bad, w, h);
      ASSERT_LE(d.rc, kGroup4Ok);
      ASSERT_GE(d.rc, kGroup4LineOverflow);
      ASSERT_LE(d.size, group4_output_bytes(w, h));
      ASSERT_EQ(d.out.back(), kFill);
    }
    for (int round = 0; round < 100; ++round) {
      std::vector<std::uint8_t> noise(1 + rng() % 64);
      for (auto& b : noise) {
        b = static_cast<std::uint8_t>(rng());
      }
      const Decoded d = decode(noise, w, h);
      ASSERT_LE(d.rc, kGroup4Ok);
      ASSERT_EQ(d.out.back(), kFill);
    }
  }
}

}  // namespace
}  // namespace trelvo
