// Internal operations of the WSQ module, for the module's
// own sources and its tests. The rest of the library uses wsq.h only.
//
// Behaviour on inputs that the format leaves open or that only a damaged
// stream holds:
//  * Table ids of 8 or more: a block header naming one gets the -51
//    "huffman table {%d} undefined." message; a DHT table naming one is
//    rejected by getc_dht_segment with WSQ_ERR_HUFFMAN_TABLE_ID (-100) and
//    "ERROR : getc_dht_segment : huffman table id %d is not in 0..7\n".
//  * A bit string that matches no code within 16 bits: decode_symbol_wsq
//    fails with WSQ_ERR_NO_HUFFMAN_CODE (-53) and "ERROR : decode_symbol_wsq :
//    no huffman code matches within 16 bits\n". The index into huffvalues is
//    checked as well (it cannot leave the table for any set of counts that
//    getc_huffman_table accepts; the check is kept as a guard).
//  * getc_comment with a segment length below 2: WSQ_ERR_COMMENT_LENGTH (-99),
//    "ERROR : getc_comment : segment length %u is below 2\n".
//  * The NIST_COM comparison reads its eight bytes only when the segment
//    content holds eight bytes and they lie inside the buffer; a shorter
//    comment is not NIST_COM and is skipped like any other segment.
//  * Names and values longer than 511 characters are cut to their first 511
//    characters; the rest of the name or value is passed over.
//  * EOI before the coefficient count reaches its maximum: the coefficient
//    array is zero-filled before the blocks are decoded, so the rest of it
//    is zero.
//  * Frame size: wsq_decode_mem rejects (after the frame header is read) any
//    width or height for which a split-tree rectangle would be less than 2
//    samples in either direction, with WSQ_ERR_FRAME_SIZE (-98) and
//    "ERROR: wsq_decode_mem : image size %dx%d too small (minimum %dx%d)\n".
//    The smallest accepted size is WSQ_MIN_DIMENSION (17) in each direction.
//    The mirroring of join_halves reflects repeatedly (period 2(N-1)), so a
//    line of any length N >= 2 is filtered within its bounds whatever the
//    filter lengths; for lines long enough (N - 1 >= half the filter length,
//    every line of images of 65 x 65 and more with the standard filters) it
//    is the plain single mirroring about both ends.
//  * Even filter lengths: getc_transform_table reads them and derives the
//    antisymmetric filter pair, but wsq_reconstruct rejects any even
//    (or zero) filter length with WSQ_ERR_FILTER_LENGTH (-101) and
//    "ERROR: wsq_reconstruct : filter lengths %d and %d must both be odd\n".
//  * The subband tree holds 32-bit rectangles (not 16-bit), so that
//    frames wider or higher than 32767 keep exact coordinates; width x height
//    is computed in 64 bits.
#pragma once

#include <cstddef>
#include <cstdint>

#include "wsq/wsq.h"

namespace trelvo::wsq {

inline constexpr int MAX_DHT_TABLES = 8;
inline constexpr int MAX_HUFFBITS = 16;
inline constexpr int MAX_HUFFCOUNTS_WSQ = 256;
inline constexpr int MAX_HUFFCOEFF = 74;
inline constexpr int MAX_HUFFZRUN = 100;
inline constexpr int NUM_SUBBANDS = 60;
inline constexpr int MAX_SUBBANDS = 64;
inline constexpr int W_TREELEN = 20;
inline constexpr int Q_TREELEN = 64;
inline constexpr int MAX_FETLENGTH = 512;  // parse buffers of string2fet (511 characters + 0)
inline constexpr int MAXFETS = 100;

// ------------------------------------------------------------ table set
// Owns its filter arrays (C heap); released by its destructor, by
// wsq_reset_tables, or by the next DTT segment read into it.
struct DttTable {
  float* lofilt = nullptr;
  float* hifilt = nullptr;
  std::uint8_t losz = 0;
  std::uint8_t hisz = 0;
  bool lodef = false;
  bool hidef = false;

  DttTable() = default;
  DttTable(const DttTable&) = delete;
  DttTable& operator=(const DttTable&) = delete;
  ~DttTable();
};

// Frees the filter arrays of a transform table and marks them undefined.
void release_filters(DttTable* dtt);

struct DqtTable {
  float bin_center = 0.0f;
  float q_bin[MAX_SUBBANDS] = {};
  float z_bin[MAX_SUBBANDS] = {};
  bool dqt_def = false;
};

struct DhtTable {
  bool tabdef = false;
  std::uint8_t huffbits[MAX_HUFFBITS] = {};
  std::uint8_t huffvalues[MAX_HUFFCOUNTS_WSQ + 1] = {};
};

struct FrmHeaderWsq {
  std::uint8_t black = 0;
  std::uint8_t white = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  float m_shift = 0.0f;
  float r_scale = 0.0f;
  std::uint8_t wsq_encoder = 0;
  std::uint16_t software = 0;
};

struct WTree {  // split tree node
  int x = 0, y = 0, lenx = 0, leny = 0;
  bool inv_rw = false;  // ir: the horizontal split is inverted (high band first)
  bool inv_cl = false;  // ic: the vertical split is inverted
};

struct QTree {  // subband tree entry
  int x = 0, y = 0, lenx = 0, leny = 0;
};

struct WsqTableSet {
  DttTable dtt;
  DqtTable dqt;
  DhtTable dht[MAX_DHT_TABLES];
  FrmHeaderWsq frm;
  WTree w_tree[W_TREELEN];
  QTree q_tree[Q_TREELEN];
};

// (size, code) pair of a Huffman code list.
struct HuffCode {
  std::int16_t size = 0;
  std::uint32_t code = 0;
};

// ---------------------------------------------------------------- decoder
int getc_sof_wsq(FrmHeaderWsq* frm, const std::uint8_t*& cur, const std::uint8_t* end);
int getc_sob_wsq(std::uint8_t* otable_id, const std::uint8_t*& cur, const std::uint8_t* end);
int huffman_decode_data_mem(std::int16_t* ip, WsqTableSet* tables, const std::uint8_t*& cur,
                            const std::uint8_t* end);
// One output pixel from a reconstructed value x, in single precision:
// m_shift + r_scale * x, plus 0.5; below 0 (or not a number) gives 0, above
// 255 gives 255, anything else is truncated.
inline std::uint8_t wsq_float_to_pixel(float m_shift, float r_scale, float x) {
  float t = m_shift + r_scale * x;
  t = t + 0.5f;
  if (!(t >= 0.0f)) return 0;
  if (t > 255.0f) return 255;
  return static_cast<std::uint8_t>(t);
}
// wsq_float_to_pixel over n values, four at a time.
void wsq_floats_to_pixels(std::uint8_t* out, const float* in, std::size_t n, float m_shift,
                          float r_scale);
// True when width and height pass the up-front size check of wsq_decode_mem.
bool wsq_frame_size_ok(int width, int height);
// Releases the filter arrays of a table set and clears every defined flag.
void wsq_reset_tables(WsqTableSet* tables);

// ------------------------------------------------- trees and transform
// Scaled value: v in single precision, multiplied by 0.1 (extended precision)
// s times, rounded to single precision after each multiplication.
float wsq_scaled_value(std::uint8_t scale, std::uint32_t value);
void build_split_tree(WTree* w_tree, int width, int height);
void build_subband_tree(const WTree* w_tree, QTree* q_tree);
int getc_transform_table(DttTable* dtt, const std::uint8_t*& cur, const std::uint8_t* end);
int getc_dqt_wsq(DqtTable* dqt, const std::uint8_t*& cur, const std::uint8_t* end);
int unquantize(float** ofip, const DqtTable* dqt, const QTree* q_tree, const std::int16_t* sip,
               int width, int height);
// scratch: a float image of width x height to work in, or null to have one
// allocated (and released) here.
int wsq_reconstruct(float* fdata, int width, int height, const WTree* w_tree, const DttTable* dtt,
                    float* scratch = nullptr);
// One-dimensional synthesis of `lines` lines of n samples each. `pitch` is the distance between lines, `stride` the distance between
// samples (both in floats). newdata and olddata must not overlap. Odd filter
// lengths only (even ones are rejected earlier by wsq_reconstruct).
void join_halves(float* newdata, const float* olddata, int lines, int n, std::ptrdiff_t pitch,
                 std::ptrdiff_t stride, const float* hifilt, int hisize, const float* lofilt,
                 int losize, bool inv);

// ---------------------------------------------------------------- Huffman
int getc_huffman_table(std::uint8_t* otable_id, std::uint8_t** ohuffbits,
                       std::uint8_t** ohuffvalues, int max_huffcounts, const std::uint8_t*& cur,
                       const std::uint8_t* end, bool read_table_len, int* bytes_left);
int getc_dht_segment(DhtTable* dht_table, const std::uint8_t*& cur, const std::uint8_t* end);
int build_huffsizes(HuffCode** ohuffcode_table, int* ohuffcode_size,
                    const std::uint8_t* huffbits, int max_huffcounts);
void assign_huffcodes(HuffCode* huffcode_table);
int check_all_ones_codes(const HuffCode* huffcode_table, int huffcode_size);
// Arrays of 17 entries, indexed by code length 1..16 (entry 0 unused).
void build_decode_limits(int* maxcode, int* mincode, int* valptr, const HuffCode* huffcode_table,
                         const std::uint8_t* huffbits);
int getc_nextbits_wsq(std::uint16_t* obits, std::uint16_t* omarker, const std::uint8_t*& cur,
                      const std::uint8_t* end, int* bit_count, int bits_req);
int decode_symbol_wsq(int* osymbol, const int* mincode, const int* maxcode, const int* valptr,
                      const std::uint8_t* huffvalues, const std::uint8_t*& cur,
                      const std::uint8_t* end, int* bit_count, std::uint16_t* omarker);

// Symbols of the codes that lie wholly within the bits left of the current
// byte: for b bits left (1..8) holding the value v, entry [b][v] is the
// code's length and symbol, or length 0 when the code needs more bits (or is
// not valid). decode_symbol_fast uses it and falls back to
// decode_symbol_wsq, so that both give the same symbols, markers and errors.
// Entry [v] of the peek table is the same for the first 12 bits v of the
// coming bits; limit[len] is (maxcode[len] + 1) << (16 - len), so that the
// first 16 bits p hold a code of length len when p < limit[len] (and no
// shorter code matched).
struct SymbolLookup {
  std::uint8_t length[9][256];
  std::uint8_t symbol[9][256];
  std::uint8_t peek_length[4096];
  std::uint8_t peek_symbol[4096];
  std::int64_t limit[MAX_HUFFBITS + 1];
};
void build_symbol_lookup(SymbolLookup* lut, const int* mincode, const int* maxcode,
                         const int* valptr, const std::uint8_t* huffvalues);
int decode_symbol_fast(int* osymbol, const SymbolLookup* lut, const int* mincode,
                       const int* maxcode, const int* valptr, const std::uint8_t* huffvalues,
                       const std::uint8_t*& cur, const std::uint8_t* end, int* bit_count,
                       std::uint16_t* omarker);

// --------------------------------------------------------------- NIST_COM
struct Fet {
  int alloc = 0;  // capacity
  int num = 0;    // count
  char** names = nullptr;
  char** values = nullptr;
};

int allocfet_ret(Fet** ofet, int numfeatures);
int reallocfet_ret(Fet** ofet, int newlen);
int updatefet_ret(const char* feature, const char* value, Fet* fet);
int extractfet_ret(char** ovalue, const char* feature, const Fet* fet);
void free_fet(Fet* fet);
int string2fet(Fet** ofet, const char* istr);
int find_nistcom_wsq(Fet** onistcom, const std::uint8_t* idata, std::size_t ilen);

}  // namespace trelvo::wsq
