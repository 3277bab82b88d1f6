// WSQ decoder with NIST_COM: the interface used by the rest of the library.
//
// The module depends on nothing but the C and C++ standard libraries. Every
// operation returns 0 on success or a negative code (the codes below) and,
// on failure, writes its fixed message to the standard error stream (but for
// the few quiet failures noted at the functions). Outputs are written only
// on success.
//
// Ownership: every buffer handed to a caller (the pixels of wsq_decode_mem,
// the text of getc_comment, the values of the feature lists) is allocated on
// the C heap and released by the receiver with std::free.
//
// Threads: the decoder's table set (and the bit reader's current byte) is
// module-wide: decodes must not overlap. probe_frame_wsq and the byte and
// marker readers touch no shared state and may run on any thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace trelvo::wsq {

// ---------------------------------------------------------------- markers
inline constexpr std::uint16_t SOI_WSQ = 0xFFA0;
inline constexpr std::uint16_t EOI_WSQ = 0xFFA1;
inline constexpr std::uint16_t SOF_WSQ = 0xFFA2;
inline constexpr std::uint16_t SOB_WSQ = 0xFFA3;
inline constexpr std::uint16_t DTT_WSQ = 0xFFA4;
inline constexpr std::uint16_t DQT_WSQ = 0xFFA5;
inline constexpr std::uint16_t DHT_WSQ = 0xFFA6;
inline constexpr std::uint16_t DRT_WSQ = 0xFFA7;
inline constexpr std::uint16_t COM_WSQ = 0xFFA8;

// Marker classes of getc_marker_wsq (the SOI value 0xFFA0 is the fourth).
inline constexpr std::uint16_t TBLS_N_SOF = 2;   // tables_or_sof
inline constexpr std::uint16_t TBLS_N_SOB = 4;   // tables_or_sob
inline constexpr std::uint16_t ANY_WSQ = 0xFFFF;  // any_marker

// ------------------------------------------------------------ error codes
// Several numbers are shared by different causes; the message on standard
// error tells them apart.
enum WsqError : int {
  WSQ_OK = 0,
  WSQ_ERR_GENERIC = -2,          // comment malloc, segment skip, huffman table, fet, ...
  WSQ_ERR_HUFFBITS = -3,
  WSQ_ERR_HUFFCOUNT = -4,
  WSQ_ERR_HUFFVALUES = -5,
  WSQ_ERR_MALLOC_QDATA = -20,
  WSQ_ERR_MALLOC_CDATA = -21,    // kept for callers; the output reuses the work image
  WSQ_ERR_BYTE_EOB = -39,        // getc_byte: premature end of buffer
  WSQ_ERR_BYTES_EOB = -40,       // getc_bytes: premature end of buffer
  WSQ_ERR_NO_STUFFED_ZEROS = -41,
  WSQ_ERR_DECODE = -51,          // undefined huffman table, or data past the image
  WSQ_ERR_INVALID_CODE = -52,    // symbol 0 or 255
  WSQ_ERR_NO_SOI = -88,
  WSQ_ERR_NO_SOF = -89,
  WSQ_ERR_NO_SOB = -90,
  WSQ_ERR_NO_MARKER = -91,       // also: unquantize calloc
  WSQ_ERR_BAD_MARKER = -92,      // also: unquantize without quantization table
  WSQ_ERR_INVALID_MARKER = -93,  // unknown class, or a marker without reader
  WSQ_ERR_TRANSFORM_94 = -94,
  WSQ_ERR_TRANSFORM_95 = -95,
  WSQ_ERR_TRANSFORM_96 = -96,
  WSQ_ERR_TRANSFORM_97 = -97,

  // Codes of this implementation's own checks (see wsq_internal.h).
  WSQ_ERR_NO_HUFFMAN_CODE = -53,     // no code matches within 16 bits
  WSQ_ERR_FRAME_SIZE = -98,          // width or height 0 or too small
  WSQ_ERR_COMMENT_LENGTH = -99,      // comment segment length below 2
  WSQ_ERR_HUFFMAN_TABLE_ID = -100,   // DHT table id of 8 or more
  WSQ_ERR_FILTER_LENGTH = -101,      // even (or zero) filter length
};

// Smallest width and height that wsq_decode_mem accepts: the smallest size
// for which every one of the 20 split-tree rectangles is at least 2 samples
// wide and high, so that each of the five decomposition levels splits every
// line into a non-empty low and high band (all 60 coded subbands are then
// non-empty). Smaller frames are rejected with WSQ_ERR_FRAME_SIZE.
inline constexpr int WSQ_MIN_DIMENSION = 17;

// Largest number of pixels that wsq_decode_mem accepts (16384 x 8192, far
// beyond a 1000 ppi palm print). The decode needs 4 bytes per pixel of work
// memory, and a stream may legally stop before its last coefficient, so a
// damaged frame header of a few bytes could otherwise claim 17 GB.
inline constexpr std::int64_t WSQ_MAX_PIXELS = std::int64_t{1} << 27;

// ---------------------------------------------------------------- decoder
// Decodes a WSQ stream held in memory. On success *odata holds
// width x height 8-bit pixels, row by row, top row first (release with
// std::free); depth is 8, the lossy flag 1, ppi the NIST_COM PPI value or -1.
int wsq_decode_mem(std::uint8_t** odata, int* owidth, int* oheight, int* odepth, int* oppi,
                   int* lossyflag, int* owsq_encoder, int* osoftware,
                   const std::uint8_t* idata, std::size_t ilen);

// Width and height from the frame header without decoding: reads the
// markers and table segments up to SOF and touches no decoder state. A
// marker that is neither a table, a comment nor SOF ends it quietly with
// WSQ_ERR_NO_SOF.
int probe_frame_wsq(const std::uint8_t* idata, std::size_t ilen, int* owidth, int* oheight);

// ------------------------------------------- byte reader and marker layer
// The cursor is the caller's: the address of the next unread byte,
// advanced by every read; end is one past the last byte. No read touches end
// or beyond.
int getc_byte(std::uint8_t* ochar, const std::uint8_t*& cur, const std::uint8_t* end);
int getc_bytes(std::uint8_t* dest, std::size_t n, const std::uint8_t*& cur,
               const std::uint8_t* end);
int getc_u16(std::uint16_t* oval, const std::uint8_t*& cur, const std::uint8_t* end);
int getc_u32(std::uint32_t* oval, const std::uint8_t*& cur, const std::uint8_t* end);
int getc_marker_wsq(std::uint16_t* omarker, std::uint16_t type, const std::uint8_t*& cur,
                    const std::uint8_t* end);
// The content of the comment segment at the cursor (cursor just past the
// marker), as a new zero-terminated text; release with std::free.
int getc_comment(char** ocomment, const std::uint8_t*& cur, const std::uint8_t* end);
int getc_skip_marker_segment(std::uint16_t marker, const std::uint8_t*& cur,
                             const std::uint8_t* end);

// The decoder's module-wide table set (defined in wsq_internal.h).
struct WsqTableSet;
WsqTableSet* wsq_module_tables();

// Reads the table or comment segment that follows a marker already read
// into the given table set; a comment is read and dropped.
int getc_table_wsq(std::uint16_t marker, WsqTableSet* tables, const std::uint8_t*& cur,
                   const std::uint8_t* end);

// Resolution from the NIST_COM comment of a WSQ stream: the PPI
// value, or -1 when there is no NIST_COM comment or its PPI value is empty.
int ppi_from_nistcom(int* oppi, const std::uint8_t* idata, std::size_t ilen);

}  // namespace trelvo::wsq
