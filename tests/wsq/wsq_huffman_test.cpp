// Huffman tables, canonical codes, decode limits, the bit reader, the
// symbol alphabet and the block loop's checks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "wsq_test_encoder.h"
#include "wsq_test_util.h"

namespace w = trelvo::wsq;
using wsqtest::Bytes;
using wsqtest::HuffTable;
using wsqtest::Symbol;

namespace {

constexpr std::int16_t kSentinel = 0x5555;

std::unique_ptr<w::WsqTableSet> frame_tables(int width, int height) {
  auto t = std::make_unique<w::WsqTableSet>();
  t->frm.width = static_cast<std::uint16_t>(width);
  t->frm.height = static_cast<std::uint16_t>(height);
  w::build_split_tree(t->w_tree, width, height);
  w::build_subband_tree(t->w_tree, t->q_tree);
  return t;
}

void load_table(w::WsqTableSet* t, const HuffTable& h) {
  w::DhtTable& d = t->dht[h.id];
  std::memcpy(d.huffbits, h.counts, 16);
  std::memset(d.huffvalues, 0, sizeof d.huffvalues);
  if (!h.values.empty()) std::memcpy(d.huffvalues, h.values.data(), h.values.size());
  d.tabdef = true;
}

// A table holding every symbol of the alphabet (0..255 minus none).
HuffTable table_for(const std::vector<std::vector<Symbol>*>& lists, std::uint8_t id = 0) {
  std::vector<const std::vector<Symbol>*> c(lists.begin(), lists.end());
  return wsqtest::build_table(id, c);
}

struct BlockResult {
  int rc = 0;
  std::vector<std::int16_t> coeffs;
  std::string messages;
};

// Runs the block loop over SOB(table id) + the coded symbols + EOI.
BlockResult run_block(w::WsqTableSet* t, std::uint8_t block_table, const Bytes& data) {
  std::vector<wsqtest::Segment> segs = {wsqtest::make_sob(block_table, data), {wsqtest::kEOI, {}}};
  const Bytes stream = wsqtest::serialize(segs);
  BlockResult r;
  r.coeffs.assign(static_cast<std::size_t>(t->frm.width) * t->frm.height, kSentinel);
  const std::uint8_t* cur = stream.data();
  testing::internal::CaptureStderr();
  r.rc = w::huffman_decode_data_mem(r.coeffs.data(), t, cur, stream.data() + stream.size());
  r.messages = testing::internal::GetCapturedStderr();
  return r;
}

BlockResult decode_symbols(const std::vector<Symbol>& syms, int width = 17, int height = 17) {
  auto t = frame_tables(width, height);
  std::vector<Symbol> all = syms;
  const HuffTable h = table_for({&all});
  load_table(t.get(), h);
  return run_block(t.get(), 0, wsqtest::entropy_code(syms, h));
}

}  // namespace

TEST(WsqHuffman, OneCodeOfLengthOne) {
  const std::uint8_t bits[16] = {1};
  w::HuffCode* codes = nullptr;
  int n = 0;
  ASSERT_EQ(w::build_huffsizes(&codes, &n, bits, w::MAX_HUFFCOUNTS_WSQ), 0);
  ASSERT_EQ(n, 1);
  w::assign_huffcodes(codes);
  EXPECT_EQ(codes[0].size, 1);
  EXPECT_EQ(codes[0].code, 0u);
  EXPECT_EQ(codes[1].size, 0);
  int maxcode[17], mincode[17], valptr[17];
  w::build_decode_limits(maxcode, mincode, valptr, codes, bits);
  EXPECT_EQ(maxcode[1], 0);
  EXPECT_EQ(mincode[1], 0);
  EXPECT_EQ(valptr[1], 0);
  for (int i = 2; i <= 16; ++i) EXPECT_EQ(maxcode[i], -1) << i;
  EXPECT_EQ(w::check_all_ones_codes(codes, n), 0);
  std::free(codes);
}

TEST(WsqHuffman, CanonicalCodesAndLimits) {
  // Two codes of length 2, three of length 3, one of length 5.
  const std::uint8_t bits[16] = {0, 2, 3, 0, 1};
  w::HuffCode* codes = nullptr;
  int n = 0;
  ASSERT_EQ(w::build_huffsizes(&codes, &n, bits, w::MAX_HUFFCOUNTS_WSQ), 0);
  ASSERT_EQ(n, 6);
  w::assign_huffcodes(codes);
  const std::uint32_t expect_code[6] = {0b00, 0b01, 0b100, 0b101, 0b110, 0b11100};
  const int expect_size[6] = {2, 2, 3, 3, 3, 5};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(codes[i].code, expect_code[i]) << i;
    EXPECT_EQ(codes[i].size, expect_size[i]) << i;
  }
  int maxcode[17], mincode[17], valptr[17];
  w::build_decode_limits(maxcode, mincode, valptr, codes, bits);
  EXPECT_EQ(maxcode[1], -1);
  EXPECT_EQ(mincode[2], 0);
  EXPECT_EQ(maxcode[2], 1);
  EXPECT_EQ(valptr[2], 0);
  EXPECT_EQ(mincode[3], 4);
  EXPECT_EQ(maxcode[3], 6);
  EXPECT_EQ(valptr[3], 2);
  EXPECT_EQ(maxcode[4], -1);
  EXPECT_EQ(mincode[5], 28);
  EXPECT_EQ(maxcode[5], 28);
  EXPECT_EQ(valptr[5], 5);
  std::free(codes);
}

TEST(WsqHuffman, AllOnesCodeWarns) {
  const std::uint8_t bits[16] = {2};
  w::HuffCode* codes = nullptr;
  int n = 0;
  ASSERT_EQ(w::build_huffsizes(&codes, &n, bits, w::MAX_HUFFCOUNTS_WSQ), 0);
  w::assign_huffcodes(codes);
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::check_all_ones_codes(codes, n), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "WARNING: A code in the hufftable contains an all 1's code.\n"
            "         This image may still be decodable.\n"
            "         It is not compliant with the WSQ specification.\n");
  std::free(codes);
}

TEST(WsqHuffman, CompleteCodeStillDecodes) {
  // One code at each length 1..15 and two of length 16: a complete code whose
  // all-ones code is 16 bits long, longer than any padding.
  HuffTable h;
  h.id = 3;
  for (int i = 0; i < 15; ++i) h.counts[i] = 1;
  h.counts[15] = 2;
  for (int s = 0; s < 17; ++s) h.values.push_back(static_cast<std::uint8_t>(s == 0 ? 181 : s));
  auto t = frame_tables(17, 17);
  load_table(t.get(), h);
  const std::vector<Symbol> syms = {{181, 0, 0}, {1, 0, 0}, {181, 0, 0}, {16, 0, 0}, {181, 0, 0}};
  const BlockResult r = run_block(t.get(), 3, wsqtest::entropy_code(syms, h));
  ASSERT_EQ(r.rc, 0) << r.messages;
  EXPECT_EQ(r.messages,
            "WARNING: A code in the hufftable contains an all 1's code.\n"
            "         This image may still be decodable.\n"
            "         It is not compliant with the WSQ specification.\n"
            "         hufftable_id = 3\n");
  std::vector<std::int16_t> expect = {1, 0, 1};
  expect.insert(expect.end(), 16, 0);
  expect.push_back(1);
  for (std::size_t i = 0; i < expect.size(); ++i) EXPECT_EQ(r.coeffs[i], expect[i]) << i;
  EXPECT_EQ(r.coeffs[expect.size()], kSentinel);
}

TEST(WsqHuffman, StuffedZeroIsDataByte) {
  const Bytes data = {0xFF, 0x00, 0x80};
  const std::uint8_t* cur = data.data();
  int bit_count = 0;
  std::uint16_t bits = 0, marker = 0;
  ASSERT_EQ(w::getc_nextbits_wsq(&bits, &marker, cur, data.data() + 3, &bit_count, 8), 0);
  EXPECT_EQ(bits, 0xFF);
  EXPECT_EQ(marker, 0);
  EXPECT_EQ(bit_count, 0);
  ASSERT_EQ(w::getc_nextbits_wsq(&bits, &marker, cur, data.data() + 3, &bit_count, 1), 0);
  EXPECT_EQ(bits, 1);
  EXPECT_EQ(bit_count, 7);
}

TEST(WsqHuffman, BitsAcrossBytes) {
  const Bytes data = {0xAB, 0xCD, 0xEF, 0x01};
  const std::uint8_t* cur = data.data();
  const std::uint8_t* end = data.data() + data.size();
  int bit_count = 0;
  std::uint16_t bits = 0;
  ASSERT_EQ(w::getc_nextbits_wsq(&bits, nullptr, cur, end, &bit_count, 1), 0);
  EXPECT_EQ(bits, 1);
  ASSERT_EQ(w::getc_nextbits_wsq(&bits, nullptr, cur, end, &bit_count, 16), 0);
  EXPECT_EQ(bits, 0x579B);  // bits 2..17: 0101011 11001101 1
  EXPECT_EQ(bit_count, 7);
  ASSERT_EQ(w::getc_nextbits_wsq(&bits, nullptr, cur, end, &bit_count, 8), 0);
  EXPECT_EQ(bits, 0xDE);  // 1101111 0
  EXPECT_EQ(bit_count, 7);
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::getc_nextbits_wsq(&bits, nullptr, cur, end, &bit_count, 8), -39);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR : getc_byte : premature End Of Buffer\n");
}

TEST(WsqHuffman, MarkerWhileReadingACode) {
  const Bytes data = {0xFF, 0xA1};
  {
    const std::uint8_t* cur = data.data();
    int bit_count = 0;
    std::uint16_t bits = 0, marker = 0;
    ASSERT_EQ(w::getc_nextbits_wsq(&bits, &marker, cur, data.data() + 2, &bit_count, 1), 0);
    EXPECT_EQ(marker, 0xFFA1);
    EXPECT_EQ(bits, 1);
  }
  {
    const std::uint8_t* cur = data.data();
    int bit_count = 0;
    std::uint16_t bits = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(w::getc_nextbits_wsq(&bits, nullptr, cur, data.data() + 2, &bit_count, 8), -41);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: getc_nextbits_wsq : No stuffed zeros\n");
  }
  {
    // A symbol read meets the marker: symbol -1.
    const std::uint8_t bits16[16] = {1};
    w::HuffCode* codes = nullptr;
    int n = 0;
    ASSERT_EQ(w::build_huffsizes(&codes, &n, bits16, w::MAX_HUFFCOUNTS_WSQ), 0);
    w::assign_huffcodes(codes);
    int maxcode[17], mincode[17], valptr[17];
    w::build_decode_limits(maxcode, mincode, valptr, codes, bits16);
    std::free(codes);
    const std::uint8_t values[257] = {181};
    const std::uint8_t* cur = data.data();
    int bit_count = 0, symbol = 0;
    std::uint16_t marker = 0;
    ASSERT_EQ(w::decode_symbol_wsq(&symbol, mincode, maxcode, valptr, values, cur,
                                   data.data() + 2, &bit_count, &marker),
              0);
    EXPECT_EQ(symbol, -1);
    EXPECT_EQ(marker, 0xFFA1);
  }
}

TEST(WsqHuffman, MarkerInTheMiddleOfExtraBits) {
  // Three bits left, eight wanted, and the next byte starts a marker.
  const Bytes data = {0x07, 0xFF, 0xA3};
  const std::uint8_t* cur = data.data();
  int bit_count = 0;
  std::uint16_t bits = 0;
  ASSERT_EQ(w::getc_nextbits_wsq(&bits, nullptr, cur, data.data() + 3, &bit_count, 1), 0);
  bit_count = 3;  // as if four more bits were used
  testing::internal::CaptureStderr();
  EXPECT_EQ(w::getc_nextbits_wsq(&bits, nullptr, cur, data.data() + 3, &bit_count, 8), -41);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR: getc_nextbits_wsq : No stuffed zeros\n");
}

struct AlphabetCase {
  std::vector<Symbol> symbols;
  std::vector<std::int16_t> coeffs;
};

class WsqAlphabet : public testing::TestWithParam<AlphabetCase> {};

TEST_P(WsqAlphabet, SymbolGivesCoefficients) {
  const AlphabetCase& c = GetParam();
  const BlockResult r = decode_symbols(c.symbols, 32, 32);
  ASSERT_EQ(r.rc, 0) << r.messages;
  EXPECT_EQ(r.messages, "");
  for (std::size_t i = 0; i < c.coeffs.size(); ++i) ASSERT_EQ(r.coeffs[i], c.coeffs[i]) << i;
  EXPECT_EQ(r.coeffs[c.coeffs.size()], kSentinel) << "nothing written past the decoded count";
}

std::vector<std::int16_t> zeros_then(std::size_t n, std::int16_t last) {
  std::vector<std::int16_t> v(n, 0);
  v.push_back(last);
  return v;
}

INSTANTIATE_TEST_SUITE_P(
    Table, WsqAlphabet,
    testing::Values(AlphabetCase{{{180, 0, 0}}, {0}}, AlphabetCase{{{107, 0, 0}}, {-73}},
                    AlphabetCase{{{254, 0, 0}}, {74}}, AlphabetCase{{{181, 0, 0}}, {1}},
                    AlphabetCase{{{103, 16, 0xFFFF}}, {-1}},
                    AlphabetCase{{{104, 16, 0x0001}}, {-1}},
                    AlphabetCase{{{103, 16, 0x7FFF}}, {32767}},
                    AlphabetCase{{{104, 16, 0x8000}}, {-32768}},
                    AlphabetCase{{{101, 8, 200}}, {200}}, AlphabetCase{{{102, 8, 200}}, {-200}},
                    AlphabetCase{{{101, 8, 0}}, {0}},
                    AlphabetCase{{{5, 0, 0}, {181, 0, 0}}, zeros_then(5, 1)},
                    AlphabetCase{{{100, 0, 0}, {179, 0, 0}}, zeros_then(100, -1)},
                    AlphabetCase{{{105, 8, 200}, {181, 0, 0}}, zeros_then(200, 1)},
                    AlphabetCase{{{106, 16, 300}, {181, 0, 0}}, zeros_then(300, 1)},
                    AlphabetCase{{{106, 16, 0}, {181, 0, 0}}, {1}}));

TEST(WsqHuffman, InvalidSymbols) {
  for (int sym : {0, 255}) {
    const BlockResult r = decode_symbols({{181, 0, 0}, {sym, 0, 0}});
    EXPECT_EQ(r.rc, -52);
    char expect[100];
    std::snprintf(expect, sizeof expect, "ERROR: huffman_decode_data_mem : Invalid code %d (%x).\n",
                  sym, static_cast<unsigned>(sym));
    EXPECT_EQ(r.messages, expect);
  }
}

struct OverflowCase {
  std::vector<Symbol> symbols;
  int which;  // 0: no error
};

class WsqOverflow : public testing::TestWithParam<OverflowCase> {};

TEST_P(WsqOverflow, FourChecks) {
  // 17 x 17 without a quantization table: 289 coefficients at most.
  const OverflowCase& c = GetParam();
  const BlockResult r = decode_symbols(c.symbols, 17, 17);
  if (c.which == 0) {
    EXPECT_EQ(r.rc, 0) << r.messages;
    return;
  }
  EXPECT_EQ(r.rc, -51);
  EXPECT_EQ(r.messages, "ERROR : huffman_decode_data_mem [" + std::to_string(c.which) +
                            "]: Decoded data extends past image buffer. Encoded data appears "
                            "corrupt or non-standard.\n");
}

INSTANTIATE_TEST_SUITE_P(
    Table, WsqOverflow,
    testing::Values(OverflowCase{{{106, 16, 289}}, 0},
                    OverflowCase{{{106, 16, 288}, {181, 0, 0}}, 0},
                    OverflowCase{{{106, 16, 289}, {181, 0, 0}}, 1},
                    OverflowCase{{{106, 16, 289}, {101, 8, 7}}, 1},
                    OverflowCase{{{106, 16, 289}, {104, 16, 7}}, 1},
                    OverflowCase{{{106, 16, 250}, {40, 0, 0}}, 2},
                    OverflowCase{{{106, 16, 289}, {1, 0, 0}}, 2},
                    OverflowCase{{{105, 8, 255}, {105, 8, 35}}, 3},
                    OverflowCase{{{106, 16, 290}}, 4},
                    OverflowCase{{{106, 16, 0xFFFF}}, 4}));

TEST(WsqHuffman, MaximumLeavesOutUncodedSubbands) {
  auto t = frame_tables(64, 64);
  t->dqt.dqt_def = true;
  t->dqt.q_bin[0] = 1.0f;  // only subband 0 is coded
  const int area = t->q_tree[0].lenx * t->q_tree[0].leny;
  ASSERT_EQ(area, 4);
  for (int extra : {0, 1}) {
    std::vector<Symbol> syms = {{area + extra, 0, 0}};
    const HuffTable h = table_for({&syms});
    load_table(t.get(), h);
    const BlockResult r = run_block(t.get(), 0, wsqtest::entropy_code(syms, h));
    EXPECT_EQ(r.rc, extra == 0 ? 0 : -51) << r.messages;
  }
}

TEST(WsqHuffman, NoCodeWithinSixteenBits) {
  // One code, "0"; the data holds only 1 bits.
  HuffTable h;
  h.counts[0] = 1;
  h.values = {181};
  auto t = frame_tables(17, 17);
  load_table(t.get(), h);
  const BlockResult r = run_block(t.get(), 0, {0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00});
  EXPECT_EQ(r.rc, w::WSQ_ERR_NO_HUFFMAN_CODE);
  EXPECT_EQ(r.messages, "ERROR : decode_symbol_wsq : no huffman code matches within 16 bits\n");
  // Fifteen 1 bits and then the marker: no error, the block just ends.
  const BlockResult r3 = run_block(t.get(), 0, {0x7F, 0xFF, 0x00});
  EXPECT_EQ(r3.rc, 0) << r3.messages;
  EXPECT_EQ(r3.coeffs[0], 1);
  EXPECT_EQ(r3.coeffs[1], kSentinel);
}

TEST(WsqHuffman, EmptyTableNeverMatches) {
  HuffTable h;  // no codes at all
  auto t = frame_tables(17, 17);
  load_table(t.get(), h);
  const BlockResult r = run_block(t.get(), 0, {0x00, 0x00});
  EXPECT_EQ(r.rc, w::WSQ_ERR_NO_HUFFMAN_CODE);
  const BlockResult empty = run_block(t.get(), 0, {});
  EXPECT_EQ(empty.rc, 0) << "a block without data ends at the marker";
}

TEST(WsqHuffman, BlockHeaderNamesUndefinedTable) {
  for (int id : {2, 7, 8, 9, 255}) {
    auto t = frame_tables(17, 17);
    std::vector<Symbol> syms = {{181, 0, 0}};
    load_table(t.get(), table_for({&syms}));
    const BlockResult r = run_block(t.get(), static_cast<std::uint8_t>(id), {0x00});
    EXPECT_EQ(r.rc, -51);
    EXPECT_EQ(r.messages, "ERROR : huffman_decode_data_mem : huffman table {" +
                              std::to_string(id) + "} undefined.\n");
  }
}

namespace {
struct DhtResult {
  int rc;
  std::string messages;
  std::size_t consumed;
};

DhtResult read_dht(const wsqtest::Segment& seg, w::DhtTable* slots, std::size_t extra = 1) {
  Bytes body = seg.body;
  body.resize(body.size() + extra, 0xFF);
  const std::uint8_t* cur = body.data();
  testing::internal::CaptureStderr();
  const int rc = w::getc_dht_segment(slots, cur, body.data() + body.size());
  return {rc, testing::internal::GetCapturedStderr(),
          static_cast<std::size_t>(cur - body.data())};
}

HuffTable simple_table(std::uint8_t id, std::uint8_t first_symbol) {
  HuffTable h;
  h.id = id;
  h.counts[1] = 3;
  h.values = {first_symbol, static_cast<std::uint8_t>(first_symbol + 1),
              static_cast<std::uint8_t>(first_symbol + 2)};
  return h;
}
}  // namespace

TEST(WsqHuffman, TwoTablesInOneSegment) {
  w::DhtTable slots[8];
  const wsqtest::Segment seg = wsqtest::make_dht({simple_table(0, 10), simple_table(5, 20)});
  const DhtResult r = read_dht(seg, slots);
  ASSERT_EQ(r.rc, 0) << r.messages;
  EXPECT_EQ(r.consumed, seg.body.size());
  EXPECT_TRUE(slots[0].tabdef);
  EXPECT_TRUE(slots[5].tabdef);
  EXPECT_EQ(slots[0].huffbits[1], 3);
  EXPECT_EQ(slots[0].huffvalues[2], 12);
  EXPECT_EQ(slots[5].huffvalues[0], 20);
  for (int i : {1, 2, 3, 4, 6, 7}) EXPECT_FALSE(slots[i].tabdef);
}

TEST(WsqHuffman, LaterTableOfADefinedSlot) {
  {
    w::DhtTable slots[8];
    const DhtResult r =
        read_dht(wsqtest::make_dht({simple_table(1, 10), simple_table(1, 20)}), slots);
    EXPECT_EQ(r.rc, -2);
    EXPECT_EQ(r.messages, "") << "no message";
  }
  {
    // Defined by an earlier segment of the same image.
    w::DhtTable slots[8];
    ASSERT_EQ(read_dht(wsqtest::make_dht({simple_table(2, 10)}), slots).rc, 0);
    EXPECT_EQ(
        read_dht(wsqtest::make_dht({simple_table(4, 10), simple_table(2, 20)}), slots).rc, -2);
    // The first table of a segment may replace a defined slot.
    ASSERT_EQ(read_dht(wsqtest::make_dht({simple_table(2, 30)}), slots).rc, 0);
    EXPECT_EQ(slots[2].huffvalues[0], 30);
  }
}

TEST(WsqHuffman, TableIdOutOfRange) {
  for (bool second : {false, true}) {
    w::DhtTable slots[8];
    std::vector<HuffTable> tables;
    if (second) tables.push_back(simple_table(0, 10));
    tables.push_back(simple_table(8, 10));
    const DhtResult r = read_dht(wsqtest::make_dht(tables), slots);
    EXPECT_EQ(r.rc, w::WSQ_ERR_HUFFMAN_TABLE_ID);
    EXPECT_EQ(r.messages, "ERROR : getc_dht_segment : huffman table id 8 is not in 0..7\n");
  }
}

TEST(WsqHuffman, TooManyValues) {
  // 258 values: rejected; 257: accepted.
  for (int total : {257, 258}) {
    HuffTable h;
    h.counts[15] = 255;
    h.counts[14] = static_cast<std::uint8_t>(total - 255);
    h.values.assign(static_cast<std::size_t>(total), 7);
    w::DhtTable slots[8];
    const DhtResult r = read_dht(wsqtest::make_dht({h}), slots);
    if (total == 257) {
      EXPECT_EQ(r.rc, 0) << r.messages;
    } else {
      EXPECT_EQ(r.rc, -4);
      EXPECT_EQ(r.messages,
                "ERROR : getc_huffman_table : num_hufvals (258) is largerthan MAX_HUFFCOUNTS "
                "(257)\n");
    }
  }
}

TEST(WsqHuffman, SegmentWithoutTableBytes) {
  w::DhtTable slots[8];
  const DhtResult r = read_dht(wsqtest::make_segment(wsqtest::kDHT, {}), slots);
  EXPECT_EQ(r.rc, -2);
  EXPECT_EQ(r.messages, "ERROR : getc_huffman_table : no huffman table bytes remaining\n");
}

TEST(WsqHuffman, SegmentLengthShorterThanItsTable) {
  // The length covers 10 bytes, the table takes 20: the table is read past
  // the segment, the count goes below zero and the next read fails.
  wsqtest::Segment seg = wsqtest::make_dht({simple_table(0, 10)});
  seg.body[0] = 0;
  seg.body[1] = 12;
  w::DhtTable slots[8];
  const DhtResult r = read_dht(seg, slots, 16);
  EXPECT_EQ(r.rc, -2);
  EXPECT_EQ(r.messages, "ERROR : getc_huffman_table : no huffman table bytes remaining\n");
}

TEST(WsqHuffman, TruncatedTable) {
  const wsqtest::Segment seg = wsqtest::make_dht({simple_table(0, 10)});
  for (std::size_t cut = 0; cut < seg.body.size(); ++cut) {
    Bytes body(seg.body.begin(), seg.body.begin() + static_cast<std::ptrdiff_t>(cut));
    const std::uint8_t* cur = body.data();
    w::DhtTable slots[8];
    testing::internal::CaptureStderr();
    const int rc = w::getc_dht_segment(slots, cur, body.data() + body.size());
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(rc == -39 || rc == -40) << cut << " " << rc;
    EXPECT_FALSE(slots[0].tabdef);
  }
}

TEST(WsqHuffman, BuiltTablesHaveNoAllOnesCode) {
  // Doubling frequencies: an unlimited code would be 30 bits deep.
  std::vector<long> freq(256, 0);
  for (int s = 1; s <= 30; ++s) freq[static_cast<std::size_t>(s)] = 1L << s;
  const HuffTable h = wsqtest::build_table_from_frequencies(0, freq);
  int total = 0;
  for (int c : h.counts) total += c;
  EXPECT_EQ(total, 30);
  w::HuffCode* codes = nullptr;
  int n = 0;
  ASSERT_EQ(w::build_huffsizes(&codes, &n, h.counts, w::MAX_HUFFCOUNTS_WSQ), 0);
  w::assign_huffcodes(codes);
  EXPECT_EQ(w::check_all_ones_codes(codes, n), 0);
  EXPECT_EQ(codes[n - 1].size, 16);
  std::free(codes);
  // And a block coded with it decodes.
  std::vector<Symbol> few;
  for (int s = 1; s <= 30; ++s)
    for (int i = 0; i < 40; ++i) few.push_back({s, 0, 0});
  auto t = frame_tables(1024, 1024);
  load_table(t.get(), h);
  const BlockResult r = run_block(t.get(), 0, wsqtest::entropy_code(few, h));
  ASSERT_EQ(r.rc, 0) << r.messages;
}
