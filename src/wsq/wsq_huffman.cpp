// Huffman tables and entropy decoding of WSQ blocks.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "wsq/wsq_internal.h"

namespace trelvo::wsq {

namespace {
// The byte being consumed by the bit reader (module-wide).
std::uint8_t g_bit_byte = 0;

constexpr std::uint8_t kBitMask[9] = {0x00, 0x01, 0x03, 0x07, 0x0f, 0x1f, 0x3f, 0x7f, 0xff};
}  // namespace

int getc_huffman_table(std::uint8_t* otable_id, std::uint8_t** ohuffbits,
                       std::uint8_t** ohuffvalues, int max_huffcounts, const std::uint8_t*& cur,
                       const std::uint8_t* end, bool read_table_len, int* bytes_left) {
  if (read_table_len) {
    std::uint16_t table_len;
    if (int ret = getc_u16(&table_len, cur, end)) return ret;
    *bytes_left = static_cast<int>(table_len) - 2;
  }
  if (*bytes_left <= 0) {
    std::fprintf(stderr, "ERROR : getc_huffman_table : ");
    std::fprintf(stderr, "no huffman table bytes remaining\n");
    return WSQ_ERR_GENERIC;
  }

  std::uint8_t table_id;
  if (int ret = getc_byte(&table_id, cur, end)) return ret;
  *bytes_left -= 1;

  auto* huffbits = static_cast<std::uint8_t*>(std::calloc(MAX_HUFFBITS, 1));
  if (huffbits == nullptr) {
    std::fprintf(stderr, "ERROR : getc_huffman_table : calloc : huffbits\n");
    return WSQ_ERR_HUFFBITS;
  }
  if (int ret = getc_bytes(huffbits, MAX_HUFFBITS, cur, end)) {
    std::free(huffbits);
    return ret;
  }
  *bytes_left -= MAX_HUFFBITS;
  int num_hufvals = 0;
  for (int i = 0; i < MAX_HUFFBITS; ++i) num_hufvals += huffbits[i];

  if (num_hufvals > max_huffcounts + 1) {
    std::fprintf(stderr, "ERROR : getc_huffman_table : ");
    std::fprintf(stderr, "num_hufvals (%d) is larger", num_hufvals);
    std::fprintf(stderr, "than MAX_HUFFCOUNTS (%d)\n", max_huffcounts + 1);
    std::free(huffbits);
    return WSQ_ERR_HUFFCOUNT;
  }

  auto* huffvalues =
      static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(max_huffcounts) + 1, 1));
  if (huffvalues == nullptr) {
    std::fprintf(stderr, "ERROR : getc_huffman_table : calloc : huffvalues\n");
    std::free(huffbits);
    return WSQ_ERR_HUFFVALUES;
  }
  if (int ret = getc_bytes(huffvalues, static_cast<std::size_t>(num_hufvals), cur, end)) {
    std::free(huffbits);
    std::free(huffvalues);
    return ret;
  }
  *bytes_left -= num_hufvals;

  *otable_id = table_id;
  *ohuffbits = huffbits;
  *ohuffvalues = huffvalues;
  return 0;
}

namespace {
int store_table(DhtTable* dht_table, std::uint8_t table_id, const std::uint8_t* huffbits,
                const std::uint8_t* huffvalues) {
  if (table_id >= MAX_DHT_TABLES) {
    std::fprintf(stderr, "ERROR : getc_dht_segment : huffman table id %d is not in 0..7\n",
                 static_cast<int>(table_id));
    return WSQ_ERR_HUFFMAN_TABLE_ID;
  }
  DhtTable& t = dht_table[table_id];
  std::memcpy(t.huffbits, huffbits, MAX_HUFFBITS);
  std::memcpy(t.huffvalues, huffvalues, MAX_HUFFCOUNTS_WSQ + 1);
  t.tabdef = true;
  return 0;
}
}  // namespace

int getc_dht_segment(DhtTable* dht_table, const std::uint8_t*& cur, const std::uint8_t* end) {
  std::uint8_t table_id = 0;
  std::uint8_t* huffbits = nullptr;
  std::uint8_t* huffvalues = nullptr;
  int bytes_left = 0;

  if (int ret = getc_huffman_table(&table_id, &huffbits, &huffvalues, MAX_HUFFCOUNTS_WSQ, cur,
                                   end, true, &bytes_left))
    return ret;
  int ret = store_table(dht_table, table_id, huffbits, huffvalues);
  std::free(huffbits);
  std::free(huffvalues);
  if (ret) return ret;

  while (bytes_left != 0) {
    if ((ret = getc_huffman_table(&table_id, &huffbits, &huffvalues, MAX_HUFFCOUNTS_WSQ, cur, end,
                                  false, &bytes_left)))
      return ret;
    if (table_id < MAX_DHT_TABLES && dht_table[table_id].tabdef) {
      std::free(huffbits);
      std::free(huffvalues);
      return WSQ_ERR_GENERIC;
    }
    ret = store_table(dht_table, table_id, huffbits, huffvalues);
    std::free(huffbits);
    std::free(huffvalues);
    if (ret) return ret;
  }
  return 0;
}

int build_huffsizes(HuffCode** ohuffcode_table, int* ohuffcode_size,
                    const std::uint8_t* huffbits, int max_huffcounts) {
  // One pair per code (at most max_huffcounts + 1 codes pass
  // getc_huffman_table) plus the closing size-0 pair.
  auto* table = static_cast<HuffCode*>(
      std::calloc(static_cast<std::size_t>(max_huffcounts) + 2, sizeof(HuffCode)));
  if (table == nullptr) {
    std::fprintf(stderr, "ERROR : build_huffsizes : calloc : huffcode_table\n");
    return WSQ_ERR_GENERIC;
  }
  int number_of_codes = 0;
  const int limit = max_huffcounts + 1;
  for (int code_size = 1; code_size <= MAX_HUFFBITS; ++code_size) {
    for (int i = 0; i < huffbits[code_size - 1] && number_of_codes < limit; ++i) {
      table[number_of_codes].size = static_cast<std::int16_t>(code_size);
      ++number_of_codes;
    }
  }
  table[number_of_codes].size = 0;
  *ohuffcode_table = table;
  *ohuffcode_size = number_of_codes;
  return 0;
}

void assign_huffcodes(HuffCode* huffcode_table) {
  int pointer = 0;
  std::uint32_t code = 0;
  int size = huffcode_table[0].size;
  if (size == 0) return;
  for (;;) {
    do {
      huffcode_table[pointer].code = code;
      ++code;
      ++pointer;
    } while (huffcode_table[pointer].size == size);
    if (huffcode_table[pointer].size == 0) return;
    do {
      code <<= 1;
      ++size;
    } while (huffcode_table[pointer].size != size);
  }
}

int check_all_ones_codes(const HuffCode* huffcode_table, int huffcode_size) {
  for (int i = 0; i < huffcode_size; ++i) {
    const int size = huffcode_table[i].size;
    const std::uint32_t all_ones = (size >= 32) ? 0xFFFFFFFFu : ((1u << size) - 1u);
    if (huffcode_table[i].code == all_ones) {
      std::fprintf(stderr, "WARNING: A code in the hufftable contains an ");
      std::fprintf(stderr, "all 1's code.\n         This image may still be ");
      std::fprintf(stderr, "decodable.\n         It is not compliant with ");
      std::fprintf(stderr, "the WSQ specification.\n");
      return -1;
    }
  }
  return 0;
}

void build_decode_limits(int* maxcode, int* mincode, int* valptr, const HuffCode* huffcode_table,
                         const std::uint8_t* huffbits) {
  for (int i = 0; i <= MAX_HUFFBITS; ++i) {
    maxcode[i] = 0;
    mincode[i] = 0;
    valptr[i] = 0;
  }
  int pointer = 0;
  for (int i = 1; i <= MAX_HUFFBITS; ++i) {
    if (huffbits[i - 1] == 0) {
      maxcode[i] = -1;
      continue;
    }
    valptr[i] = pointer;
    mincode[i] = static_cast<int>(huffcode_table[pointer].code);
    pointer = pointer + huffbits[i - 1] - 1;
    maxcode[i] = static_cast<int>(huffcode_table[pointer].code);
    ++pointer;
  }
}

int getc_nextbits_wsq(std::uint16_t* obits, std::uint16_t* omarker, const std::uint8_t*& cur,
                      const std::uint8_t* end, int* bit_count, int bits_req) {
  if (*bit_count == 0) {
    std::uint8_t code;
    if (int ret = getc_byte(&code, cur, end)) return ret;
    g_bit_byte = code;
    *bit_count = 8;
    if (code == 0xFF) {
      std::uint8_t code2;
      if (int ret = getc_byte(&code2, cur, end)) return ret;
      if (code2 != 0x00) {
        if (bits_req == 1 && omarker != nullptr) {
          *omarker = static_cast<std::uint16_t>((code << 8) | code2);
          *obits = 1;
          return 0;
        }
        std::fprintf(stderr, "ERROR: getc_nextbits_wsq : No stuffed zeros\n");
        return WSQ_ERR_NO_STUFFED_ZEROS;
      }
    }
  }

  std::uint16_t bits;
  if (bits_req <= *bit_count) {
    bits = static_cast<std::uint16_t>((g_bit_byte >> (*bit_count - bits_req)) &
                                      kBitMask[bits_req]);
    *bit_count -= bits_req;
    g_bit_byte &= kBitMask[*bit_count];
  } else {
    const int bits_needed = bits_req - *bit_count;
    bits = static_cast<std::uint16_t>(g_bit_byte << bits_needed);
    *bit_count = 0;
    std::uint16_t tbits;
    if (int ret = getc_nextbits_wsq(&tbits, nullptr, cur, end, bit_count, bits_needed))
      return ret;
    bits = static_cast<std::uint16_t>(bits | tbits);
  }
  *obits = bits;
  return 0;
}

namespace {
// One bit for a code, as getc_nextbits_wsq reads it with n = 1 and a marker
// output (inlined: it runs once per coded bit). Returns 0 with *bit set, 0
// with *marker set when a marker starts at the next byte, or a read error.
inline int next_code_bit(int* bit, std::uint16_t* marker, const std::uint8_t*& cur,
                         const std::uint8_t* end, int* bit_count) {
  if (*bit_count == 0) {
    if (cur >= end) return getc_byte(&g_bit_byte, cur, end);  // the error and its message
    const std::uint8_t code = *cur++;
    g_bit_byte = code;
    *bit_count = 8;
    if (code == 0xFF) {
      std::uint8_t code2;
      if (int ret = getc_byte(&code2, cur, end)) return ret;
      if (code2 != 0x00) {
        *marker = static_cast<std::uint16_t>((code << 8) | code2);
        *bit = 1;
        return 0;
      }
    }
  }
  --*bit_count;
  *bit = (g_bit_byte >> *bit_count) & 1;
  g_bit_byte &= kBitMask[*bit_count];
  return 0;
}
}  // namespace

int decode_symbol_wsq(int* osymbol, const int* mincode, const int* maxcode, const int* valptr,
                      const std::uint8_t* huffvalues, const std::uint8_t*& cur,
                      const std::uint8_t* end, int* bit_count, std::uint16_t* omarker) {
  std::uint16_t marker = 0;
  int bit = 0;
  if (int ret = next_code_bit(&bit, &marker, cur, end, bit_count)) return ret;
  if (marker != 0) {
    *omarker = marker;
    *osymbol = -1;
    return 0;
  }
  int code = bit;
  int inx = 1;
  while (code > maxcode[inx]) {
    if (inx == MAX_HUFFBITS) {
      std::fprintf(stderr,
                   "ERROR : decode_symbol_wsq : no huffman code matches within 16 bits\n");
      return WSQ_ERR_NO_HUFFMAN_CODE;
    }
    if (int ret = next_code_bit(&bit, &marker, cur, end, bit_count)) return ret;
    if (marker != 0) {
      *omarker = marker;
      *osymbol = -1;
      return 0;
    }
    code = (code << 1) + bit;
    ++inx;
  }
  const int index = valptr[inx] + code - mincode[inx];
  if (index < 0 || index > MAX_HUFFCOUNTS_WSQ) {
    std::fprintf(stderr,
                 "ERROR : decode_symbol_wsq : no huffman code matches within 16 bits\n");
    return WSQ_ERR_NO_HUFFMAN_CODE;
  }
  *osymbol = huffvalues[index];
  return 0;
}

void build_symbol_lookup(SymbolLookup* lut, const int* mincode, const int* maxcode,
                         const int* valptr, const std::uint8_t* huffvalues) {
  std::memset(lut, 0, sizeof *lut);
  for (int len = 1; len <= MAX_HUFFBITS; ++len)
    lut->limit[len] = (static_cast<std::int64_t>(maxcode[len]) + 1) << (MAX_HUFFBITS - len);
  for (int v = 0; v < 4096; ++v) {
    int code = 0;
    for (int len = 1; len <= 12; ++len) {
      code = (code << 1) | ((v >> (12 - len)) & 1);
      if (code <= maxcode[len]) {
        const int index = valptr[len] + code - mincode[len];
        if (index >= 0 && index <= MAX_HUFFCOUNTS_WSQ) {
          lut->peek_length[v] = static_cast<std::uint8_t>(len);
          lut->peek_symbol[v] = huffvalues[index];
        }
        break;
      }
    }
  }
  for (int bits = 1; bits <= 8; ++bits) {
    for (int v = 0; v < (1 << bits); ++v) {
      int code = 0;
      for (int len = 1; len <= bits; ++len) {
        code = (code << 1) | ((v >> (bits - len)) & 1);
        if (code <= maxcode[len]) {
          const int index = valptr[len] + code - mincode[len];
          if (index >= 0 && index <= MAX_HUFFCOUNTS_WSQ) {
            lut->length[bits][v] = static_cast<std::uint8_t>(len);
            lut->symbol[bits][v] = huffvalues[index];
          }
          break;
        }
      }
    }
  }
}

int decode_symbol_fast(int* osymbol, const SymbolLookup* lut, const int* mincode,
                       const int* maxcode, const int* valptr, const std::uint8_t* huffvalues,
                       const std::uint8_t*& cur, const std::uint8_t* end, int* bit_count,
                       std::uint16_t* omarker) {
  // A code read bit by bit fetches a new byte only when no bits are left, so
  // a code that lies within the bits left decodes from them alone.
  const int left = *bit_count;
  if (left > 0) {
    const int len = lut->length[left][g_bit_byte];
    if (len != 0) {
      *osymbol = lut->symbol[left][g_bit_byte];
      *bit_count = left - len;
      g_bit_byte &= kBitMask[left - len];
      return 0;
    }
  }
  // A longer code, when the next two bytes are plain data (neither is 0xFF,
  // so neither a stuffed zero nor a marker can be met): the bits left and
  // those two bytes, read as the bit-by-bit reader would read them.
  if (end - cur >= 2 && cur[0] != 0xFF && cur[1] != 0xFF) {
    const unsigned acc = (static_cast<unsigned>(g_bit_byte) << 16) |
                         (static_cast<unsigned>(cur[0]) << 8) | cur[1];
    const unsigned peek = (acc >> left) & 0xFFFFu;  // the next 16 bits
    int len = lut->peek_length[peek >> 4];
    int symbol = lut->peek_symbol[peek >> 4];
    if (len == 0) {
      // 13 bits or more (or no valid code within 12: the slow path decides).
      for (int l = 1; l <= MAX_HUFFBITS; ++l) {
        if (static_cast<std::int64_t>(peek) < lut->limit[l]) {
          len = l <= 12 ? 0 : l;
          break;
        }
      }
      if (len != 0) {
        const int code = static_cast<int>(peek >> (MAX_HUFFBITS - len));
        const int index = valptr[len] + code - mincode[len];
        if (index < 0 || index > MAX_HUFFCOUNTS_WSQ) len = 0;
        else symbol = huffvalues[index];
      }
    }
    if (len != 0) {
      *osymbol = symbol;
      if (len <= left) {
        *bit_count = left - len;
        g_bit_byte &= kBitMask[left - len];
      } else {
        const int bytes = (len - left + 7) / 8;  // bytes fetched, 1 or 2
        const int rest = left + 8 * bytes - len;
        g_bit_byte = static_cast<std::uint8_t>(cur[bytes - 1] & kBitMask[rest]);
        cur += bytes;
        *bit_count = rest;
      }
      return 0;
    }
  }
  return decode_symbol_wsq(osymbol, mincode, maxcode, valptr, huffvalues, cur, end, bit_count,
                           omarker);
}

}  // namespace trelvo::wsq
