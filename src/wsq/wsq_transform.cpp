// Subband trees, dequantization and inverse wavelet transform.
//
// Arithmetic is single precision, with each product added in one fixed
// order (the order of the sums below), so that every implementation of the
// loops gives the same pixels. Floating-point contraction into fused
// multiply-adds would change the roundings, so it is switched off here.
#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "wsq/wsq_internal.h"

namespace trelvo::wsq {

float wsq_scaled_value(std::uint8_t scale, std::uint32_t value) {
  float f = static_cast<float>(value);
  for (int i = 0; i < scale; ++i) f = static_cast<float>(static_cast<long double>(f) * 0.1L);
  return f;
}

// ------------------------------------------------------------------ trees
namespace {
struct Rect {
  int x, y, w, h;
};

// Quadrant split: TL, TR, BL, BR. hsmall: the horizontal direction smaller
// first (left width floor(w/2)); vsmall: the vertical direction smaller first.
void quadrants(const Rect& r, bool hsmall, bool vsmall, Rect out[4]) {
  const int wa = hsmall ? r.w / 2 : (r.w + 1) / 2;
  const int wb = r.w - wa;
  const int ha = vsmall ? r.h / 2 : (r.h + 1) / 2;
  const int hb = r.h - ha;
  out[0] = {r.x, r.y, wa, ha};
  out[1] = {r.x + wa, r.y, wb, ha};
  out[2] = {r.x, r.y + ha, wa, hb};
  out[3] = {r.x + wa, r.y + ha, wb, hb};
}

Rect node_rect(const WTree& t) { return {t.x, t.y, t.lenx, t.leny}; }

void set_node(WTree& t, const Rect& r) {
  t.x = r.x;
  t.y = r.y;
  t.lenx = r.w;
  t.leny = r.h;
}

void set_entry(QTree& q, const Rect& r) {
  q.x = r.x;
  q.y = r.y;
  q.lenx = r.w;
  q.leny = r.h;
}

// Sixteen-way split into entries p..p+15: R into quadrants A B C D (the
// flags choose smaller-first splits), then A normally, B horizontally
// smaller first, C vertically smaller first, D both.
void sixteen_way(const Rect& r, bool rows, bool columns, QTree* q_tree, int p) {
  Rect quad[4];
  quadrants(r, columns, rows, quad);
  Rect sub[4];
  quadrants(quad[0], false, false, sub);
  for (int i = 0; i < 4; ++i) set_entry(q_tree[p + i], sub[i]);
  quadrants(quad[1], true, false, sub);
  for (int i = 0; i < 4; ++i) set_entry(q_tree[p + 4 + i], sub[i]);
  quadrants(quad[2], false, true, sub);
  for (int i = 0; i < 4; ++i) set_entry(q_tree[p + 8 + i], sub[i]);
  quadrants(quad[3], true, true, sub);
  for (int i = 0; i < 4; ++i) set_entry(q_tree[p + 12 + i], sub[i]);
}
}  // namespace

void build_split_tree(WTree* w_tree, int width, int height) {
  for (int i = 0; i < W_TREELEN; ++i) w_tree[i] = WTree{};
  Rect q[4];
  set_node(w_tree[0], {0, 0, width, height});
  quadrants(node_rect(w_tree[0]), false, false, q);
  set_node(w_tree[1], q[0]);
  set_node(w_tree[2], q[1]);
  set_node(w_tree[3], q[2]);
  quadrants(node_rect(w_tree[1]), false, false, q);
  set_node(w_tree[14], q[0]);
  set_node(w_tree[4], q[1]);
  set_node(w_tree[5], q[2]);
  quadrants(node_rect(w_tree[4]), true, false, q);
  for (int i = 0; i < 4; ++i) set_node(w_tree[6 + i], q[i]);
  quadrants(node_rect(w_tree[5]), false, true, q);
  for (int i = 0; i < 4; ++i) set_node(w_tree[10 + i], q[i]);
  quadrants(node_rect(w_tree[14]), false, false, q);
  for (int i = 0; i < 4; ++i) set_node(w_tree[15 + i], q[i]);
  quadrants(node_rect(w_tree[15]), false, false, q);
  set_node(w_tree[19], q[0]);

  for (int n : {2, 4, 7, 9, 11, 13, 16, 18}) w_tree[n].inv_rw = true;
  for (int n : {3, 5, 8, 9, 12, 13, 17, 18}) w_tree[n].inv_cl = true;
}

void build_subband_tree(const WTree* w_tree, QTree* q_tree) {
  for (int i = 0; i < Q_TREELEN; ++i) q_tree[i] = QTree{};
  sixteen_way(node_rect(w_tree[14]), false, false, q_tree, 3);
  sixteen_way(node_rect(w_tree[4]), false, true, q_tree, 19);
  sixteen_way(node_rect(w_tree[0]), false, false, q_tree, 48);
  sixteen_way(node_rect(w_tree[5]), true, false, q_tree, 35);
  Rect q[4];
  quadrants(node_rect(w_tree[19]), false, false, q);
  for (int i = 0; i < 4; ++i) set_entry(q_tree[i], q[i]);
}

// ------------------------------------------------------------ DTT and DQT
namespace {
int read_filter_record(float* out, const std::uint8_t*& cur, const std::uint8_t* end) {
  std::uint8_t sign, scale;
  std::uint32_t value;
  if (int ret = getc_byte(&sign, cur, end)) return ret;
  if (int ret = getc_byte(&scale, cur, end)) return ret;
  if (int ret = getc_u32(&value, cur, end)) return ret;
  const float f = wsq_scaled_value(scale, value);
  *out = sign != 0 ? -f : f;
  return 0;
}

float sigma(int k) { return (k % 2 == 0) ? 1.0f : -1.0f; }
}  // namespace

void release_filters(DttTable* dtt) {
  std::free(dtt->lofilt);
  std::free(dtt->hifilt);
  dtt->lofilt = nullptr;
  dtt->hifilt = nullptr;
  dtt->lodef = false;
  dtt->hidef = false;
}

int getc_transform_table(DttTable* dtt, const std::uint8_t*& cur, const std::uint8_t* end) {
  std::uint16_t hdr_size;
  std::uint8_t hisz, losz;
  if (int ret = getc_u16(&hdr_size, cur, end)) return ret;
  if (int ret = getc_byte(&hisz, cur, end)) return ret;
  if (int ret = getc_byte(&losz, cur, end)) return ret;

  release_filters(dtt);
  dtt->hisz = hisz;
  dtt->losz = losz;
  // One float at least, so that a length of 0 is not taken for a failure.
  dtt->lofilt = static_cast<float*>(std::calloc(std::max<std::size_t>(losz, 1), sizeof(float)));
  if (dtt->lofilt == nullptr) {
    std::fprintf(stderr, "ERROR : getc_transform_table : calloc : lofilt\n");
    return WSQ_ERR_TRANSFORM_94;
  }
  dtt->hifilt = static_cast<float*>(std::calloc(std::max<std::size_t>(hisz, 1), sizeof(float)));
  if (dtt->hifilt == nullptr) {
    std::fprintf(stderr, "ERROR : getc_transform_table : calloc : hifilt\n");
    release_filters(dtt);
    return WSQ_ERR_TRANSFORM_95;
  }

  const int m = (hisz + 1) / 2;
  auto* a_lofilt = static_cast<float*>(std::calloc(std::max(m, 1), sizeof(float)));
  if (a_lofilt == nullptr) {
    std::fprintf(stderr, "ERROR : getc_transform_table : calloc : a_lofilt\n");
    release_filters(dtt);
    return WSQ_ERR_TRANSFORM_96;
  }
  for (int k = 0; k < m; ++k) {
    if (int ret = read_filter_record(&a_lofilt[k], cur, end)) {
      std::free(a_lofilt);
      release_filters(dtt);
      return ret;
    }
  }
  if (hisz % 2 == 1) {
    const int h = m - 1;
    for (int k = 0; k < m; ++k) {
      dtt->hifilt[h + k] = sigma(k) * a_lofilt[k];
      if (k > 0) dtt->hifilt[h - k] = dtt->hifilt[h + k];
    }
  } else {
    const int h = hisz / 2 - 1;
    for (int k = 0; k < m; ++k) {
      dtt->hifilt[h + 1 + k] = sigma(k) * a_lofilt[k];
      dtt->hifilt[h - k] = -dtt->hifilt[h + 1 + k];
    }
  }
  std::free(a_lofilt);

  const int n = (losz + 1) / 2;
  auto* a_hifilt = static_cast<float*>(std::calloc(std::max(n, 1), sizeof(float)));
  if (a_hifilt == nullptr) {
    std::fprintf(stderr, "ERROR : getc_transform_table : calloc : a_hifilt\n");
    release_filters(dtt);
    return WSQ_ERR_TRANSFORM_97;
  }
  for (int k = 0; k < n; ++k) {
    if (int ret = read_filter_record(&a_hifilt[k], cur, end)) {
      std::free(a_hifilt);
      release_filters(dtt);
      return ret;
    }
  }
  if (losz % 2 == 1) {
    const int l = n - 1;
    for (int k = 0; k < n; ++k) {
      dtt->lofilt[l + k] = sigma(k) * a_hifilt[k];
      if (k > 0) dtt->lofilt[l - k] = dtt->lofilt[l + k];
    }
  } else {
    const int l = losz / 2 - 1;
    for (int k = 0; k < n; ++k) {
      dtt->lofilt[l + 1 + k] = sigma(k + 1) * a_hifilt[k];
      dtt->lofilt[l - k] = dtt->lofilt[l + 1 + k];
    }
  }
  std::free(a_hifilt);

  dtt->lodef = true;
  dtt->hidef = true;
  return 0;
}

int getc_dqt_wsq(DqtTable* dqt, const std::uint8_t*& cur, const std::uint8_t* end) {
  std::uint16_t hdr_size;
  if (int ret = getc_u16(&hdr_size, cur, end)) return ret;
  std::uint8_t scale;
  std::uint16_t value;
  DqtTable t;
  if (int ret = getc_byte(&scale, cur, end)) return ret;
  if (int ret = getc_u16(&value, cur, end)) return ret;
  t.bin_center = wsq_scaled_value(scale, value);
  for (int i = 0; i < MAX_SUBBANDS; ++i) {
    if (int ret = getc_byte(&scale, cur, end)) return ret;
    if (int ret = getc_u16(&value, cur, end)) return ret;
    t.q_bin[i] = wsq_scaled_value(scale, value);
    if (int ret = getc_byte(&scale, cur, end)) return ret;
    if (int ret = getc_u16(&value, cur, end)) return ret;
    t.z_bin[i] = wsq_scaled_value(scale, value);
  }
  t.dqt_def = true;
  *dqt = t;
  return 0;
}

// ------------------------------------------------------- vector helpers
namespace {
// Four floats or ints; element-wise arithmetic is the scalar arithmetic,
// lane by lane.
typedef float v4f __attribute__((vector_size(16)));
typedef int v4i __attribute__((vector_size(16)));

inline v4f load4(const float* p) {
  v4f v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline void store4(float* p, v4f v) { std::memcpy(p, &v, sizeof v); }

// Lanes of a where mask is set, of b elsewhere.
inline v4f select4(v4i mask, v4f a, v4f b) {
  return reinterpret_cast<v4f>((reinterpret_cast<v4i>(a) & mask) |
                               (reinterpret_cast<v4i>(b) & ~mask));
}
}  // namespace

void wsq_floats_to_pixels(std::uint8_t* out, const float* in, std::size_t n, float m_shift,
                          float r_scale) {
  std::size_t i = 0;
#if defined(__SSE2__)
  // max(t, 0) gives 0 for t below 0 and for NaN (the second operand wins);
  // then min(t, 255); the values are then within 0..255, so the saturating
  // packs are exact.
  const __m128 m = _mm_set1_ps(m_shift), r = _mm_set1_ps(r_scale), half = _mm_set1_ps(0.5f);
  const __m128 zero = _mm_setzero_ps(), top = _mm_set1_ps(255.0f);
  auto four = [&](const float* p) {
    __m128 t = _mm_add_ps(m, _mm_mul_ps(r, _mm_loadu_ps(p)));
    t = _mm_add_ps(t, half);
    t = _mm_min_ps(_mm_max_ps(t, zero), top);
    return _mm_cvttps_epi32(t);
  };
  for (; i + 16 <= n; i += 16) {
    const __m128i a = _mm_packs_epi32(four(in + i), four(in + i + 4));
    const __m128i b = _mm_packs_epi32(four(in + i + 8), four(in + i + 12));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
  }
#endif
  for (; i < n; ++i) out[i] = wsq_float_to_pixel(m_shift, r_scale, in[i]);
}

// ---------------------------------------------------------- dequantization
int unquantize(float** ofip, const DqtTable* dqt, const QTree* q_tree, const std::int16_t* sip,
               int width, int height) {
  const std::size_t npix = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  auto* fip = static_cast<float*>(std::calloc(std::max<std::size_t>(npix, 1), sizeof(float)));
  if (fip == nullptr) {
    std::fprintf(stderr, "ERROR : unquantize : calloc : fip\n");
    return WSQ_ERR_NO_MARKER;  // -91
  }
  if (!dqt->dqt_def) {
    std::free(fip);
    std::fprintf(stderr, "ERROR: unquantize : quantization table parameters not defined!\n");
    return WSQ_ERR_BAD_MARKER;  // -92
  }
  const float c = dqt->bin_center;
  const std::int16_t* sptr = sip;
  for (int k = 0; k < NUM_SUBBANDS; ++k) {
    const float q = dqt->q_bin[k];
    if (q == 0.0f) continue;
    const float zh = dqt->z_bin[k] * 0.5f;
    const QTree& s = q_tree[k];
    const v4f zero = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int row = 0; row < s.leny; ++row) {
      float* fptr = fip + static_cast<std::size_t>(s.y + row) * width + s.x;
      int col = 0;
      for (; col + 4 <= s.lenx; col += 4, sptr += 4) {
        const v4i iv = {sptr[0], sptr[1], sptr[2], sptr[3]};
        const v4f v = __builtin_convertvector(iv, v4f);
        const v4f pos = q * (v - c) + zh;
        const v4f neg = q * (v + c) - zh;
        store4(fptr + col, select4(iv > 0, pos, select4(iv < 0, neg, zero)));
      }
      for (; col < s.lenx; ++col) {
        const int v = *sptr++;
        if (v == 0) {
          fptr[col] = 0.0f;
        } else if (v > 0) {
          fptr[col] = q * (static_cast<float>(v) - c) + zh;
        } else {
          fptr[col] = q * (static_cast<float>(v) + c) - zh;
        }
      }
    }
  }
  *ofip = fip;
  return 0;
}

// ------------------------------------------------------ inverse transform
namespace {
// Whole-sample mirroring about 0 and n - 1, repeated as often as needed
// (period 2(n - 1)); keeps the parity of the grid position.
inline int reflect(long p, int n) {
  if (n <= 1) return 0;
  const long period = 2L * (n - 1);
  p %= period;
  if (p < 0) p += period;
  if (p > n - 1) p = period - p;
  return static_cast<int>(p);
}

struct Tap {
  float c;
  int off;  // band index offset
  bool hi;  // true: high band (V), false: low band (U)
};

// Taps of the even outputs (n = 2k) and the odd outputs (n = 2k + 1), in the
// order of the sum: low-pass taps by ascending j, then high-pass taps.
struct TapLists {
  Tap even[512];
  Tap odd[512];
  int neven = 0;
  int nodd = 0;
};

void build_taps(TapLists& t, const float* hifilt, int hisize, const float* lofilt, int losize) {
  const int lc = (losize - 1) / 2;
  const int hc = (hisize - 1) / 2;
  t.neven = t.nodd = 0;
  for (int j = 0; j < losize; ++j) {
    if ((lc - j) % 2 == 0) {
      t.even[t.neven++] = {lofilt[j], (lc - j) / 2, false};
    } else {
      t.odd[t.nodd++] = {lofilt[j], (lc + 1 - j) / 2, false};
    }
  }
  for (int j = 0; j < hisize; ++j) {
    if ((hc - j) % 2 != 0) {
      t.even[t.neven++] = {hifilt[j], (hc - j - 1) / 2, true};
    } else {
      t.odd[t.nodd++] = {hifilt[j], (hc - j) / 2, true};
    }
  }
}

// Sample position (within the line) of band index i, mirrored as needed.
inline int band_sample(int i, bool hi, int n, int loff, int hoff) {
  if (hi) return hoff + (reflect(2L * i + 1, n) - 1) / 2;
  return loff + reflect(2L * i, n) / 2;
}

// One output sample k of a parity class, from a line with unit stride:
// the taps in order, mirrored where needed.
inline float line_sample(const float* line, int k, const Tap* taps, int nt, int n, int loff,
                         int hoff, int nh) {
  float acc = 0.0f;
  for (int t = 0; t < nt; ++t) {
    if (taps[t].hi && nh == 0) continue;
    acc += taps[t].c * line[band_sample(k + taps[t].off, taps[t].hi, n, loff, hoff)];
  }
  return acc;
}

// The range of k (within [0, nout)) for which every tap reads inside its
// band without mirroring.
void direct_range(const Tap* taps, int nt, int nout, int nl, int nh, int* k0, int* k1) {
  int lo = 0, hi = nout;
  for (int t = 0; t < nt; ++t) {
    const int nb = taps[t].hi ? nh : nl;
    lo = std::max(lo, -taps[t].off);
    hi = std::min(hi, nb - taps[t].off);
  }
  *k0 = std::min(lo, nout);
  *k1 = std::max(hi, *k0);
}

// Lines with unit sample stride (rows): even outputs 2k and odd outputs
// 2k + 1 are computed four k at a time and interleaved.
void join_rows(float* newdata, const float* olddata, int lines, int n, std::ptrdiff_t pitch,
               const TapLists& taps, int loff, int hoff) {
  const int nl = (n + 1) / 2;
  const int nh = n / 2;
  int e0, e1, o0, o1;
  direct_range(taps.even, taps.neven, nl, nl, nh, &e0, &e1);
  direct_range(taps.odd, taps.nodd, nh, nl, nh, &o0, &o1);
  // Interior for both classes at once.
  const int k0 = std::max(e0, o0);
  const int k1 = std::max(k0, std::min(e1, o1));
  // Offset of band index 0 + off within the line, for each tap (only added
  // to k where k + off lies inside the band).
  int src_even[512];
  int src_odd[512];
  v4f ce[512], co[512];  // the coefficients in all four lanes
  for (int t = 0; t < taps.neven; ++t) {
    ce[t] = v4f{} + taps.even[t].c;
    src_even[t] = (taps.even[t].hi ? hoff : loff) + taps.even[t].off;
  }
  for (int t = 0; t < taps.nodd; ++t) {
    co[t] = v4f{} + taps.odd[t].c;
    src_odd[t] = (taps.odd[t].hi ? hoff : loff) + taps.odd[t].off;
  }
  for (int l = 0; l < lines; ++l) {
    const float* in = olddata + l * pitch;
    float* out = newdata + l * pitch;

    for (int k = 0; k < k0; ++k) {
      if (k < nl) out[2 * k] = line_sample(in, k, taps.even, taps.neven, n, loff, hoff, nh);
      if (k < nh) out[2 * k + 1] = line_sample(in, k, taps.odd, taps.nodd, n, loff, hoff, nh);
    }
    int k = k0;
    for (; k + 8 <= k1; k += 8) {
      v4f ea = {0.0f, 0.0f, 0.0f, 0.0f}, eb = ea, oa = ea, ob = ea;
      for (int t = 0; t < taps.neven; ++t) {
        const float* p = in + (src_even[t] + k);
        ea += ce[t] * load4(p);
        eb += ce[t] * load4(p + 4);
      }
      for (int t = 0; t < taps.nodd; ++t) {
        const float* p = in + (src_odd[t] + k);
        oa += co[t] * load4(p);
        ob += co[t] * load4(p + 4);
      }
      store4(out + 2 * k, __builtin_shufflevector(ea, oa, 0, 4, 1, 5));
      store4(out + 2 * k + 4, __builtin_shufflevector(ea, oa, 2, 6, 3, 7));
      store4(out + 2 * k + 8, __builtin_shufflevector(eb, ob, 0, 4, 1, 5));
      store4(out + 2 * k + 12, __builtin_shufflevector(eb, ob, 2, 6, 3, 7));
    }
    for (; k < k1; ++k) {
      float e = 0.0f, o = 0.0f;
      for (int t = 0; t < taps.neven; ++t) e += taps.even[t].c * in[src_even[t] + k];
      for (int t = 0; t < taps.nodd; ++t) o += taps.odd[t].c * in[src_odd[t] + k];
      out[2 * k] = e;
      out[2 * k + 1] = o;
    }
    for (; k < nl; ++k) {
      out[2 * k] = line_sample(in, k, taps.even, taps.neven, n, loff, hoff, nh);
      if (k < nh) out[2 * k + 1] = line_sample(in, k, taps.odd, taps.nodd, n, loff, hoff, nh);
    }
  }
}

// Lines side by side (columns): every output sample of all lines at once,
// sixteen lines at a time in registers.
void join_columns(float* newdata, const float* olddata, int lines, int n, std::ptrdiff_t stride,
                  const TapLists& taps, int loff, int hoff) {
  const int nh = n / 2;
  float coef[512];
  const float* src[512];
  for (int s = 0; s < n; ++s) {
    const bool odd = (s % 2) != 0;
    const int k = s / 2;
    const Tap* tl = odd ? taps.odd : taps.even;
    const int ntl = odd ? taps.nodd : taps.neven;
    int nt = 0;
    for (int t = 0; t < ntl; ++t) {
      if (tl[t].hi && nh == 0) continue;
      coef[nt] = tl[t].c;
      src[nt] = olddata + band_sample(k + tl[t].off, tl[t].hi, n, loff, hoff) * stride;
      ++nt;
    }
    float* out = newdata + s * stride;
    int l = 0;
    for (; l + 16 <= lines; l += 16) {
      v4f a0 = {0.0f, 0.0f, 0.0f, 0.0f}, a1 = a0, a2 = a0, a3 = a0;
      for (int t = 0; t < nt; ++t) {
        const float c = coef[t];
        const float* p = src[t] + l;
        a0 += c * load4(p);
        a1 += c * load4(p + 4);
        a2 += c * load4(p + 8);
        a3 += c * load4(p + 12);
      }
      store4(out + l, a0);
      store4(out + l + 4, a1);
      store4(out + l + 8, a2);
      store4(out + l + 12, a3);
    }
    for (; l + 4 <= lines; l += 4) {
      v4f a = {0.0f, 0.0f, 0.0f, 0.0f};
      for (int t = 0; t < nt; ++t) a += coef[t] * load4(src[t] + l);
      store4(out + l, a);
    }
    for (; l < lines; ++l) {
      float a = 0.0f;
      for (int t = 0; t < nt; ++t) a += coef[t] * src[t][l];
      out[l] = a;
    }
  }
}
}  // namespace

void join_halves(float* newdata, const float* olddata, int lines, int n, std::ptrdiff_t pitch,
                 std::ptrdiff_t stride, const float* hifilt, int hisize, const float* lofilt,
                 int losize, bool inv) {
  if (lines <= 0 || n <= 0) return;
  const int nl = (n + 1) / 2;
  const int nh = n / 2;
  const int loff = inv ? nh : 0;  // first sample of the low band
  const int hoff = inv ? 0 : nl;  // first sample of the high band
  TapLists taps;
  build_taps(taps, hifilt, hisize, lofilt, losize);

  if (pitch == 1) {
    join_columns(newdata, olddata, lines, n, stride, taps, loff, hoff);
    return;
  }
  if (stride == 1) {
    join_rows(newdata, olddata, lines, n, pitch, taps, loff, hoff);
    return;
  }
  // General strides: sample by sample.
  for (int l = 0; l < lines; ++l) {
    const float* in = olddata + l * pitch;
    float* out = newdata + l * pitch;
    for (int s = 0; s < n; ++s) {
      const bool odd = (s % 2) != 0;
      const int k = s / 2;
      const Tap* tl = odd ? taps.odd : taps.even;
      const int nt = odd ? taps.nodd : taps.neven;
      float acc = 0.0f;
      for (int t = 0; t < nt; ++t) {
        if (tl[t].hi && nh == 0) continue;
        acc += tl[t].c * in[band_sample(k + tl[t].off, tl[t].hi, n, loff, hoff) * stride];
      }
      out[s * stride] = acc;
    }
  }
}

int wsq_reconstruct(float* fdata, int width, int height, const WTree* w_tree, const DttTable* dtt,
                    float* scratch) {
  if (!dtt->lodef) {
    std::fprintf(stderr, "ERROR: wsq_reconstruct : Lopass filter coefficients not defined\n");
    return WSQ_ERR_TRANSFORM_95;
  }
  if (!dtt->hidef) {
    std::fprintf(stderr, "ERROR: wsq_reconstruct : Hipass filter coefficients not defined\n");
    return WSQ_ERR_TRANSFORM_96;
  }
  if (dtt->losz % 2 == 0 || dtt->hisz % 2 == 0) {
    std::fprintf(stderr, "ERROR: wsq_reconstruct : filter lengths %d and %d must both be odd\n",
                 static_cast<int>(dtt->losz), static_cast<int>(dtt->hisz));
    return WSQ_ERR_FILTER_LENGTH;
  }
  const std::size_t npix = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  float* fdata1 = scratch;
  if (fdata1 == nullptr)
    fdata1 = static_cast<float*>(std::malloc(std::max<std::size_t>(npix, 1) * sizeof(float)));
  if (fdata1 == nullptr) {
    std::fprintf(stderr, "ERROR : wsq_reconstruct : malloc : fdata1\n");
    return WSQ_ERR_TRANSFORM_97;
  }
  for (int node = W_TREELEN - 1; node >= 0; --node) {
    const WTree& t = w_tree[node];
    const std::size_t offset = static_cast<std::size_t>(t.y) * width + t.x;
    float* base = fdata + offset;
    float* sbase = fdata1 + offset;
    join_halves(sbase, base, t.lenx, t.leny, 1, width, dtt->hifilt, dtt->hisz, dtt->lofilt,
                dtt->losz, t.inv_cl);
    join_halves(base, sbase, t.leny, t.lenx, width, 1, dtt->hifilt, dtt->hisz, dtt->lofilt,
                dtt->losz, t.inv_rw);
  }
  if (fdata1 != scratch) std::free(fdata1);
  return 0;
}

}  // namespace trelvo::wsq
