// Byte-buffer reader and WSQ marker segments.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "wsq/wsq_internal.h"

namespace trelvo::wsq {

namespace {
std::size_t remaining(const std::uint8_t* cur, const std::uint8_t* end) {
  return cur < end ? static_cast<std::size_t>(end - cur) : 0;
}
}  // namespace

int getc_byte(std::uint8_t* ochar, const std::uint8_t*& cur, const std::uint8_t* end) {
  if (cur == nullptr || remaining(cur, end) < 1) {
    std::fprintf(stderr, "ERROR : getc_byte : premature End Of Buffer\n");
    return WSQ_ERR_BYTE_EOB;
  }
  *ochar = *cur++;
  return 0;
}

int getc_bytes(std::uint8_t* dest, std::size_t n, const std::uint8_t*& cur,
               const std::uint8_t* end) {
  if (n == 0) return 0;
  if (cur == nullptr || remaining(cur, end) < n) {
    std::fprintf(stderr, "ERROR : getc_bytes : premature End Of Buffer\n");
    return WSQ_ERR_BYTES_EOB;
  }
  std::memcpy(dest, cur, n);
  cur += n;
  return 0;
}

int getc_u16(std::uint16_t* oval, const std::uint8_t*& cur, const std::uint8_t* end) {
  std::uint8_t b[2];
  if (int ret = getc_bytes(b, 2, cur, end)) return ret;
  *oval = static_cast<std::uint16_t>((b[0] << 8) | b[1]);
  return 0;
}

int getc_u32(std::uint32_t* oval, const std::uint8_t*& cur, const std::uint8_t* end) {
  std::uint8_t b[4];
  if (int ret = getc_bytes(b, 4, cur, end)) return ret;
  *oval = (static_cast<std::uint32_t>(b[0]) << 24) | (static_cast<std::uint32_t>(b[1]) << 16) |
          (static_cast<std::uint32_t>(b[2]) << 8) | b[3];
  return 0;
}

int getc_marker_wsq(std::uint16_t* omarker, std::uint16_t type, const std::uint8_t*& cur,
                    const std::uint8_t* end) {
  std::uint16_t marker;
  if (int ret = getc_u16(&marker, cur, end)) return ret;
  switch (type) {
    case SOI_WSQ:
      if (marker != SOI_WSQ) {
        std::fprintf(stderr, "ERROR : getc_marker_wsq : No SOI marker. {%04X}\n", marker);
        return WSQ_ERR_NO_SOI;
      }
      break;
    case TBLS_N_SOF:
      if (marker != DTT_WSQ && marker != DQT_WSQ && marker != DHT_WSQ && marker != SOF_WSQ &&
          marker != COM_WSQ) {
        std::fprintf(stderr, "ERROR : getc_marker_wsq : No SOF, Table, or comment markers.\n");
        return WSQ_ERR_NO_SOF;
      }
      break;
    case TBLS_N_SOB:
      if (marker != DTT_WSQ && marker != DQT_WSQ && marker != DHT_WSQ && marker != SOB_WSQ &&
          marker != COM_WSQ) {
        std::fprintf(stderr,
                     "ERROR : getc_marker_wsq : No SOB, Table, or comment markers.{%04X}\n",
                     marker);
        return WSQ_ERR_NO_SOB;
      }
      break;
    case ANY_WSQ:
      if ((marker & 0xFF00) != 0xFF00) {
        std::fprintf(stderr, "ERROR : getc_marker_wsq : no marker found {%04X}\n", marker);
        return WSQ_ERR_NO_MARKER;
      }
      if (marker < SOI_WSQ || marker > COM_WSQ) {
        std::fprintf(stderr, "ERROR : getc_marker_wsq : {%04X} not a valid marker\n", marker);
        return WSQ_ERR_BAD_MARKER;
      }
      break;
    default:
      std::fprintf(stderr, "ERROR : getc_marker_wsq : Invalid marker -> {%4X}\n", marker);
      return WSQ_ERR_INVALID_MARKER;
  }
  *omarker = marker;
  return 0;
}

int getc_comment(char** ocomment, const std::uint8_t*& cur, const std::uint8_t* end) {
  std::uint16_t hdr_size;
  if (int ret = getc_u16(&hdr_size, cur, end)) return ret;
  if (hdr_size < 2) {
    std::fprintf(stderr, "ERROR : getc_comment : segment length %u is below 2\n",
                 static_cast<unsigned>(hdr_size));
    return WSQ_ERR_COMMENT_LENGTH;
  }
  const std::size_t cs = static_cast<std::size_t>(hdr_size) - 2;
  char* comment = static_cast<char*>(std::calloc(cs + 1, 1));
  if (comment == nullptr) {
    std::fprintf(stderr, "ERROR : getc_comment : malloc : comment\n");
    return WSQ_ERR_GENERIC;
  }
  if (int ret = getc_bytes(reinterpret_cast<std::uint8_t*>(comment), cs, cur, end)) {
    std::free(comment);
    return ret;
  }
  *ocomment = comment;
  return 0;
}

int getc_skip_marker_segment(std::uint16_t marker, const std::uint8_t*& cur,
                             const std::uint8_t* end) {
  std::uint16_t length;
  if (int ret = getc_u16(&length, cur, end)) return ret;
  const std::uint16_t distance = static_cast<std::uint16_t>(length - 2);
  if (static_cast<std::size_t>(distance) < remaining(cur, end)) {
    cur += distance;
    return 0;
  }
  std::fprintf(stderr, "ERROR : getc_skip_marker_segment : ");
  std::fprintf(stderr, "unexpected end of buffer when parsing ");
  std::fprintf(stderr, "marker %d segment of length %d\n", static_cast<int>(marker),
               static_cast<int>(distance));
  return WSQ_ERR_GENERIC;
}

}  // namespace trelvo::wsq
