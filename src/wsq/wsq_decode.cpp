// WSQ decoder (table set, stream order, block loop, conversion to pixels)
// and the size probe.
#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "wsq/wsq_internal.h"

namespace trelvo::wsq {

namespace {
// The decoder's table set: module-wide, one instance.
WsqTableSet g_tables;

int past_image_buffer(int which) {
  std::fprintf(stderr, "ERROR : huffman_decode_data_mem [%d]: ", which);
  std::fprintf(stderr, "Decoded data extends past image buffer. ");
  std::fprintf(stderr, "Encoded data appears corrupt or non-standard.\n");
  std::fflush(stderr);
  return WSQ_ERR_DECODE;
}
}  // namespace

DttTable::~DttTable() { release_filters(this); }

WsqTableSet* wsq_module_tables() { return &g_tables; }

void wsq_reset_tables(WsqTableSet* tables) {
  release_filters(&tables->dtt);
  tables->dqt.dqt_def = false;
  for (DhtTable& t : tables->dht) t.tabdef = false;
}

bool wsq_frame_size_ok(int width, int height) {
  if (width < 1 || height < 1) return false;
  WTree w_tree[W_TREELEN];
  build_split_tree(w_tree, width, height);
  for (const WTree& t : w_tree) {
    if (t.lenx < 2 || t.leny < 2) return false;
  }
  return true;
}

int getc_sof_wsq(FrmHeaderWsq* frm, const std::uint8_t*& cur, const std::uint8_t* end) {
  FrmHeaderWsq f;
  std::uint16_t hdr_size, shrt_dat;
  std::uint8_t scale;
  if (int ret = getc_u16(&hdr_size, cur, end)) return ret;
  if (int ret = getc_byte(&f.black, cur, end)) return ret;
  if (int ret = getc_byte(&f.white, cur, end)) return ret;
  if (int ret = getc_u16(&f.height, cur, end)) return ret;
  if (int ret = getc_u16(&f.width, cur, end)) return ret;
  if (int ret = getc_byte(&scale, cur, end)) return ret;
  if (int ret = getc_u16(&shrt_dat, cur, end)) return ret;
  f.m_shift = wsq_scaled_value(scale, shrt_dat);
  if (int ret = getc_byte(&scale, cur, end)) return ret;
  if (int ret = getc_u16(&shrt_dat, cur, end)) return ret;
  f.r_scale = wsq_scaled_value(scale, shrt_dat);
  if (int ret = getc_byte(&f.wsq_encoder, cur, end)) return ret;
  if (int ret = getc_u16(&f.software, cur, end)) return ret;
  *frm = f;
  return 0;
}

int getc_sob_wsq(std::uint8_t* otable_id, const std::uint8_t*& cur, const std::uint8_t* end) {
  std::uint16_t hdr_size;
  std::uint8_t table_id;
  if (int ret = getc_u16(&hdr_size, cur, end)) return ret;
  if (int ret = getc_byte(&table_id, cur, end)) return ret;
  *otable_id = table_id;
  return 0;
}

int getc_table_wsq(std::uint16_t marker, WsqTableSet* tables, const std::uint8_t*& cur,
                   const std::uint8_t* end) {
  switch (marker) {
    case DTT_WSQ:
      return getc_transform_table(&tables->dtt, cur, end);
    case DQT_WSQ:
      return getc_dqt_wsq(&tables->dqt, cur, end);
    case DHT_WSQ:
      return getc_dht_segment(tables->dht, cur, end);
    case COM_WSQ: {
      char* comment = nullptr;
      if (int ret = getc_comment(&comment, cur, end)) return ret;
      std::free(comment);
      return 0;
    }
    default:
      std::fprintf(stderr, "ERROR: getc_table_wsq : Invalid table defined -> {%u}\n",
                   static_cast<unsigned>(marker));
      return WSQ_ERR_INVALID_MARKER;
  }
}

int huffman_decode_data_mem(std::int16_t* ip, WsqTableSet* tables, const std::uint8_t*& cur,
                            const std::uint8_t* end) {
  std::uint16_t marker;
  if (int ret = getc_marker_wsq(&marker, TBLS_N_SOB, cur, end)) return ret;

  std::size_t ipc = 0;
  std::size_t ipc_mx = static_cast<std::size_t>(tables->frm.width) * tables->frm.height;
  int blk = 0;
  bool ipc_adjusted = false;
  int bit_count = 0;
  int maxcode[MAX_HUFFBITS + 1] = {};
  int mincode[MAX_HUFFBITS + 1] = {};
  int valptr[MAX_HUFFBITS + 1] = {};
  int hufftable_id = 0;
  SymbolLookup lookup;
  std::memset(&lookup, 0, sizeof lookup);

  while (marker != EOI_WSQ) {
    if (marker != 0) {
      ++blk;
      while (marker != SOB_WSQ) {
        if (int ret = getc_table_wsq(marker, tables, cur, end)) return ret;
        if (int ret = getc_marker_wsq(&marker, TBLS_N_SOB, cur, end)) return ret;
      }
      if (tables->dqt.dqt_def && !ipc_adjusted) {
        for (int i = 0; i < MAX_SUBBANDS; ++i) {
          if (tables->dqt.q_bin[i] == 0.0f) {
            ipc_mx -= static_cast<std::size_t>(tables->q_tree[i].lenx) * tables->q_tree[i].leny;
          }
        }
        ipc_adjusted = true;
      }
      std::uint8_t table_id;
      if (int ret = getc_sob_wsq(&table_id, cur, end)) return ret;
      hufftable_id = table_id;
      if (table_id >= MAX_DHT_TABLES || !tables->dht[table_id].tabdef) {
        std::fprintf(stderr, "ERROR : huffman_decode_data_mem : ");
        std::fprintf(stderr, "huffman table {%d} undefined.\n", hufftable_id);
        return WSQ_ERR_DECODE;
      }
      HuffCode* huffcode_table = nullptr;
      int huffcode_size = 0;
      if (int ret = build_huffsizes(&huffcode_table, &huffcode_size,
                                    tables->dht[table_id].huffbits, MAX_HUFFCOUNTS_WSQ))
        return ret;
      assign_huffcodes(huffcode_table);
      if (check_all_ones_codes(huffcode_table, huffcode_size) != 0) {
        std::fprintf(stderr, "         hufftable_id = %d\n", hufftable_id);
      }
      build_decode_limits(maxcode, mincode, valptr, huffcode_table,
                          tables->dht[table_id].huffbits);
      build_symbol_lookup(&lookup, mincode, maxcode, valptr, tables->dht[table_id].huffvalues);
      std::free(huffcode_table);
      bit_count = 0;
      marker = 0;
    }

    int symbol;
    if (int ret = decode_symbol_fast(&symbol, &lookup, mincode, maxcode, valptr,
                                     tables->dht[hufftable_id].huffvalues, cur, end, &bit_count,
                                     &marker))
      return ret;

    if (symbol == -1) {
      while (marker == COM_WSQ && blk == 3) {
        if (int ret = getc_table_wsq(marker, tables, cur, end)) return ret;
        if (int ret = getc_marker_wsq(&marker, ANY_WSQ, cur, end)) return ret;
      }
      continue;
    }

    if (symbol > 0 && symbol <= MAX_HUFFZRUN) {
      const auto run = static_cast<std::size_t>(symbol);
      if (run > ipc_mx - ipc) return past_image_buffer(2);
      std::memset(ip + ipc, 0, run * sizeof(std::int16_t));
      ipc += run;
    } else if (symbol > 106 && symbol < 0xFF) {
      if (ipc >= ipc_mx) return past_image_buffer(1);
      ip[ipc++] = static_cast<std::int16_t>(symbol - 180);
    } else if (symbol >= 101 && symbol <= 104) {
      std::uint16_t tbits;
      const int nbits = symbol <= 102 ? 8 : 16;
      if (int ret = getc_nextbits_wsq(&tbits, nullptr, cur, end, &bit_count, nbits)) return ret;
      if (ipc >= ipc_mx) return past_image_buffer(1);
      const int value = (symbol == 101 || symbol == 103) ? static_cast<int>(tbits)
                                                         : -static_cast<int>(tbits);
      ip[ipc++] = static_cast<std::int16_t>(value);
    } else if (symbol == 105 || symbol == 106) {
      std::uint16_t tbits;
      if (int ret = getc_nextbits_wsq(&tbits, nullptr, cur, end, &bit_count,
                                      symbol == 105 ? 8 : 16))
        return ret;
      const auto run = static_cast<std::size_t>(tbits);
      if (run > ipc_mx - ipc) return past_image_buffer(symbol == 105 ? 3 : 4);
      std::memset(ip + ipc, 0, run * sizeof(std::int16_t));
      ipc += run;
    } else {
      std::fprintf(stderr, "ERROR: huffman_decode_data_mem : Invalid code %d (%x).\n", symbol,
                   static_cast<unsigned>(symbol));
      return WSQ_ERR_INVALID_CODE;
    }
  }
  return 0;
}

int wsq_decode_mem(std::uint8_t** odata, int* owidth, int* oheight, int* odepth, int* oppi,
                   int* lossyflag, int* owsq_encoder, int* osoftware,
                   const std::uint8_t* idata, std::size_t ilen) {
  WsqTableSet* t = &g_tables;
  wsq_reset_tables(t);

  const std::uint8_t* cur = idata;
  const std::uint8_t* const end = idata == nullptr ? nullptr : idata + ilen;
  std::uint16_t marker;
  int ret;

  if ((ret = getc_marker_wsq(&marker, SOI_WSQ, cur, end)) ||
      (ret = getc_marker_wsq(&marker, TBLS_N_SOF, cur, end))) {
    return ret;
  }
  while (marker != SOF_WSQ) {
    if ((ret = getc_table_wsq(marker, t, cur, end)) ||
        (ret = getc_marker_wsq(&marker, TBLS_N_SOF, cur, end))) {
      release_filters(&t->dtt);
      return ret;
    }
  }
  if ((ret = getc_sof_wsq(&t->frm, cur, end))) {
    release_filters(&t->dtt);
    return ret;
  }
  const int width = t->frm.width;
  const int height = t->frm.height;
  if (!wsq_frame_size_ok(width, height)) {
    std::fprintf(stderr, "ERROR: wsq_decode_mem : image size %dx%d too small (minimum %dx%d)\n",
                 width, height, WSQ_MIN_DIMENSION, WSQ_MIN_DIMENSION);
    release_filters(&t->dtt);
    return WSQ_ERR_FRAME_SIZE;
  }
  if (std::int64_t{width} * height > WSQ_MAX_PIXELS) {
    std::fprintf(stderr, "ERROR: wsq_decode_mem : image size %dx%d too large (maximum %lld pixels)\n",
                 width, height, static_cast<long long>(WSQ_MAX_PIXELS));
    release_filters(&t->dtt);
    return WSQ_ERR_FRAME_SIZE;
  }

  int ppi = -1;
  if ((ret = ppi_from_nistcom(&ppi, idata, ilen))) {
    release_filters(&t->dtt);
    return ret;
  }

  build_split_tree(t->w_tree, width, height);
  build_subband_tree(t->w_tree, t->q_tree);

  // One work image of 4 bytes per pixel serves three uses in turn: the
  // 16-bit coefficient array (its first half), the reconstruction's scratch
  // image, and the 8-bit output. With the float image that makes 8 bytes per
  // pixel at most, and fewer fresh pages to touch than three buffers.
  const std::size_t npix = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  void* work = std::malloc(npix * sizeof(float));
  if (work == nullptr) {
    std::fprintf(stderr, "ERROR: wsq_decode_mem : malloc : qdata1\n");
    release_filters(&t->dtt);
    return WSQ_ERR_MALLOC_QDATA;
  }
  auto* qdata = static_cast<std::int16_t*>(work);
  // Coefficients that the stream does not reach (EOI before the count) are 0.
  std::memset(qdata, 0, npix * sizeof(std::int16_t));
  if ((ret = huffman_decode_data_mem(qdata, t, cur, end))) {
    std::free(work);
    release_filters(&t->dtt);
    return ret;
  }

  float* fdata = nullptr;
  if ((ret = unquantize(&fdata, &t->dqt, t->q_tree, qdata, width, height))) {
    std::free(work);
    release_filters(&t->dtt);
    return ret;
  }

  if ((ret = wsq_reconstruct(fdata, width, height, t->w_tree, &t->dtt,
                             static_cast<float*>(work)))) {
    std::free(fdata);
    std::free(work);
    release_filters(&t->dtt);
    return ret;
  }

  auto* cdata = static_cast<std::uint8_t*>(work);
  wsq_floats_to_pixels(cdata, fdata, npix, t->frm.m_shift, t->frm.r_scale);
  std::free(fdata);
  release_filters(&t->dtt);
  if (void* shrunk = std::realloc(work, npix)) cdata = static_cast<std::uint8_t*>(shrunk);

  *odata = cdata;
  *owidth = width;
  *oheight = height;
  *odepth = 8;
  *oppi = ppi;
  *lossyflag = 1;
  *owsq_encoder = t->frm.wsq_encoder;
  *osoftware = t->frm.software;
  return 0;
}

int probe_frame_wsq(const std::uint8_t* idata, std::size_t ilen, int* owidth, int* oheight) {
  const std::uint8_t* cur = idata;
  const std::uint8_t* const end = idata == nullptr ? nullptr : idata + ilen;
  std::uint16_t marker;
  if (int ret = getc_marker_wsq(&marker, SOI_WSQ, cur, end)) return ret;
  for (;;) {
    if (int ret = getc_u16(&marker, cur, end)) return ret;
    if (marker != DTT_WSQ && marker != DQT_WSQ && marker != DHT_WSQ && marker != SOF_WSQ &&
        marker != COM_WSQ)
      return WSQ_ERR_NO_SOF;  // quiet: no message
    if (marker == SOF_WSQ) break;
    switch (marker) {
      case DTT_WSQ:
      case DQT_WSQ:
      case COM_WSQ:
        if (int ret = getc_skip_marker_segment(marker, cur, end)) return ret;
        break;
      case DHT_WSQ: {
        int bytes_left = 0;
        bool first = true;
        do {
          std::uint8_t table_id;
          std::uint8_t* huffbits = nullptr;
          std::uint8_t* huffvalues = nullptr;
          if (int ret = getc_huffman_table(&table_id, &huffbits, &huffvalues, MAX_HUFFCOUNTS_WSQ,
                                           cur, end, first, &bytes_left))
            return ret;
          std::free(huffbits);
          std::free(huffvalues);
          first = false;
        } while (bytes_left != 0);
        break;
      }
      default:
        std::fprintf(stderr, "ERROR: getc_table_wsq : Invalid table defined -> {%u}\n",
                     static_cast<unsigned>(marker));
        return WSQ_ERR_INVALID_MARKER;
    }
  }
  FrmHeaderWsq frm;
  if (int ret = getc_sof_wsq(&frm, cur, end)) return ret;
  *owidth = frm.width;
  *oheight = frm.height;
  return 0;
}

}  // namespace trelvo::wsq
