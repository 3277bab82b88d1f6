// A WSQ encoder for the tests only (never part of the library): the forward
// transform over the decoder's split structure with the standard 9/7
// analysis filters, a quantizer with a zero bin, Huffman tables built from
// the symbol statistics, and the segment layout of a standard stream.
//
// A stream is kept as a list of segments so that tests can reorder, repeat,
// drop or damage them before serializing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wsqtest {

inline constexpr std::uint16_t kSOI = 0xFFA0, kEOI = 0xFFA1, kSOF = 0xFFA2, kSOB = 0xFFA3,
                               kDTT = 0xFFA4, kDQT = 0xFFA5, kDHT = 0xFFA6, kDRT = 0xFFA7,
                               kCOM = 0xFFA8;

// One marker and everything after it up to the next marker: the segment
// (length field included) and, for SOB, the entropy-coded data.
struct Segment {
  std::uint16_t marker = 0;
  std::vector<std::uint8_t> body;
};

std::vector<std::uint8_t> serialize(const std::vector<Segment>& segments);

// A Huffman table as a DHT segment carries it.
struct HuffTable {
  std::uint8_t id = 0;
  std::uint8_t counts[16] = {};
  std::vector<std::uint8_t> values;
};

// A decoded symbol with its extra bits (8 or 16 for symbols 101..106).
struct Symbol {
  int sym = 0;
  int nbits = 0;
  std::uint16_t bits = 0;
};

struct EncoderOptions {
  // Bin width for every coded subband, in units of the normalized image
  // (pixels minus m_shift, divided by r_scale); used when q_bins is empty.
  double q = 1.0;
  std::vector<double> q_bins;      // per subband 0..59 (0: not coded)
  double z_factor = 1.2;           // zero-bin width = z_factor * Q
  double bin_center = 0.44;
  bool nistcom = true;             // NIST_COM comment right after SOI
  std::string ppi = "500";         // value of the PPI line ("" : no value)
  bool ppi_line = true;            // write a PPI line at all
  bool zero_block3 = false;        // quantize the subbands of block 3 to zero
  std::uint8_t black = 0, white = 255;
  std::uint8_t wsq_encoder = 2;
  std::uint16_t software = 0;
};

// Scaled value helpers: the largest scale whose integer still fits.
void scaled16(double value, std::uint8_t* scale, std::uint16_t* v);
void scaled32(double value, std::uint8_t* scale, std::uint32_t* v);
// Value of a scaled number as the decoder computes it.
float unscaled(std::uint8_t scale, std::uint32_t v);

// Segment builders.
Segment make_segment(std::uint16_t marker, const std::vector<std::uint8_t>& content);
Segment make_com(const std::string& text);
Segment make_dtt_standard();
// DTT with the given half-filters (centre first) and counts.
Segment make_dtt(int hisz, int losz, const std::vector<double>& lo_half,
                 const std::vector<double>& hi_half);
Segment make_dqt(double bin_center, const std::vector<double>& q, const std::vector<double>& z);
Segment make_dht(const std::vector<HuffTable>& tables);
Segment make_sof(int width, int height, double m_shift, double r_scale, std::uint8_t black = 0,
                 std::uint8_t white = 255, std::uint8_t encoder = 2, std::uint16_t software = 0);
// SOB header for a table id, followed by the coded symbols.
Segment make_sob(std::uint8_t table_id, const std::vector<std::uint8_t>& data);

// Symbols of a run of coefficients (zero runs and values as the decoder's
// alphabet has them).
std::vector<Symbol> symbols_for(const std::vector<int>& coefficients);
// Huffman table (length-limited to 16 bits, without an all-ones code) from
// the statistics of symbol lists.
HuffTable build_table(std::uint8_t id, const std::vector<const std::vector<Symbol>*>& lists);
// The same from the count of each symbol 0..255.
HuffTable build_table_from_frequencies(std::uint8_t id, const std::vector<long>& frequencies);
// Entropy-coded bytes: codes MSB first, 0xFF followed by a stuffed 0x00,
// the last byte padded with 1 bits.
std::vector<std::uint8_t> entropy_code(const std::vector<Symbol>& symbols, const HuffTable& table);

// The whole encoder.
struct Encoded {
  std::vector<Segment> segments;
  float m_shift = 0, r_scale = 0;
  std::vector<int> coefficients;  // quantized, in stream order (for tests)
};
Encoded encode_segments(const std::vector<std::uint8_t>& pixels, int width, int height,
                        const EncoderOptions& options = {});
std::vector<std::uint8_t> encode(const std::vector<std::uint8_t>& pixels, int width, int height,
                                 const EncoderOptions& options = {});

// Test images.
std::vector<std::uint8_t> ridge_image(int width, int height, unsigned seed = 1);
std::vector<std::uint8_t> noise_image(int width, int height, unsigned seed = 1);
std::vector<std::uint8_t> gradient_image(int width, int height);

double psnr(const std::uint8_t* a, const std::uint8_t* b, std::size_t n);

}  // namespace wsqtest
