// Whole streams: round trips through the test encoder, stream layouts, and
// every way a damaged stream can fail.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "wsq_test_encoder.h"
#include "wsq_test_util.h"

namespace w = trelvo::wsq;
using wsqtest::Bytes;
using wsqtest::decode;
using wsqtest::Decoded;
using wsqtest::Segment;

namespace {

// Bin width (in units of the normalized image) of the round-trip streams:
// about 3 to 4 bits per pixel on the ridge images. See RoundTrip for the
// expected error.
constexpr double kHighRateQ = 2.0;

std::vector<Segment> standard_segments(int width = 96, int height = 80,
                                       wsqtest::EncoderOptions o = {}) {
  if (o.q == 1.0) o.q = kHighRateQ;
  return wsqtest::encode_segments(wsqtest::ridge_image(width, height), width, height, o).segments;
}

std::size_t find_segment(const std::vector<Segment>& segs, std::uint16_t marker, int nth = 0) {
  for (std::size_t i = 0; i < segs.size(); ++i)
    if (segs[i].marker == marker && nth-- == 0) return i;
  ADD_FAILURE() << "no segment " << std::hex << marker;
  return 0;
}

Decoded decode_segments(const std::vector<Segment>& segs) { return decode(wsqtest::serialize(segs)); }

const Decoded& reference_decode() {
  static const Decoded d = decode_segments(standard_segments());
  return d;
}

}  // namespace

// ------------------------------------------------------------ round trip
struct RoundTripCase {
  int width, height;
  int image;  // 0 ridges, 1 gradient
};

class WsqRoundTrip : public testing::TestWithParam<RoundTripCase> {};

// Expected error: a coefficient outside the zero bin is off by at most half
// a bin and on average by much less (uniform: Q^2/12); one inside the zero
// bin (1.2 Q wide) is off by at most 0.6 Q. The synthesis filters keep the
// energy roughly as it is, so the mean square error in pixels stays below
// (0.6 Q r_scale)^2 / 3 plus 1/12 for the rounding to 8 bits: for Q = 2 and
// r_scale near 1, about 0.56, that is 50.6 dB. The highest-frequency quarter
// (subbands 60..63) is never coded; these images have almost nothing there.
// 45 dB leaves room for that and for the edges; the streams measure 54 to
// 56 dB.
TEST_P(WsqRoundTrip, DecodesWithinPsnr) {
  const RoundTripCase& c = GetParam();
  const Bytes px = c.image == 0 ? wsqtest::ridge_image(c.width, c.height)
                                : wsqtest::gradient_image(c.width, c.height);
  wsqtest::EncoderOptions o;
  o.q = kHighRateQ;
  o.ppi = "500";
  o.wsq_encoder = 3;
  o.software = 0x1234;
  const Bytes stream = wsqtest::encode(px, c.width, c.height, o);
  const Decoded d = decode(stream);
  ASSERT_EQ(d.rc, 0) << d.messages;
  EXPECT_EQ(d.messages, "");
  EXPECT_EQ(d.width, c.width);
  EXPECT_EQ(d.height, c.height);
  EXPECT_EQ(d.depth, 8);
  EXPECT_EQ(d.ppi, 500);
  EXPECT_EQ(d.lossy, 1);
  EXPECT_EQ(d.encoder, 3);
  EXPECT_EQ(d.software, 0x1234);
  const double p = wsqtest::psnr(d.pixels.data(), px.data(), px.size());
  EXPECT_GE(p, 45.0) << c.width << "x" << c.height << " " << stream.size() << " bytes";
  RecordProperty("psnr_" + std::to_string(c.width) + "x" + std::to_string(c.height) + "_" +
                     std::to_string(c.image),
                 std::to_string(p));
  int pw = 0, ph = 0;
  ASSERT_EQ(w::probe_frame_wsq(stream.data(), stream.size(), &pw, &ph), 0);
  EXPECT_EQ(pw, c.width);
  EXPECT_EQ(ph, c.height);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WsqRoundTrip,
                         testing::Values(RoundTripCase{17, 17, 0}, RoundTripCase{17, 40, 0},
                                         RoundTripCase{40, 17, 1}, RoundTripCase{64, 64, 0},
                                         RoundTripCase{65, 65, 1}, RoundTripCase{100, 37, 0},
                                         RoundTripCase{255, 256, 0}, RoundTripCase{545, 622, 0},
                                         RoundTripCase{800, 750, 0}, RoundTripCase{333, 211, 1}));

TEST(WsqDecode, FineQuantizationIsNearlyLossless) {
  const int width = 128, height = 96;
  const Bytes px = wsqtest::ridge_image(width, height, 3);
  wsqtest::EncoderOptions o;
  o.q = 0.1;
  const Decoded d = decode(wsqtest::encode(px, width, height, o));
  ASSERT_EQ(d.rc, 0) << d.messages;
  EXPECT_GE(wsqtest::psnr(d.pixels.data(), px.data(), px.size()), 55.0);
}

TEST(WsqDecode, SameStreamTwiceGivesSamePixels) {
  const Bytes s = wsqtest::serialize(standard_segments());
  const Decoded a = decode(s);
  const Decoded b = decode(s);
  ASSERT_EQ(a.rc, 0);
  ASSERT_EQ(b.rc, 0);
  EXPECT_EQ(a.pixels, b.pixels);
}

TEST(WsqDecode, UncodedSubbands) {
  // Some subbands with bin width 0 take no coefficients.
  wsqtest::EncoderOptions o;
  o.q_bins.assign(60, kHighRateQ);
  for (int k : {0, 5, 20, 33, 51, 52, 59}) o.q_bins[k] = 0.0;
  const Decoded d = decode_segments(standard_segments(96, 80, o));
  ASSERT_EQ(d.rc, 0) << d.messages;
  EXPECT_NE(d.pixels, reference_decode().pixels);
}

// ------------------------------------------------------------ layouts
TEST(WsqDecode, TwoTablesInOneDhtSegment) {
  std::vector<Segment> segs = standard_segments();
  const std::size_t first = find_segment(segs, wsqtest::kDHT, 0);
  const std::size_t second = find_segment(segs, wsqtest::kDHT, 1);
  // Join the two tables' bytes into the first segment.
  Segment joined = segs[first];
  joined.body.insert(joined.body.end(), segs[second].body.begin() + 2, segs[second].body.end());
  const unsigned len = static_cast<unsigned>(joined.body.size());
  joined.body[0] = static_cast<std::uint8_t>(len >> 8);
  joined.body[1] = static_cast<std::uint8_t>(len);
  segs[first] = joined;
  segs.erase(segs.begin() + static_cast<std::ptrdiff_t>(second));
  const Decoded d = decode_segments(segs);
  ASSERT_EQ(d.rc, 0) << d.messages;
  EXPECT_EQ(d.pixels, reference_decode().pixels);
}

TEST(WsqDecode, CommentsEverywhere) {
  std::vector<Segment> segs = standard_segments();
  // Before each block's tables, between blocks 2 and 3, and after block 3.
  const Segment com = wsqtest::make_com("just a comment");
  std::vector<Segment> out;
  int sob = 0;
  for (const Segment& s : segs) {
    if (s.marker == wsqtest::kEOI) {
      out.push_back(com);
      out.push_back(wsqtest::make_com(""));
      out.push_back(com);
    }
    if (s.marker == wsqtest::kDHT || s.marker == wsqtest::kSOF) out.push_back(com);
    if (s.marker == wsqtest::kSOB && ++sob == 3) {
      out.push_back(com);
      out.push_back(com);
    }
    out.push_back(s);
  }
  const Decoded d = decode_segments(out);
  ASSERT_EQ(d.rc, 0) << d.messages;
  EXPECT_EQ(d.pixels, reference_decode().pixels);
}

TEST(WsqDecode, SecondTransformTableReplacesTheFirst) {
  std::vector<Segment> segs = standard_segments();
  const std::size_t dtt = find_segment(segs, wsqtest::kDTT);
  const Segment odd = wsqtest::make_dtt(3, 5, {0.9, 0.1}, {0.8, 0.3, 0.05});
  {
    std::vector<Segment> s = segs;
    s.insert(s.begin() + static_cast<std::ptrdiff_t>(dtt), odd);
    const Decoded d = decode_segments(s);
    ASSERT_EQ(d.rc, 0) << d.messages;
    EXPECT_EQ(d.pixels, reference_decode().pixels);
  }
  {
    // Between the blocks: the last one read is used for the reconstruction.
    std::vector<Segment> s = segs;
    s[dtt] = odd;
    s.insert(s.begin() + static_cast<std::ptrdiff_t>(find_segment(s, wsqtest::kSOB, 2)),
             wsqtest::make_dtt_standard());
    const Decoded d = decode_segments(s);
    ASSERT_EQ(d.rc, 0) << d.messages;
    EXPECT_EQ(d.pixels, reference_decode().pixels);
  }
  {
    // The odd filters alone decode (to other pixels).
    std::vector<Segment> s = segs;
    s[dtt] = odd;
    const Decoded d = decode_segments(s);
    ASSERT_EQ(d.rc, 0) << d.messages;
    EXPECT_NE(d.pixels, reference_decode().pixels);
  }
}

TEST(WsqDecode, WithoutQuantizationTable) {
  std::vector<Segment> segs = standard_segments();
  segs.erase(segs.begin() + static_cast<std::ptrdiff_t>(find_segment(segs, wsqtest::kDQT)));
  const Bytes no_dqt = wsqtest::serialize(segs);
  const Bytes good = wsqtest::serialize(standard_segments());
  for (int round = 0; round < 2; ++round) {
    const Decoded g = decode(good);
    ASSERT_EQ(g.rc, 0);
    const Decoded d = decode(no_dqt);
    EXPECT_EQ(d.rc, -92);
    EXPECT_EQ(d.messages, "ERROR: unquantize : quantization table parameters not defined!\n");
    EXPECT_EQ(d.width, -7) << "outputs untouched";
  }
}

TEST(WsqDecode, QuantizationTableBetweenBlocks) {
  // A DQT after block 1 is used for the dequantization (the coefficient
  // maximum stays that of the frame until a table is known).
  std::vector<Segment> segs = standard_segments();
  const std::size_t dqt = find_segment(segs, wsqtest::kDQT);
  const Segment table = segs[dqt];
  segs.erase(segs.begin() + static_cast<std::ptrdiff_t>(dqt));
  segs.insert(segs.begin() + static_cast<std::ptrdiff_t>(find_segment(segs, wsqtest::kSOB, 1)),
              table);
  const Decoded d = decode_segments(segs);
  ASSERT_EQ(d.rc, 0) << d.messages;
  EXPECT_EQ(d.pixels, reference_decode().pixels);
}

TEST(WsqDecode, NistcomVariants) {
  {
    wsqtest::EncoderOptions o;
    o.nistcom = false;
    const Decoded d = decode_segments(standard_segments(96, 80, o));
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.ppi, -1);
    EXPECT_EQ(d.pixels, reference_decode().pixels);
  }
  {
    wsqtest::EncoderOptions o;
    o.ppi_line = false;
    const Decoded d = decode_segments(standard_segments(96, 80, o));
    EXPECT_EQ(d.rc, -2);
    EXPECT_EQ(d.messages, "ERROR : extractfet_ret : feature PPI not found\n");
  }
  {
    wsqtest::EncoderOptions o;
    o.ppi = "";
    const Decoded d = decode_segments(standard_segments(96, 80, o));
    ASSERT_EQ(d.rc, 0) << d.messages;
    EXPECT_EQ(d.ppi, -1);
  }
  {
    wsqtest::EncoderOptions o;
    o.ppi = "1000";
    const Decoded d = decode_segments(standard_segments(96, 80, o));
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.ppi, 1000);
  }
}

TEST(WsqDecode, BlackAndWhitePlayNoPart) {
  wsqtest::EncoderOptions o;
  o.black = 17;
  o.white = 3;
  const Decoded d = decode_segments(standard_segments(96, 80, o));
  ASSERT_EQ(d.rc, 0);
  EXPECT_EQ(d.pixels, reference_decode().pixels);
}

TEST(WsqDecode, ZeroRScaleGivesFlatImage) {
  struct Case {
    std::uint16_t m_shift;  // scale 1
    int pixel;
  } cases[] = {{1502, 150}, {1507, 151}, {2546, 255}, {2544, 254}, {2545, 255}, {0, 0},
               {9999, 255}};
  for (const Case& c : cases) {
    std::vector<Segment> segs = standard_segments();
    Segment& sof = segs[find_segment(segs, wsqtest::kSOF)];
    sof.body[8] = 1;  // m_shift: scale 1
    sof.body[9] = static_cast<std::uint8_t>(c.m_shift >> 8);
    sof.body[10] = static_cast<std::uint8_t>(c.m_shift);
    sof.body[11] = 0;  // r_scale = 0
    sof.body[12] = 0;
    sof.body[13] = 0;
    const Decoded d = decode_segments(segs);
    ASSERT_EQ(d.rc, 0);
    for (std::uint8_t p : d.pixels) ASSERT_EQ(p, c.pixel) << c.m_shift;
  }
}

TEST(WsqDecode, PixelConversion) {
  EXPECT_EQ(w::wsq_float_to_pixel(0.0f, 1.0f, -0.4f), 0);  // t = 0.1
  EXPECT_EQ(w::wsq_float_to_pixel(0.0f, 1.0f, -0.6f), 0);  // t = -0.1
  EXPECT_EQ(w::wsq_float_to_pixel(254.6f, 0.0f, 1e30f), 255);
  EXPECT_EQ(w::wsq_float_to_pixel(254.4f, 0.0f, 0.0f), 254);
  EXPECT_EQ(w::wsq_float_to_pixel(100.0f, 2.0f, 77.3f), 255);
  EXPECT_EQ(w::wsq_float_to_pixel(100.0f, 2.0f, 10.2f), 120);
  EXPECT_EQ(w::wsq_float_to_pixel(100.0f, 2.0f, -10.3f), 79);
  EXPECT_EQ(w::wsq_float_to_pixel(0.0f, 1.0f, std::nanf("")), 0);
  EXPECT_EQ(w::wsq_float_to_pixel(0.0f, 1.0f, INFINITY), 255);
  EXPECT_EQ(w::wsq_float_to_pixel(0.0f, 1.0f, -INFINITY), 0);
}

TEST(WsqDecode, EoiBeforeTheLastBlock) {
  // Without block 3 the rest of the coefficients is zero: the same pixels as
  // a stream whose block 3 holds only zeros.
  wsqtest::EncoderOptions zero3;
  zero3.zero_block3 = true;
  const Decoded expect = decode_segments(standard_segments(96, 80, zero3));
  ASSERT_EQ(expect.rc, 0);
  std::vector<Segment> segs = standard_segments();
  segs.erase(segs.begin() + static_cast<std::ptrdiff_t>(find_segment(segs, wsqtest::kSOB, 2)));
  const Decoded d = decode_segments(segs);
  ASSERT_EQ(d.rc, 0) << d.messages;
  EXPECT_EQ(d.pixels, expect.pixels);
  // Without any block: the frame header must be followed by a block.
  std::vector<Segment> none = standard_segments();
  std::vector<Segment> head(
      none.begin(), none.begin() + static_cast<std::ptrdiff_t>(find_segment(none, wsqtest::kSOB)));
  head.push_back({wsqtest::kEOI, {}});
  EXPECT_EQ(decode_segments(head).rc, -90);
}

TEST(WsqDecode, BytesAfterEoiAreIgnored) {
  Bytes s = wsqtest::serialize(standard_segments());
  s.insert(s.end(), {0x12, 0x34, 0xFF, 0xA0});
  const Decoded d = decode(s);
  ASSERT_EQ(d.rc, 0);
  EXPECT_EQ(d.pixels, reference_decode().pixels);
}

// ------------------------------------------------------------ failures
struct FailureCase {
  const char* name;
  int rc;
  const char* message;  // exact text on standard error, or nullptr
};

TEST(WsqDecode, FrameSizeOutOfRangeIsRejectedBeforeAnyWork) {
  struct Size {
    int width, height;
  } sizes[] = {{16, 16},  {16, 500}, {500, 16},      {0, 100},
               {100, 0},  {0, 0},    {1, 1},         {65535, 65535},
               {16384, 8193}};
  for (const Size& s : sizes) {
    std::vector<Segment> segs = standard_segments();
    segs[find_segment(segs, wsqtest::kSOF)] = wsqtest::make_sof(s.width, s.height, 128, 1);
    const Decoded d = decode_segments(segs);
    const bool small = s.width < 17 || s.height < 17;
    EXPECT_EQ(d.rc, w::WSQ_ERR_FRAME_SIZE);
    EXPECT_EQ(d.messages, "ERROR: wsq_decode_mem : image size " + std::to_string(s.width) + "x" +
                              std::to_string(s.height) +
                              (small ? " too small (minimum 17x17)\n"
                                     : " too large (maximum 134217728 pixels)\n"));
  }
}

TEST(WsqDecode, EvenFiltersAreRejected) {
  std::vector<Segment> segs = standard_segments();
  segs[find_segment(segs, wsqtest::kDTT)] = wsqtest::make_dtt(8, 6, {0.6, 0.2, -0.05, 0.02},
                                                             {0.7, -0.3, 0.01});
  const Decoded d = decode_segments(segs);
  EXPECT_EQ(d.rc, w::WSQ_ERR_FILTER_LENGTH);
  EXPECT_EQ(d.messages, "ERROR: wsq_reconstruct : filter lengths 6 and 8 must both be odd\n");
}

TEST(WsqDecode, WithoutTransformTable) {
  std::vector<Segment> segs = standard_segments();
  segs.erase(segs.begin() + static_cast<std::ptrdiff_t>(find_segment(segs, wsqtest::kDTT)));
  const Decoded d = decode_segments(segs);
  EXPECT_EQ(d.rc, -95);
  EXPECT_EQ(d.messages, "ERROR: wsq_reconstruct : Lopass filter coefficients not defined\n");
}

TEST(WsqDecode, MarkerErrors) {
  {
    Bytes s = wsqtest::serialize(standard_segments());
    s[1] = 0xA1;
    const Decoded d = decode(s);
    EXPECT_EQ(d.rc, -88);
    EXPECT_EQ(d.messages, "ERROR : getc_marker_wsq : No SOI marker. {FFA1}\n");
  }
  {
    // DRT before SOF: refused by the class.
    std::vector<Segment> segs = standard_segments();
    segs.insert(segs.begin() + 1, wsqtest::make_segment(wsqtest::kDRT, {0, 0}));
    const Decoded d = decode_segments(segs);
    EXPECT_EQ(d.rc, -89);
    EXPECT_EQ(d.messages, "ERROR : getc_marker_wsq : No SOF, Table, or comment markers.\n");
  }
  {
    // SOB before SOF.
    std::vector<Segment> segs = standard_segments();
    std::swap(segs[find_segment(segs, wsqtest::kSOF)], segs[find_segment(segs, wsqtest::kSOB)]);
    EXPECT_EQ(decode_segments(segs).rc, -89);
  }
  {
    // After block 1's data a DRT marker: handed to the table reader.
    std::vector<Segment> segs = standard_segments();
    segs.insert(segs.begin() + static_cast<std::ptrdiff_t>(find_segment(segs, wsqtest::kSOB)) + 1,
                wsqtest::make_segment(wsqtest::kDRT, {0, 0}));
    const Decoded d = decode_segments(segs);
    EXPECT_EQ(d.rc, -93);
    EXPECT_EQ(d.messages, "ERROR: getc_table_wsq : Invalid table defined -> {65447}\n");
  }
  {
    // A second SOF after block 1.
    std::vector<Segment> segs = standard_segments();
    segs.insert(segs.begin() + static_cast<std::ptrdiff_t>(find_segment(segs, wsqtest::kSOB)) + 1,
                wsqtest::make_sof(96, 80, 128, 1));
    EXPECT_EQ(decode_segments(segs).rc, -93);
  }
  {
    // After a table between blocks, EOI is not accepted before SOB.
    std::vector<Segment> segs = standard_segments();
    const std::size_t dht2 = find_segment(segs, wsqtest::kDHT, 1);
    segs.resize(dht2 + 1);
    segs.push_back({wsqtest::kEOI, {}});
    const Decoded d = decode_segments(segs);
    EXPECT_EQ(d.rc, -90);
    EXPECT_EQ(d.messages, "ERROR : getc_marker_wsq : No SOB, Table, or comment markers.{FFA1}\n");
  }
  {
    // Block 3 followed by a comment and then a table: block 4 must start.
    std::vector<Segment> segs = standard_segments();
    segs.pop_back();
    segs.push_back(wsqtest::make_com("x"));
    segs.push_back(wsqtest::make_dtt_standard());
    segs.push_back({wsqtest::kEOI, {}});
    EXPECT_EQ(decode_segments(segs).rc, -90);
  }
  {
    // 0xFF 0xFF inside block data: a marker that no reader knows.
    std::vector<Segment> segs = standard_segments();
    Segment& sob = segs[find_segment(segs, wsqtest::kSOB)];
    sob.body.insert(sob.body.begin() + 3, {0xFF, 0xFF});
    const Decoded d = decode_segments(segs);
    EXPECT_EQ(d.rc, -93);
    EXPECT_EQ(d.messages, "ERROR: getc_table_wsq : Invalid table defined -> {65535}\n");
  }
}

TEST(WsqDecode, TableReaderRefusesMarkersWithoutReader) {
  const Bytes rest = {0x00, 0x04, 0x00, 0x00, 0xFF};
  for (std::uint16_t marker : {w::DRT_WSQ, w::SOF_WSQ, w::SOB_WSQ, w::EOI_WSQ, w::SOI_WSQ}) {
    const std::uint8_t* cur = rest.data();
    w::WsqTableSet tables;
    testing::internal::CaptureStderr();
    EXPECT_EQ(w::getc_table_wsq(marker, &tables, cur, rest.data() + rest.size()), -93);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: getc_table_wsq : Invalid table defined -> {" + std::to_string(marker) + "}\n");
    EXPECT_EQ(cur, rest.data());
  }
  // A comment is read and dropped.
  const std::uint8_t* cur = rest.data();
  w::WsqTableSet tables;
  EXPECT_EQ(w::getc_table_wsq(w::COM_WSQ, &tables, cur, rest.data() + rest.size()), 0);
  EXPECT_EQ(cur, rest.data() + 4);
}

TEST(WsqDecode, CommentLengthBelowTwo) {
  std::vector<Segment> segs = standard_segments();
  Segment bad = wsqtest::make_com("abc");
  bad.body[1] = 1;
  segs.insert(segs.begin() + static_cast<std::ptrdiff_t>(find_segment(segs, wsqtest::kSOF)), bad);
  const Decoded d = decode_segments(segs);
  EXPECT_EQ(d.rc, w::WSQ_ERR_COMMENT_LENGTH);
  EXPECT_EQ(d.messages, "ERROR : getc_comment : segment length 1 is below 2\n");
}

TEST(WsqDecode, BlockNamesAnUndefinedTable) {
  std::vector<Segment> segs = standard_segments();
  segs[find_segment(segs, wsqtest::kSOB, 1)].body[2] = 6;
  const Decoded d = decode_segments(segs);
  EXPECT_EQ(d.rc, -51);
  EXPECT_EQ(d.messages, "ERROR : huffman_decode_data_mem : huffman table {6} undefined.\n");
}

TEST(WsqDecode, HuffmanTableIdOutOfRange) {
  std::vector<Segment> segs = standard_segments();
  Segment& dht = segs[find_segment(segs, wsqtest::kDHT)];
  dht.body[2] = 8;
  const Decoded d = decode_segments(segs);
  EXPECT_EQ(d.rc, w::WSQ_ERR_HUFFMAN_TABLE_ID);
  EXPECT_EQ(d.messages, "ERROR : getc_dht_segment : huffman table id 8 is not in 0..7\n");
}

TEST(WsqDecode, EmptyInput) {
  std::uint8_t* px = nullptr;
  int a, b, c, dd, e, f, g;
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::wsq_decode_mem(&px, &a, &b, &c, &dd, &e, &f, &g, nullptr, 0), -40);
  const Bytes one = {0xFF};
  EXPECT_EQ(w::wsq_decode_mem(&px, &a, &b, &c, &dd, &e, &f, &g, one.data(), one.size()), -40);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(px, nullptr);
}

TEST(WsqDecode, EveryTruncationFails) {
  const Bytes s = wsqtest::serialize(standard_segments(40, 33));
  for (std::size_t len = 0; len + 2 < s.size(); ++len) {
    // Heap copy of exactly len bytes, so that the sanitizer pass sees any
    // read past the end.
    auto* heap = static_cast<std::uint8_t*>(std::malloc(len ? len : 1));
    std::memcpy(heap, s.data(), len);
    std::uint8_t* px = nullptr;
    int wd = -7, h = -7, dd, pp, l, e, sw;
    testing::internal::CaptureStderr();
    const int rc = w::wsq_decode_mem(&px, &wd, &h, &dd, &pp, &l, &e, &sw, heap, len);
    testing::internal::GetCapturedStderr();
    std::free(heap);
    ASSERT_LT(rc, 0) << len;
    ASSERT_EQ(px, nullptr);
    ASSERT_EQ(wd, -7);
  }
}

TEST(WsqDecode, CorruptedStreamsNeverCrash) {
  const Bytes s = wsqtest::serialize(standard_segments(48, 40));
  std::mt19937 rng(2024);
  std::uniform_int_distribution<std::size_t> pos(0, s.size() - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  int decoded = 0;
  for (int round = 0; round < 1500; ++round) {
    Bytes t = s;
    const int edits = 1 + round % 4;
    for (int i = 0; i < edits; ++i) t[pos(rng)] = static_cast<std::uint8_t>(byte(rng));
    auto* heap = static_cast<std::uint8_t*>(std::malloc(t.size()));
    std::memcpy(heap, t.data(), t.size());
    std::uint8_t* px = nullptr;
    int wd = 0, h = 0, dd, pp, l, e, sw;
    testing::internal::CaptureStderr();
    const int rc = w::wsq_decode_mem(&px, &wd, &h, &dd, &pp, &l, &e, &sw, heap, t.size());
    testing::internal::GetCapturedStderr();
    std::free(heap);
    if (rc == 0) {
      ++decoded;
      int pw = -1, ph = -1;
      testing::internal::CaptureStderr();
      const int prc = w::probe_frame_wsq(t.data(), t.size(), &pw, &ph);
      testing::internal::GetCapturedStderr();
      // The probe passes over the tables by their length fields, which the
      // decoder does not use: a damaged length can fail the probe alone.
      if (prc == 0) {
        EXPECT_EQ(pw, wd);
        EXPECT_EQ(ph, h);
      }
      std::free(px);
    } else {
      EXPECT_EQ(px, nullptr);
    }
  }
  EXPECT_GT(decoded, 0);
}

// ------------------------------------------------------------ probe
TEST(WsqProbe, SizeWithoutTouchingTheDecoder) {
  // Leave the module's tables as a decode leaves them.
  ASSERT_EQ(reference_decode().rc, 0);
  ASSERT_EQ(decode(wsqtest::serialize(standard_segments())).rc, 0);
  w::WsqTableSet* t = w::wsq_module_tables();
  ASSERT_TRUE(t->dqt.dqt_def);
  const float center_before = t->dqt.bin_center;
  float q_before[64];
  std::memcpy(q_before, t->dqt.q_bin, sizeof q_before);
  w::DhtTable dht_before[8];
  std::memcpy(dht_before, t->dht, sizeof dht_before);
  const w::FrmHeaderWsq frm_before = t->frm;
  const w::QTree subband_before = t->q_tree[37];

  wsqtest::EncoderOptions o;
  o.q = 0.7;
  const Bytes other =
      wsqtest::encode(wsqtest::gradient_image(300, 200), 300, 200, o);
  int pw = 0, ph = 0;
  testing::internal::CaptureStderr();
  ASSERT_EQ(w::probe_frame_wsq(other.data(), other.size(), &pw, &ph), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(pw, 300);
  EXPECT_EQ(ph, 200);
  EXPECT_TRUE(t->dqt.dqt_def);
  EXPECT_EQ(t->dqt.bin_center, center_before);
  EXPECT_EQ(std::memcmp(t->dqt.q_bin, q_before, sizeof q_before), 0);
  EXPECT_EQ(std::memcmp(t->dht, dht_before, sizeof dht_before), 0);
  EXPECT_EQ(t->frm.width, frm_before.width);
  EXPECT_EQ(t->frm.height, frm_before.height);
  EXPECT_EQ(t->frm.m_shift, frm_before.m_shift);
  EXPECT_EQ(t->frm.r_scale, frm_before.r_scale);
  EXPECT_EQ(t->q_tree[37].lenx, subband_before.lenx);
  EXPECT_EQ(t->q_tree[37].y, subband_before.y);
  EXPECT_EQ(t->dtt.lofilt, nullptr);
}

TEST(WsqProbe, Failures) {
  int pw = -5, ph = -5;
  auto probe = [&](const Bytes& s, std::string* messages) {
    testing::internal::CaptureStderr();
    const int rc = w::probe_frame_wsq(s.data(), s.size(), &pw, &ph);
    *messages = testing::internal::GetCapturedStderr();
    return rc;
  };
  std::string msg;
  {
    // No SOF: stops at the first marker that is neither a table nor SOF.
    std::vector<Segment> segs = standard_segments();
    segs.erase(segs.begin() + static_cast<std::ptrdiff_t>(find_segment(segs, wsqtest::kSOF)));
    EXPECT_EQ(probe(wsqtest::serialize(segs), &msg), -89);
    EXPECT_EQ(msg, "") << "quiet";
  }
  {
    // Truncated before SOF ends.
    Bytes s = wsqtest::serialize(standard_segments());
    std::vector<Segment> segs = standard_segments();
    std::size_t sof_end = 0;
    for (std::size_t i = 0; i <= find_segment(segs, wsqtest::kSOF); ++i)
      sof_end += 2 + segs[i].body.size();
    for (std::size_t len = 0; len < sof_end; ++len) {
      Bytes cut(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(len));
      EXPECT_LT(probe(cut, &msg), 0) << len;
    }
    Bytes exact(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(sof_end));
    EXPECT_EQ(probe(exact, &msg), 0);
  }
  {
    // The DHT count check applies.
    std::vector<Segment> segs = standard_segments();
    wsqtest::HuffTable h;
    h.counts[15] = 255;
    h.counts[14] = 3;
    h.values.assign(258, 1);
    segs.insert(segs.begin() + 1, wsqtest::make_dht({h}));
    EXPECT_EQ(probe(wsqtest::serialize(segs), &msg), -4);
    EXPECT_EQ(msg,
              "ERROR : getc_huffman_table : num_hufvals (258) is largerthan MAX_HUFFCOUNTS (257)\n");
  }
  {
    // Two tables in one DHT segment are both passed over.
    std::vector<Segment> segs = standard_segments();
    wsqtest::HuffTable a, b;
    a.id = 0;
    a.counts[0] = 1;
    a.values = {5};
    b.id = 0;  // same id: the probe keeps nothing, so this is fine
    b.counts[1] = 2;
    b.values = {6, 7};
    segs.insert(segs.begin() + 1, wsqtest::make_dht({a, b}));
    EXPECT_EQ(probe(wsqtest::serialize(segs), &msg), 0);
    EXPECT_EQ(pw, 96);
  }
  EXPECT_EQ(probe({0x00, 0x01}, &msg), -88);
}
